#!/usr/bin/env bash
# End to end under Wine: kvq-sim (Linux) plays the instrument on a pseudo-terminal that is the
# prefix's COM1; the Windows main window receives and saves (WindowReceivesTest.exe); the file
# must equal byte for byte what the Linux kvq-convert makes of the bytes the simulator sent.
#   e2e.sh LINUX_BIN_DIR WindowReceivesTest.exe
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
here="$(cd "$(dirname "$0")" && pwd)"
linux_bin="$1"
test_exe="$2"
lines=2000
work="$(mktemp -d)"
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failed=0
for type in 0 1 2 3 4 5; do
    gbk=()
    case "$type" in 2 | 4 | 5) gbk=(--gbk) ;; esac
    rm -f "$WINEPREFIX/kvq-com1"
    # The delay covers opening and setting up the port, which discards what waits before.
    "$linux_bin/kvq-sim" --type "$type" --lines "$lines" --rate 0 --seed $((type + 7)) \
        --delay 1000 "${gbk[@]}" --save-sent "$work/sent-$type" --link "$WINEPREFIX/kvq-com1" \
        >"$work/sim-$type.out" 2>"$work/sim-$type.err" &
    sim_pid=$!
    for _ in $(seq 1 200); do
        [ -e "$WINEPREFIX/kvq-com1" ] && break
        sleep 0.05
    done
    output_unix="$work/survey-$type"
    if ! KVQ_E2E_TYPE=$type KVQ_E2E_LINES=$lines KVQ_E2E_OUTPUT="$(winepath -w "$output_unix")" \
        "$here/wine-run.sh" "$test_exe"; then
        echo "FAIL type $type: the window did not receive and save; kvq-sim said:" >&2
        cat "$work/sim-$type.err" >&2
        failed=1
    fi
    wait "$sim_pid" || echo "note: kvq-sim ended with status $? for type $type" >&2
    sim_pid=
    "$linux_bin/kvq-convert" --type "$type" "$work/sent-$type" "$work/expected-$type.kvq" 2>/dev/null
    if cmp "$output_unix.kvq" "$work/expected-$type.kvq"; then
        echo "PASS type $type: $(wc -c <"$output_unix.kvq") bytes, byte for byte as kvq-convert's"
    else
        echo "FAIL type $type: the saved file differs from kvq-convert's" >&2
        failed=1
    fi
done
exit "$failed"
