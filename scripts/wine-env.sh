# Sourced by the run, test, benchmark and screenshot commands: a display, a
# Wine prefix inside each Windows build folder created once, and a persistent
# wineserver for each prefix; all stopped on exit.
# With BUILD_WIN set when sourced, the Wine of that build's architecture is
# chosen at once (build/win64: 64-bit Wine; anything else: 32-bit Wine).
# A script that runs both builds calls quelmar_wine_arch for each in turn.
# QUELMAR_PREFIX_NAME names the prefix folder inside the build folder
# (default "wineprefix"): the test command keeps its own, "wineprefix-test",
# so that the tests never touch the settings of the prefix scripts/run.sh
# starts Quelmar in.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8

QUELMAR_WINE64_LOADER=/usr/lib/wine/wine64
QUELMAR_WINE64_SERVER=/usr/lib/wine/wineserver64
QUELMAR_WINE_ARCH=""
# "server|prefix" of every wineserver started here, for the cleanup.
QUELMAR_WINE_STARTED=()

# Inside these scripts wine, wineserver and wineboot are those of the chosen
# architecture. Debian's wine command always prefers the 32-bit loader, which
# would drive a 64-bit prefix through emulation where the kernel has no 32-bit
# execution; the 64-bit loader and its wineserver are called by path instead.
# WINELOADER and WINESERVER carry the choice to child scripts (wine-run.sh).
wine() { "${WINELOADER:-/usr/bin/wine}" "$@"; }
wineserver() { "${WINESERVER:-/usr/bin/wineserver}" "$@"; }
wineboot() { wine wineboot "$@"; }

# quelmar_build_arch DIR: win64 or win32, from the toolchain a Windows build
# folder was configured with (or, before it is configured, from its name).
quelmar_build_arch() {
  local cache="$1/CMakeCache.txt"
  if [ -f "$cache" ]; then
    grep -q '^CMAKE_TOOLCHAIN_FILE:.*x86_64' "$cache" && { echo win64; return; }
    grep -q '^CMAKE_TOOLCHAIN_FILE:' "$cache" && { echo win32; return; }
  fi
  case "$(basename "$1")" in *64*) echo win64 ;; *) echo win32 ;; esac
}

# quelmar_wine_arch win32|win64 [DIR]: the Wine environment of the Windows
# build in DIR (default $BUILD_WIN, which it sets): its own prefix in DIR, made
# with that architecture, and that architecture's loader and wineserver.
quelmar_wine_arch() {
  local arch="$1"
  BUILD_WIN="${2:-$BUILD_WIN}"
  case "$arch" in
    win64)
      export WINEARCH=win64 WINELOADER="$QUELMAR_WINE64_LOADER" WINESERVER="$QUELMAR_WINE64_SERVER" ;;
    win32)
      export WINEARCH=win32
      unset WINELOADER WINESERVER ;;
    *) echo "Unknown Windows architecture: $arch (win32 or win64)" >&2; return 1 ;;
  esac
  export WINEPREFIX="$BUILD_WIN/${QUELMAR_PREFIX_NAME:-wineprefix}"
  QUELMAR_WINE_ARCH="$arch"
}

# True where 32-bit programs run only through qemu's user-mode emulator (the
# kernel has no 32-bit execution; scripts/setup-deps.sh registered qemu): then
# 32-bit Wine works but slowly, and its timings mean nothing.
quelmar_i386_emulated() {
  [ "$(head -1 /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null)" = enabled ]
}

# Stops the wineserver of the current prefix (and with it its programs).
quelmar_stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
}

QUELMAR_XVFB_PID=""
quelmar_env_cleanup() {
  local entry
  for entry in ${QUELMAR_WINE_STARTED[@]+"${QUELMAR_WINE_STARTED[@]}"}; do
    WINEPREFIX="${entry#*|}" "${entry%%|*}" -k >/dev/null 2>&1 || true
  done
  QUELMAR_WINE_STARTED=()
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

# Creates the current prefix when it is new and starts its persistent wineserver.
quelmar_start_wine() {
  [ -n "$QUELMAR_WINE_ARCH" ] || quelmar_wine_arch "$(quelmar_build_arch "$BUILD_WIN")" || return 1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the $QUELMAR_WINE_ARCH Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 </dev/null || true
    wineserver -w
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null || true
    wineserver -w
  fi
  wineserver -p
  QUELMAR_WINE_STARTED+=("${WINESERVER:-/usr/bin/wineserver}|$WINEPREFIX")
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

if [ -n "${BUILD_WIN:-}" ]; then
  quelmar_wine_arch "$(quelmar_build_arch "$BUILD_WIN")"
fi
