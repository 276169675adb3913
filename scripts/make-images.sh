#!/usr/bin/env bash
# Draws Hushwall's pictures: res/splash.bmp (start-up and About picture),
# res/Hushwall.ico (16, 32 and 48 pixel icon), the check box images
# res/check-off.bmp and res/check-on.bmp, and small PNG copies in res/preview/
# for reviewers.
#
# The emblem's shapes live in res/art/emblem.txt; the splash layout is below.
# The check boxes are pixel maps, res/art/check-*.xpm.
# Everything is drawn with ImageMagick 6 primitives (no SVG renderer needed).
# The outputs are committed, so the build never runs this script; run it by
# hand after changing the art:   scripts/make-images.sh
# Output is byte-for-byte reproducible: no dates or other metadata are written.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
art="$root/res/art/emblem.txt"
out="$root/res"

# Always the real ImageMagick 6, never whatever "convert" is first on PATH.
IM=/usr/bin/convert
if [ ! -x "$IM" ]; then
    echo "make-images: $IM not found (install the imagemagick package)" >&2
    exit 1
fi

fonts=/usr/share/fonts/truetype/dejavu
bold="$fonts/DejaVuSans-Bold.ttf"
plain="$fonts/DejaVuSans.ttf"
for f in "$bold" "$plain"; do
    [ -r "$f" ] || { echo "make-images: missing font $f (fonts-dejavu-core)" >&2; exit 1; }
done

# One thread and a fixed environment, so every run computes the same pixels.
export MAGICK_THREAD_LIMIT=1 LC_ALL=C TZ=UTC

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Settings that keep dates and other changing metadata out of the files.
clean=(-strip +set date:create +set date:modify +set date:timestamp)
pngclean=(-define "png:exclude-chunks=date,time,tEXt,zTXt,iTXt" -define png:compression-level=9)

colour() {  # colour NAME -> value from the art file
    awk -v n="$1" '$1 == "colour" && $2 == n { print $3; found = 1 } END { exit !found }' "$art"
}

# shapes SIZE SCALE KIND -> ImageMagick draw commands for one kind of shape,
# scaled up by SCALE. Edges given in the art file become pixel edges after
# scaling, so a box-filter reduction brings grid-fitted shapes back sharp.
shapes() {
    awk -v size="$1" -v s="$2" -v kind="$3" '
        function px(v) { return v * s - 0.5 }          # a point between pixels
        $1 != size { next }
        kind == "tile"  && $2 == "tile" ||
        kind == "brick" && $2 == "brick" {
            if ($7 > 0)
                printf "roundrectangle %g,%g %g,%g %g,%g\n",
                    $3 * s, $4 * s, $5 * s - 1, $6 * s - 1, $7 * s, $7 * s
            else
                printf "rectangle %g,%g %g,%g\n", $3 * s, $4 * s, $5 * s - 1, $6 * s - 1
        }
        kind == "disc" && $2 == "moon" {
            printf "circle %g,%g %g,%g\n", px($3), px($4), px($3), px($4 - $5)
        }
        kind == "cut" && $2 == "moon" {
            printf "circle %g,%g %g,%g\n", px($6), px($7), px($6), px($7 - $8)
        }' "$art"
}

# emblem SIZE SCALE OUT -> draws the emblem at SIZE pixels (with alpha) into OUT.
emblem() {
    local size=$1 scale=$2 dest=$3
    local n=$((size * scale))
    local tile disc cut bricks
    tile="$(shapes "$size" "$scale" tile)"
    disc="$(shapes "$size" "$scale" disc)"
    cut="$(shapes "$size" "$scale" cut)"
    bricks="$(shapes "$size" "$scale" brick)"
    [ -n "$tile" ] || { echo "make-images: no size $size in $art" >&2; exit 1; }

    "$IM" -size "${n}x${n}" "gradient:$(colour tile-top)-$(colour tile-bottom)" \
        \( -size "${n}x${n}" xc:black -fill white -draw "$tile" \) \
        -alpha off -compose CopyOpacity -composite \
        \( -size "${n}x${n}" xc:none -fill "$(colour moon)" -draw "$disc" \
           \( -size "${n}x${n}" xc:none -fill black -draw "$cut" \) \
           -compose DstOut -composite \) \
        -compose Over -composite \
        \( -size "${n}x${n}" xc:none -fill "$(colour brick)" -draw "$bricks" \) \
        -compose Over -composite \
        -filter Box -resize "${size}x${size}" \
        "${clean[@]}" "PNG32:$dest"
}

