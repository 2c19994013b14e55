#!/usr/bin/env bash
# Runs the whole test suite N times in a row while stress-ng keeps every core busy, to catch
# tests that pass or fail by timing. Prints one line per failed test per run and a summary;
# the output of each run is kept in BUILD/soak/run-K.log.
#   scripts/soak-tests.sh N     (KVQ_BUILD_DIR=folder: build folder, default build;
#                                KVQ_SOAK_LOAD=workers: CPU hogs, default twice the cores)
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
source scripts/waits.sh

runs=${1:-}
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 N   (N runs of the whole suite under CPU load)" >&2
    exit 2
fi
kvq_ensure_packages "${KVQ_PACKAGES[@]}" "${KVQ_PACKAGES_SOAK[@]}"

build=${KVQ_BUILD_DIR:-build}
cores=$(nproc)
load=${KVQ_SOAK_LOAD:-$((2 * cores))}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$build" -j "$cores" >/dev/null || exit 1
logs=$build/soak
mkdir -p "$logs"
export QT_QPA_PLATFORM=offscreen

# stress-ng and each ctest run get a session of their own, so that their children go with
# them as one group, whatever ends this script: normal end, Ctrl-C, kill or a closed terminal.
# They run in the background: the script waits with `wait`, which a signal interrupts, so the
# traps run at once and not only when the run has ended.
stress=""
suite=""
stop_group() {
    kill -TERM -- "-$1" 2>/dev/null
    # Tests tidy up on SIGTERM (temporary folders, child simulators); ten seconds, then KILL.
    if ! kvq_wait_until 10 "group $1 to end" group_ended "$1" 2>/dev/null; then
        kill -KILL -- "-$1" 2>/dev/null
    fi
    wait "$1" 2>/dev/null
}
group_ended() { ! kill -0 -- "-$1" 2>/dev/null; }
stop_all() {
    [ -n "$suite" ] && stop_group "$suite"
    [ -n "$stress" ] && stop_group "$stress"
    suite=""
    stress=""
}
trap stop_all EXIT
trap 'stop_all; exit 130' INT
trap 'stop_all; exit 143' TERM HUP
setsid stress-ng --cpu "$load" --quiet &
stress=$!
echo "soak: $runs runs of the suite in $build, stress-ng --cpu $load on $cores cores"

failed_runs=0
declare -A failures=()
started=$SECONDS
for ((run = 1; run <= runs; run++)); do
    log=$logs/run-$run.log
    run_started=$SECONDS
    # Each test has its own time limit; the run as a whole has an hour, so that a test that
    # leaves a process holding ctest's output cannot stop the soak.
    setsid timeout --kill-after=10 3600 ctest --test-dir "$build" -j "$cores" --output-on-failure \
        >"$log" 2>&1 &
    suite=$!
    wait "$suite"
    status=$?
    suite=""
    [ "$status" -ne 124 ] || echo "gave up waiting for run $run of the suite after 3600 s" >>"$log"
    # ctest lists failures as "  25 - name (Failed)" after "The following tests FAILED:".
    mapfile -t failed < <(sed -n '/The following tests FAILED:/,$s/^[[:space:]]*[0-9]* - //p' "$log")
    if [ "$status" -ne 0 ] && [ "${#failed[@]}" -eq 0 ]; then
        failed=("ctest itself (exit $status)")
    fi
    for test in "${failed[@]}"; do
        echo "run $run: FAILED $test (see $log)"
        name=${test%% (*}
        failures[$name]=$((${failures[$name]:-0} + 1))
    done
    [ "${#failed[@]}" -gt 0 ] && failed_runs=$((failed_runs + 1))
    echo "run $run of $runs: ${#failed[@]} failed, $((SECONDS - run_started)) s," \
        "load $(cut -d' ' -f1 /proc/loadavg)"
done
stop_all

echo "soak summary: $runs runs, $((runs - failed_runs)) passed, $failed_runs with failures," \
    "$((SECONDS - started)) s in all"
for name in "${!failures[@]}"; do
    echo "  $name failed in ${failures[$name]} of $runs runs"
done
[ "$failed_runs" -eq 0 ]
