#!/usr/bin/env bash
# Draws the program's icons and bitmaps with ImageMagick. The PNGs are kept in
# the repository; run this only to change a picture.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# Each icon is drawn once on a 256-pixel canvas and scaled down, which gives
# clean anti-aliased edges at 48, 32 and 16 pixels.
# The program's icon (128) and the scan file's (323) also go to the desktop in
# the larger hicolor sizes, under the names the desktop entry and the MIME
# type use.
desktop=../../packaging/icons
desktopName() {
  case $1 in
    128) echo kvlt-offline-scanner ;;
    323) echo application-x-kvlt-scanfile ;;
  esac
}
icon() {
  local id=$1; shift
  convert -size 256x256 xc:none "$@" /tmp/kvlt-icon-$id.png
  for s in 16 32 48; do
    convert /tmp/kvlt-icon-$id.png -filter Lanczos -resize ${s}x${s} -strip PNG32:icon${id}_${s}.png
  done
  local name
  name=$(desktopName "$id")
  if [ -n "$name" ]; then
    mkdir -p "$desktop"
    for s in 64 128 256; do
      convert /tmp/kvlt-icon-$id.png -filter Lanczos -resize ${s}x${s} -strip \
        PNG32:"$desktop/$name-$s.png"
    done
  fi
  rm -f /tmp/kvlt-icon-$id.png
}

# 128: the program: a blue rounded tile with a rack holding three cartridges.
icon 128 \
  -fill '#1f5fa8' -draw 'roundrectangle 8,8 248,248 40,40' \
  -fill white -draw 'rectangle 44,52 212,64' -draw 'rectangle 44,192 212,204' \
  -fill '#f2b233' -draw 'rectangle 56,76 100,180' \
  -fill '#e6ecf4' -draw 'rectangle 108,76 152,180' -draw 'rectangle 160,76 204,180' \
  -fill '#1f5fa8' -draw 'rectangle 64,92 92,116' -draw 'rectangle 116,92 144,116' -draw 'rectangle 168,92 196,116'

# 313: a slot of the map: an open bay in a grey frame.
icon 313 \
  -fill '#6b7480' -draw 'roundrectangle 16,40 240,216 24,24' \
  -fill '#f4f6f8' -draw 'rectangle 40,64 216,192' \
  -fill '#c3c9d1' -draw 'rectangle 40,176 216,192'

# 314: a volume: a tape cartridge with a label and a reel window.
icon 314 \
  -fill '#24364d' -draw 'roundrectangle 20,36 236,220 20,20' \
  -fill white -draw 'rectangle 44,56 212,108' \
  -fill '#24364d' -draw 'rectangle 56,74 176,90' \
  -fill '#8fa3bc' -draw 'roundrectangle 72,136 184,196 12,12' \
  -fill '#24364d' -draw 'circle 100,166 100,152' -draw 'circle 156,166 156,152'

# 323: scanning: a barcode crossed by a red scan line.
icon 323 \
  -fill white -draw 'roundrectangle 12,36 244,220 20,20' \
  -fill black -draw 'rectangle 36,60 48,196' -draw 'rectangle 60,60 66,196' \
  -draw 'rectangle 78,60 98,196' -draw 'rectangle 110,60 116,196' -draw 'rectangle 128,60 140,196' \
  -draw 'rectangle 152,60 158,196' -draw 'rectangle 170,60 190,196' -draw 'rectangle 202,60 220,196' \
  -fill '#e0302a' -draw 'rectangle 20,122 236,134'

# 316: the about window's picture, 200 x 50.
convert -size 200x50 gradient:'#1f5fa8'-'#3f86d0' \
  -font "$font" -pointsize 22 -fill white -gravity center -annotate +0+0 'STROVANE' \
  -strip PNG24:bitmap316.png

# 322: the about dialog's picture, the size of its frame.
convert -size 400x252 gradient:'#173f6e'-'#3f86d0' \
  -fill '#ffffff30' -draw 'rectangle 40,150 360,156' -draw 'rectangle 40,220 360,226' \
  -fill '#f2b233' -draw 'rectangle 60,160 96,218' \
  -fill '#e6ecf4' -draw 'rectangle 104,160 140,218' -draw 'rectangle 148,160 184,218' \
  -draw 'rectangle 192,160 228,218' -draw 'rectangle 236,160 272,218' -draw 'rectangle 280,160 316,218' \
  -font "$font" -pointsize 34 -fill white -gravity north -annotate +0+40 'Strovane' \
  -pointsize 18 -annotate +0+90 'Offline Scanner' \
  -strip PNG24:bitmap322.png
