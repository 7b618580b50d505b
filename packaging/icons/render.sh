#!/bin/bash
# Renders the program's icon from velmora3-c.svg: the hicolor PNGs the program and the
# desktop use, and the 32 x 32, 16-colour picture of the About box with its 64 x 64 twin for
# screens at twice the density (Qt finds it by the "@2x" in its name).
# Needs rsvg-convert (librsvg2-bin) and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"

for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" velmora3-c.svg -o "hicolor/${size}x${size}/apps/velmora3-c.png"
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Old-style icon: opaque on black, at most 16 colours in a 4-bit palette.
for size in 32 64; do
    name=about-icon.png
    [ "$size" = 32 ] || name=about-icon@2x.png
    rsvg-convert -w "$size" -h "$size" -b black velmora3-c.svg -o "$scratch/about.png"
    /usr/bin/convert "$scratch/about.png" -alpha off +dither -colors 16 -type Palette -define png:bit-depth=4 \
        "PNG8:$name"
done
