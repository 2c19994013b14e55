#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
#   ./run.sh           the program
#   ./run.sh --demo    the program, with the instrument simulator kvq-sim on /dev/COM1
set -euo pipefail
cd "$(dirname "$0")"

demo=false
case "${1:-}" in
    "") ;;
    --demo) demo=true ;;
    *)
        echo "usage: $0 [--demo]" >&2
        exit 2
        ;;
esac

# Whether /dev/COMn may be used for the simulator's link: nothing there, or a dangling link
# into /dev/pts (what a simulator that was killed leaves behind). Anything else belongs to
# someone else, such as a udev link to a real adapter or another simulator, and is left alone.
demo_port_free() {
    local link=/dev/COM$1
    if [ ! -e "$link" ] && [ ! -L "$link" ]; then
        return 0
    fi
    [ -L "$link" ] && [ ! -e "$link" ] && [[ "$(readlink "$link")" == /dev/pts/* ]]
}

demo_choose_port() {
    local n
    for n in 1 2; do
        if demo_port_free "$n"; then
            echo "$n"
            return 0
        fi
        if [ -L "/dev/COM$n" ]; then
            echo "run.sh: /dev/COM$n is in use (a link to $(readlink "/dev/COM$n")); leaving it alone" >&2
        else
            echo "run.sh: /dev/COM$n is in use (not a link); leaving it alone" >&2
        fi
    done
    return 1
}

if $demo; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "run.sh --demo: creating /dev/COM1 needs root; run: sudo ./run.sh --demo" >&2
        exit 1
    fi
    if ! port=$(demo_choose_port); then
        echo "run.sh --demo: neither /dev/COM1 nor /dev/COM2 is free; nothing was changed" >&2
        exit 1
    fi
    page=""
    [ "$port" = 2 ] && page="on the page \"通信参数\" choose \"COM2\", then "
    cat <<EOF
KVQ demo: the simulator kvq-sim plays a KVQ-3 instrument on /dev/COM$port, sending observation
lines at 1440 bytes/s (as at 14400 baud) with headings in Chinese.
In the window: ${page}click "打开通信口" (open the port), then "接收数据" (receive): the lines
arrive in the pane. "停止传输" stops, "保存数据" saves them as a .kvq file (instrument type
"KVQ-3多功能电测仪" is already selected). Close the window to end the demo.

EOF
fi

source scripts/deps.sh
source scripts/waits.sh
kvq_ensure_packages "${KVQ_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if ! $demo; then
    exec build/bin/kvq-transfer
fi

# The simulator sends its lines once a port is opened and ends when they are sent or when
# the program closes the port; it is started again for the next open until the program ends.
# The demo itself waits for the window to be closed, however long that takes.
sim=""
program=""
stop_sim() {
    if [ -n "$sim" ]; then
        kvq_stop_child "the simulator" "$sim"
        sim=""
    fi
}
finish() {
    stop_sim
    if [ -n "$program" ]; then
        kvq_stop_child "the program" "$program"
    fi
}
trap finish EXIT
trap 'exit 130' INT TERM HUP

build/bin/kvq-transfer &
program=$!
round=1
while true; do
    if [ -z "$sim" ]; then
        # Checked again for every start: the build took a while, and others may have come.
        if ! demo_port_free "$port"; then
            echo "run.sh: /dev/COM$port is now in use by someone else; the simulator stays off" >&2
            wait "$program" || true
            program=""
            break
        fi
        build/bin/kvq-sim --link "/dev/COM$port" --type 0 --gbk --lines 100000 --rate 1440 \
            --seed "$round" >/dev/null &
        sim=$!
        sim_started=$SECONDS
    fi
    finished=""
    status=0
    wait -n -p finished "$program" "$sim" || status=$?
    if [ "$finished" = "$program" ]; then
        program=""
        break
    elif [ "$finished" = "$sim" ]; then
        sim=""
        if [ "$status" -ne 0 ] && [ $((SECONDS - sim_started)) -lt 2 ]; then
            echo "run.sh: the simulator failed at its start (see above); it stays off" >&2
            wait "$program" || true
            program=""
            break
        fi
        echo "run.sh: the simulator starts again for the next \"打开通信口\""
        round=$((round + 1))
        sleep 0.5
    fi
done
stop_sim
echo "KVQ demo ended; the simulator is stopped."
