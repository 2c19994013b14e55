#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang and libFuzzer into build-fuzz/ and runs them.
#   ./fuzz.sh [SECONDS]            each target for SECONDS (default 30) on one core, printing
#                                  its executions; its corpus grows in build-fuzz/corpus/
#   ./fuzz.sh --campaign MINUTES [TARGET...]
#                                  each target (default: all) in turn for MINUTES on every core,
#                                  then what it found merged and minimised into
#                                  tests/fuzz/corpus/TARGET/ (commit it); prints executions,
#                                  coverage and corpus a target
# Every run starts from the committed corpus and regressions. An input that breaks a target is
# kept in build-fuzz/artifacts/TARGET/; commit it as tests/fuzz/regressions/TARGET/NAME, so
# that every build's tests run it. On a shared machine run the campaign as
# `nice -n 19 ./fuzz.sh --campaign MINUTES`.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
source scripts/waits.sh

usage() {
    echo "usage: $0 [SECONDS] | --campaign MINUTES [TARGET...]" >&2
    exit 2
}
campaign=false
targets=()
case "${1:-}" in
    --campaign)
        campaign=true
        [[ "${2:-}" =~ ^[1-9][0-9]*$ ]] || usage
        seconds=$(($2 * 60))
        targets=("${@:3}")
        ;;
    *)
        seconds=${1:-30}
        [[ "$seconds" =~ ^[1-9][0-9]*$ ]] || usage
        ;;
esac

kvq_ensure_packages cmake ninja-build "${KVQ_PACKAGES_FUZZ[@]}"

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DKVQ_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"

# -timeout: an input that takes seconds is a fault too (a loop that does not end).
options=(-timeout=10)

# Sets `inputs` to the committed folders of a target.
committed_inputs() {
    inputs=("tests/fuzz/corpus/$1")
    if [ -d "tests/fuzz/regressions/$1" ]; then
        inputs+=("tests/fuzz/regressions/$1")
    fi
}

# The last status line of a libFuzzer log: "#RUNS<tab>DONE   cov: C ft: F ...".
last_status() { grep -E '^#[0-9]+[[:space:]]' "$1" | tail -n 1; }
status_field() { sed -n "s/.* $1:\{0,1\} \([0-9]*\).*/\1/p" <<<"$2"; }

report_failure() {
    tail -n 40 "$2" >&2
    echo "input kept in build-fuzz/artifacts/$1/; full log in $2" >&2
}

# One core, SECONDS; the corpus grows in build-fuzz/corpus/TARGET.
run_short() {
    local name=$1 log=$2 work=build-fuzz/corpus/$1
    mkdir -p "$work"
    committed_inputs "$name"
    local ok=true
    kvq_bounded $((seconds + 300)) "fuzz_$name to stop" "build-fuzz/bin/fuzz_$name" \
        -max_total_time="$seconds" "${options[@]}" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/artifacts/$name/" "$work" "${inputs[@]}" >"$log" 2>&1 || ok=false
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    printf '%-12s %12s executions in %ss  %s\n' "$name" "${runs:-?}" "$seconds" \
        "$($ok && echo ok || echo FAILED)"
    $ok
}

# Files and bytes of a folder, as "N files, B bytes".
folder_size() {
    printf '%s files, %s bytes' "$(find "$1" -type f | wc -l)" \
        "$(find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')"
}

