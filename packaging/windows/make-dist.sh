#!/usr/bin/env bash
# Makes the Windows program's folder, zip and setup from a Windows build folder:
#   packaging/windows/make-dist.sh BUILD_DIR DIST_DIR
#   DIST_DIR/kvq-transfer-win64/       bin\, Help\, Data\, translations\, LICENSE.txt,
#                                      THIRD-PARTY-NOTICES.txt
#   DIST_DIR/kvq-transfer-win64.zip    the same folder, to unpack anywhere
#   DIST_DIR/kvq-transfer-setup.exe    the setup (kvq-transfer.nsi)
# The notices are made from the Qt that the build used and its source tarball, which
# scripts/build-qt-windows.sh keeps beside its installation.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(cd "${1:?usage: $0 BUILD_DIR DIST_DIR}" && pwd)"
mkdir -p "${2:?usage: $0 BUILD_DIR DIST_DIR}"
dist_root="$(cd "$2" && pwd)"
dist="$dist_root/kvq-transfer-win64"

cache_value() {
    sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"
}
version="$(cache_value CMAKE_PROJECT_VERSION)"
qt="$(cd "$(cache_value Qt6_DIR)/../../.." && pwd)"
tarball="$(ls "${qt%-static}-build"/qt6-base_*.orig.tar.* 2>/dev/null | head -n 1 || true)"
if [ -z "$tarball" ]; then
    echo "The source tarball of the Qt in $qt is missing: the notices are made from it." >&2
    echo "Remove $qt and run scripts/build-qt-windows.sh, which fetches and builds it again." >&2
    exit 1
fi

rm -rf "$dist" "$dist.zip" "$dist_root/kvq-transfer-setup.exe"
cmake --install "$build" --prefix "$dist" --strip >/dev/null
# The save dialog starts in Data\ beside bin\; an empty folder is part of the layout.
mkdir -p "$dist/Data" "$dist/translations"
# Qt's own buttons and dialogs in Chinese, from Debian's translations of the same Qt.
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$dist/translations/"
# Windows line ends, for Notepad and the setup's licence page.
sed 's/$/\r/' "$root/LICENSE" >"$dist/LICENSE.txt"
python3 "$here/make-notices.py" --qt "$qt" --tarball "$tarball" --version "$version" \
    --output "$dist/THIRD-PARTY-NOTICES.txt" 2>"$build/notices.log" ||
    { cat "$build/notices.log" >&2; exit 1; }

(cd "$dist_root" && cmake -E tar cf kvq-transfer-win64.zip --format=zip kvq-transfer-win64)

# Windows wants four numbers in a version resource.
IFS=. read -r major minor patch tweak <<<"$version"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" \
    -DVERSION4="${major:-0}.${minor:-0}.${patch:-0}.${tweak:-0}" -DSOURCE="$dist" \
    -DICON="$root/forms/pictures/kvq-transfer.ico" -DOUTFILE="$dist_root/kvq-transfer-setup.exe" \
    "$here/kvq-transfer.nsi" >/dev/null
