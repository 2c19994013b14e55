#!/usr/bin/env bash
# Draws the desktop icon at the sizes of the hicolor theme with ImageMagick: the window's
# icon (forms/pictures/make-pictures.sh draws it at 64 by 64), drawn again at 256 by 256
# and reduced from there. The PNGs are kept in git, so the build does not need ImageMagick;
# run this again only after changing the icon.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons

# The drawing of make-pictures.sh in its 64-pixel coordinates, scaled by four.
master=$(mktemp --suffix=.png)
trap 'rm -f "$master"' EXIT
convert -size 256x256 xc:none -draw "scale 4,4
    fill '#007a7a' stroke '#004f4f' stroke-width 2 roundrectangle 2,2 61,61 10,10
    fill white stroke none
    rectangle 8,38 17,41  rectangle 14,18 17,41  rectangle 14,18 26,21
    rectangle 23,18 26,41  rectangle 23,38 34,41  rectangle 31,18 34,41
    rectangle 31,18 42,21  rectangle 39,18 42,41  rectangle 39,38 49,41
    rectangle 46,18 49,41  rectangle 46,18 56,21
    stroke '#e8c98f' stroke-width 3 line 9,51 55,51" \
    -strip "PNG32:$master"

for size in 16 24 32 48 64 128 256; do
    convert "$master" -filter Lanczos -resize "${size}x${size}" -strip \
        -define png:exclude-chunks=date,time "PNG32:icons/$size.png"
done
