#!/usr/bin/env bash
# Draws the program's image lists (our own 16 x 16 images, fuchsia = transparent) and prints one as
# the "Bitmap" block of a TImageList in a form description (paste it between the braces):
#   resources/make-image-lists.sh main           Frm_Main's tool bar and menus: person, category
#                                                tree, search, add, edit, delete
#   resources/make-image-lists.sh tree           the category trees' node image: folder
#   resources/make-image-lists.sh tree-toolbar   Frm_Tree's tool bar: add, edit, delete, save,
#                                                cancel, select, refresh, close
# A second argument names ImageMagick's convert (default: convert).
set -euo pipefail
set_name=${1:?usage: make-image-lists.sh main|tree|tree-toolbar [convert]}
convert=${2:-convert}

# The drawing of each image, in its own 16 x 16 square.
declare -A icon
icon[person]="-stroke '#203060' -fill '#3A6CD0' -draw 'roundrectangle 2,9 13,15 3,3'
  -stroke '#804000' -fill '#F5C58A' -draw 'circle 7,5 7,1'"
icon[tree]="-stroke '#404040' -draw 'line 4,4 4,12' -draw 'line 4,8 8,8' -draw 'line 4,12 8,12'
  -stroke '#806000' -fill '#F8D048' -draw 'rectangle 1,1 7,5' -draw 'rectangle 8,6 14,10'
  -draw 'rectangle 8,11 14,15'"
icon[search]="-stroke '#202020' -fill '#C8E8FF' -strokewidth 2 -draw 'circle 6,6 6,2' -draw 'line 9,9 13,13'"
icon[add]="-stroke '#107010' -fill '#30B030' -draw 'rectangle 6,3 9,12' -draw 'rectangle 3,6 12,9'"
icon[edit]="-stroke '#603000' -fill '#F0A020' -draw 'polygon 2,13 3,10 12,1 14,3 5,12'
  -stroke '#202020' -draw 'line 2,14 3,13'"
icon[delete]="-stroke '#A00000' -strokewidth 2 -draw 'line 3,3 12,12' -draw 'line 12,3 3,12'"
icon[folder]="-stroke '#806000' -fill '#F8D048' -draw 'polygon 1,3 6,3 7,5 14,5 14,13 1,13'
  -stroke '#A07810' -fill '#FCE490' -draw 'polygon 1,13 3,7 15,7 14,13'"
icon[save]="-stroke '#203060' -fill '#3A6CD0' -draw 'rectangle 1,1 14,14'
  -stroke '#808080' -fill '#FFFFFF' -draw 'rectangle 4,2 11,7'
  -stroke '#202020' -fill '#C0C0C0' -draw 'rectangle 4,10 11,14'"
icon[cancel]="-stroke '#A00000' -fill '#F04040' -draw 'circle 7,7 7,1'
  -stroke '#FFFFFF' -strokewidth 2 -draw 'line 5,5 10,10' -draw 'line 10,5 5,10'"
icon[select]="-stroke '#107010' -strokewidth 3 -draw 'line 2,8 6,12' -draw 'line 6,12 13,3'"
icon[refresh]="-stroke '#1060A0' -strokewidth 2 -fill none -draw 'arc 2,2 13,13 40,320'
  -strokewidth 1 -fill '#1060A0' -draw 'polygon 9,1 15,1 14,7'"
icon[close]="-stroke '#604020' -fill '#C09060' -draw 'rectangle 2,1 10,14'
  -stroke '#202020' -fill '#202020' -draw 'rectangle 8,7 8,8'
  -stroke '#107010' -strokewidth 2 -draw 'line 9,8 15,8' -draw 'line 12,5 15,8' -draw 'line 12,11 15,8'"

case $set_name in
  main) names=(person tree search add edit delete) ;;
  tree) names=(folder) ;;
  tree-toolbar) names=(add edit delete save cancel select refresh close) ;;
  *) echo "make-image-lists.sh: no image list \"$set_name\"" >&2; exit 2 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
parts=()
for name in "${names[@]}"; do
  drawing=${icon[$name]//$'\n'/ }
  eval "\"\$convert\" -size 16x16 xc:'#FF00FF' +antialias $drawing \"\$work/$name.png\""
  parts+=("$work/$name.png")
done
"$convert" "${parts[@]}" +append -type TrueColor BMP3:"$work/list.bmp"
od -An -v -tx1 "$work/list.bmp" | tr -d ' \n' | tr a-f A-F | fold -w 64 | sed 's/^/      /'
echo
