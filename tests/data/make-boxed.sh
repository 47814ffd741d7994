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
#   wide.avif     irot6.avif with a colour profile of wide gamut (Adobe RGB primaries), which the
#                 AVIF reader leaves out of a picture it turns
#
# Needs heif-enc (libheif-examples), avifenc (libavif-bin), cjxl (libjxl-tools), exiftool and
# python3.
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

# A version 2 RGB profile: Adobe RGB primaries adapted to D50, a gamma of 2.2.
python3 - "$work/wide.icc" <<'PROFILE'
import struct, sys
def s15(v): return struct.pack('>i', round(v * 65536))
def xyz(x, y, z): return b'XYZ ' + bytes(4) + s15(x) + s15(y) + s15(z)
def text(t): return b'text' + bytes(4) + t + b'\0'
def desc(t): return b'desc' + bytes(4) + struct.pack('>I', len(t) + 1) + t + b'\0' + bytes(12) + bytes(67)
gamma = b'curv' + bytes(4) + struct.pack('>IH', 1, 0x0233)
tags = [(b'desc', desc(b'Tessaro wide test RGB')), (b'cprt', text(b'No copyright, test data')),
        (b'wtpt', xyz(0.9642, 1.0, 0.8249)), (b'rXYZ', xyz(0.6097, 0.3111, 0.0195)),
        (b'gXYZ', xyz(0.2053, 0.6257, 0.0609)), (b'bXYZ', xyz(0.1492, 0.0632, 0.7446)),
        (b'rTRC', gamma), (b'gTRC', gamma), (b'bTRC', gamma)]
offset = 128 + 4 + 12 * len(tags)
table, data = b'', b''
for signature, body in tags:
    body += bytes(-len(body) % 4)
    table += signature + struct.pack('>II', offset + len(data), len(body))
    data += body
size = offset + len(data)
header = (struct.pack('>I', size) + bytes(4) + struct.pack('>I', 0x02100000) + b'mntrRGB XYZ '
          + bytes(12) + b'acsp' + bytes(24) + struct.pack('>I', 0) + s15(0.9642) + s15(1.0)
          + s15(0.8249) + bytes(48))
open(sys.argv[1], 'wb').write(header + struct.pack('>I', len(tags)) + table + data)
PROFILE
exiftool -q "-ICC_Profile<=$work/wide.icc" -o "$work/wide.jpg" "$work/tagged.jpg"
avifenc -s 8 --min 10 --max 20 "$work/wide.jpg" boxed/wide.avif >/dev/null
