#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour
# sanitizers) in build/fuzz and runs each for the given seconds (default 60)
# from its committed seed corpus. Findings land in
# build/fuzz/fuzz/work/<target>/findings. Usage: bash scripts/fuzz.sh [seconds]
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup-deps.sh || exit 1

BUILD_FUZZ="${QUELMAR_BUILD_ROOT:-$ROOT/build}/fuzz"
export QUELMAR_FUZZ_SECONDS="${1:-60}"

rm -f "$BUILD_FUZZ/ctest.log"
cmake -S . -B "$BUILD_FUZZ" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELMAR_FUZZ=ON >/dev/null || exit 1
cmake --build "$BUILD_FUZZ" -j"$(nproc)" || exit 1
# One target at a time: each fuzzer keeps a core busy. The full output stays in ctest.log.
(cd "$BUILD_FUZZ" && ctest -V) >"$BUILD_FUZZ/ctest.log" 2>&1
rc=$?
grep -E '^[0-9]+: [a-z_]+_fuzz: |^[0-9]+: .*(check failed|ERROR|SUMMARY)|tests passed' "$BUILD_FUZZ/ctest.log" |
    sed 's/^[0-9]*: //'
[ "$rc" -eq 0 ] || echo "Full output: $BUILD_FUZZ/ctest.log"
exit "$rc"
