#!/usr/bin/env bash
# Draws the program's own pictures into a folder: IMG/Splash.bmp (461 x 278, 24-bit) and
# IMG/Login.jpg (the login dialog's banner, 336 x 56). Needs ImageMagick and a font with Chinese.
#   make-pictures.sh OUTPUT_FOLDER [CONVERT]
set -euo pipefail
out=${1:?usage: make-pictures.sh OUTPUT_FOLDER [CONVERT]}
convert=${2:-convert}
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
[ -f "$font" ] || { echo "make-pictures.sh: the font $font is missing (package fonts-wqy-zenhei)" >&2; exit 1; }
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Splash: a blue gradient with a band of cards, the name and the Chinese title.
"$convert" -size 461x278 gradient:'#1d4e89'-'#6fa3d8' \
  -fill '#ffffff22' -draw 'roundrectangle 300,40 430,120 10,10' \
  -fill '#ffffff33' -draw 'roundrectangle 320,70 450,150 10,10' \
  -fill '#ffffff55' -draw 'roundrectangle 340,100 470,180 10,10' \
  -fill '#f2b134' -draw 'rectangle 0,200 461,206' \
  -font "$font" -fill white -pointsize 54 -annotate +32+110 'Vestrel' \
  -pointsize 26 -annotate +34+160 '个人名片管理' \
  -fill '#e8eef6' -pointsize 14 -annotate +34+240 '正在启动，请稍候……' \
  -pointsize 12 -annotate +34+262 'V1.0' \
  -type TrueColor "BMP3:$tmp/Splash.bmp"
mv "$tmp/Splash.bmp" "$out/Splash.bmp"

# Login banner.
"$convert" -size 336x56 gradient:'#1d4e89'-'#4f86c6' \
  -fill '#f2b134' -draw 'rectangle 0,52 336,56' \
  -font "$font" -fill white -pointsize 28 -annotate +14+38 'Vestrel' \
  -pointsize 16 -annotate +150+35 '个人名片管理 · 登录' \
  -quality 90 "JPEG:$tmp/Login.jpg"
mv "$tmp/Login.jpg" "$out/Login.jpg"
