#!/bin/sh
# Makes the HEIF, AVIF and JPEG XL pictures the tests read, from the drawn picture of
# orientation/1.jpg (four coloured quarters, a black mark at the top left), tagged with the same
# photo information (camera, date, copyright, location, an XMP creator) and EXIF orientation 6:
#
#   exif6.heic    HEVC, the pixels as drawn; turned by its EXIF alone
#   exif6.avif    AV1, the same
#   irot6.avif    AV1, the pixels as drawn; turned by its own rotation (irot), its EXIF saying
#                 orientation 6 as well, which must not turn it a second time
#   orient6.jxl   JPEG XL recompressed from the JPEG: orientation 6 in its codestream, the photo
#                 information in compressed boxes
#   plain.jxl     a bare JPEG XL codestream of the upright picture, without photo information
#
# Needs heif-enc (libheif-examples), avifenc (libavif-bin), cjxl (libjxl-tools) and exiftool.
# The files are committed; run this again only to change them.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

exiftool -q -n -Orientation=6 -Make=Tessaro -Model="Test Camera" \
    -DateTimeOriginal="2026:05:04 03:02:01" -Copyright="Jane Doe" \
    -GPSLatitude=48.1 -GPSLatitudeRef=N -GPSLongitude=11.5 -GPSLongitudeRef=E \
    -XMP-dc:Creator="Jane Doe" -o "$work/tagged.jpg" orientation/1.jpg

heif-enc -q 90 -o boxed/exif6.heic "$work/tagged.jpg" >/dev/null
heif-enc -A -q 90 -o boxed/exif6.avif "$work/tagged.jpg" >/dev/null
avifenc -s 8 --min 10 --max 20 "$work/tagged.jpg" boxed/irot6.avif >/dev/null
cjxl "$work/tagged.jpg" boxed/orient6.jxl >/dev/null 2>&1
cjxl -d 0 orientation/upright-1.png boxed/plain.jxl >/dev/null 2>&1
