#!/usr/bin/env bash
# Runs one GoogleTest program under Wine as a CTest test and judges it by its
# own report: the program runs once writing its XML report, and passes only
# when every test it holds ran and passed. A program that ends early, even
# with exit code 0, leaves a missing or short report and fails here.
#
#   wine-gtest.sh PREFIX PROGRAM LAUNCHER [LAUNCHER ARGS...]
#
# LAUNCHER is the build's CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run.sh);
# PREFIX is the Wine prefix the tests run in, kept apart from the one
# scripts/run.sh starts Quelmar in, so that a test never touches the settings
# of someone trying the program.
set -u
prefix=$1 program=$2
shift 2
launcher=("$@")
name=$(basename "$program" .exe)

if [ ! -f "$prefix/system.reg" ]; then
  echo "wine-gtest: no test prefix at $prefix; scripts/test.sh makes it" \
       "(or set QUELMAR_PREFIX_NAME=$(basename "$prefix") before sourcing scripts/wine-env.sh)" >&2
  exit 1
fi
export WINEPREFIX=$prefix

# A 32-bit program runs on the 32-bit Wine loader; where the kernel hands
# 32-bit Linux programs to qemu (binfmt_misc), that loader runs emulated.
# The tests read this to size loops that only the emulator makes slow or
# fragile, and say which size they used.
machine=$(od -An -tx1 -j"$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')" -N6 "$program" 2>/dev/null | tr -d ' \n')
if [ "${machine:8:4}" = 4c01 ] && grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 \
   && grep -qs '^interpreter .*qemu-i386' /proc/sys/fs/binfmt_misc/qemu-i386; then
  export QUELMAR_WINE_EMULATED=1
else
  export QUELMAR_WINE_EMULATED=0
fi

# GoogleTest writes its XML report when the whole run has ended, with the
# number of tests the program holds: a process that ended early leaves none.
report=$(mktemp -u "${TMPDIR:-/tmp}/wine-gtest-$name.XXXXXX").xml
# Wine's drive Z: is the Unix root.
"${launcher[@]}" "$program" --gtest_output="xml:Z:${report//\//\\}"
rc=$?
if [ ! -s "$report" ] || ! grep -q '</testsuites>' "$report"; then
  rm -f "$report"
  echo "wine-gtest: $name ended early (exit code $rc) and wrote no report:" \
       "the tests after the last one shown above never ran" >&2
  exit 1
fi
# The root element's counts: <testsuites tests= failures= disabled= errors= ...>
attr() { sed -n "s/.*<testsuites[^>]* $1=\"\([0-9]*\)\".*/\1/p" "$report" | head -1; }
held=$(( $(attr tests) - $(attr disabled) ))
failed=$(( $(attr failures) + $(attr errors) ))
ran=$(grep -c '<testcase [^>]*status="run"' "$report")
skipped=$(grep -c '<testcase [^>]*result="skipped"' "$report")
rm -f "$report"
echo "wine-gtest: $name: $ran of $held tests ran: $(( ran - failed - skipped )) passed," \
     "$failed failed, $skipped skipped (exit code $rc)"
if [ "$ran" -ne "$held" ]; then
  echo "wine-gtest: $name: only $ran of its $held tests ran" >&2
  exit 1
fi
[ "$failed" -eq 0 ] && [ "$rc" -eq 0 ]
