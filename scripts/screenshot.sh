#!/usr/bin/env bash
# Takes screenshots of Quelmar's windows under a private Xvfb screen: the main
# window (docs/form1.png) showing the demo program after it has played once
# (f=demo), with its file name in the status line; then the options window
# (docs/form3.png) and the help window (docs/form2.png), opened from the menus.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup-deps.sh
bash scripts/screenshot-tools.sh

BUILD_WIN="${QUELMAR_BUILD_ROOT:-$ROOT/build}/win32"
cmake -S . -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
TARGETS="Quelmar hwinterface quelmar_demo window_command"
[ -f file_box/CMakeLists.txt ] && TARGETS="$TARGETS Dravik"
cmake --build "$BUILD_WIN" -j2 --target $TARGETS >/dev/null

. scripts/screenshot-session.sh

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

# The options window shows the demo as the start-up file and 378 as the custom address.
SETTINGS='HKCU\Software\VB and VBA Program Settings\QUELMAR'
DEMO_PATH="$(winepath -w "$BUILD_WIN/bin/demo.prl" 2>/dev/null)"
wine reg add "$SETTINGS\FileStart" /v Nome /d "$DEMO_PATH" /f >/dev/null 2>&1 || true
wine reg add "$SETTINGS\PortaParallela" /v Indirizzo /d 888 /f >/dev/null 2>&1 || true
wine reg add "$SETTINGS\Option" /v Min /d 0 /f >/dev/null 2>&1 || true

# Opens a window with window_command.exe, waits for its caption and captures it.
capture() {
  local command="$1" caption="$2" out="$3" id=""
  wine "$BUILD_WIN/bin/window_command.exe" "$command" >/dev/null 2>&1
  for _ in $(seq 1 100); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$caption\"" | awk '{print $1}' | head -1 || true)
    # Made hidden and shown once loaded: wait until it is on the screen.
    [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && break
    id=""
    sleep 0.1
  done
  [ -n "$id" ] || { echo "The window \"$caption\" did not appear" >&2; exit 1; }
  sleep 1
  import -window "$id" "$ROOT/docs/$out"
  echo "Wrote $ROOT/docs/$out"
}
capture opzioni "Opzioni" form3.png
wine "$BUILD_WIN/bin/window_command.exe" chiudi-opzioni >/dev/null 2>&1
capture aiuto "Quelmar V. 3.1.0.0   -   Help dei comandi" form2.png
wine "$BUILD_WIN/bin/window_command.exe" chiudi-aiuto >/dev/null 2>&1
wine reg delete "$SETTINGS" /f >/dev/null 2>&1 || true
