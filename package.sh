#!/usr/bin/env bash
# Builds the Debian package build/kvq-transfer_<version>_<arch>.deb with CPack.
#   ./package.sh          build and package
#   ./package.sh --test   then install it into a throw-away root and check it there
#                         (tests/package/test-package.sh; CI runs this)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

test=false
case "${1:-}" in
    "") ;;
    --test) test=true ;;
    *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

packages=("${KVQ_PACKAGES[@]}" "${KVQ_PACKAGES_DEB[@]}")
$test && packages+=("${KVQ_PACKAGES_GUI[@]}" "${KVQ_PACKAGES_DEB_CHECK[@]}")
kvq_ensure_packages "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
rm -f build/kvq-transfer_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/kvq-transfer_*.deb)
echo "$deb"
if $test; then
    tests/package/test-package.sh "$deb"
fi
