#!/usr/bin/env bash
# The licences the Windows program ships with: the zip holds LICENSE.txt and
# THIRD-PARTY-NOTICES.txt (install-check.sh finds both in the setup's installation), and the
# notices give, with its licence text, every library that the static Qt build bundles
# (lib/libQt6Bundled*.a), the Qt source and options it was built from, the LGPL, and the
# compiler's runtime with the GCC Runtime Library Exception.
#   notices-check.sh DIST_DIR QT_PREFIX
set -euo pipefail
dist="$1"
qt="$2"
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}
zip="$dist/kvq-transfer-win64.zip"
listing="$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' \
    "$zip")" || { echo "FAIL: cannot read $zip (./build-windows.sh makes it)" >&2; exit 1; }
for f in LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    grep -q -x -F "kvq-transfer-win64/$f" <<<"$listing" || fail "the zip lacks $f"
done
notices="$(tr -d '\r' <"$dist/kvq-transfer-win64/THIRD-PARTY-NOTICES.txt")"
cmp -s <(tr -d '\r' <"$dist/kvq-transfer-win64/LICENSE.txt") "$(dirname "$0")/../../LICENSE" ||
    fail "LICENSE.txt is not the program's LICENSE"

bundled=("$qt"/lib/libQt6Bundled*.a)
[ -e "${bundled[0]}" ] || fail "no bundled libraries in $qt/lib"
for archive in "${bundled[@]}"; do
    # libQt6BundledLibpng.a comes from src/3rdparty/libpng, ...Harfbuzz.a from harfbuzz-ng.
    name="$(basename "$archive" .a)"
    name="${name#libQt6Bundled}"
    folder="$(grep -o -i -E "^In Qt's source: src/3rdparty/${name}[^ ]* " <<<"$notices" |
        head -n 1 | sed 's/^In Qt.s source: //; s/ $//' || true)"
    if [ -z "$folder" ]; then
        fail "the notices lack $(basename "$archive") (src/3rdparty/${name,,}...)"
    elif ! grep -q -F -e "--- $folder/" <<<"$notices"; then
        fail "the notices give no licence text of $folder"
    fi
done

stamp="$(cat "$qt/kvq-stamp")"
version="$(sed -n 's/^Version: //p' "${qt%-static}-build"/qt6-base_*.dsc | head -n 1)"
grep -q -F "qt6-base, version $version" <<<"$notices" || fail "the notices do not name qt6-base $version"
while read -r option; do
    grep -q -x -F "    $option" <<<"$notices" || fail "the notices lack Qt's option $option"
done < <(grep '^-D' <<<"$stamp")
for text in "GNU LESSER GENERAL PUBLIC LICENSE" "GCC RUNTIME LIBRARY EXCEPTION" \
    "mingw-w64-libraries/winpthreads"; do
    grep -q -F "$text" <<<"$notices" || fail "the notices lack '$text'"
done
exit "$failed"
