#!/usr/bin/env bash
# Builds a static Qt (qtbase) for 64-bit Windows once, from Debian's own source package of the
# host Qt, and installs it into a cache folder outside the work tree. Later calls reuse it while
# the Qt version and these options match (a stamp file holds both).
#   scripts/build-qt-windows.sh        prints the install folder on its last line
# KVQ_QT_WINDOWS_CACHE overrides the cache root (default ~/.cache/kvq).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/+.*//; s/-.*//')
cache="${KVQ_QT_WINDOWS_CACHE:-$HOME/.cache/kvq}"
prefix="$cache/qt-$qt_version-mingw64-static"
work="$cache/qt-$qt_version-mingw64-build"

# Everything a Windows build of this program does not use is off; the bundled third-party
# libraries are used, since the mingw sysroot has none of them.
options=(
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++
    -DBUILD_SHARED_LIBS=OFF
    -DFEATURE_static_runtime=ON
    -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DFEATURE_opengl=OFF -DINPUT_opengl=no
    -DFEATURE_vulkan=OFF
    -DFEATURE_direct2d=OFF
    -DFEATURE_directwrite3=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_network=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_zstd=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_pkg_config=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_textmarkdownreader=OFF
)
stamp_text="qt $qt_version
$(printf '%s\n' "${options[@]}")
toolchain $(sha256sum "$here/cmake/mingw-w64-x86_64.cmake" | cut -d' ' -f1)"

# Two callers at once (two work trees, a build and a test run) build once: the second waits
# for the first and then reuses its Qt. The bound is above the longest build measured (72 min
# on two busy cores).
mkdir -p "$cache"
lock="$cache/qt-$qt_version.lock"
exec 9>"$lock"
if ! flock -n 9; then
    echo "Qt $qt_version for Windows is being built by another caller; waiting for it" >&2
    if ! flock -w 7200 9; then
        echo "gave up waiting for the other build of Qt for Windows (lock $lock) after 7200 s" >&2
        exit 1
    fi
fi

if [ -f "$prefix/kvq-stamp" ] && [ "$(cat "$prefix/kvq-stamp")" = "$stamp_text" ]; then
    echo "Qt $qt_version for Windows: reusing $prefix" >&2
    echo "$prefix"
    exit 0
fi

start=$SECONDS
mkdir -p "$work"
cd "$work"

tarball=$(ls qt6-base_"$qt_version"*.orig.tar.* 2>/dev/null | head -n1 || true)
if [ -z "$tarball" ]; then
    echo "[1/4] fetching Debian's source package qt6-base $qt_version" >&2
    if ! apt-get source --download-only qt6-base >/dev/null 2>&1; then
        # apt needs a deb-src twin of the configured suites.
        if [ "$(id -u)" -ne 0 ]; then
            echo "No deb-src entry for apt; as root, run this script once (it adds one)." >&2
            exit 1
        fi
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            >/etc/apt/sources.list.d/kvq-debian-src.sources
        apt-get update -qq
        apt-get source --download-only qt6-base >/dev/null
    fi
    tarball=$(ls qt6-base_"$qt_version"*.orig.tar.* | head -n1)
fi

src="$work/src"
if [ ! -f "$src/CMakeLists.txt" ]; then
    echo "[2/4] unpacking $tarball" >&2
    rm -rf "$src"
    mkdir -p "$src"
    tar -xf "$tarball" -C "$src" --strip-components=1
fi

echo "[3/4] configuring (static, mingw-w64)" >&2
rm -rf "$work/build"
cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; exit 1; }

echo "[4/4] building qtbase with $(nproc) jobs at low priority (15-25 min on two cores)" >&2
# Ninja's own progress line, one in every hundred steps, so a log shows it is alive.
if ! nice -n 19 cmake --build "$work/build" -j "$(nproc)" 2>&1 |
    awk '/^\[[0-9]+\/[0-9]+\]/ { split($1, a, /[\[\/\]]/); if (a[2] % 100 == 0) print; fflush() }
         /error:|Error / { print; fflush() }' >&2; then
    echo "Qt build failed; see $work/build" >&2
    exit 1
fi
rm -rf "$prefix"
cmake --install "$work/build" >/dev/null
printf '%s\n' "$stamp_text" >"$prefix/kvq-stamp"
# The build folder (2 GB) is not needed once installed; the tarball stays for a rebuild.
rm -rf "$work/build" "$src"
echo "Qt $qt_version for Windows built in $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s: $prefix" >&2
echo "$prefix"
