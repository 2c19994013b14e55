#!/usr/bin/env bash
# Runs each test function of a cross-built Qt Test program under Wine with a fresh null-modem
# cable between the prefix's COM1 and COM2: two pseudo-terminals joined by socat. Each
# function gets its own cable, since unplugging it is one of the tests: the test asks for it by
# creating the file named in KVQ_UNPLUG (a Windows path), and this script then ends socat,
# which hangs up both ends (closing COM2 alone does not end socat).
#   with-com-pair.sh TEST.exe
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/waits.sh"
test_exe="$1"
cables="$(mktemp -d)"
socat_pid=
watcher_pid=
unplug() {
    if [ -n "$watcher_pid" ]; then
        kvq_stop_child "the cable's watcher" "$watcher_pid"
    fi
    watcher_pid=
    if [ -n "$socat_pid" ]; then
        kvq_stop_child socat "$socat_pid"
    fi
    socat_pid=
    rm -f "$WINEPREFIX/kvq-com1" "$WINEPREFIX/kvq-com2"
}
trap 'unplug; rm -rf "$cables"' EXIT

plug() {
    rm -f "$cables/com1" "$cables/com2"
    socat pty,raw,echo=0,link="$cables/com1" pty,raw,echo=0,link="$cables/com2" &
    socat_pid=$!
    kvq_wait_until 10 "socat's two pseudo-terminals" test -e "$cables/com1" -a -e "$cables/com2" ||
        return 1
    ln -sfn "$cables/com1" "$WINEPREFIX/kvq-com1"
    ln -sfn "$cables/com2" "$WINEPREFIX/kvq-com2"
    rm -f "$cables/unplug"
    # Lives as long as the test function: unplug() ends it.
    (
        while [ ! -e "$cables/unplug" ]; do sleep 0.05; done
        kill "$socat_pid" 2>/dev/null || true
    ) &
    watcher_pid=$!
}

failed=0
mapfile -t functions < <("$here/wine-run.sh" "$test_exe" -functions | tr -d '\r' | sed -n 's/()$//p')
[ "${#functions[@]}" -gt 0 ] || { echo "no test functions in $test_exe" >&2; exit 1; }
for f in "${functions[@]}"; do
    plug || { failed=1; unplug; continue; }
    KVQ_UNPLUG="$(winepath -w "$cables/unplug")" \
        kvq_bounded 300 "the test function $f" "$here/wine-run.sh" "$test_exe" "$f" || failed=1
    unplug
done
exit "$failed"
