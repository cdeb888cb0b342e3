#!/usr/bin/env bash
# Draws the main window's tool-bar images (our own, 16 x 16, fuchsia = transparent) and prints
# them as the image lists' "Bitmap" block of app/forms/Frm_Main.txt:
#   0 person, 1 category tree, 2 search, 3 add, 4 edit, 5 delete.
#   resources/make-toolbar-images.sh [convert]   (paste the output between the braces)
set -euo pipefail
convert=${1:-convert}
out=$(mktemp --suffix=.bmp)
trap 'rm -f "$out"' EXIT
"$convert" -size 96x16 xc:'#FF00FF' +antialias \
  -stroke '#203060' -fill '#3A6CD0' -draw 'roundrectangle 2,9 13,15 3,3' \
  -stroke '#804000' -fill '#F5C58A' -draw 'circle 7,5 7,1' \
  -stroke '#404040' -draw 'line 20,4 20,12' -draw 'line 20,8 24,8' -draw 'line 20,12 24,12' \
  -stroke '#806000' -fill '#F8D048' -draw 'rectangle 17,1 23,5' -draw 'rectangle 24,6 30,10' \
  -draw 'rectangle 24,11 30,15' \
  -stroke '#202020' -fill '#C8E8FF' -strokewidth 2 -draw 'circle 38,6 38,2' -draw 'line 41,9 45,13' \
  -strokewidth 1 \
  -stroke '#107010' -fill '#30B030' -draw 'rectangle 54,3 57,12' -draw 'rectangle 51,6 60,9' \
  -stroke '#603000' -fill '#F0A020' -draw 'polygon 66,13 67,10 76,1 78,3 69,12' \
  -stroke '#202020' -draw 'line 66,14 67,13' \
  -stroke '#A00000' -strokewidth 2 -draw 'line 83,3 92,12' -draw 'line 92,3 83,12' \
  BMP3:"$out"
od -An -v -tx1 "$out" | tr -d ' \n' | tr a-f A-F | fold -w 64 | sed 's/^/      /'
echo
