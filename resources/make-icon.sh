#!/usr/bin/env bash
# Draws the program's icon: a blue contact card with a person and a gold band, at 16, 24, 32, 48
# and 256 pixels (each size drawn on its own from one 48-unit drawing, so small sizes stay sharp).
#   make-icon.sh OUTPUT.ico [CONVERT]
set -euo pipefail
out=${1:?usage: make-icon.sh OUTPUT.ico [CONVERT]}
convert=${2:-convert}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The drawing in a 48 x 48 space.
drawing='
  fill #1d4e89 stroke #0f2f57 stroke-width 1.5 roundrectangle 3,7 45,41 6,6
  stroke none fill #f2b134 rectangle 4,33 44,37
  fill #ffffff circle 16,19 16,13
  fill #ffffff path "M 7,32 C 7,23 25,23 25,32 Z"
  fill #cfe0f5 rectangle 29,14 40,17
  fill #cfe0f5 rectangle 29,21 40,24
  fill #cfe0f5 rectangle 29,28 36,30'

pngs=()
for size in 16 24 32 48 256; do
  scale=$(awk -v s="$size" 'BEGIN { printf "%.4f", s / 48 }')
  "$convert" -size "${size}x${size}" xc:none -draw "scale $scale,$scale $drawing" "PNG32:$tmp/icon-$size.png"
  pngs+=("$tmp/icon-$size.png")
done
"$convert" "${pngs[@]}" "$tmp/icon.ico"
mv "$tmp/icon.ico" "$out"
