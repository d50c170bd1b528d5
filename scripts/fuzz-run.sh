#!/usr/bin/env bash
# Runs one fuzz target for QUELMAR_FUZZ_SECONDS (default 3) on a scratch copy
# of its seed corpus, so that the committed corpus does not grow.
# Usage: fuzz-run.sh TARGET CORPUS WORKDIR [libFuzzer options...]
# Extra options for every target may be given in QUELMAR_FUZZ_ARGS.
# Fails only when the target finds a crash, a leak, a hang or a failed check.
set -uo pipefail
target=$1 corpus=$2 work=$3
shift 3
seconds=${QUELMAR_FUZZ_SECONDS:-3}
rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
cp "$corpus"/* "$work/corpus/" 2>/dev/null
cd "$work"
# A smaller quarantine reuses memory already mapped: the program-file target
# allocates 2048 records per run and spends most of its time in page faults
# with the default.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16:malloc_fill_byte=0:max_malloc_fill_size=0}"
# shellcheck disable=SC2086
"$target" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$@" ${QUELMAR_FUZZ_ARGS:-} corpus >fuzz.log 2>&1
rc=$?
# With -jobs the workers' totals are in their own logs (and copied into fuzz.log).
logs=$(ls fuzz-*.log 2>/dev/null || echo fuzz.log)
# shellcheck disable=SC2086
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' $logs | awk '{s+=$1} END {print s+0}')
found=$(find findings -type f | wc -l)
echo "$(basename "$target"): $runs executions in ${seconds} s, $found findings, exit $rc"
if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
    grep -h -A30 -E 'ERROR|check failed|SUMMARY' $logs 2>/dev/null | head -60
    ls -l findings
    exit 1
fi
