#!/usr/bin/env bash
# Runs a test with a folder in which a file is full after 8 KiB, named in KVQ_FULL_DISK: a
# tmpfs of that size where mounting one is allowed (the disk really fills up); elsewhere, as in
# a container without the right to mount, a limit of 8 KiB on every file the test writes
# (RLIMIT_FSIZE, with SIGXFSZ ignored so that a write beyond it fails as on a full disk).
#   with-full-disk.sh [--windows] PROGRAM [ARGS...]
# --windows: PROGRAM runs under Wine and gets the folder as a Windows path.
set -euo pipefail
windows=0
if [ "${1:-}" = --windows ]; then
    windows=1
    shift
fi
kvq_full_bytes=8192
folder="$(mktemp -d)"
mounted=0
cleanup() {
    if [ "$mounted" = 1 ]; then
        umount "$folder" || true
    fi
    rm -rf "$folder"
}
trap cleanup EXIT
if mount -t tmpfs -o "size=$kvq_full_bytes,mode=0777" kvq-full-disk "$folder" 2>/dev/null; then
    mounted=1
    how="a tmpfs of $kvq_full_bytes bytes"
else
    how="a file size limit of $kvq_full_bytes bytes (no tmpfs could be mounted here)"
fi
echo "with-full-disk.sh: $how at $folder"
export KVQ_FULL_DISK="$folder"
[ "$windows" = 1 ] && KVQ_FULL_DISK="$(winepath -w "$folder")"
if [ "$mounted" = 1 ]; then
    "$@"
else
    # An ignored signal stays ignored in the program this shell starts.
    trap '' XFSZ
    prlimit --fsize="$kvq_full_bytes" "$@"
fi
