#!/usr/bin/env bash
# Builds and runs the benchmark programs in bench/. Each prints its figures and, for the
# summary, rows "| what | figure | target | met or missed |"; the table of those rows closes
# the output. Not part of the tests.
#   ./bench.sh                       (KVQ_BUILD_DIR=folder chooses the build folder; default build)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
source scripts/waits.sh
kvq_ensure_packages "${KVQ_PACKAGES[@]}"
export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
fi
build=${KVQ_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
bin=$build/bin

log=$(mktemp)
kvq_xvfb=""
cleanup() {
    [ -z "$kvq_xvfb" ] || kvq_stop_child Xvfb "$kvq_xvfb"
    rm -f "$log"
}
trap cleanup EXIT
failed=()
started=$SECONDS

# Runs one benchmark; its output goes to the screen and to the log of all. Each has ten
# minutes, far more than any takes on a busy machine.
run() {
    local title=$1
    shift
    echo
    echo "== $title =="
    kvq_bounded 600 "the benchmark" "$@" | tee -a "$log" || failed+=("$title")
}

# The window benchmarks run on a real window system where Xvfb exists (xcb), else offscreen.
window=(env QT_QPA_PLATFORM=offscreen)
if command -v Xvfb >/dev/null && kvq_start_xvfb; then
    window=(env QT_QPA_PLATFORM=xcb DISPLAY="$kvq_display")
else
    echo "no Xvfb: the window benchmarks run offscreen" >&2
fi

run "export: 1,000,000 lines of each instrument type" "$bin/export-bench"
run "serial: 10 MB of lines through a pseudo-terminal into the receiver" "$bin/serial-bench"
run "receive: kvq-sim sends 100,000 lines at full speed into the shown window (${window[1]})" \
    "${window[@]}" "$bin/receive-bench" 100000
run "receive: 200 lines of 64 KiB, the longest a line keeps, into the shown window (${window[1]})" \
    "${window[@]}" "$bin/receive-bench" --long 200
run "receive: 1,000,000 lines into the shown window (${window[1]})" \
    "${window[@]}" "$bin/receive-bench" 1000000
run "latency: line feed to the pane, 1,000 lines one at a time" "$bin/latency-bench"
run "idle: the window receiving, nothing arrives" "$bin/kvq-idle-bench" 10
run "save: 100,000 lines of each type, save flow against a write() loop" "$bin/save-bench"
run "start-up: spawn to the main window shown, offscreen" "$bin/startup-bench" 10
if [ -n "$kvq_xvfb" ]; then
    run "start-up: spawn to the main window shown, X (Xvfb)" "${window[@]}" "$bin/startup-bench" 10
fi

echo
echo "== summary =="
echo "$(date +%F), nproc $(nproc), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
    "load $(cut -d' ' -f1-3 /proc/loadavg), ./bench.sh"
echo
echo "| benchmark | figure | target | |"
echo "|---|---|---|---|"
grep '^| ' "$log"
missed=$(grep -c '^| .* | missed[^|]* |$' "$log" || true)
echo
echo "The benchmarks ran for $((SECONDS - started)) s (the build not counted); targets missed: $missed."
if [ "${#failed[@]}" -gt 0 ]; then
    echo "Failed: ${failed[*]}" >&2
    exit 1
fi
