#!/usr/bin/env bash
# Runs on an X display for test-package.sh: starts the unpacked program with the command of
# its menu entry, as a new user (a fresh home), opens "使用数据传输" from the Help menu with
# the keyboard, and checks that the help window came up after the program read
# Help/rs232.hlp beside its bin/ (the file opens are traced with strace).
#   drive-installed.sh ROOT WORK_FOLDER [SCREENSHOT.png]
# Without a session bus (DBUS_SESSION_BUS_ADDRESS unset, as on servers and CI machines) the
# program would start one of its own (D-Bus autolaunch, for accessibility) that outlives it,
# traced by strace, which then never ends: the drive gets a bus of its own that ends with it.
set -euo pipefail
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    exec dbus-run-session -- "$0" "$@"
fi
source "$(dirname "$0")/../../scripts/waits.sh"
root=$1
work=$2
screenshot=${3:-}
entry=$root/usr/share/applications/kvq-transfer.desktop
help_file=$root/usr/lib/kvq-transfer/Help/rs232.hlp

command=$(sed -n 's/^Exec=//p' "$entry")
export HOME=$work/home
mkdir -p "$HOME"
PATH="$root/usr/bin:$PATH" strace -f -qq -e trace=openat -o "$work/trace" $command &
tracer=$!
program=""

# The processes strace still traces: the program and whatever it started.
traced() {
    grep -l -x -E "TracerPid:[[:space:]]+$tracer" /proc/[0-9]*/status 2>/dev/null |
        cut -d/ -f3 || true
}

# The program is ended by its own id (from its window); strace then ends with it, unless a
# process the program started lives on: that fails the check, and those processes are ended.
finish() {
    local status=$? left
    if [ -n "$program" ]; then
        kill "$program" 2>/dev/null || true
    else
        kill "$tracer" 2>/dev/null || true
    fi
    # strace ends with the program's status, which TERM makes a failure: only its end counts.
    kvq_wait_child 20 "the program and all it started (strace follows them)" "$tracer" || true
    if ! kvq_ended "$tracer"; then
        left=$(traced)
        echo "still running after the program:" >&2
        [ -z "$left" ] || ps -o pid=,args= -p "${left//$'\n'/,}" >&2 || true
        for pid in $left; do
            kill -KILL "$pid" 2>/dev/null || true
        done
        kvq_stop_child strace "$tracer" 5
        status=1
    fi
    exit "$status"
}
trap finish EXIT

find_window() {
    timeout 60 xdotool search --sync --onlyvisible --name "$1" | head -n 1
}

main=$(find_window '^正在通过RS232接收多功能电测仪数据[.][.][.]')
[ -n "$main" ] || { echo "gave up waiting for the main window after 60 s" >&2; exit 1; }
program=$(xdotool getwindowpid "$main")
timeout 20 xdotool windowfocus --sync "$main" ||
    { echo "gave up waiting for the main window to take the focus after 20 s" >&2; exit 1; }
xdotool key --delay 200 alt+h c
help=$(find_window '^KVQ数据传输 帮助')
[ -n "$help" ] || { echo "gave up waiting for the help window after 60 s" >&2; exit 1; }
sleep 1
if [ -n "$screenshot" ] && command -v import >/dev/null; then
    import -window root "$screenshot"
fi

opened=$(grep -F "\"$help_file\"" "$work/trace" || true)
if ! grep -q -E '\) = [0-9]+$' <<<"$opened"; then
    echo "the program did not read $help_file; its opens of help files:" >&2
    grep -F 'rs232.hlp' "$work/trace" >&2 || true
    exit 1
fi
