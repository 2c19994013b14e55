#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang and libFuzzer into build-fuzz/ and runs
# each for SECONDS (default 30), printing its number of executions.
#   ./fuzz.sh [SECONDS]
# Each target starts from its committed seeds and regressions and grows its own corpus in
# build-fuzz/corpus/. An input that breaks a target is kept in build-fuzz/artifacts/; commit
# it as tests/fuzz/regressions/TARGET/NAME, so that every build's tests run it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

seconds=${1:-30}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

kvq_ensure_packages cmake ninja-build "${KVQ_PACKAGES_FUZZ[@]}"

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DKVQ_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"

failed=()
for program in build-fuzz/bin/fuzz_*; do
    name=${program##*/fuzz_}
    work=build-fuzz/corpus/$name
    artifacts=build-fuzz/artifacts/$name
    log=build-fuzz/logs/$name.log
    mkdir -p "$work" "$artifacts" "${log%/*}"
    inputs=("$work" "tests/fuzz/corpus/$name")
    [ -d "tests/fuzz/regressions/$name" ] && inputs+=("tests/fuzz/regressions/$name")
    # -timeout: an input that takes seconds is a fault too (a loop that does not end).
    if "$program" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "${inputs[@]}" >"$log" 2>&1; then
        status=ok
    else
        status=FAILED
        failed+=("$name")
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    printf '%-12s %12s executions in %ss  %s\n' "$name" "${runs:-?}" "$seconds" "$status"
    if [ "$status" = FAILED ]; then
        tail -n 40 "$log" >&2
        echo "input kept in $artifacts/; full log in $log" >&2
    fi
done

if [ "${#failed[@]}" -ne 0 ]; then
    echo "fuzz targets failed: ${failed[*]}" >&2
    exit 1
fi
