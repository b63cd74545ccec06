#!/bin/sh
# Draws the title page picture, title.bmp, with ImageMagick: a dusk sky over hills, a
# lone tower with a lit window, and the program's name. The BMP is kept in the repository,
# so the build does not need ImageMagick; run this again only to change the picture.
set -eu
cd "$(dirname "$0")"

convert -size 400x150 gradient:'#1b2147'-'#c9735a' \
  -fill '#f4e6b0' -draw 'point 31,14 point 88,9 point 142,22 point 205,11 point 262,6 point 318,19 point 371,12 point 57,31 point 233,29 point 349,34' \
  -fill '#f7d98b' -draw 'circle 330,42 330,54' \
  -fill '#3b2f4a' -draw 'polygon 0,150 0,104 48,82 96,98 150,70 214,96 268,78 322,92 400,72 400,150' \
  -fill '#241c30' -draw 'polygon 0,150 0,122 70,108 132,120 198,104 260,118 330,106 400,116 400,150' \
  -fill '#15101c' -draw 'rectangle 62,62 84,118' \
  -fill '#15101c' -draw 'polygon 58,64 73,40 88,64' \
  -fill '#15101c' -draw 'rectangle 58,58 88,64' \
  -fill '#f2b84b' -draw 'rectangle 71,74 75,81' \
  -font DejaVu-Serif-Bold -pointsize 40 -fill '#f6ecd2' -stroke '#2a1d12' -strokewidth 1 \
  -annotate +120+58 'brindle' \
  -font DejaVu-Sans -pointsize 12 -stroke none -fill '#f6ecd2' \
  -annotate +124+78 'container viewer and saved-game editor' \
  -type TrueColor BMP3:title.bmp
