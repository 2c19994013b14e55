#!/usr/bin/env bash
# The setup and the zip as a user meets them, in a Wine prefix of their own:
# - the setup is a 64-bit program, which 64-bit Wine runs without a 32-bit half;
# - setup /S: the tree, the Start-menu shortcut, the entry of the installed programs;
# - the program started through its shortcut shows its window and, from its Help menu,
#   reads the installed help file (the file opens of Wine's server, traced with strace);
# - the program's own code in the installed tree (InstallationTest.exe copied into bin\):
#   the help file, and lines received through the default "COM1" from an instrument on COM5
#   saved with a Chinese name into the installed Data\;
# - setup /S again (an upgrade): the saved file stays, a file of the old version goes;
# - the uninstaller /S: everything goes but the saved file;
# - the zip unpacked under a folder with a Chinese name: the help file, a save with a Chinese
#   name, and kvq-convert.exe converting a file with a Chinese name.
# Wine takes its ANSI code page from the locale: C.UTF-8 gives code page 1252, which has no
# Chinese, as on an English Windows, and UTF-8 for the names between Linux and Wine. (A locale
# that Linux does not have, such as zh_CN.UTF-8 where it is not generated, gives code page 936
# but mangles every non-ASCII name that Wine hands to Linux.)
#   install-check.sh DIST_DIR VERSION InstallationTest.exe
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/waits.sh"
dist="$(cd "$1" && pwd)"
version="$2"
test_exe="$3"
setup="$dist/kvq-transfer-setup.exe"
if [ ! -f "$setup" ] || [ ! -f "$dist/kvq-transfer-win64.zip" ]; then
    echo "FAIL: no setup and zip in $dist: ./build-windows.sh makes them" >&2
    exit 1
fi
work="$(mktemp -d)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
kvq_xvfb=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -z "$kvq_xvfb" ] || kvq_stop_child Xvfb "$kvq_xvfb"
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}
# win WHAT ARGS...: every step of Wine is bounded, so that a dialog nobody answers fails the
# check, saying which step it was.
win() {
    local what=$1
    shift
    kvq_bounded 300 "$what" wine "$@"
}
finish_wine() {
    kvq_bounded 300 "Wine's server to end after $1" wineserver -w
}
# await_end WHAT PID: a child that has been told to end; one still there after 60 s fails the
# check and is ended.
await_end() {
    local status=0
    kvq_wait_child 60 "$1" "$2" || status=$?
    if [ "$status" -eq 124 ]; then
        fail "$1 did not end"
        kvq_stop_child "$1" "$2"
    fi
}
"$here/../../scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null

user="$WINEPREFIX/drive_c/users/$(id -un)"
installed="$user/AppData/Local/Programs/KVQ Transfer"
shortcut="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/KVQ与计算机数据传输.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KVQ Transfer'
program_files=(bin/kvq-transfer.exe bin/kvq-convert.exe Help/rs232.hlp
    translations/qtbase_zh_CN.qm LICENSE.txt THIRD-PARTY-NOTICES.txt uninstall.exe)

echo "== install"
file -b "$setup" | grep -q '^PE32+ executable .*x86-64' ||
    fail "the setup is not a 64-bit program: $(file -b "$setup")"
win "the setup" "$(winepath -w "$setup")" /S && finish_wine "the setup" || fail "the setup failed"
for f in "${program_files[@]}"; do
    [ -f "$installed/$f" ] || fail "the setup did not install $f"
done
[ -d "$installed/Data" ] || fail "the setup made no Data folder"
[ -f "$shortcut" ] || fail "no Start-menu shortcut $shortcut"
program_windows="$(winepath -w "$installed/bin/kvq-transfer.exe")"
# The link names its target in the system's code page and in UTF-16.
if ! grep -a -q -F "$program_windows" "$shortcut" &&
    ! iconv -f UTF-16LE -t UTF-8 <"$shortcut" 2>/dev/null | grep -a -q -F "$program_windows"; then
    fail "the shortcut does not lead to $program_windows"
fi
win "the export of the programs' entry" reg export "$key" "$(winepath -w "$work/entry.reg")" \
    >/dev/null 2>"$work/reg.err" || fail "wine reg export $key: $(cat "$work/reg.err")"
entry="$(iconv -f UTF-16LE -t UTF-8 "$work/entry.reg" 2>/dev/null | tr -d '\r' || true)"
uninstaller="$(winepath -w "$installed/uninstall.exe" | sed 's/\\/\\\\/g')"
for value in '"DisplayName"="KVQ与计算机数据传输"' "\"DisplayVersion\"=\"$version\"" \
    '"Publisher"="KVQ data transfer developers"' \
    "\"DisplayIcon\"=\"$(sed 's/\\/\\\\/g' <<<"$program_windows"),0\"" \
    "\"UninstallString\"=\"\\\"$uninstaller\\\"\"" \
    "\"QuietUninstallString\"=\"\\\"$uninstaller\\\" /S\""; do
    grep -q -x -F "$value" <<<"$entry" || fail "the installed programs' entry lacks $value"
done

