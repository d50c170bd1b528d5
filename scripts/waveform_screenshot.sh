#!/usr/bin/env bash
# Plays the demo program under Wine on a private Xvfb screen with the port
# traced, turns the trace into a waveform with quelmar-timing, opens it in
# GTKWave on the same screen and writes a picture of it to docs/waveform.png.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup-deps.sh
bash scripts/screenshot-tools.sh

BUILD_WIN="${QUELMAR_BUILD_ROOT:-$ROOT/build}/win32"
cmake -S . -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_WIN" -j2 --target Quelmar hwinterface quelmar_demo quelmar-timing >/dev/null

. scripts/wine-env.sh
QUELMAR_APP_PID=""
GTKWAVE_PID=""
cleanup() {
  if [ -n "$QUELMAR_APP_PID" ]; then kill "$QUELMAR_APP_PID" 2>/dev/null || true; fi
  if [ -n "$GTKWAVE_PID" ]; then kill "$GTKWAVE_PID" 2>/dev/null || true; fi
  quelmar_env_cleanup
}
trap cleanup EXIT
QUELMAR_FORCE_XVFB=1 quelmar_start_display
quelmar_start_wine

WORK="$BUILD_WIN/waveform"
mkdir -p "$WORK"
TRACE="$WORK/demo-trace.txt"
rm -f "$TRACE"
cd "$BUILD_WIN/bin"
QUELMAR_PORT_TRACE="$TRACE" wine Quelmar.exe f=demo p=h378 >/dev/null 2>&1 &
QUELMAR_APP_PID=$!
# The demo writes ten steps, then the run is over.
for _ in $(seq 1 600); do
  [ -f "$TRACE" ] && [ "$(wc -l <"$TRACE")" -ge 10 ] && break
  sleep 0.1
done
[ -f "$TRACE" ] && [ "$(wc -l <"$TRACE")" -ge 10 ] || { echo "The demo run wrote no trace" >&2; exit 1; }
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
GTKWAVE_PID=$!
win=""
for _ in $(seq 1 200); do
  win=$(xwininfo -root -tree 2>/dev/null | grep -i '"GTKWave - ' | awk '{print $1}' | head -1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "GTKWave's window did not appear" >&2; exit 1; }
# Let it lay out and draw the traces.
sleep 3
mkdir -p "$ROOT/docs"
import -window "$win" "$ROOT/docs/waveform.png"
echo "Wrote $ROOT/docs/waveform.png"
