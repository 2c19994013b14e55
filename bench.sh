#!/usr/bin/env bash
# Builds and runs the benchmark programs; each prints its figures.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
kvq_ensure_packages "${KVQ_PACKAGES[@]}"
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
echo "== export: 1,000,000 lines of each instrument type =="
build/bin/export-bench
echo
echo "== serial: 10 MB of lines through a pseudo-terminal into the receiver =="
build/bin/serial-bench
