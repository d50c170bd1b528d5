#!/usr/bin/env bash
# Takes a screenshot of Quelmar's main window under a private Xvfb screen and
# writes it to docs/form1.png. The window shows the demo program after it has
# played once (f=demo), with its file name in the status line.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup-deps.sh

if ! command -v xwininfo >/dev/null || ! command -v import >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get install -y -q --no-install-recommends x11-utils imagemagick
fi

BUILD_WIN="${QUELMAR_BUILD_ROOT:-$ROOT/build}/win32"
cmake -S . -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_WIN" -j2 --target Quelmar hwinterface quelmar_demo >/dev/null

. scripts/wine-env.sh
QUELMAR_APP_PID=""
cleanup() {
  if [ -n "$QUELMAR_APP_PID" ]; then kill "$QUELMAR_APP_PID" 2>/dev/null || true; fi
  quelmar_env_cleanup
}
trap cleanup EXIT
quelmar_start_display private
quelmar_start_wine

cd "$BUILD_WIN/bin"
TRACE="$BUILD_WIN/screenshot-trace.txt"
rm -f "$TRACE"
QUELMAR_PORT_TRACE="$TRACE" wine Quelmar.exe f=demo >/dev/null 2>&1 &
QUELMAR_APP_PID=$!

# The window's X id, once its caption is the idle one again (the demo has played).
find_window() {
  xwininfo -root -tree 2>/dev/null | grep '"Programmazione porta parallela' | grep -v 'In esecuzione' |
    awk '{print $1}' | head -1 || true
}
# The demo writes ten steps; then the run ends and the caption turns idle.
for _ in $(seq 1 300); do
  [ -f "$TRACE" ] && [ "$(wc -l <"$TRACE")" -ge 10 ] && break
  sleep 0.1
done
win=""
for _ in $(seq 1 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q 'In esecuzione'; then running=1; else running=0; fi
  win=$(find_window)
  [ -n "$win" ] && [ "$running" = 0 ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "The main window did not appear" >&2; exit 1; }
sleep 1
mkdir -p "$ROOT/docs"
import -window "$win" "$ROOT/docs/form1.png"
echo "Wrote $ROOT/docs/form1.png"
