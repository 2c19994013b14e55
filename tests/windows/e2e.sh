#!/usr/bin/env bash
# End to end under Wine: kvq-sim (Linux) plays the instrument on a pseudo-terminal that is the
# prefix's COM1; the Windows main window receives and saves (WindowReceivesTest.exe); the file
# must equal byte for byte what the Linux kvq-convert makes of the bytes the simulator sent,
# and so must what kvq-convert.exe makes of them, from a file and through its standard streams.
#   e2e.sh LINUX_BIN_DIR kvq-convert.exe WindowReceivesTest.exe
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/waits.sh"
linux_bin="$1"
convert_exe="$2"
test_exe="$3"
lines=2000
work="$(mktemp -d)"
sim_pid=
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        kill -CONT "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# convert_windows HOW TYPE INPUT OUTPUT: kvq-convert.exe under Wine, bounded; what it said
# when it fails.
convert_windows() {
    local how=$1 type=$2 err="$work/convert-exe-$2.err"
    shift 2
    if ! kvq_bounded 120 "kvq-convert.exe $how (type $type)" \
        "$here/wine-run.sh" "$convert_exe" --type "$type" "$@" 2>"$err"; then
        echo "FAIL type $type: kvq-convert.exe $how failed; it said:" >&2
        cat "$err" >&2
        return 1
    fi
}

failed=0
for type in 0 1 2 3 4 5; do
    gbk=()
    case "$type" in 2 | 4 | 5) gbk=(--gbk) ;; esac
    rm -f "$WINEPREFIX/kvq-com1"
    "$linux_bin/kvq-sim" --type "$type" --lines "$lines" --rate 0 --seed $((type + 7)) \
        "${gbk[@]}" --save-sent "$work/sent-$type" --link "$WINEPREFIX/kvq-com1" \
        >"$work/sim-$type.out" 2>"$work/sim-$type.err" &
    sim_pid=$!
    if ! kvq_wait_until 30 "kvq-sim's line $WINEPREFIX/kvq-com1 (type $type)" \
        test -e "$WINEPREFIX/kvq-com1"; then
        echo "FAIL type $type: kvq-sim said:" >&2
        cat "$work/sim-$type.err" >&2
        kvq_stop_child kvq-sim "$sim_pid"
        sim_pid=
        failed=1
        continue
    fi
    # Held until the window has opened and set up the port, which discards what waits: then
    # it is let go (see WindowReceivesTest.cpp).
    kill -STOP "$sim_pid"
    ready="$work/ready-$type"
    (
        kvq_wait_until 600 "the window to set up COM1 (type $type)" test -e "$ready" || true
        kill -CONT "$sim_pid"
    ) &
    releaser=$!
    output_unix="$work/survey-$type"
    if ! KVQ_E2E_TYPE=$type KVQ_E2E_LINES=$lines KVQ_E2E_OUTPUT="$(winepath -w "$output_unix")" \
        KVQ_E2E_READY="$(winepath -w "$ready")" \
        kvq_bounded 600 "the window to receive and save (type $type)" "$here/wine-run.sh" "$test_exe"; then
        echo "FAIL type $type: the window did not receive and save; kvq-sim said:" >&2
        cat "$work/sim-$type.err" >&2
        failed=1
    fi
    kvq_stop_child "the releaser of kvq-sim" "$releaser"
    kill -CONT "$sim_pid" 2>/dev/null || true
    status=0
    kvq_wait_child 60 "kvq-sim (type $type)" "$sim_pid" || status=$?
    if [ "$status" -eq 124 ]; then
        kvq_stop_child kvq-sim "$sim_pid"
    elif [ "$status" -ne 0 ]; then
        echo "note: kvq-sim ended with status $status for type $type" >&2
    fi
    sim_pid=
    if ! kvq_bounded 120 "the Linux kvq-convert (type $type)" "$linux_bin/kvq-convert" \
        --type "$type" "$work/sent-$type" "$work/expected-$type.kvq" 2>"$work/convert-$type.err"; then
        echo "FAIL type $type: the Linux kvq-convert made no expected file; it said:" >&2
        cat "$work/convert-$type.err" >&2
        failed=1
        continue
    fi
    # The save tells the HXR readings it left out, as many as kvq-convert reports; else nothing.
    told=""
    left=$(sed -n 's/.* \([0-9][0-9]*\) readings of an incomplete group not written.*/\1/p' \
        "$work/convert-$type.err")
    [ -n "$left" ] && told="最后 $left 个读数不足一组（十个），没有写入文件。"
    if [ "$(cat "$output_unix.messages" 2>/dev/null)" != "$told" ]; then
        echo "FAIL type $type: the save told '$(cat "$output_unix.messages")', expected '$told'" >&2
        failed=1
    fi
    if cmp "$output_unix.kvq" "$work/expected-$type.kvq"; then
        echo "PASS type $type: $(wc -c <"$output_unix.kvq") bytes, byte for byte as kvq-convert's"
    else
        echo "FAIL type $type: the saved file differs from kvq-convert's" >&2
        failed=1
    fi
    convert_windows "from a file" "$type" "$(winepath -w "$work/sent-$type")" \
        "$(winepath -w "$work/windows-$type.kvq")" </dev/null >/dev/null || failed=1
    convert_windows "through its standard streams" "$type" - - <"$work/sent-$type" \
        >"$work/windows-stdout-$type.kvq" || failed=1
    for made in "$work/windows-$type.kvq" "$work/windows-stdout-$type.kvq"; do
        if ! cmp "$made" "$work/expected-$type.kvq"; then
            echo "FAIL type $type: kvq-convert.exe made $(basename "$made") unlike Linux's" >&2
            failed=1
        fi
    done
done
exit "$failed"
