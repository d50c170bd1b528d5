#!/usr/bin/env bash
# Builds Quelmar and runs every test: the portable logic natively under
# sanitizers, then the Windows program, libraries and tests under Wine + Xvfb.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup-deps.sh || exit 1

JOBS=$(nproc)
BUILD_ROOT="${QUELMAR_BUILD_ROOT:-$ROOT/build}"
BUILD_NATIVE="$BUILD_ROOT/native"
BUILD_WIN="$BUILD_ROOT/win32"

cmake -S . -B "$BUILD_NATIVE" -DCMAKE_BUILD_TYPE=Debug -DQUELMAR_SANITIZE=ON >/dev/null || exit 1
cmake --build "$BUILD_NATIVE" -j"$JOBS" || exit 1
cmake -S . -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$BUILD_WIN" -j"$JOBS" || exit 1

# The tests' own Wine prefix (the one the Wine tests are registered with):
# a run of the tests leaves the settings of scripts/run.sh's prefix alone.
export QUELMAR_WINEPREFIX="$BUILD_WIN/wineprefix-test"
. scripts/wine-env.sh
trap quelmar_env_cleanup EXIT
quelmar_start_display private || exit 1
quelmar_start_wine

summary() { sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -1; }

echo "== Native tests"
(cd "$BUILD_NATIVE" && ctest --output-on-failure -j"$JOBS") | tee "$BUILD_NATIVE/ctest.log"
native_rc=${PIPESTATUS[0]}
echo "== Windows tests under Wine"
# One at a time: under emulation two Wine processes only slow each other
# down. (Tests that share the settings, registrations or the desktop carry a
# RESOURCE_LOCK, so `ctest -j` is safe too.) Each Wine test program prints
# "wine-gtest: NAME: R of H tests ran: ..." for its own count.
(cd "$BUILD_WIN" && ctest --output-on-failure) | tee "$BUILD_WIN/ctest.log"
win_rc=${PIPESTATUS[0]}
# CTest keeps every test's output in LastTest.log, passing ones included.
grep -h '^wine-gtest: .* tests ran' "$BUILD_WIN/Testing/Temporary/LastTest.log" 2>/dev/null | sort
awk '/^wine-gtest: .* tests ran/ {n += $3} END {print "Test cases run in the Wine test programs: " n + 0}' \
  "$BUILD_WIN/Testing/Temporary/LastTest.log" 2>/dev/null

echo "== Fuzz targets, ${QUELMAR_TEST_FUZZ_SECONDS:-3} s each"
# Short runs from the seed corpus: enough to catch a reader that regressed.
bash scripts/fuzz.sh "${QUELMAR_TEST_FUZZ_SECONDS:-3}"
fuzz_rc=$?
fuzz_log="$BUILD_ROOT/fuzz/ctest.log"

read -r nf nt < <(summary "$BUILD_NATIVE/ctest.log"; echo)
read -r wf wt < <(summary "$BUILD_WIN/ctest.log"; echo)
read -r ff ft < <([ -f "$fuzz_log" ] && summary "$fuzz_log"; echo)
[ "$fuzz_rc" -ne 0 ] && [ -z "${ff:-}" ] && { ff=1; ft=1; }  # the fuzz build itself failed
failed=$(( ${nf:-0} + ${wf:-0} + ${ff:-0} ))
total=$(( ${nt:-0} + ${wt:-0} + ${ft:-0} ))
echo
echo "All tests: $((total - failed)) passed, $failed failed"
[ "$native_rc" -eq 0 ] && [ "$win_rc" -eq 0 ] && [ "$fuzz_rc" -eq 0 ]
