#!/bin/sh
# Makes the pictures that tests/tst_hostile.cpp turns upright: one picture drawn in four coloured
# quarters with a black corner mark, stored unturned and tagged with each EXIF orientation 1 to 8
# as JPEG, TIFF, PNG (EXIF in an eXIf chunk) and WebP (EXIF in an EXIF chunk), and the reference
# of each orientation: ImageMagick's convert -auto-orient applied to the tagged TIFF.
#
#   orientation/N.jpg, N.tif, N.png, N.webp   tagged N, pixels as drawn
#   orientation/upright-N.png                  the reference for orientation N
#
# Needs: ImageMagick (convert) and exiftool. The files are committed; run this again only to
# change them.
set -eu
cd "$(dirname "$0")/orientation"

PNG_OPTIONS="-strip -define png:exclude-chunk=date,time"
convert -size 60x40 xc:red -fill blue -draw "rectangle 30,0 59,19" \
    -fill green -draw "rectangle 0,20 29,39" -fill white -draw "rectangle 30,20 59,39" \
    -fill black -draw "rectangle 0,0 9,9" $PNG_OPTIONS drawn.png
for n in 1 2 3 4 5 6 7 8; do
    convert drawn.png -strip -quality 100 -sampling-factor 1x1 "$n.jpg"
    convert drawn.png -strip -compress none "$n.tif"
    convert drawn.png $PNG_OPTIONS "$n.png"
    convert drawn.png -strip -define webp:lossless=true "$n.webp"
    exiftool -q -overwrite_original -n -Orientation="$n" "$n.jpg" "$n.tif" "$n.png" "$n.webp"
    convert "$n.tif" -auto-orient $PNG_OPTIONS "upright-$n.png"
done
rm drawn.png