# ---- icon ------------------------------------------------------------------
for s in 16 32 48; do
    emblem "$s" 8 "$tmp/icon-$s.png"
done
"$IM" "$tmp/icon-16.png" "$tmp/icon-32.png" "$tmp/icon-48.png" \
    -alpha on -type TrueColorAlpha "${clean[@]}" "ICO:$out/Hushwall.ico"

# ---- splash ----------------------------------------------------------------
W=494 H=336
emblem 256 2 "$tmp/emblem-256.png"
"$IM" "$tmp/emblem-256.png" -filter Lanczos -resize 120x120 "${clean[@]}" "PNG32:$tmp/emblem-120.png"

# Soft shadow under the emblem.
"$IM" "$tmp/emblem-120.png" -background '#1b3270' -shadow 35x5+0+4 "${clean[@]}" "PNG32:$tmp/shadow.png"

"$IM" -size "${W}x${H}" 'gradient:#bdd2f5-#94afe6' \
    -fill 'rgba(255,255,255,0.18)' \
    -draw "path 'M 0,262 C 110,232 250,296 494,246 L 494,336 L 0,336 Z'" \
    -fill 'rgba(96,128,204,0.28)' \
    -draw "path 'M 0,300 C 150,268 320,326 494,286 L 494,336 L 0,336 Z'" \
    "$tmp/shadow.png" -geometry +39+89 -compose Over -composite \
    "$tmp/emblem-120.png" -geometry +44+90 -compose Over -composite \
    -font "$bold" -pointsize 48 -fill '#1e3a7a' -annotate +188+152 'Hushwall' \
    -fill 'rgba(255,255,255,0.55)' -draw 'rectangle 190,166 300,167' \
    -font "$plain" -pointsize 17 -fill '#2c4a8c' -annotate +190+192 'Quiet time for your work' \
    -font "$plain" -pointsize 11 -fill '#2a4684' -gravity SouthEast -annotate +14+10 'Version 1.0' \
    -gravity NorthWest -fill none -stroke '#7593d2' -strokewidth 1 -draw "rectangle 0,0 $((W - 1)),$((H - 1))" \
    -alpha off -type TrueColor "${clean[@]}" "PNG24:$tmp/splash.png"

"$IM" "$tmp/splash.png" -alpha off -type TrueColor -compress None "${clean[@]}" "BMP3:$out/splash.bmp"

# ---- check box images --------------------------------------------------------
# 24-bit, so that the colours stay exact whatever the screen's palette.
for state in off on; do
    "$IM" "$root/res/art/check-$state.xpm" -alpha off -type TrueColor -compress None "${clean[@]}" \
        "BMP3:$out/check-$state.bmp"
done

# ---- previews for reviewers -------------------------------------------------
mkdir -p "$out/preview"
"$IM" "$tmp/splash.png" "${clean[@]}" "${pngclean[@]}" "PNG24:$out/preview/splash.png"
"$IM" "$tmp/icon-48.png" "${clean[@]}" "${pngclean[@]}" "PNG32:$out/preview/icon-48.png"
"$IM" "$out/check-off.bmp" "$out/check-on.bmp" +append -filter Point -resize 800% \
    "${clean[@]}" "${pngclean[@]}" "PNG24:$out/preview/check-boxes.png"

echo "make-images: wrote res/splash.bmp, res/Hushwall.ico, res/check-*.bmp, res/preview/*.png"