echo "== the program from its shortcut, on an X display"
kvq_start_xvfb || exit 1
export DISPLAY="$kvq_display"
# Wine's server opens the files for the program: its opens show what the program read. The
# program starts once the traced server listens, or it would start a server of its own.
finish_wine "the export"
strace -f -qq -e trace=openat,listen -o "$work/opens" wineserver -f -p 60 &
server=$!
kvq_wait_until 60 "the traced Wine server to take connections" \
    grep -q -E 'listen\(.*= 0$' "$work/opens" || fail "the traced Wine server did not start"
env -u WINEQT_QPA_PLATFORM wine start "$(winepath -w "$shortcut")" >/dev/null 2>&1 &
starter=$!
find_window() {
    timeout 120 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true
}
main="$(find_window '^正在通过RS232接收多功能电测仪数据[.][.][.]')"
if [ -z "$main" ]; then
    fail "the program's main window did not appear"
else
    # Without a window manager a click gives the window the keyboard.
    xdotool mousemove --window "$main" 300 200 click 1
    xdotool key --delay 300 alt+h c
    [ -n "$(find_window '^KVQ数据传输 帮助')" ] || fail "the help window did not appear"
    # The server reaches drive C: through the prefix's dosdevices/c: link.
    grep -F "/users/$(id -un)/AppData/Local/Programs/KVQ Transfer/Help/rs232.hlp\"" "$work/opens" |
        grep -q -E '\) = [0-9]+$' || fail "the program did not read $installed/Help/rs232.hlp"
fi
wineserver -k >/dev/null 2>&1 || true
await_end "the traced Wine server" "$server"
await_end "wine start of the shortcut" "$starter"

echo "== the program's code in the installed tree"
cp "$test_exe" "$installed/bin/"
KVQ_FOREIGN_CODE_PAGE=1 "$here/with-com-pair.sh" --ports 5 "$installed/bin/$(basename "$test_exe")" ||
    fail "the program's code in the installed tree"
rm "$installed/bin/$(basename "$test_exe")"
saved="$installed/Data/测线数据.kvq"
[ -f "$saved" ] || fail "no saved file in the installed Data folder"

echo "== upgrade"
touch "$installed/bin/left-by-an-older-version.dll"
win "the upgrade" "$(winepath -w "$setup")" /S && finish_wine "the upgrade" ||
    fail "the upgrade failed"
[ -f "$saved" ] || fail "the upgrade lost the saved file"
[ ! -e "$installed/bin/left-by-an-older-version.dll" ] || fail "the upgrade kept an old file"
[ -f "$installed/bin/kvq-transfer.exe" ] || fail "the upgrade left no program"

echo "== uninstall"
win "the uninstaller" "$(winepath -w "$installed/uninstall.exe")" /S &&
    finish_wine "the uninstaller" || fail "the uninstaller failed"
left="$(cd "$installed" 2>/dev/null && find . -mindepth 1 | sort | tr '\n' ' ' || true)"
[ "$left" = "./Data ./Data/测线数据.kvq " ] || fail "the uninstaller left '$left'"
[ ! -e "$shortcut" ] || fail "the uninstaller left the shortcut"
status=0
win "the query of the programs' entry" reg query "$key" >/dev/null 2>"$work/reg.err" || status=$?
case "$status" in
    0) fail "the uninstaller left the registry entry" ;;
    1) ;; # the key is gone
    *) fail "wine reg query $key ended with status $status: $(cat "$work/reg.err")" ;;
esac

echo "== the zip under a Chinese folder"
unpacked="$WINEPREFIX/drive_c/应用"
mkdir -p "$unpacked"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
    "$dist/kvq-transfer-win64.zip" "$unpacked"
tree="$unpacked/kvq-transfer-win64"
cp "$test_exe" "$tree/bin/"
KVQ_FOREIGN_CODE_PAGE=1 "$here/with-com-pair.sh" --ports 5 "$tree/bin/$(basename "$test_exe")" ||
    fail "the program's code under a Chinese folder"
line="1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20"
printf '%s\n' "$line" >"$tree/Data/测线.cap"
convert="$(winepath -w "$tree/bin/kvq-convert.exe")"
win "kvq-convert.exe converting 测线.cap" "$convert" --type 0 \
    "$(winepath -w "$tree/Data/测线.cap")" "$(winepath -w "$tree/Data/测线.kvq")" 2>"$work/convert.err" ||
    fail "kvq-convert.exe could not convert a file with a Chinese name: $(cat "$work/convert.err")"
[ "$(cat "$tree/Data/测线.kvq" 2>/dev/null)" = "$line"$'\r' ] ||
    fail "kvq-convert.exe did not write 测线.kvq as expected"
missing="$(win "kvq-convert.exe on a missing file" "$convert" --type 0 \
    "$(winepath -w "$tree/Data/缺失.cap")" - 2>&1 >/dev/null || true)"
grep -q -F "$(winepath -w "$tree/Data/缺失.cap")" <<<"$missing" ||
    fail "kvq-convert.exe's message does not name 缺失.cap as given: $missing"
exit "$failed"
