#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick. The PNGs are kept in git, so the build does
# not need ImageMagick; run this again only after changing a picture here.
set -euo pipefail
cd "$(dirname "$0")"

# Strip dates and other chunks so that a rerun gives the same bytes.
png() {
    local out=${!#}
    convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time "PNG32:$out"
}

# Header band, 607 by 61, shown stretched behind the header label: a pale sky fading into
# the colours of layered ground, with the trace of a sounding curve on the right.
png -size 607x61 gradient:'#f4fbfb-#cfe8e6' \
    -fill '#e5d2ae' -draw 'polygon 300,61 360,44 430,50 500,40 607,46 607,61' \
    -fill '#c9a877' -draw 'polygon 380,61 450,54 530,52 607,56 607,61' \
    -stroke '#9cc7c4' -strokewidth 1 -fill none \
    -draw 'line 300,8 300,40' -draw 'line 360,8 360,40' -draw 'line 420,8 420,40' \
    -draw 'line 480,8 480,40' -draw 'line 540,8 540,40' -draw 'line 600,8 600,40' \
    -draw 'line 300,40 600,40' -draw 'line 300,24 600,24' -draw 'line 300,8 600,8' \
    -stroke '#006e6e' -strokewidth 2 \
    -draw 'path "M 300,34 C 340,34 360,12 400,14 C 440,16 460,30 500,28 C 540,26 560,10 600,12"' \
    -stroke none -fill '#006e6e' \
    -draw 'circle 400,14 402,14' -draw 'circle 500,28 502,28' -draw 'circle 600,12 602,12' \
    header.png

# Window icon, 64 by 64: a teal tile with a serial pulse train over a ground line.
png -size 64x64 xc:none \
    -fill '#007a7a' -stroke '#004f4f' -strokewidth 2 -draw 'roundrectangle 2,2 61,61 10,10' \
    -fill white -stroke none \
    -draw 'rectangle 8,38 17,41' -draw 'rectangle 14,18 17,41' -draw 'rectangle 14,18 26,21' \
    -draw 'rectangle 23,18 26,41' -draw 'rectangle 23,38 34,41' -draw 'rectangle 31,18 34,41' \
    -draw 'rectangle 31,18 42,21' -draw 'rectangle 39,18 42,41' -draw 'rectangle 39,38 49,41' \
    -draw 'rectangle 46,18 49,41' -draw 'rectangle 46,18 56,21' \
    -stroke '#e8c98f' -strokewidth 3 -draw 'line 9,51 55,51' \
    icon.png

# Menu pictures, 16 by 16.
png -size 16x16 xc:none \
    -fill '#2f5f9f' -stroke '#1b3a63' -strokewidth 1 -draw 'polygon 1,1 13,1 15,3 15,15 1,15' \
    -fill white -stroke none -draw 'rectangle 4,2 11,6' \
    -fill '#1b3a63' -draw 'rectangle 9,3 10,5' \
    -fill '#d8e2ee' -draw 'rectangle 3,9 13,14' \
    save.png

png -size 16x16 xc:none \
    -fill '#b07a3c' -stroke '#6b4520' -strokewidth 1 -draw 'rectangle 2,1 10,15' \
    -fill '#6b4520' -stroke none -draw 'circle 8,8 9,8' \
    -fill '#c0392b' -draw 'polygon 10,8 13,5 13,7 15,7 15,9 13,9 13,11' \
    exit.png

png -size 16x16 xc:none \
    -fill '#2d7dd2' -stroke '#1a4f8a' -strokewidth 1 -draw 'circle 7.5,7.5 7.5,0.5' \
    -fill none -stroke white -strokewidth 2 \
    -draw 'path "M 5,6 C 5,3 10,3 10,6 C 10,8 7.5,8 7.5,10"' \
    -fill white -stroke none -draw 'rectangle 6.5,11.5 8.5,13.5' \
    help.png

png -size 16x16 xc:none \
    -fill '#007a7a' -stroke '#004f4f' -strokewidth 1 -draw 'circle 7.5,7.5 7.5,0.5' \
    -fill white -stroke none -draw 'rectangle 6.5,3 8.5,5' -draw 'rectangle 6.5,6.5 8.5,12.5' \
    about.png

png -size 16x16 xc:none \
    -fill '#2e8b3a' -stroke '#1d5c26' -strokewidth 1 \
    -draw 'polygon 1,8 4,5 7,8 13,1 15,4 7,13' \
    ok.png

# About picture, 64 by 64: a ground section with two current electrodes, the current lines
# between them and two potential electrodes in the middle.
png -size 64x64 xc:'#eaf6f6' \
    -fill '#e5d2ae' -draw 'rectangle 0,22 63,63' \
    -fill '#c9a877' -draw 'polygon 0,42 20,38 44,44 63,40 63,63 0,63' \
    -fill none -stroke '#c0392b' -strokewidth 1 \
    -draw 'path "M 8,24 C 8,40 56,40 56,24"' -draw 'path "M 8,24 C 8,54 56,54 56,24"' \
    -draw 'path "M 8,24 C 8,30 56,30 56,24"' \
    -stroke '#1b3a63' -strokewidth 2 -draw 'line 8,12 8,26' -draw 'line 56,12 56,26' \
    -draw 'line 26,16 26,24' -draw 'line 38,16 38,24' \
    -stroke '#006e6e' -strokewidth 1 -draw 'line 8,10 56,10' -draw 'line 26,14 38,14' \
    -fill '#006e6e' -stroke none -draw 'rectangle 28,4 36,12' \
    about-picture.png

# The Windows program's icon: the window icon in an .ico container.
convert icon.png kvq-transfer.ico