# Every core for SECONDS (one libFuzzer worker a core, sharing the corpus), into
# build-fuzz/campaign/TARGET, which later campaigns go on from; then the committed corpus is
# rebuilt: the named seeds of make-seeds.sh as they are, plus the smallest set of all other
# inputs (earlier campaigns' and this one's) that keeps every feature they reach.
run_campaign() {
    local name=$1 log=$2 work=$PWD/build-fuzz/campaign/$1 corpus=tests/fuzz/corpus/$1
    local jobs=$PWD/build-fuzz/logs/$1.jobs cores
    cores=$(nproc)
    mkdir -p "$work"
    rm -rf "$jobs"
    mkdir -p "$jobs"
    committed_inputs "$name"
    local started=$SECONDS ok=true
    # Each worker writes its log as fuzz-N.log into the folder it runs in.
    (cd "$jobs" && kvq_bounded $((seconds + 600)) "fuzz_$name to stop" \
        "$OLDPWD/build-fuzz/bin/fuzz_$name" -jobs="$cores" -workers="$cores" \
        -max_total_time="$seconds" "${options[@]}" -print_final_stats=1 \
        -artifact_prefix="$OLDPWD/build-fuzz/artifacts/$name/" "$work" "${inputs[@]/#/$OLDPWD/}") \
        >"$log" 2>&1 || ok=false
    # A worker that breaks leaves crash-, timeout-, oom- or leak- inputs (slow-unit- ones are
    # only reports, often of a worker that a busy machine held up).
    if compgen -G "build-fuzz/artifacts/$name/[ctol][roei][a-z]*-*" >/dev/null; then
        ok=false
        cat "$jobs"/fuzz-*.log >>"$log"
    fi
    local wall=$((SECONDS - started)) runs cov ft
    runs=$(cat "$jobs"/fuzz-*.log | sed -n 's/^stat::number_of_executed_units: *//p' |
        awk '{ s += $1 } END { print s + 0 }')
    # The coverage of the worker that saw the most (they share what they find).
    cov=$(for f in "$jobs"/fuzz-*.log; do status_field cov "$(last_status "$f")"; done | sort -n | tail -n 1)
    ft=$(for f in "$jobs"/fuzz-*.log; do status_field ft "$(last_status "$f")"; done | sort -n | tail -n 1)
    printf '%-12s %12s executions in %s s on %s cores, cov %s, ft %s  %s\n' "$name" "$runs" \
        "$wall" "$cores" "${cov:-?}" "${ft:-?}" "$($ok && echo ok || echo FAILED)"
    $ok || return 1

    local merged=build-fuzz/merge/$name candidates=build-fuzz/merge/$name.candidates
    rm -rf "$merged" "$candidates"
    mkdir -p "$merged" "$candidates"
    local file
    for file in "$corpus"/*; do
        # Inputs that libFuzzer named get minimised again; the named seeds stay.
        if [[ "${file##*/}" =~ ^[0-9a-f]{40}$ ]]; then
            cp "$file" "$candidates/"
        else
            cp "$file" "$merged/"
        fi
    done
    kvq_bounded 3600 "the merge of fuzz_$name" "build-fuzz/bin/fuzz_$name" -merge=1 \
        "${options[@]}" "$merged" "$candidates" "$work" >"$log.merge" 2>&1 ||
        { echo "merge of $name failed: see $log.merge" >&2; return 1; }
    echo "             corpus $(folder_size "$corpus") before, $(folder_size "$merged") after"
    rm -rf "$corpus"
    mv "$merged" "$corpus"
    rm -rf "$candidates"
}

if [ "${#targets[@]}" -eq 0 ]; then
    for program in build-fuzz/bin/fuzz_*; do
        targets+=("${program##*/fuzz_}")
    done
fi
failed=()
for name in "${targets[@]}"; do
    [ -x "build-fuzz/bin/fuzz_$name" ] || { echo "no fuzz target $name" >&2; exit 2; }
    log=build-fuzz/logs/$name.log
    mkdir -p "build-fuzz/artifacts/$name" "${log%/*}"
    if $campaign; then
        run_campaign "$name" "$log" || { failed+=("$name"); report_failure "$name" "$log"; }
    else
        run_short "$name" "$log" || { failed+=("$name"); report_failure "$name" "$log"; }
    fi
done
if $campaign; then
    echo "load $(cut -d' ' -f1-3 /proc/loadavg); commit tests/fuzz/corpus/ if it changed"
fi

if [ "${#failed[@]}" -ne 0 ]; then
    echo "fuzz targets failed: ${failed[*]}" >&2
    exit 1
fi
