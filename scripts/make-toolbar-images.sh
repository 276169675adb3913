#!/usr/bin/env bash
# Draws the main window's toolbar images: res/toolbar.bmp (normal) and
# res/toolbar-hot.bmp (under the mouse), four 16x16 images side by side for
# New, Load and Save Profile and Help, on the mask colour 255,0,255.
# The outputs are committed; run this by hand after changing the drawing.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/res"
IM=/usr/bin/convert
bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[ -x "$IM" ] || { echo "make-toolbar-images: $IM not found (imagemagick)" >&2; exit 1; }
[ -r "$bold" ] || { echo "make-toolbar-images: missing font $bold" >&2; exit 1; }
export MAGICK_THREAD_LIMIT=1 LC_ALL=C TZ=UTC
clean=(-strip +set date:create +set date:modify +set date:timestamp)
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Each glyph is drawn at 64x64 and reduced; pixels at least half covered keep
# their colour, the rest become the mask colour, so no pink fringe remains.
glyph() {  # glyph NAME DRAW-ARGS...
    local name=$1
    shift
    "$IM" -size 64x64 xc:none "$@" -filter Box -resize 16x16 \
        -channel A -threshold 50% +channel "${clean[@]}" "PNG32:$tmp/$name.png"
}

glyph new -stroke '#1e3a7a' -strokewidth 4 -fill white \
    -draw 'polygon 12,4 38,4 52,18 52,60 12,60' \
    -fill '#bcd2f7' -draw 'polygon 38,4 38,18 52,18'
glyph load -stroke '#7a560e' -strokewidth 4 -fill '#e0a93a' \
    -draw 'polygon 4,12 24,12 30,18 58,18 58,56 4,56' \
    -fill '#f8d56e' -draw 'polygon 12,28 62,28 54,56 4,56'
glyph save -stroke '#173a78' -strokewidth 4 -fill '#3c72cc' \
    -draw 'roundrectangle 6,6 58,58 6,6' \
    -stroke none -fill white -draw 'rectangle 16,8 48,28' \
    -fill '#c7d3e6' -draw 'rectangle 18,40 46,58' -fill '#173a78' -draw 'rectangle 36,44 42,56'
glyph help -stroke '#173a78' -strokewidth 4 -fill '#2f6fd1' -draw 'circle 32,32 32,4' \
    -stroke none -fill white -font "$bold" -pointsize 44 -gravity center -annotate +0+2 '?'

strip() {  # strip OUT EXTRA-ARGS...
    local dest=$1
    shift
    "$IM" "$tmp/new.png" "$tmp/load.png" "$tmp/save.png" "$tmp/help.png" +append "$@" \
        -background '#ff00ff' -alpha remove -alpha off -type TrueColor -compress None \
        "${clean[@]}" "BMP3:$dest"
}
# Resting images are a little paler than the hot ones.
strip "$out/toolbar.bmp" -modulate 100,65
strip "$out/toolbar-hot.bmp"
echo "make-toolbar-images: wrote res/toolbar.bmp, res/toolbar-hot.bmp"
