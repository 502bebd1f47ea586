#!/bin/bash
# Draws Corvan's picture: a starfighter over a ringed planet in a starfield, with a sound wave and a music note.
set -euo pipefail
cd "$(dirname "$0")"

# Sound wave: a sine line across the middle whose amplitude swells and fades.
wave=$(awk 'BEGIN { for (x = 4; x <= 124; x += 2)
  printf "%d,%.1f ", x, 80 + 8 * sin((x - 4) / 120 * 3.14159) * sin(x / 4.5) }')

convert -size 128x128 gradient:'#05051a-#2a0f45' \
  \( -size 128x128 xc: -seed 7 +noise Random -channel G -separate +channel \
     -threshold 98.5% -morphology Dilate Disk:0.5 \) -compose Screen -composite \
  -compose Over \
  -fill none -stroke '#9a78e8' -strokewidth 2 -draw 'ellipse 104,116 66,12 180,360' \
  -fill '#3b2f8f' -stroke '#8f7fe0' -draw 'circle 104,170 104,98' \
  -fill none -stroke '#c9a0ff' -draw 'ellipse 104,116 66,12 0,180' \
  -stroke '#41e0c8' -draw "polyline $wave" \
  -stroke none -fill '#ff7a3c' -draw 'polygon 25,56 28,68 31,56' -draw 'polygon 33,56 36,68 39,56' \
  -fill '#e8ecff' \
  -draw 'polygon 32,6 36,22 37,36 54,50 54,56 37,52 40,58 24,58 27,52 10,56 10,50 27,36 28,22' \
  -fill '#49c6ff' -draw 'ellipse 32,26 3,6 0,360' \
  -fill '#ffd34a' -draw 'ellipse 88,36 8,6 0,360' \
  -stroke '#ffd34a' -strokewidth 3 -draw 'line 95,35 95,8' \
  -draw 'line 95,9 106,18' \
  +dither -colors 256 -alpha off -type Palette corvan.gif
