#!/usr/bin/env bash
# Redraws the program's images in data/images with ImageMagick. The committed PNGs are the
# output of this script; run it only to change them (needs imagemagick and fonts-noto-cjk).
set -euo pipefail
cd "$(dirname "$0")/../data/images"
font=/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc
arrow='polygon 32,9 53,31 41,31 41,55 23,55 23,31 11,31'
convert -size 34x16 xc:none -font "$font" -pointsize 15 -fill '#e00000' -gravity center -annotate +0+0 '簡体' china.png
convert -size 34x16 xc:none -font "$font" -pointsize 15 -fill '#e00000' -gravity center -annotate +0+0 '繁體' taiwan.png
convert -size 64x64 xc:none -fill '#1f5fbf' -draw 'roundrectangle 2,2 61,61 12,12' -fill white -draw "$arrow" korva5.png
convert -size 64x64 xc:none -fill '#8c8c8c' -draw 'roundrectangle 2,2 61,61 12,12' -fill '#dcdcdc' -draw "$arrow" \
    -stroke '#d00000' -strokewidth 7 -draw 'line 12,52 52,12' disabled.png
convert -size 16x16 xc:none -fill '#1f8f2f' -draw 'polygon 8,1 15,8 11,8 11,15 5,15 5,8 1,8' upload.png
convert -size 16x16 xc:none -fill white -stroke '#404040' -draw 'rectangle 1,2 14,14' -stroke none \
    -fill '#d02020' -draw 'rectangle 2,3 13,6' -fill '#1f8f2f' -draw 'polygon 8,7 12,11 10,11 10,14 6,14 6,11 4,11' yesterday.png
