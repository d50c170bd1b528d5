#!/usr/bin/env bash
# Takes the screenshot of the timeline window "Grafico del programma"
# (docs/graph.png) under a private Xvfb screen: a small program with bit
# descriptions, a disabled step and a step of 0 ms is played once from the
# command line, then the timeline is opened from the main window's menu.
# Uses the 64-bit build, which runs natively under 64-bit Wine.
set -euo pipefail
. "$(dirname "$0")/screenshot-lib.sh"
screenshot_start win64 Quelmar hwinterface Rintok Skarvo window_command

# The program shown: a traffic light on bits 0-2, a pump on bit 4, a siren
# pulse of 0 ms on bit 7 and one disabled step, in the program file's layout.
cd "$BUILD_WIN/bin"
python3 - semaforo.prl <<'PY'
import struct, sys
def text(s):
    b = s.encode("cp1252")
    return struct.pack("<H", len(b)) + b
bits = ["Rosso", "Giallo", "Verde", "", "Pompa", "", "", "Sirena"]
steps = [(True, 0x01, 1200), (True, 0x11, 800), (True, 0x14, 1500), (False, 0xFF, 900),
         (True, 0x80, 0), (True, 0x12, 500), (True, 0x01, 1000), (True, 0x00, 400)]
head = text("Semaforo") + b"".join(text(b) for b in bits)
head += struct.pack("<hhhh", 1, len(steps), 0, 0)
body = b""
for n in range(2048):
    on, b, ms = steps[n] if n < len(steps) else (False, 0, 0)
    body += struct.pack("<hBi", -1 if on else 0, b, ms) + text("")
open(sys.argv[1], "wb").write(head + body)
PY
TRACE="$BUILD_WIN/graph-screenshot-trace.txt"
rm -f "$TRACE"
QUELMAR_PORT_TRACE="$TRACE" wine Quelmar.exe f=semaforo >/dev/null 2>&1 &
QUELMAR_APP_PID=$!

# The run writes the seven enabled steps, then the caption turns idle.
screenshot_trace "$TRACE" 7 300 || true
screenshot_idle_main 100 >/dev/null || true
wine "$BUILD_WIN/bin/window_command.exe" grafico >/dev/null 2>&1
id=$(screenshot_window '"Grafico del programma"' 100) || { echo "The timeline window did not appear" >&2; exit 1; }
sleep 1
screenshot_save "$id" graph.png
