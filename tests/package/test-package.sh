#!/usr/bin/env bash
# Checks a built .deb as a user meets it: its control fields and lintian's verdict, then,
# unpacked into a throw-away root with dpkg -x, the installed tree, the menu entry, icons,
# man pages and --version, and the installed program started from its menu entry's command
# on Xvfb, opening its help file from Help/ beside bin/.
#   tests/package/test-package.sh build/kvq-transfer_VERSION_ARCH.deb
# KVQ_PACKAGE_SCREENSHOT=file.png keeps a screenshot of the program with its help window.
# KVQ_PACKAGE_SYSTEM_INSTALL=1 (CI, as root, on a machine without the package) also installs
# it with dpkg -i, checks the data folder's group and the program there, and removes and
# purges it again.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/waits.sh"
work=$(mktemp -d)
installed=false
cleanup() {
    # A failed check must not leave the package on the machine.
    if $installed; then
        dpkg --purge kvq-transfer >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "test-package: FAIL: $*" >&2
    exit 1
}
ok() { echo "test-package: ok: $*"; }

field() { dpkg-deb --field "$deb" "$1"; }

check_control() {
    local version depends xcb
    version=$(field Version)
    [ "$(basename "$deb")" = "kvq-transfer_${version}_$(dpkg --print-architecture).deb" ] ||
        fail "file name $(basename "$deb") does not match version $version"
    depends=$(field Depends)
    # Qt's X11 platform plugin is loaded at run time: its package must be a dependency too.
    xcb=$(dpkg-query -S '*/qt6/plugins/platforms/libqxcb.so' | cut -d: -f1)
    for p in libqt6widgets6 libqt6gui6 libqt6core6 libc6 "$xcb"; do
        [[ ",$depends," =~ [,\ ]$p[\ ,] ]] || fail "Depends lacks $p: $depends"
    done
    [[ "$(field Recommends)" == *fonts-wqy-microhei* ]] || fail "fonts-wqy-microhei not recommended"
    ok "control: version $version, depends $depends"
}

# Every tag lintian still reports must be one docs/PACKAGING.md explains (listed in
# lintian-explained.txt); pedantic and informational tags are not asked for.
check_lintian() {
    lintian --no-tag-display-limit "$deb" >"$work/lintian.txt" 2>&1 || true
    local unexplained
    unexplained=$(grep -E '^[EW]: ' "$work/lintian.txt" |
        grep -v -w -F -f <(grep -v '^#' "$here/lintian-explained.txt") || true)
    [ -z "$unexplained" ] || fail "lintian: $unexplained"
    ok "lintian: $(grep -c -E '^[EW]: ' "$work/lintian.txt" || true) explained tags"
}

check_tree() {
    local root=$1 app=$1/usr/lib/kvq-transfer program size
    for program in kvq-transfer kvq-convert kvq-sim; do
        [ -x "$app/bin/$program" ] || fail "$app/bin/$program missing"
        [ "$(readlink -f "$root/usr/bin/$program")" = "$app/bin/$program" ] ||
            fail "/usr/bin/$program does not lead to $app/bin/$program"
    done
    [ -s "$app/Help/rs232.hlp" ] || fail "Help/rs232.hlp missing beside bin/"
    [ -d "$app/Data" ] && [ -z "$(ls -A "$app/Data")" ] || fail "empty Data/ missing beside bin/"
    dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./postinst | grep -q "dialout 2775 '/usr/lib/kvq-transfer/Data'" ||
        fail "postinst does not give Data/ to the group dialout"
    desktop-file-validate "$root/usr/share/applications/kvq-transfer.desktop" >"$work/desktop.txt" 2>&1 ||
        fail "desktop-file-validate: $(cat "$work/desktop.txt")"
    grep -q '^Name=KVQ与计算机数据传输$' "$root/usr/share/applications/kvq-transfer.desktop" ||
        fail "desktop entry's Name"
    for size in 16 24 32 48 64 128 256; do
        file "$root/usr/share/icons/hicolor/${size}x$size/apps/kvq-transfer.png" |
            grep -q "PNG image data, $size x $size" || fail "icon ${size}x$size"
    done
    [ -f "$root/usr/share/doc/kvq-transfer/examples/99-kvq-com.rules" ] || fail "udev example missing"
    [ ! -e "$root/lib/udev" ] && [ ! -e "$root/usr/lib/udev" ] && [ ! -e "$root/etc" ] ||
        fail "a udev rule or configuration is installed"
    ok "tree: bin/, Help/, empty Data/ in /usr/lib/kvq-transfer, links, desktop entry, icons, udev example"
}

