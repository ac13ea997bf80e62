#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the program icon (a disc with an amber light on its rim) with
# ImageMagick at 256x256 and scales it to the sizes the program and the
# desktop use. Run it here after changing the drawing; the PNG files are
# committed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
convert -size 256x256 radial-gradient:'#f4f7fb-#46607e' "$work/gradient.png"
convert -size 256x256 xc:black -fill white -draw 'circle 128,128 128,6' "$work/mask.png"
convert "$work/gradient.png" "$work/mask.png" -alpha off -compose copy_opacity -composite \
  -fill none -stroke '#243447' -strokewidth 8 -draw 'circle 128,128 128,8' \
  -stroke '#ffffff' -strokewidth 4 -draw 'circle 128,128 128,46' \
  -stroke none -fill '#243447' -draw 'circle 128,128 128,90' \
  -fill '#ffffff' -draw 'circle 128,128 128,112' \
  -fill '#f2a03d' -stroke '#243447' -strokewidth 4 -draw 'circle 196,60 196,30' \
  "$work/icon.png"
for size in 64 128; do
  convert "$work/icon.png" -resize "${size}x${size}" "PNG32:marrowlight-${size}.png"
done
