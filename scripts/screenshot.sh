#!/usr/bin/env bash
# Takes screenshots of Quelmar's windows under a private Xvfb screen: the main
# window (docs/form1.png) showing the demo program after it has played once
# (f=demo), with its file name in the status line; then the options window
# (docs/form3.png) and the help window (docs/form2.png), opened from the menus.
set -euo pipefail
. "$(dirname "$0")/screenshot-lib.sh"
TARGETS="Quelmar hwinterface quelmar_demo window_command"
[ -f file_box/CMakeLists.txt ] && TARGETS="$TARGETS Dravik"
screenshot_start win32 $TARGETS

cd "$BUILD_WIN/bin"
TRACE="$BUILD_WIN/screenshot-trace.txt"
rm -f "$TRACE"
QUELMAR_PORT_TRACE="$TRACE" wine Quelmar.exe f=demo >/dev/null 2>&1 &
QUELMAR_APP_PID=$!

# The demo writes ten steps; then the run ends and the caption turns idle.
screenshot_trace "$TRACE" 10 300 || true
win=$(screenshot_idle_main 100) || { echo "The main window did not appear" >&2; exit 1; }
sleep 1
screenshot_save "$win" form1.png

# The options window shows the demo as the start-up file and 378 as the custom address.
SETTINGS='HKCU\Software\VB and VBA Program Settings\QUELMAR'
DEMO_PATH="$(winepath -w "$BUILD_WIN/bin/demo.prl" 2>/dev/null)"
wine reg add "$SETTINGS\FileStart" /v Nome /d "$DEMO_PATH" /f >/dev/null 2>&1 || true
wine reg add "$SETTINGS\PortaParallela" /v Indirizzo /d 888 /f >/dev/null 2>&1 || true
wine reg add "$SETTINGS\Option" /v Min /d 0 /f >/dev/null 2>&1 || true

# Opens a window with window_command.exe, waits for its caption and captures it.
capture() {
  local command="$1" caption="$2" out="$3" id
  wine "$BUILD_WIN/bin/window_command.exe" "$command" >/dev/null 2>&1
  # Made hidden and shown once loaded: wait until it is on the screen.
  id=$(screenshot_window "\"$caption\"" 100) || { echo "The window \"$caption\" did not appear" >&2; exit 1; }
  sleep 1
  screenshot_save "$id" "$out"
}
capture opzioni "Opzioni" form3.png
wine "$BUILD_WIN/bin/window_command.exe" chiudi-opzioni >/dev/null 2>&1
capture aiuto "Quelmar V. 3.1.0.0   -   Help dei comandi" form2.png
wine "$BUILD_WIN/bin/window_command.exe" chiudi-aiuto >/dev/null 2>&1
wine reg delete "$SETTINGS" /f >/dev/null 2>&1 || true
