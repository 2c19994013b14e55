#!/usr/bin/env bash
# Makes a fresh Wine prefix for running the Windows build: no crash dialog (a crashing test
# must fail, not wait for a click), Wine's own fonts for the Latin texts, a folder of
# TrueType fonts with a Chinese one for Qt's offscreen platform, and no COM port but those
# the tests plug in.
#   scripts/wine-prefix.sh DIR
# Tests plug a line into COMn (n = 1, 2, 5, 12) by pointing DIR/kvq-comN at a terminal.
set -euo pipefail
source "$(dirname "$0")/waits.sh"
prefix="${1:?usage: $0 DIR}"
mkdir -p "$prefix"
export WINEPREFIX="$(cd "$prefix" && pwd)" WINEDEBUG=-all
# No Mono or Gecko: nothing here needs .NET or a browser engine, and there is no network.
export WINEDLLOVERRIDES="mscoree,mshtml="
log="$(mktemp)"
trap 'rm -f "$log"' EXIT

# step WHAT SECONDS COMMAND...: a step that fails or hangs stops the script, with what it said.
step() {
    local what=$1 seconds=$2
    shift 2
    if ! kvq_bounded "$seconds" "$what" "$@" >"$log" 2>&1; then
        echo "wine-prefix.sh: $what failed; it said:" >&2
        cat "$log" >&2
        exit 1
    fi
}

step "wineboot to make the prefix" 300 wineboot -i
step "the setting against Wine's crash dialog" 120 \
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
# The tests' ports lead to links in the prefix that tests point at pseudo-terminals: COM1 and
# COM2, and COM5 and COM12 for the choices that reach a port above COM2 (COM12 needs the
# "\\.\" prefix). Wine makes dosdevices/comN itself from this key whenever it starts (a link
# made there by hand is replaced). A port without its terminal is listed but has no device:
# it opens and cannot report its settings.
test_ports="1 2 5 12"
for n in $test_ports; do
    step "the port COM$n" 120 \
        wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$WINEPREFIX/kvq-com$n" /f
done
# A port missing here would show up only later, as a test's "no line arrived".
step "the list of ports" 120 wine reg query 'HKLM\Software\Wine\Ports'
for n in $test_ports; do
    grep -q -F "COM$n    REG_SZ    $WINEPREFIX/kvq-com$n" "$log" ||
        { echo "wine-prefix.sh: COM$n is not in the list of ports:" >&2; cat "$log" >&2; exit 1; }
done
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -n /usr/share/wine/fonts/*.ttf "$fonts"/ 2>/dev/null || true
qtfonts="$WINEPREFIX/drive_c/kvq-fonts"
mkdir -p "$qtfonts"
for f in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/wqy/wqy-microhei.ttc; do
    [ -e "$f" ] && ln -sf "$f" "$qtfonts/"
done
step "the Wine server of the new prefix to end" 120 wineserver -w
# Wine also gives each of the machine's own /dev/ttyS*, ttyUSB* and ttyACM* the lowest free
# COM number, which would put this machine's serial port (or none) before the tests' ports.
# A folder in place of every other number's link keeps Wine from making that port: it cannot
# replace a folder with its link, and then makes no port of that number.
for n in $(seq 1 256); do
    case " $test_ports " in *" $n "*) continue ;; esac
    rm -f "$WINEPREFIX/dosdevices/com$n"
    mkdir -p "$WINEPREFIX/dosdevices/com$n"
done
echo "$WINEPREFIX"
