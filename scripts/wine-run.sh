#!/usr/bin/env bash
# Runs one Windows program under Wine with the project's settings.
# WINEPREFIX and DISPLAY come from scripts/test.sh (or the caller), and so
# does WINELOADER for a 64-bit build (scripts/wine-env.sh: quelmar_wine_arch).
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
# Wine's helper processes (explorer, services) outlive the program and inherit
# its output; a pipe held open by them would keep CTest waiting. The output
# therefore goes to a file that is shown when the program has ended.
out=$(mktemp)
"${WINELOADER:-wine}" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
