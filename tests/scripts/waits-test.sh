#!/usr/bin/env bash
# scripts/waits.sh as the scripts rely on it: a bounded command reads its caller's input and,
# at its bound, ends saying what it gave up on; a private Xvfb keeps what its clients left when
# the last one goes (it does not reset, which would refuse a program connecting meanwhile).
set -uo pipefail
source "$(dirname "$0")/../../scripts/waits.sh"
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

# From a file: bash gives a command in the background /dev/null in its place.
input=$(mktemp)
trap 'rm -f "$input"' EXIT
printf 'a line\n' >"$input"
got=$(kvq_bounded 10 "cat" cat <"$input")
[ "$got" = "a line" ] || fail "kvq_bounded gave its command '$got', not its own input"

status=0
said=$(kvq_bounded 1 "the sleeper" sleep 30 2>&1) || status=$?
[ "$status" -eq 124 ] || fail "kvq_bounded at its bound returned $status, not 124"
[ "$said" = "gave up waiting for the sleeper after 1 s" ] || fail "kvq_bounded said '$said'"

if command -v Xvfb >/dev/null && command -v xprop >/dev/null; then
    kvq_start_xvfb || fail "kvq_start_xvfb did not start Xvfb"
    if [ -n "${kvq_xvfb:-}" ]; then
        DISPLAY=$kvq_display xprop -root -f KVQ_MARK 8s -set KVQ_MARK left ||
            fail "no X server answers on $kvq_display"
        # The client above has gone: a reset would have removed the property.
        DISPLAY=$kvq_display xprop -root KVQ_MARK | grep -q '"left"' ||
            fail "Xvfb reset when its last client left"
        kvq_stop_child Xvfb "$kvq_xvfb"
    fi
else
    echo "SKIP: Xvfb or xprop is not installed"
fi
exit "$failed"
