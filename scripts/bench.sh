#!/usr/bin/env bash
# Runs the native benchmark of quelmar-play, then builds the Windows trees and
# runs every benchmark program (bin/*_bench.exe) under Wine + Xvfb, printing
# each one's figures for both builds one after the other: build/win64 under
# 64-bit Wine, then build/win32 under 32-bit Wine. Where 32-bit code runs only
# emulated (qemu), its figures are marked so. QUELMAR_ARCH=win64 (or win32)
# runs one Windows build only. Benchmarks are never tests: nothing here passes
# or fails on timing.
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
case "${QUELMAR_ARCH:-both}" in
  both) ARCHS="win64 win32" ;;
  win64 | win32) ARCHS="$QUELMAR_ARCH" ;;
  *) echo "QUELMAR_ARCH must be win64 or win32 (or unset for both), not $QUELMAR_ARCH" >&2; exit 2 ;;
esac

# build_windows ARCH: configures build/ARCH and builds its benchmarks; the log stays there.
build_windows() {
  local dir="$BUILD_ROOT/$1" toolchain=mingw-i686.cmake
  [ "$1" = win64 ] && toolchain=mingw-x86_64.cmake
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || return 1
  if ! cmake --build "$dir" -j"$JOBS" --target quelmar_benches >"$dir/bench-build.log" 2>&1; then
    tail -n 40 "$dir/bench-build.log"
    echo "The $1 build failed (whole log: $dir/bench-build.log)"
    return 1
  fi
}
for arch in $ARCHS; do build_windows "$arch" || exit 1; done

. scripts/wine-env.sh
trap quelmar_env_cleanup EXIT
quelmar_start_display private || exit 1
# One prefix and wineserver per build, both kept running until the end.
for arch in $ARCHS; do
  quelmar_wine_arch "$arch" "$BUILD_ROOT/$arch" && quelmar_start_wine
done

# arch_note ARCH: how that build's figures were made.
arch_note() {
  if [ "$1" = win64 ]; then echo "64-bit Wine, native"
  elif quelmar_i386_emulated; then echo "32-bit Wine emulated by qemu: figures mean nothing"
  else echo "32-bit Wine, native"
  fi
}

# run_windows_benches: each benchmark program, for every build in turn.
run_windows_benches() {
  local names=() name arch rc=0
  shopt -s nullglob
  for arch in $ARCHS; do
    for b in "$BUILD_ROOT/$arch"/bin/*_bench.exe; do
      name=$(basename "$b")
      [[ " ${names[*]-} " == *" $name "* ]] || names+=("$name")
    done
  done
  shopt -u nullglob
  if [ ${#names[@]} -eq 0 ]; then
    echo "No benchmark programs in $BUILD_ROOT/{${ARCHS// /,}}/bin"
    return 1
  fi
  for name in "${names[@]}"; do
    echo "== $name"
    for arch in $ARCHS; do
      echo "-- $arch ($(arch_note "$arch"))"
      quelmar_wine_arch "$arch" "$BUILD_ROOT/$arch"
      if [ ! -f "$BUILD_WIN/bin/$name" ]; then echo "(not in this build)"; continue; fi
      (cd "$BUILD_WIN/bin" && bash "$ROOT/scripts/wine-run.sh" "$name") || { echo "$name ($arch) ended with exit code $?"; rc=1; }
    done
    echo
  done
  return $rc
}

rc=0
run_windows_benches || rc=1
echo "== quelmar-timing (native)"
bash "$ROOT/scripts/timing_bench.sh" || { echo "timing_bench.sh ended with exit code $?"; rc=1; }
exit $rc
