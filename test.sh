#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless.
#   ./test.sh              normal build in build/
#   ./test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
#   ./test.sh --lint       the clang-format check, then cppcheck and clang-tidy over the sources
#   ./test.sh --windows    Windows cross-build in build-windows/, its tests under Wine (the first
#                          run builds Qt for Windows into ~/.cache/kvq: 20 minutes or more)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
source scripts/windows-env.sh
source scripts/waits.sh

mode=normal
case "${1:-}" in
    "") ;;
    --sanitize) mode=sanitize ;;
    --lint) mode=lint ;;
    --windows) mode=windows ;;
    *) echo "usage: $0 [--sanitize|--lint|--windows]" >&2; exit 2 ;;
esac

packages=("${KVQ_PACKAGES[@]}")
[ "$mode" = lint ] && packages+=("${KVQ_PACKAGES_LINT[@]}")
[ "$mode" = windows ] && packages+=("${KVQ_PACKAGES_WINDOWS[@]}")
kvq_ensure_packages "${packages[@]}"

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

case "$mode" in
normal)
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j "$jobs"
    ctest --test-dir build --output-on-failure -j "$jobs"
    ;;
sanitize)
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKVQ_SANITIZE=ON >/dev/null
    cmake --build build-sanitize -j "$jobs"
    export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    # Leaks inside third-party libraries' own caches (fontconfig, Qt's plugins) are listed
    # in the file with the reason for each; our code is never suppressed.
    export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
    ;;
windows)
    # kvq-sim and kvq-convert of the Linux build play the instrument and make the expected files.
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j "$jobs" --target kvq-sim kvq-convert
    kvq_configure_windows build-windows -DKVQ_LINUX_BIN_DIR="$PWD/build/bin"
    cmake --build build-windows -j "$jobs"
    # The zip and the setup, which the installation and licence tests take.
    packaging/windows/make-dist.sh build-windows dist
    wine_home="$(mktemp -d)"
    export WINEPREFIX="$wine_home/prefix"
    scripts/wine-prefix.sh "$WINEPREFIX" >/dev/null
    # One Wine server for all the tests, each then starts in well under a second. Wine's own
    # services are started here, away from the tests: they would inherit a test's output and
    # keep ctest waiting for it to close for as long as the server lives.
    wineserver -p >/dev/null 2>&1
    trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$wine_home"' EXIT
    WINEDEBUG=-all kvq_bounded 300 "Wine's services to start" wine cmd /c exit >/dev/null 2>&1
    ctest --test-dir build-windows --output-on-failure
    ;;
lint)
    scripts/format-check.sh
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
    cmake --build build -j "$jobs"
    scripts/lint.sh build
    ;;
esac
