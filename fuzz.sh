#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang and libFuzzer into build-fuzz/ and runs each
# for a short while, as CI does:
#   ./fuzz.sh [SECONDS]     each target for SECONDS (default 30) on one core, printing its
#                           executions; its corpus grows in build-fuzz/corpus/TARGET/
# Every run starts from the committed corpus and regressions. An input that breaks a target is
# kept in build-fuzz/artifacts/TARGET/; commit it as tests/fuzz/regressions/TARGET/NAME, so
# that every build's tests run it. Long runs on every core: scripts/fuzz-campaign.sh.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
source scripts/waits.sh
source scripts/fuzz-build.sh

seconds=${1:-30}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]] || [ $# -gt 1 ]; then
    echo "usage: $0 [SECONDS]   (long campaigns: scripts/fuzz-campaign.sh MINUTES)" >&2
    exit 2
fi
kvq_fuzz_build

failed=()
for name in "${targets[@]}"; do
    log=build-fuzz/logs/$name.log
    artifacts=build-fuzz/artifacts/$name
    corpus=build-fuzz/corpus/$name
    mkdir -p "$artifacts" "$corpus" "${log%/*}"
    kvq_fuzz_inputs "$name"
    ok=true
    kvq_bounded $((seconds + 300)) "fuzz_$name to stop" "build-fuzz/bin/fuzz_$name" \
        -max_total_time="$seconds" "${KVQ_FUZZ_OPTIONS[@]}" -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" "${inputs[@]}" >"$log" 2>&1 || ok=false
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    printf '%-12s %12s executions in %ss  %s\n' "$name" "${runs:-?}" "$seconds" \
        "$($ok && echo ok || echo FAILED)"
    if ! $ok; then
        failed+=("$name")
        tail -n 40 "$log" >&2
        echo "input kept in $artifacts/; full log in $log" >&2
    fi
done
if [ "${#failed[@]}" -ne 0 ]; then
    echo "fuzz targets failed: ${failed[*]}" >&2
    exit 1
fi
