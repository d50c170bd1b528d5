#!/usr/bin/env bash
# Builds Quelmar and starts it under Wine on the user's display (or on a
# private Xvfb when there is none), with the demo program on the simulated port.
# Extra arguments go to Quelmar's command line. The 64-bit build runs, under
# 64-bit Wine (native on any x86-64 kernel); QUELMAR_ARCH=win32 runs the
# 32-bit build under 32-bit Wine instead.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup-deps.sh

ARCH="${QUELMAR_ARCH:-win64}"
case "$ARCH" in
  win64) TOOLCHAIN=mingw-x86_64.cmake ;;
  win32) TOOLCHAIN=mingw-i686.cmake ;;
  *) echo "QUELMAR_ARCH must be win64 or win32, not $ARCH" >&2; exit 2 ;;
esac
BUILD_WIN="${QUELMAR_BUILD_ROOT:-$ROOT/build}/$ARCH"
cmake -S . -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$TOOLCHAIN" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_WIN" -j"$(nproc)" --target Quelmar hwinterface quelmar-timing

. scripts/wine-env.sh
quelmar_wine_arch "$ARCH" "$BUILD_WIN"
trap quelmar_env_cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  echo "No DISPLAY: Quelmar runs on a private Xvfb screen you cannot see."
  echo "Run this from a desktop session (or over ssh -X) to see the window."
fi
quelmar_start_display user
quelmar_start_wine

# The demo program lives beside the program; with no arguments Quelmar loads
# and plays it once on the standard LPT1 address 0x378 of the simulated port
# (written to port-trace.txt in the build folder).
cd "$BUILD_WIN/bin"
export QUELMAR_PORT_TRACE="$BUILD_WIN/port-trace.txt"
if [ $# -eq 0 ]; then set -- f=demo p=h378; fi
echo "Port writes are traced to $QUELMAR_PORT_TRACE"
program=PROGRAM.prl
if [ "$*" = "f=demo p=h378" ]; then program="$BUILD_WIN/bin/demo.prl"; fi
echo "To check the run's timing: ${WINELOADER:-wine} \"$BUILD_WIN/bin/quelmar-timing.exe\" \"$program\" \"$QUELMAR_PORT_TRACE\" --vcd run.vcd"
echo "(the trace gathers every run; delete it to start afresh)"
wine Quelmar.exe "$@"
