#!/usr/bin/env bash
# Plays the demo program under Wine on a private Xvfb screen with the port
# traced, turns the trace into a waveform with quelmar-timing, opens it in
# GTKWave on the same screen and writes a picture of it to docs/waveform.png.
set -euo pipefail
. "$(dirname "$0")/screenshot-lib.sh"
screenshot_start win32 Quelmar hwinterface quelmar_demo quelmar-timing

WORK="$BUILD_WIN/waveform"
mkdir -p "$WORK"
TRACE="$WORK/demo-trace.txt"
rm -f "$TRACE"
cd "$BUILD_WIN/bin"
QUELMAR_PORT_TRACE="$TRACE" wine Quelmar.exe f=demo p=h378 >/dev/null 2>&1 &
QUELMAR_APP_PID=$!
# The demo writes ten steps, then the run is over.
screenshot_trace "$TRACE" 10 600 || { echo "The demo run wrote no trace" >&2; exit 1; }
kill "$QUELMAR_APP_PID" 2>/dev/null || true
QUELMAR_APP_PID=""

bash "$ROOT/scripts/wine-run.sh" quelmar-timing.exe demo.prl "$TRACE" --vcd "$WORK/demo.vcd" | tee "$WORK/report.txt"

# GTKWave with the data vector and then every bit shown, the whole run in view.
cat >"$WORK/show.tcl" <<'TCL'
set vector [list]
set bits [list]
for {set i 0} {$i < [gtkwave::getNumFacs]} {incr i} {
  set name [gtkwave::getFacName $i]
  if {[string match {*.data*} $name]} { lappend vector $name } else { lappend bits $name }
}
gtkwave::addSignalsFromList [concat $vector $bits]
gtkwave::/Time/Zoom/Zoom_Full
TCL
printf '[size] 1100 400\n[pos] 0 0\n[sst_expanded] 0\n[signals_width] 170\n' >"$WORK/demo.gtkw"
(cd "$WORK" && exec gtkwave --script "$WORK/show.tcl" "$WORK/demo.vcd" "$WORK/demo.gtkw" >/dev/null 2>&1) &
SCREENSHOT_PIDS=$!
win=$(screenshot_window '"GTKWave - ' 200 any) || { echo "GTKWave's window did not appear" >&2; exit 1; }
# Let it lay out and draw the traces.
sleep 3
screenshot_save "$win" waveform.png
