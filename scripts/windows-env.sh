# Sourced by test.sh --windows and build-windows.sh: the packages of the Windows cross-build
# and the configure step of the project against the static Qt for Windows.

# nsis makes the setup; python3 the third-party notices (from the Qt source's JSON files);
# wine64 alone runs the programs and the setup, all 64-bit; strace shows what the installed
# program reads and file that the setup is 64-bit (tests/windows/install-check.sh).
KVQ_PACKAGES_WINDOWS=(
    g++-mingw-w64-x86-64-posix dpkg-dev xz-utils nsis python3
    wine wine64 fonts-wine socat xvfb xauth xdotool x11-utils fonts-wqy-microhei fonts-dejavu-core
    qt6-translations-l10n strace file
)

# kvq_configure_windows BUILD_DIR [cmake options...]: configures BUILD_DIR for Windows, building
# Qt for Windows first if the cache does not hold it yet.
kvq_configure_windows() {
    local build_dir="$1"
    shift
    local qt
    qt="$(scripts/build-qt-windows.sh | tail -n 1)"
    # Qt's own toolchain file finds the Qt for Windows and loads ours for the compilers.
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr "$@" >/dev/null
}
