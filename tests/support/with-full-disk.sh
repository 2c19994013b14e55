#!/usr/bin/env bash
# Runs a test with a folder in which a file is full after 8 KiB, named in KVQ_FULL_DISK: a
# tmpfs of that size where mounting one is allowed (the disk really fills up); elsewhere, as in
# a container without the right to mount, a limit of 8 KiB on every file the test writes
# (RLIMIT_FSIZE, with SIGXFSZ ignored so that a write beyond it fails as on a full disk).
# Where loop devices can be set up too, KVQ_FLUSH_FAILS names a folder on a disk that takes
# writes but cannot put them on disk: an ext2 file system of 16 MiB on a loop device whose
# backing file lies on a tmpfs of 1 MiB, so writes land in the page cache and the flush
# (fsync) fails once they do not fit. Elsewhere it is left unset.
#   with-full-disk.sh [--windows] PROGRAM [ARGS...]
# --windows: PROGRAM runs under Wine and gets the folders as Windows paths.
set -euo pipefail
PATH="$PATH:/usr/sbin:/sbin"
windows=0
if [ "${1:-}" = --windows ]; then
    windows=1
    shift
fi
kvq_full_bytes=8192
folder="$(mktemp -d)"
store="$(mktemp -d)"
flush_folder="$(mktemp -d)"
mounted=0
store_mounted=0
flush_mounted=0
cleanup() {
    if [ "$flush_mounted" = 1 ]; then
        umount "$flush_folder" || true
    fi
    if [ "$store_mounted" = 1 ]; then
        umount "$store" || true
    fi
    if [ "$mounted" = 1 ]; then
        umount "$folder" || true
    fi
    rm -rf "$folder" "$store" "$flush_folder"
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
if [ "$mounted" = 1 ] && mount -t tmpfs -o size=1m kvq-flush-store "$store" 2>/dev/null; then
    store_mounted=1
    if truncate -s 16M "$store/disk" && mkfs.ext2 -q -F -b 1024 -m 0 "$store/disk" >/dev/null 2>&1 &&
        mount -o loop,errors=continue "$store/disk" "$flush_folder" 2>/dev/null; then
        flush_mounted=1
        chmod 0777 "$flush_folder"
        echo "with-full-disk.sh: a disk whose flush fails at $flush_folder"
        export KVQ_FLUSH_FAILS="$flush_folder"
        [ "$windows" = 1 ] && KVQ_FLUSH_FAILS="$(winepath -w "$flush_folder")"
    fi
fi
if [ "$mounted" = 1 ]; then
    "$@"
else
    # An ignored signal stays ignored in the program this shell starts.
    trap '' XFSZ
    prlimit --fsize="$kvq_full_bytes" "$@"
fi
