#!/usr/bin/env bash
# Makes a fresh Wine prefix for running the Windows build: no crash dialog (a crashing test
# must fail, not wait for a click), Wine's own fonts for the Latin texts, and a folder of
# TrueType fonts with a Chinese one for Qt's offscreen platform.
#   scripts/wine-prefix.sh DIR
# Tests plug a line in by pointing DIR/kvq-com1 (COM1) or DIR/kvq-com2 (COM2) at a terminal.
set -euo pipefail
source "$(dirname "$0")/waits.sh"
prefix="${1:?usage: $0 DIR}"
mkdir -p "$prefix"
export WINEPREFIX="$(cd "$prefix" && pwd)" WINEDEBUG=-all
# No Mono or Gecko: nothing here needs .NET or a browser engine, and there is no network.
export WINEDLLOVERRIDES="mscoree,mshtml="
kvq_bounded 300 "wineboot to make the prefix" wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
# COM1 and COM2 lead to links in the prefix that tests point at pseudo-terminals. Wine makes
# dosdevices/comN itself from this key whenever it starts (a link made there by hand is
# replaced by one to the machine's own serial port).
for n in 1 2; do
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$WINEPREFIX/kvq-com$n" /f >/dev/null 2>&1
done
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -n /usr/share/wine/fonts/*.ttf "$fonts"/ 2>/dev/null || true
qtfonts="$WINEPREFIX/drive_c/kvq-fonts"
mkdir -p "$qtfonts"
for f in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/wqy/wqy-microhei.ttc; do
    [ -e "$f" ] && ln -sf "$f" "$qtfonts/"
done
kvq_bounded 120 "the Wine server of the new prefix to end" wineserver -w
echo "$WINEPREFIX"
