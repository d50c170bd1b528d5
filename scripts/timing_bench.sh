#!/usr/bin/env bash
# Throughput of quelmar-timing: a trace of a million writes (the demo program
# in a loop, 100 000 passes, every hold a little late) is matched and reported
# with its CSV and waveform, by an optimised native build. Prints lines per
# second and the peak memory (/usr/bin/time -v). Figures only: nothing fails on them.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
BUILD="${QUELMAR_BUILD_ROOT:-$ROOT/build}/native-release"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target quelmar-timing -j2 >/dev/null

WORK="$BUILD/timing-bench"
mkdir -p "$WORK"
python3 scripts/make_demo.py "$WORK/demo-loop.prl" --loop
LINES=${1:-1000000}
python3 - "$WORK/trace.txt" "$LINES" <<'PY'
import sys
path, n = sys.argv[1], int(sys.argv[2])
steps = [(1 << i, 150) for i in range(8)] + [(255, 400), (0, 400)]
t, seed, out = 1000, 1, []
for i in range(n):
    v, ms = steps[i % len(steps)]
    out.append("%d 0x0378 %d\n" % (t, v))
    seed = (seed * 1103515245 + 12345) & 0xFFFFFFFF
    t += ms * 1000 + 50 + (seed >> 16) % 900
with open(path, "w") as f:
    f.writelines(out)
PY
echo "quelmar-timing on a trace of $LINES lines ($(du -h "$WORK/trace.txt" | cut -f1)):"
/usr/bin/time -v "$BUILD/timing_tool/quelmar-timing" "$WORK/demo-loop.prl" "$WORK/trace.txt" \
  --csv "$WORK/timing.csv" --vcd "$WORK/timing.vcd" >"$WORK/report.txt" 2>"$WORK/time.txt"
secs=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$WORK/time.txt" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$WORK/time.txt")
cpu=$(sed -n 's/.*\(User\|System\) time (seconds): //p' "$WORK/time.txt" | awk '{ s += $1 } END { print s }')
awk -v n="$LINES" -v s="$secs" -v c="$cpu" -v k="$peak" 'BEGIN {
  printf "  %.2f s elapsed: %.0f lines/s; %.2f s of CPU: %.0f lines per CPU second; peak memory %.1f MB\n", s, n / s, c, n / c, k / 1024
  print "  (report, CSV and VCD written; elapsed time includes waiting for the disk and for a busy machine)" }'
sed -n '/Hold error/,/drift/p' "$WORK/report.txt" | sed 's/^/  /'
