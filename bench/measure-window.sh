#!/usr/bin/env bash
# Measures the real program on an X display: time from start until its main window is
# shown, then its CPU use while the window stands open and idle.
#   DISPLAY=:99 bench/measure-window.sh build-ui/bin/kvq-transfer [runs] [idle seconds]
set -euo pipefail
source "$(dirname "$0")/../scripts/waits.sh"
program=${1:?usage: $0 PROGRAM [runs] [idle seconds]}
runs=${2:-5}
idle=${3:-20}
: "${DISPLAY:?needs an X display, e.g. Xvfb :99 and DISPLAY=:99}"

main_window_viewable() {
    local id
    id=$(xwininfo -root -tree 2>/dev/null | awk '/\("kvq-transfer" "/ {print $1; exit}')
    [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'
}

cpu_ticks() {  # utime + stime of a process, in clock ticks
    awk '{print $14 + $15}' "/proc/$1/stat"
}

for run in $(seq "$runs"); do
    start=$(date +%s%N)
    "$program" >/dev/null 2>&1 &
    pid=$!
    # Looked for every 2 ms, not with kvq_wait_until's 50: the time to the window is the figure.
    deadline=$((SECONDS + 60))
    until main_window_viewable; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "gave up waiting for the main window of $program after 60 s" >&2
            kvq_stop_child "$program" "$pid"
            exit 1
        fi
        sleep 0.002
    done
    shown=$(date +%s%N)
    echo "run $run: window shown after $(( (shown - start) / 1000000 )) ms"
    if [ "$run" -eq "$runs" ]; then
        sleep 2
        before=$(cpu_ticks "$pid")
        sleep "$idle"
        after=$(cpu_ticks "$pid")
        ticks=$(getconf CLK_TCK)
        awk -v t=$((after - before)) -v hz="$ticks" -v s="$idle" \
            'BEGIN { printf "idle: %.2f s CPU in %d s = %.2f %% of a core\n", t / hz, s, 100 * t / hz / s }'
    fi
    kvq_stop_child "$program" "$pid"
done
