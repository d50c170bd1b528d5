# Sourced by the screenshot scripts: sets ROOT and works from there. Brings
# the tools, builds what a picture needs, runs Wine on a private Xvfb screen,
# waits for windows and writes their pictures to docs/.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

# ImageMagick's import takes a window; scripts/setup-deps.sh brings x11-utils
# and Wine's own fonts.
screenshot_tools() {
  if ! command -v import >/dev/null || ! command -v xwininfo >/dev/null; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get install -y -q --no-install-recommends x11-utils imagemagick
  fi
}

# Ends the programs started into QUELMAR_APP_PID and SCREENSHOT_PIDS, then Wine and the screen.
screenshot_cleanup() {
  local pid
  for pid in ${QUELMAR_APP_PID:-} ${SCREENSHOT_PIDS:-}; do kill "$pid" 2>/dev/null || true; done
  quelmar_env_cleanup
}

# screenshot_session: Wine for BUILD_WIN on a private Xvfb screen, ended on exit.
screenshot_session() {
  . scripts/wine-env.sh
  QUELMAR_APP_PID=""
  SCREENSHOT_PIDS=""
  trap screenshot_cleanup EXIT
  quelmar_start_display private
  quelmar_start_wine
}

# screenshot_start ARCH TARGET...: the dependencies and tools, BUILD_WIN set
# to the build of ARCH (win32 or win64) with TARGET... built, and the session.
screenshot_start() {
  local arch="$1" toolchain=mingw-i686.cmake
  shift
  [ "$arch" = win64 ] && toolchain=mingw-x86_64.cmake
  bash scripts/setup-deps.sh
  screenshot_tools
  BUILD_WIN="${QUELMAR_BUILD_ROOT:-$ROOT/build}/$arch"
  cmake -S . -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD_WIN" -j2 --target "$@" >/dev/null
  screenshot_session
}

# screenshot_window TEXT TRIES [any]: prints the X id of the first window
# whose line in the window tree holds TEXT (fixed text; a caption in double
# quotes), once it is on the screen (with `any`: as soon as it exists),
# asking every tenth of a second up to TRIES times; fails when there is none.
screenshot_window() {
  local id=""
  for _ in $(seq 1 "$2"); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -iF "$1" | awk '{print $1}' | head -1 || true)
    if [ -n "$id" ] && { [ "${3:-}" = any ] || xwininfo -id "$id" 2>/dev/null | grep -q IsViewable; }; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# screenshot_trace FILE LINES TRIES: waits until the port trace FILE holds
# LINES writes, asking every tenth of a second up to TRIES times.
screenshot_trace() {
  for _ in $(seq 1 "$3"); do
    [ -f "$1" ] && [ "$(wc -l <"$1")" -ge "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# screenshot_idle_main TRIES: prints the main window's X id once its caption
# is the idle one (no run in progress).
screenshot_idle_main() {
  local tree id
  for _ in $(seq 1 "$1"); do
    tree=$(xwininfo -root -tree 2>/dev/null || true)
    id=$(grep '"Programmazione porta parallela' <<<"$tree" | grep -v 'In esecuzione' | awk '{print $1}' | head -1 || true)
    if [ -n "$id" ] && ! grep -q 'In esecuzione' <<<"$tree"; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# screenshot_save ID FILE [IMPORT OPTION...]: the window ID (or `root`,
# cropped by the options) written to docs/FILE.
screenshot_save() {
  local id="$1" out="$2"
  shift 2
  mkdir -p "$ROOT/docs"
  import -window "$id" "$@" "$ROOT/docs/$out"
  echo "Wrote $ROOT/docs/$out"
}
