#!/usr/bin/env bash
# Builds Quelmar and runs every test: the portable logic natively under
# sanitizers, then the Windows programs, libraries and tests of both builds
# under Wine + Xvfb: build/win64 under 64-bit Wine (native on any x86-64
# kernel), then build/win32 under 32-bit Wine (emulated by qemu where the
# kernel runs no 32-bit code).
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup-deps.sh || exit 1

JOBS=$(nproc)
BUILD_ROOT="${QUELMAR_BUILD_ROOT:-$ROOT/build}"
BUILD_NATIVE="$BUILD_ROOT/native"
BUILD_WIN32="$BUILD_ROOT/win32"
BUILD_WIN64="$BUILD_ROOT/win64"

# build_windows ARCH DIR: configures and builds one Windows build.
build_windows() {
  local toolchain=mingw-i686.cmake
  [ "$1" = win64 ] && toolchain=mingw-x86_64.cmake
  cmake -S . -B "$2" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build "$2" -j"$JOBS"
}

cmake -S . -B "$BUILD_NATIVE" -DCMAKE_BUILD_TYPE=Debug -DQUELMAR_SANITIZE=ON >/dev/null || exit 1
cmake --build "$BUILD_NATIVE" -j"$JOBS" || exit 1
# The 32-bit build first: the 64-bit one packs its files into the setup too.
build_windows win32 "$BUILD_WIN32" || exit 1
build_windows win64 "$BUILD_WIN64" || exit 1

# The tests' own Wine prefix in each build folder (the one the Wine tests are
# registered with): a run of the tests leaves the settings of scripts/run.sh's
# prefix alone.
export QUELMAR_PREFIX_NAME=wineprefix-test
. scripts/wine-env.sh
trap quelmar_env_cleanup EXIT
quelmar_start_display private || exit 1

summary() { sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -1; }

# run_wine_suite ARCH DIR: the whole Wine suite of one build under that
# architecture's Wine, in the build's own prefix; CTest's output goes to
# DIR/ctest.log. The prefix's wineserver is stopped afterwards.
run_wine_suite() {
  quelmar_wine_arch "$1" "$2" || return 1
  quelmar_start_wine
  # One at a time: under emulation two Wine processes only slow each other
  # down. (Tests that share the settings, registrations or the desktop carry
  # a RESOURCE_LOCK, so `ctest -j` is safe too.) Each Wine test program prints
  # "wine-gtest: NAME: R of H tests ran: ..." for its own count.
  (cd "$2" && ctest --output-on-failure) | tee "$2/ctest.log"
  local rc=${PIPESTATUS[0]}
  quelmar_stop_wine
  # CTest keeps every test's output in LastTest.log, passing ones included.
  grep -h '^wine-gtest: .* tests ran' "$2/Testing/Temporary/LastTest.log" 2>/dev/null | sort
  awk '/^wine-gtest: .* tests ran/ {n += $3} END {print "Test cases run in the Wine test programs: " n + 0}' \
    "$2/Testing/Temporary/LastTest.log" 2>/dev/null
  return "$rc"
}

echo "== Native tests"
(cd "$BUILD_NATIVE" && ctest --output-on-failure -j"$JOBS") | tee "$BUILD_NATIVE/ctest.log"
native_rc=${PIPESTATUS[0]}
echo "== 64-bit Windows tests under 64-bit Wine"
run_wine_suite win64 "$BUILD_WIN64"
win64_rc=$?
echo "== 32-bit Windows tests under 32-bit Wine"
run_wine_suite win32 "$BUILD_WIN32"
win32_rc=$?

echo "== Fuzz targets, ${QUELMAR_TEST_FUZZ_SECONDS:-3} s each"
# Short runs from the seed corpus: enough to catch a reader that regressed.
bash scripts/fuzz.sh "${QUELMAR_TEST_FUZZ_SECONDS:-3}"
fuzz_rc=$?
fuzz_log="$BUILD_ROOT/fuzz/ctest.log"

failed=0 total=0
# count_suite NAME LOG [RC]: adds one suite's counts and prints its line; a
# suite that ended with an error but left no summary counts as one failure.
count_suite() {
  local f t
  read -r f t < <([ -f "$2" ] && summary "$2"; echo)
  if [ -z "${f:-}" ] && [ "${3:-0}" -ne 0 ]; then f=1 t=1; fi
  failed=$((failed + ${f:-0})) total=$((total + ${t:-0}))
  printf '  %-16s %s passed, %s failed\n' "$1" "$(( ${t:-0} - ${f:-0} ))" "${f:-0}"
}
echo
count_suite native "$BUILD_NATIVE/ctest.log"
count_suite "Wine 64-bit" "$BUILD_WIN64/ctest.log" "$win64_rc"
count_suite "Wine 32-bit" "$BUILD_WIN32/ctest.log" "$win32_rc"
count_suite fuzz "$fuzz_log" "$fuzz_rc"
if quelmar_i386_emulated; then
  echo "32-bit Wine ran emulated by qemu (this kernel runs no 32-bit code): its timings mean nothing"
fi
echo "All tests: $((total - failed)) passed, $failed failed"
[ "$native_rc" -eq 0 ] && [ "$win64_rc" -eq 0 ] && [ "$win32_rc" -eq 0 ] && [ "$fuzz_rc" -eq 0 ]
