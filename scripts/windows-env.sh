# Sourced by test.sh --windows and build-windows.sh: the packages of the Windows cross-build
# and the configure step of the project against the static Qt for Windows.

# nsis makes the setup; python3 the third-party notices (from the Qt source's JSON files);
# strace shows what the installed program reads (tests/windows/install-check.sh).
KVQ_PACKAGES_WINDOWS=(
    g++-mingw-w64-x86-64-posix dpkg-dev xz-utils nsis python3
    wine wine64 fonts-wine socat xvfb xauth xdotool x11-utils fonts-wqy-microhei fonts-dejavu-core
    qt6-translations-l10n strace
)

# The setup's stub is a 32-bit program (as NSIS setups are), which Wine runs only with its
# 32-bit half: wine32 of the i386 architecture, which dpkg must be told about first.
kvq_ensure_wine32() {
    if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "Wine cannot run the 32-bit setup. Run as root:" >&2
        echo "  dpkg --add-architecture i386 && apt-get update && apt-get install -y wine32:i386" >&2
        exit 1
    fi
    echo "Installing: wine32:i386" >&2
    dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends wine32:i386
}

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
