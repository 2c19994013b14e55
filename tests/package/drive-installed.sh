#!/usr/bin/env bash
# Runs on an X display for test-package.sh: starts the unpacked program with the command of
# its menu entry, as a new user (a fresh home), opens "使用数据传输" from the Help menu with
# the keyboard, and checks that the help window came up after the program read
# Help/rs232.hlp beside its bin/ (the file opens are traced with strace).
#   drive-installed.sh ROOT WORK_FOLDER [SCREENSHOT.png]
set -euo pipefail
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
# The program is ended by its own id (from its window); strace then ends with it.
finish() {
    if [ -n "$program" ]; then
        kill "$program" 2>/dev/null || true
    else
        kill "$tracer" 2>/dev/null || true
    fi
    wait "$tracer" 2>/dev/null || true
}
trap finish EXIT

find_window() {
    timeout 60 xdotool search --sync --onlyvisible --name "$1" | head -n 1
}

main=$(find_window '^正在通过RS232接收多功能电测仪数据[.][.][.]')
[ -n "$main" ] || { echo "the main window did not appear" >&2; exit 1; }
program=$(xdotool getwindowpid "$main")
xdotool windowfocus --sync "$main"
xdotool key --delay 200 alt+h c
help=$(find_window '^KVQ数据传输 帮助')
[ -n "$help" ] || { echo "the help window did not appear" >&2; exit 1; }
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
