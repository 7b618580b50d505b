#!/bin/bash
# Renders the Windows program's icons from velmora3-c.svg into OUT_DIR:
#   velmora3-c.ico   the program's icon group: the classic 32 x 32 in 2 colours, 32 x 32 and
#                    16 x 16 in 16 colours (opaque on black, as the About box's picture), and
#                    16 to 64 pixels in 32-bit colour with alpha, with 256 stored as PNG
#   about-icon.ico   the About box's picture alone: the 32 x 32 16-colour image
# Needs rsvg-convert (librsvg2-bin), ImageMagick and icotool (icoutils).
#
#   windows-icons.sh OUT_DIR
set -euo pipefail
svg=$(cd "$(dirname "$0")" && pwd)/velmora3-c.svg
out=$1
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# /usr/bin's own copy of ImageMagick, not whatever else PATH names convert.
convert=/usr/bin/convert

modern=(16 20 24 32 40 48 64)
for size in "${modern[@]}" 256; do
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$scratch/rgba$size.png"
done
# 16 colours in a 4-bit palette, opaque on black: the recipe of render.sh's about-icon.png.
for size in 16 32; do
    rsvg-convert -w "$size" -h "$size" -b black "$svg" -o "$scratch/opaque$size.png"
    "$convert" "$scratch/opaque$size.png" -alpha off +dither -colors 16 -type Palette \
        -define png:bit-depth=4 "PNG8:$scratch/c$size.png"
done
# 2 colours: white where the picture is lighter than a fifth of full brightness, black
# elsewhere; its transparent corners stay transparent through the mask.
"$convert" "$scratch/rgba32.png" -alpha extract -threshold 50% "$scratch/mask32.png"
"$convert" "$scratch/rgba32.png" -background black -alpha remove -colorspace Gray -threshold 20% \
    "$scratch/bilevel32.png"
"$convert" "$scratch/bilevel32.png" "$scratch/mask32.png" -alpha off -compose CopyOpacity -composite \
    "PNG8:$scratch/m32.png"

args=(-b 1 "$scratch/m32.png" -b 4 "$scratch/c32.png" -b 4 "$scratch/c16.png")
for size in "${modern[@]}"; do args+=(-b 32 "$scratch/rgba$size.png"); done
icotool -c -o "$out/velmora3-c.ico" "${args[@]}" -r "$scratch/rgba256.png"
icotool -c -o "$out/about-icon.ico" -b 4 "$scratch/c32.png"
