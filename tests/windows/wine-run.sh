#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine as the tests expect it: in the test prefix
# (WINEPREFIX, made by scripts/wine-prefix.sh), on Qt's offscreen platform, with Qt's messages on
# standard error. Wine does not pass on variables whose names begin with QT_; it passes
# WINEQT_X on as QT_X.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the test prefix (scripts/wine-prefix.sh makes one)}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEQT_QPA_PLATFORM="${WINEQT_QPA_PLATFORM:-offscreen}"
export WINEQT_FORCE_STDERR_LOGGING=1
# Qt's offscreen platform on Windows reads TrueType files from one folder.
export WINEQT_QPA_FONTDIR='C:\kvq-fonts'
exec wine "$@"
