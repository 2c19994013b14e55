#!/usr/bin/env bash
# Runs each test function of a cross-built Qt Test program under Wine with fresh null-modem
# cables plugged into the prefix's COM ports: pairs of pseudo-terminals joined by socat. Each
# function gets its own cables, since unplugging one is one of the tests.
#   with-com-pair.sh TEST.exe                 one cable between COM1 and COM2
#   with-com-pair.sh --ports "5 12" TEST.exe  a cable into each of COM5 and COM12, COM1 and
#                                             COM2 empty; the far end of COMn is the file
#                                             named in KVQ_FAR_COMn (a Windows path), which
#                                             is no COM port of the prefix
# The test pulls the cables out by creating the file named in KVQ_UNPLUG, or the one of COMn
# alone by creating KVQ_UNPLUG_COMn; this script then ends that socat, which hangs up both
# ends (closing the far end alone does not end socat).
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/waits.sh"
ports=
if [ "${1:-}" = --ports ]; then
    ports="$2"
    shift 2
fi
test_exe="$1"
cables="$(mktemp -d)"
pids=()
unplug() {
    local pid
    for pid in "${pids[@]}"; do
        kvq_stop_child "a cable's socat or watcher" "$pid"
    done
    pids=()
    rm -f "$WINEPREFIX"/kvq-com*
}
trap 'unplug; rm -rf "$cables"' EXIT

# cable NEAR FAR: pseudo-terminals $cables/NEAR and $cables/FAR joined by socat, pulled out
# when the test asks for it.
cable() {
    socat pty,raw,echo=0,link="$cables/$1" pty,raw,echo=0,link="$cables/$2" &
    local socat_pid=$!
    pids+=("$socat_pid")
    kvq_wait_until 10 "socat's pseudo-terminals $1 and $2" test -e "$cables/$1" -a -e "$cables/$2" ||
        return 1
    (
        while [ ! -e "$cables/unplug" ] && [ ! -e "$cables/unplug-$1" ]; do sleep 0.05; done
        kill "$socat_pid" 2>/dev/null || true
        # A later terminal may get the same number: the port must stay empty.
        rm -f "$cables/$1"
    ) &
    pids+=("$!")
}

cables_windows="$(winepath -w "$cables")"
plug() {
    rm -f "$cables"/*
    test_env=(KVQ_UNPLUG="$cables_windows\\unplug")
    if [ -z "$ports" ]; then
        cable com1 com2 || return 1
        ln -sfn "$cables/com1" "$WINEPREFIX/kvq-com1"
        ln -sfn "$cables/com2" "$WINEPREFIX/kvq-com2"
        return
    fi
    local n
    for n in $ports; do
        cable "com$n" "far$n" || return 1
        ln -sfn "$cables/com$n" "$WINEPREFIX/kvq-com$n"
        test_env+=(KVQ_FAR_COM$n="$cables_windows\\far$n"
            KVQ_UNPLUG_COM$n="$cables_windows\\unplug-com$n")
    done
}

listing="$cables/functions"
if ! kvq_bounded 300 "the list of test functions of $test_exe" \
    "$here/wine-run.sh" "$test_exe" -functions >"$listing" 2>"$listing.err"; then
    echo "could not list the test functions of $test_exe; it said:" >&2
    cat "$listing.err" >&2
    exit 1
fi
mapfile -t functions < <(tr -d '\r' <"$listing" | sed -n 's/()$//p')
[ "${#functions[@]}" -gt 0 ] || { echo "no test functions in $test_exe" >&2; exit 1; }
failed=0
for f in "${functions[@]}"; do
    plug || { failed=1; unplug; continue; }
    kvq_bounded 300 "the test function $f" \
        env "${test_env[@]}" "$here/wine-run.sh" "$test_exe" "$f" || failed=1
    unplug
done
exit "$failed"
