#!/usr/bin/env bash
# A long fuzzing campaign: each target (default: all) in turn for MINUTES on every core, one
# libFuzzer worker a core sharing the corpus; then what the workers found is merged and
# minimised into tests/fuzz/corpus/TARGET/ (commit it). Prints executions, coverage and corpus
# a target. On a shared machine: `nice -n 19 scripts/fuzz-campaign.sh MINUTES [TARGET...]`.
#
# The workers grow build-fuzz/campaign/TARGET/, which later campaigns go on from. Everything
# else of a campaign is in a folder of its own, build-fuzz/campaigns/DATE-TIME/: the logs, and
# in artifacts/TARGET/ every input that broke a target (an input left by an older campaign
# fails no later one). Commit such an input as tests/fuzz/regressions/TARGET/NAME, so that
# every build's tests run it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
source scripts/waits.sh
source scripts/fuzz-build.sh

if ! [[ "${1:-}" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 MINUTES [TARGET...]" >&2
    exit 2
fi
seconds=$(($1 * 60))
kvq_fuzz_build "${@:2}"
campaign=$PWD/build-fuzz/campaigns/$(date +%Y%m%d-%H%M%S)
cores=$(nproc)

# What a worker leaves when an input breaks the target: a crash (the sanitizers' findings
# too), an input over the time limit, one over the memory limit, or a leak. slow-unit-*
# files are only reports, often of a worker that the busy machine held up.
breaking_inputs() {
    find "$1" -maxdepth 1 -type f \
        \( -name 'crash-*' -o -name 'timeout-*' -o -name 'oom-*' -o -name 'leak-*' \)
}

# The last status line of a libFuzzer log: "#RUNS<tab>DONE   cov: C ft: F ...".
last_status() { grep -E '^#[0-9]+[[:space:]]' "$1" | tail -n 1; }
status_field() { sed -n "s/.* $1:\{0,1\} \([0-9]*\).*/\1/p" <<<"$2"; }
# The highest value of FIELD in the workers' last status lines (they share what they find).
highest() {
    local f
    for f in "$2"/fuzz-*.log; do status_field "$1" "$(last_status "$f")"; done | sort -n | tail -n 1
}

# fuzz NAME: every core for the campaign's time; false if an input broke the target.
fuzz() {
    local name=$1 work=$PWD/build-fuzz/campaign/$1 jobs=$campaign/logs/$1
    local artifacts=$campaign/artifacts/$1 started=$SECONDS ok=true
    mkdir -p "$work" "$jobs" "$artifacts"
    kvq_fuzz_inputs "$name"
    # Each worker writes its log as fuzz-N.log into the folder it runs in.
    (cd "$jobs" && kvq_bounded $((seconds + 600)) "fuzz_$name to stop" \
        "$OLDPWD/build-fuzz/bin/fuzz_$name" -jobs="$cores" -workers="$cores" \
        -max_total_time="$seconds" "${KVQ_FUZZ_OPTIONS[@]}" -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$work" "${inputs[@]/#/$OLDPWD/}") \
        >"$jobs.log" 2>&1 || ok=false
    [ -z "$(breaking_inputs "$artifacts")" ] || ok=false
    local runs
    runs=$(cat "$jobs"/fuzz-*.log | sed -n 's/^stat::number_of_executed_units: *//p' |
        awk '{ s += $1 } END { print s + 0 }')
    printf '%-12s %12s executions in %s s on %s cores, cov %s, ft %s  %s\n' "$name" "$runs" \
        "$((SECONDS - started))" "$cores" "$(highest cov "$jobs")" "$(highest ft "$jobs")" \
        "$($ok && echo ok || echo FAILED)"
    if ! $ok; then
        cat "$jobs"/fuzz-*.log >>"$jobs.log"
        tail -n 40 "$jobs.log" >&2
        echo "breaking inputs in $artifacts/: $(breaking_inputs "$artifacts" | xargs -r -n1 basename)" >&2
        echo "full log in $jobs.log" >&2
    fi
    $ok
}

# Files and bytes of a folder, as "N files, B bytes".
folder_size() {
    printf '%s files, %s bytes' "$(find "$1" -type f | wc -l)" \
        "$(find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')"
}

# merge NAME: the committed corpus rebuilt: the named seeds of tests/fuzz/make-seeds.sh as
# they are, plus the smallest set of all other inputs (earlier campaigns' and this one's)
# that keeps every feature they reach.
merge() {
    local name=$1 corpus=tests/fuzz/corpus/$1 merged=$campaign/merge/$1
    local candidates=$campaign/merge/$1.candidates file
    mkdir -p "$merged" "$candidates"
    for file in "$corpus"/*; do
        # Inputs that libFuzzer named get minimised again; the named seeds stay.
        if [[ "${file##*/}" =~ ^[0-9a-f]{40}$ ]]; then
            cp "$file" "$candidates/"
        else
            cp "$file" "$merged/"
        fi
    done
    if ! kvq_bounded 3600 "the merge of fuzz_$name" "build-fuzz/bin/fuzz_$name" -merge=1 \
        "${KVQ_FUZZ_OPTIONS[@]}" "$merged" "$candidates" "build-fuzz/campaign/$name" \
        >"$campaign/logs/$name.merge.log" 2>&1; then
        echo "merge of $name failed: see $campaign/logs/$name.merge.log" >&2
        return 1
    fi
    echo "             corpus $(folder_size "$corpus") before, $(folder_size "$merged") after"
    rm -rf "$corpus"
    mv "$merged" "$corpus"
}

echo "campaign of $1 min a target: logs and breaking inputs in $campaign/"
failed=()
for name in "${targets[@]}"; do
    fuzz "$name" && merge "$name" || failed+=("$name")
done
echo "load $(cut -d' ' -f1-3 /proc/loadavg); commit tests/fuzz/corpus/ if it changed"
if [ "${#failed[@]}" -ne 0 ]; then
    echo "fuzz targets failed: ${failed[*]}" >&2
    exit 1
fi
