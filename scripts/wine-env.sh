# Sourced by the run and test commands: a display, a Wine prefix inside the
# build folder created once, and a persistent wineserver; all stopped on exit.
# Needs BUILD_WIN set to the Windows build folder. QUELMAR_WINEPREFIX names
# another prefix: the test command keeps its own, so that the tests never
# touch the settings of the prefix scripts/run.sh starts Quelmar in.

export WINEPREFIX="${QUELMAR_WINEPREFIX:-$BUILD_WIN/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
export WINEARCH=win32

QUELMAR_XVFB_PID=""
quelmar_env_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$QUELMAR_XVFB_PID" ]; then kill "$QUELMAR_XVFB_PID" 2>/dev/null || true; wait "$QUELMAR_XVFB_PID" 2>/dev/null || true; fi
}

# quelmar_start_display private: always a private Xvfb of our own, whatever
#   DISPLAY says (tests, benchmarks, screenshots: nothing shows on a desktop).
# quelmar_start_display user: the user's DISPLAY, or a private Xvfb without one.
quelmar_start_display() {
  local mode="${1:-private}"
  if [ "$mode" = user ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  # Xvfb picks a free display number itself and reports it when it accepts
  # connections: no race with other servers started at the same moment.
  local fifo n=""
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/quelmar-xvfb.XXXXXX")
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  QUELMAR_XVFB_PID=$!
  read -r -t 30 n <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$n" ] || ! kill -0 "$QUELMAR_XVFB_PID" 2>/dev/null; then
    echo "Could not start Xvfb" >&2
    return 1
  fi
  export DISPLAY=":$n"
  unset WAYLAND_DISPLAY XAUTHORITY
}

quelmar_start_wine() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
    wineserver -w
  fi
  wineserver -p
  # On our own Xvfb there is no window manager, and Wine waits 2 s for one
  # each time a shown window is hidden or destroyed: windows go unmanaged
  # there. On the user's display they keep their frames.
  if [ -n "$QUELMAR_XVFB_PID" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
  else
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 </dev/null || true
  fi
  # Start the prefix's services now, outside any test's output pipe.
  wine wineboot >/dev/null 2>&1 </dev/null || true
}
