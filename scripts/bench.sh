#!/usr/bin/env bash
# Runs the native benchmark of quelmar-play, then builds the Windows tree and
# runs every benchmark program (bin/*_bench.exe) under Wine + Xvfb, printing
# each one's figures. Benchmarks are never tests:
# nothing here passes or fails on timing.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup-deps.sh || exit 1

# quelmar-play first: native, so its figures come even where Wine cannot run.
echo "== play_bench (native quelmar-play, simulated port)"
BUILD_NATIVE="${QUELMAR_BUILD_ROOT:-$ROOT/build}/native-release"
cmake -S . -B "$BUILD_NATIVE" -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
cmake --build "$BUILD_NATIVE" --target play_bench -j2 >/dev/null || exit 1
echo "  load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
"$BUILD_NATIVE/bench/play_bench" --no-realtime || echo "play_bench ended with exit code $?"
"$BUILD_NATIVE/bench/play_bench" --realtime || echo "play_bench --realtime ended with exit code $?"
echo

JOBS=$(nproc)
BUILD_ROOT="${QUELMAR_BUILD_ROOT:-$ROOT/build}"
BUILD_WIN="$BUILD_ROOT/win32"

cmake -S . -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
if ! cmake --build "$BUILD_WIN" -j"$JOBS" >"$BUILD_WIN/bench-build.log" 2>&1; then
  tail -n 40 "$BUILD_WIN/bench-build.log"
  echo "The Windows build failed (whole log: $BUILD_WIN/bench-build.log)"
  exit 1
fi

. scripts/wine-env.sh
trap quelmar_env_cleanup EXIT
quelmar_start_display private || exit 1
quelmar_start_wine

shopt -s nullglob
benches=("$BUILD_WIN"/bin/*_bench.exe)
if [ ${#benches[@]} -eq 0 ]; then
  echo "No benchmark programs in $BUILD_WIN/bin"
  exit 1
fi
rc=0
cd "$BUILD_WIN/bin"
for b in "${benches[@]}"; do
  name=$(basename "$b")
  echo "== $name"
  bash "$ROOT/scripts/wine-run.sh" "$name" || { echo "$name ended with exit code $?"; rc=1; }
  echo
done
echo "== quelmar-timing (native)"
bash "$ROOT/scripts/timing_bench.sh" || { echo "timing_bench.sh ended with exit code $?"; rc=1; }
exit $rc
