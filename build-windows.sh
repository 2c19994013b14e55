#!/usr/bin/env bash
# Builds the Windows program on Debian with mingw-w64 and a static Qt made from Debian's own
# source package (the first run builds that Qt into ~/.cache/kvq: 20 minutes or more):
#   dist/kvq-transfer-win64/       bin/kvq-transfer.exe, bin/kvq-convert.exe, Help/, Data/,
#                                  translations/ (Qt's own texts in Chinese)
#   dist/kvq-transfer-win64.zip    the same folder, to unpack anywhere on a Windows machine
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
source scripts/windows-env.sh
kvq_ensure_packages "${KVQ_PACKAGES[@]}" "${KVQ_PACKAGES_WINDOWS[@]}"

kvq_configure_windows build-windows
cmake --build build-windows -j "$(nproc)" --target kvq-transfer kvq-convert
dist=dist/kvq-transfer-win64
rm -rf "$dist" "$dist.zip"
cmake --install build-windows --prefix "$dist" --strip >/dev/null
# The save dialog starts in Data/ beside bin/; an empty folder is part of the layout.
mkdir -p "$dist/Data" "$dist/translations"
# Qt's own buttons and dialogs in Chinese, from Debian's translations of the same Qt.
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$dist/translations/"
(cd dist && cmake -E tar cf kvq-transfer-win64.zip --format=zip kvq-transfer-win64)
echo "Windows program: $dist ($(du -sh "$dist" | cut -f1)), $dist.zip ($(du -h "$dist.zip" | cut -f1))"
