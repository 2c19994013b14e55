#!/usr/bin/env bash
# Runs each test function of a cross-built Qt Test program under Wine with a fresh null-modem
# cable between the prefix's COM1 and COM2: two pseudo-terminals joined by socat. Each
# function gets its own cable, since unplugging it (closing COM2) is one of the tests.
#   with-com-pair.sh TEST.exe
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
here="$(cd "$(dirname "$0")" && pwd)"
test_exe="$1"
cables="$(mktemp -d)"
socat_pid=
unplug() {
    [ -n "$socat_pid" ] && kill "$socat_pid" 2>/dev/null && wait "$socat_pid" 2>/dev/null
    socat_pid=
    rm -f "$WINEPREFIX/kvq-com1" "$WINEPREFIX/kvq-com2"
}
trap 'unplug; rm -rf "$cables"' EXIT

plug() {
    rm -f "$cables/com1" "$cables/com2"
    socat pty,raw,echo=0,link="$cables/com1" pty,raw,echo=0,link="$cables/com2" &
    socat_pid=$!
    for _ in $(seq 1 200); do
        [ -e "$cables/com1" ] && [ -e "$cables/com2" ] && break
        sleep 0.05
    done
    ln -sfn "$cables/com1" "$WINEPREFIX/kvq-com1"
    ln -sfn "$cables/com2" "$WINEPREFIX/kvq-com2"
}

failed=0
mapfile -t functions < <("$here/wine-run.sh" "$test_exe" -functions | tr -d '\r' | sed -n 's/()$//p')
[ "${#functions[@]}" -gt 0 ] || { echo "no test functions in $test_exe" >&2; exit 1; }
for f in "${functions[@]}"; do
    plug
    "$here/wine-run.sh" "$test_exe" "$f" || failed=1
    unplug
done
exit "$failed"