check_commands() {
    local root=$1 version page
    version=$(field Version)
    for program in kvq-convert kvq-sim; do
        [ "$("$root/usr/bin/$program" --version)" = "$program $version" ] ||
            fail "$program --version does not say $version"
    done
    for page in kvq-transfer kvq-convert kvq-sim; do
        MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" \
            >"$work/man.txt" 2>"$work/man-warnings.txt" || fail "man -l $page.1.gz"
        [ ! -s "$work/man-warnings.txt" ] || fail "man $page: $(cat "$work/man-warnings.txt")"
        grep -q "^NAME" "$work/man.txt" && grep -q -- "$page -" "$work/man.txt" ||
            fail "man $page has no NAME section"
    done
    ok "--version says $version; man pages render without warnings"
}

# A command on a fresh Xvfb, bounded: the drive's own waits end well before.
on_xvfb() {
    kvq_bounded 180 "the drive on Xvfb" xvfb-run -a -s "-screen 0 1024x768x24" "$@"
}

# Twice: as on a server or CI machine without a session bus, and as on a desktop with one.
check_program_on_xvfb() {
    local root=$1 drive=$here/drive-installed.sh
    on_xvfb env -u DBUS_SESSION_BUS_ADDRESS "$drive" "$root" "$work" "${KVQ_PACKAGE_SCREENSHOT:-}" ||
        fail "the installed program on Xvfb, without a session bus"
    on_xvfb dbus-run-session -- "$drive" "$root" "$work" ||
        fail "the installed program on Xvfb, with a session bus"
    ok "without and with a session bus: the menu entry's command starts the program;" \
        "its help window reads Help/rs232.hlp"
}

check_system_install() {
    if dpkg-query -W kvq-transfer >/dev/null 2>&1; then
        fail "kvq-transfer is installed on this machine already; not touching it"
    fi
    installed=true
    dpkg -i "$deb" >"$work/dpkg.txt" 2>&1 || fail "dpkg -i: $(cat "$work/dpkg.txt")"
    local data=/usr/lib/kvq-transfer/Data dialout
    dialout=$(getent group dialout | cut -d: -f3)
    [ "$(stat -c '%U:%G %a' "$data")" = "root:dialout 2775" ] || fail "$data: $(stat -c '%U:%G %a' "$data")"
    setpriv --reuid=65534 --regid=65534 --groups="$dialout" touch "$data/probe" ||
        fail "a member of dialout cannot save in $data"
    [ "$(stat -c %G "$data/probe")" = dialout ] || fail "a saved file does not belong to dialout"
    rm -f "$data/probe"
    ! setpriv --reuid=65534 --regid=65534 --clear-groups touch "$data/probe" 2>/dev/null ||
        fail "a user outside dialout can save in $data"
    man -w kvq-convert >/dev/null || fail "man kvq-convert"
    check_program_on_xvfb ""
    dpkg --purge kvq-transfer >"$work/dpkg.txt" 2>&1 || fail "dpkg --purge: $(cat "$work/dpkg.txt")"
    installed=false
    ! dpkg-statoverride --list "$data" >/dev/null || fail "the data folder's override outlives the purge"
    [ ! -e /usr/bin/kvq-transfer ] || fail "/usr/bin/kvq-transfer outlives the purge"
    ok "dpkg -i: Data/ for the group dialout, the program from /usr/bin; dpkg --purge leaves nothing"
}

check_control
check_lintian
dpkg -x "$deb" "$work/root"
check_tree "$work/root"
check_commands "$work/root"
check_program_on_xvfb "$work/root"
if [ "${KVQ_PACKAGE_SYSTEM_INSTALL:-}" = 1 ]; then
    check_system_install
fi
echo "test-package: all checks passed"
