#!/usr/bin/env bash
# Draws Skiffer's program icon (skiffer.png, 64x64) with ImageMagick: a small boat under an upward
# arrow on a blue tile. Run by hand after changing it; the PNG is kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 64x64 xc:none \
    -fill '#1f5fa8' -draw 'roundrectangle 2,2 61,61 11,11' \
    -fill white -draw 'polygon 32,7 45,21 37,21 37,34 27,34 27,21 19,21' \
    -fill '#f2b134' -draw 'polygon 9,40 55,40 46,54 18,54' \
    -fill white -draw 'rectangle 9,38 55,40' \
    -depth 8 -strip skiffer.png
