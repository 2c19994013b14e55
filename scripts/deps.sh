# Sourced by run.sh, test.sh, bench.sh and fuzz.sh: installs the Debian packages the
# project needs, or, when not root, prints the exact command and stops.

KVQ_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
    fonts-wqy-microhei
)
KVQ_PACKAGES_GUI=(xvfb xauth)
KVQ_PACKAGES_FUZZ=(clang libclang-rt-14-dev)
KVQ_PACKAGES_LINT=(cppcheck clang-tidy clang-format)
# scripts/soak-tests.sh: stress-ng keeps every core busy while the suite runs.
KVQ_PACKAGES_SOAK=(stress-ng)
# package.sh: CPack's Debian generator needs dpkg-shlibdeps (dpkg-dev) and file; the check
# of the package (--test) runs lintian, desktop-file-validate, man, and drives the installed
# program on Xvfb with xdotool, watching its file opens with strace, once without a session
# bus and once inside dbus-run-session (dbus-daemon). dbus-x11 brings the autolaunch of a bus
# that a program without one does, which the check must survive, as on many machines.
KVQ_PACKAGES_DEB=(dpkg-dev file)
KVQ_PACKAGES_DEB_CHECK=(lintian desktop-file-utils man-db xdotool strace dbus-daemon dbus-x11)

kvq_missing_packages() {
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            printf '%s\n' "$p"
        fi
    done
}

kvq_ensure_packages() {
    local missing
    mapfile -t missing < <(kvq_missing_packages "$@")
    [ "${#missing[@]}" -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Run as root:" >&2
        echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
