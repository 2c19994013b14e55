#!/usr/bin/env bash
# Builds and runs the benchmark programs in bench/; each prints its figures, and a table of
# the figures against their targets closes the output. Not part of the tests.
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
out=$(mktemp)
xvfb=""
cleanup() {
    if [ -n "$xvfb" ]; then
        kvq_stop_child Xvfb "$xvfb"
    fi
    rm -f "$log" "$out"
}
trap cleanup EXIT
failed=()
started=$SECONDS

# Runs one benchmark; its output goes to the screen, to $out and to the log of all. Each has
# ten minutes, far more than any takes on a busy machine.
run() {
    local title=$1
    shift
    echo
    echo "== $title =="
    if ! kvq_bounded 600 "the benchmark" "$@" | tee "$out"; then
        failed+=("$title")
    fi
    cat "$out" >>"$log"
}

# A private X server for the start-up figure on a real window system, where Xvfb exists.
# Sets display and xvfb.
start_xvfb() {
    command -v Xvfb >/dev/null || return 1
    local n
    for n in $(seq 90 120); do
        if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then
            continue
        fi
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb=$!
        if kvq_wait_until 10 "Xvfb :$n to start" test -e "/tmp/.X11-unix/X$n"; then
            display=":$n"
            return 0
        fi
        echo "the window benchmarks run offscreen" >&2
        kvq_stop_child Xvfb "$xvfb"
        xvfb=""
        return 1
    done
    return 1
}

run "export: 1,000,000 lines of each instrument type" "$bin/export-bench"
awk '$1 ~ /^[0-9]$/ { mb = $5 + 0; if (!n++ || mb < lo) lo = mb; if (mb > hi) hi = mb }
     END { if (n) printf "| export: 1,000,000 lines a type, bytes to file | %.0f–%.0f MB/s | | |\n", lo, hi }' \
    "$out" | tee -a "$log"
awk '$1 == "0" { v = ($4 >= 3000000) ? "met" : sprintf("missed: %.0f %% under", 100 - $4 / 30000)
                 printf "| kvq-convert road, type 0: 1,000,000 lines, buffered | %.2f M lines/s | ≥ 3 M lines/s | %s |\n", $4 / 1e6, v }' \
    "$out" | tee -a "$log"
run "serial: 10 MB of lines through a pseudo-terminal into the receiver" "$bin/serial-bench"
awk '/^throughput:/ { t = $2 } /^lines lost:/ { l = $3 }
     END { if (t != "") printf "| serial: 10 MB into the receiver, no window | %s MB/s, %s lost | | |\n", t, l }' \
    "$out" | tee -a "$log"
alone=$(awk '/^throughput:/ { print $2 }' "$out")

# The window receives on a real window system where Xvfb exists (xcb), else offscreen.
display=""
window_platform=(env QT_QPA_PLATFORM=offscreen)
if start_xvfb; then
    window_platform=(env QT_QPA_PLATFORM=xcb DISPLAY="$display")
fi
# Prints "MB/s us-a-line" of the receive-bench output in $out.
received() { awk '/^received:/ { print $(NF - 5), $(NF - 3) }' "$out"; }
run "receive: kvq-sim sends 100,000 lines at full speed into the shown window (${window_platform[1]})" \
    "${window_platform[@]}" "$bin/receive-bench" 100000
read -r window_mb small_us <<<"$(received)"
awk -v w="$window_mb" -v a="$alone" 'BEGIN { if (w != "" && a > 0) {
    r = w / a; printf "| receive: window ÷ receiver alone, same run | %.2f (%s ÷ %s MB/s) | ≥ 0.3 | %s |\n", r, w, a,
    (r >= 0.3 ? "met" : sprintf("missed: %.0f %% under", 100 - r / 0.003)) } }' | tee -a "$log"
run "receive: 200 lines of 64 KiB, the longest a line keeps, into the shown window (${window_platform[1]})" \
    "${window_platform[@]}" "$bin/receive-bench" --long 200
read -r long_mb _ <<<"$(received)"
awk -v w="$long_mb" -v a="$alone" 'BEGIN { if (w != "" && a > 0) {
    r = w / a; printf "| receive: lines of 64 KiB, window ÷ receiver alone | %.2f (%s ÷ %s MB/s) | ≥ 0.3 | %s |\n", r, w, a,
    (r >= 0.3 ? "met" : sprintf("missed: %.0f %% under", 100 - r / 0.003)) } }' | tee -a "$log"
run "receive: 1,000,000 lines into the shown window (${window_platform[1]})" \
    "${window_platform[@]}" "$bin/receive-bench" 1000000
read -r _ large_us <<<"$(received)"
awk -v s="$small_us" -v l="$large_us" 'BEGIN { if (s > 0 && l > 0) {
    printf "| receive: time a line, 1,000,000 ÷ 100,000 lines | %.2f (%s ÷ %s us) | ≈ 1, linear in the count | %s |\n", l / s, l, s,
    (l / s <= 1.25 ? "met" : "missed: grows with the count") } }' | tee -a "$log"
run "latency: line feed to the pane, 1,000 lines one at a time" "$bin/latency-bench"
run "idle: the window receiving, nothing arrives" "$bin/kvq-idle-bench" 10
run "save: 100,000 lines of each type, save flow against a write() loop" "$bin/save-bench"
run "start-up: spawn to the main window shown, offscreen" "$bin/startup-bench" 10
if [ -n "$display" ]; then
    run "start-up: spawn to the main window shown, X (Xvfb)" \
        env QT_QPA_PLATFORM=xcb DISPLAY="$display" "$bin/startup-bench" 10
fi

echo
echo "== summary =="
echo "$(date +%F), nproc $(nproc), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
    "load $(cut -d' ' -f1-3 /proc/loadavg), ./bench.sh"
echo
echo "| benchmark | figure | target | |"
echo "|---|---|---|---|"
grep '^| ' "$log"
echo
echo "The benchmarks ran for $((SECONDS - started)) s (the build not counted)."
if [ "${#failed[@]}" -gt 0 ]; then
    echo "Failed: ${failed[*]}" >&2
    exit 1
fi
