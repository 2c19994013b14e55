#!/usr/bin/env bash
# Builds the Windows program on Debian with mingw-w64 and a static Qt made from Debian's own
# source package (the first run builds that Qt into ~/.cache/kvq: 20 minutes or more):
#   dist/kvq-transfer-win64/       bin/kvq-transfer.exe, bin/kvq-convert.exe, Help/, Data/,
#                                  translations/ (Qt's own texts in Chinese), LICENSE.txt,
#                                  THIRD-PARTY-NOTICES.txt
#   dist/kvq-transfer-win64.zip    the same folder, to unpack anywhere on a Windows machine
#   dist/kvq-transfer-setup.exe    the setup: a per-user installation with a Start-menu entry
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
source scripts/windows-env.sh
kvq_ensure_packages "${KVQ_PACKAGES[@]}" "${KVQ_PACKAGES_WINDOWS[@]}"

kvq_configure_windows build-windows
cmake --build build-windows -j "$(nproc)" --target kvq-transfer kvq-convert
packaging/windows/make-dist.sh build-windows dist
for made in dist/kvq-transfer-win64 dist/kvq-transfer-win64.zip dist/kvq-transfer-setup.exe; do
    echo "Windows program: $made ($(du -sh "$made" | cut -f1))"
done
