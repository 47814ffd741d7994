#!/usr/bin/env bash
# Draws every icon and banner picture used by Tessaro, from scratch, with
# ImageMagick, and the application icon as SVG rendered with rsvg-convert.
# Run it from anywhere; it writes into icons/, ads/ and app-icon/ beside
# itself.  The output is deterministic: running it again gives the same bytes.
#
# Icons are drawn on a 128x128 canvas (4x) and reduced to 32x32 by plain area
# averaging, which gives clean anti-aliased edges.  Small text on icons is
# drawn after the reduction, at its final size, so it stays sharp.
set -euo pipefail

cd "$(dirname "$0")"
mkdir -p icons ads app-icon

CONVERT=${CONVERT:-/usr/bin/convert}
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
BOLD=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# Palette
SLATE='#37474f'      # outlines and dark parts
BLUE='#1e88e5'       # accent
DBLUE='#1565c0'      # darker accent
LBLUE='#bbdefb'      # light fill
PAPER='#ffffff'      # paper / light parts
MIST='#eceff1'       # very light grey fill
RED='#e53935'        # destructive actions

# Round joins and caps for every drawn shape.
R="stroke-linejoin round stroke-linecap round"

OUT_OPTS=(-strip -define png:exclude-chunks=date,time)

# icon NAME [drawing options...]: draws on a transparent 128x128 canvas and
# stores a 32x32 RGBA PNG as icons/NAME.  An optional "--after" separates the
# options applied after the reduction (for small text).
icon() {
    local name=$1; shift
    local before=() after=() seen=0 a
    for a in "$@"; do
        if [[ $a == --after ]]; then seen=1; continue; fi
        if ((seen)); then after+=("$a"); else before+=("$a"); fi
    done
    "$CONVERT" -size 128x128 xc:none "${before[@]}" \
        -filter Box -resize 32x32 "${after[@]}" \
        "${OUT_OPTS[@]}" "PNG32:icons/$name"
}

# ---------------------------------------------------------------- arrows
# One bold arrow pointing up, turned about the centre for each direction
# (ImageMagick turns clockwise).
ARROW='polygon 0,-56 48,-4 18,-4 18,54 -18,54 -18,-4 -48,-4'
arrow() {
    local name=$1 angle=$2 scale=$3
    icon "$name" -fill "$BLUE" -stroke "$DBLUE" -strokewidth 6 \
        \
        -draw "$R translate 64,64 rotate $angle scale $scale,$scale $ARROW"
}
arrow up-left.png     315 1.08
arrow up.png            0 1
arrow up-right.png     45 1.08
arrow left.png        270 1
arrow right.png        90 1
arrow down-left.png   225 1.08
arrow down.png        180 1
arrow down-right.png  135 1.08

# ---------------------------------------------------------------- folder
icon folder.png -stroke "$SLATE" -strokewidth 6 \
    -fill "$LBLUE" \
    -draw "$R path 'M 10,104 L 10,24 Q 10,18 16,18 L 48,18 L 58,30 L 108,30 Q 114,30 114,36 L 114,104 Z'" \
    -fill "$BLUE" \
    -draw "$R path 'M 10,106 L 26,52 L 122,52 L 106,106 Z'"

# ---------------------------------------------------------------- eraser
icon eraser.png -stroke "$SLATE" -strokewidth 6 \
    -fill "$PAPER" \
    -draw "$R translate 68,56 rotate -40 roundrectangle -46,-22 46,22 8,8" \
    -fill "$RED" \
    -draw "$R translate 68,56 rotate -40 path 'M -6,-22 L -38,-22 Q -46,-22 -46,-14 L -46,14 Q -46,22 -38,22 L -6,22 Z'" \
    -stroke "$BLUE" -strokewidth 8 \
    -draw "$R line 12,114 116,114"

# ---------------------------------------------------------------- reset
icon reset.png -fill none -stroke "$BLUE" -strokewidth 16 \
    -draw "$R ellipse 64,66 40,40 -60,230" \
    -stroke "$BLUE" -strokewidth 4 -fill "$BLUE" \
    -draw "$R translate 64,66 rotate -60 polygon 14,4 66,4 40,-28"

# ---------------------------------------------------------------- font
icon font.png -fill "$SLATE" -stroke none \
    -font "$BOLD" -pointsize 118 -gravity north -annotate +0-14 'A' \
    -gravity northwest \
    -fill "$BLUE" -draw "$R roundrectangle 14,106 113,121 6,6"

# ---------------------------------------------------------------- colour
icon colour.png \
    -stroke "$SLATE" -strokewidth 6 -fill "$MIST" \
    -draw "$R path 'M 64,12 C 18,12 6,48 8,72 C 10,100 36,118 62,116 C 80,115 82,102 76,92 C 70,82 74,72 88,72 C 108,72 120,66 120,52 C 120,28 98,12 64,12 Z'" \
    \( -size 128x128 xc:none -fill black -draw "$R circle 96,54 96,64" \) \
    -compose DstOut -composite -compose Over \
    -fill none -draw "$R circle 96,54 96,64" \
    -strokewidth 4 \
    -fill "$BLUE" -draw "$R circle 36,50 36,62" \
    -fill "$RED" -draw "$R circle 64,34 64,46" \
    -fill '#fdd835' -draw "$R circle 36,86 36,98" \
    -fill '#43a047' -draw "$R circle 58,94 58,104"

# ---------------------------------------------------------------- JPG file
icon jpg-file.png -stroke "$SLATE" -strokewidth 6 \
    -fill "$PAPER" \
    -draw "$R path 'M 22,8 L 82,8 L 110,36 L 110,120 L 22,120 Z'" \
    -fill "$LBLUE" -draw "$R path 'M 82,8 L 82,36 L 110,36 Z'" \
    -stroke none -fill "$BLUE" -draw "$R roundrectangle 6,60 121,103 8,8" \
    --after \
    -fill white -font "$BOLD" -pointsize 10 -gravity center \
    -annotate +0+4 'JPG'

# ---------------------------------------------------------------- add pictures
icon add-pictures.png -stroke "$SLATE" -strokewidth 6 \
    -fill "$PAPER" -draw "$R roundrectangle 6,14 106,96 8,8" \
    -stroke none -fill "$LBLUE" -draw "$R rectangle 12,20 100,90" \
    -fill '#fdd835' -draw "$R circle 34,40 34,50" \
    -fill "$SLATE" -draw "$R polygon 12,90 42,56 64,80 78,66 100,90" \
    -stroke "$PAPER" -strokewidth 6 -fill "$BLUE" \
    -draw "$R circle 94,94 94,126" \
    -stroke none -fill white \
    -draw "$R rectangle 90,76 98,112" -draw "$R rectangle 76,90 112,98"

# ---------------------------------------------------------------- remove
icon remove.png -stroke "$SLATE" -strokewidth 6 \
    -fill "$RED" -draw "$R roundrectangle 12,12 115,115 22,22" \
    -stroke none -fill white -draw "$R roundrectangle 32,56 95,71 4,4"

# ---------------------------------------------------------------- stamp
icon stamp.png -stroke "$SLATE" -strokewidth 6 \
    -fill "$BLUE" -draw "$R circle 64,26 64,46" \
    -fill "$SLATE" -draw "$R path 'M 54,42 L 74,42 L 80,70 L 48,70 Z'" \
    -fill "$BLUE" -draw "$R roundrectangle 20,70 107,92 6,6" \
    -fill "$SLATE" -draw "$R rectangle 26,92 101,100" \
    -stroke "$RED" -strokewidth 8 \
    -draw "$R line 20,116 107,116"

# ---------------------------------------------------------------- move up / down
UPARROW="path 'M 0,44 L 0,-36' path 'M -30,-6 L 0,-38 L 30,-6'"
icon move-up.png -fill none -stroke "$BLUE" -strokewidth 18 \
    \
    -draw "$R translate 64,62 $UPARROW" \
    -stroke "$SLATE" -strokewidth 10 -draw "$R line 24,14 104,14"
icon move-down.png -fill none -stroke "$BLUE" -strokewidth 18 \
    \
    -draw "$R translate 64,66 rotate 180 $UPARROW" \
    -stroke "$SLATE" -strokewidth 10 -draw "$R line 24,114 104,114"

# ---------------------------------------------------------------- shadow type
icon shadow.png -stroke none \
    -fill "$PAPER" -draw "$R circle 64,64 64,18" \
    -fill "$SLATE" -draw "$R ellipse 64,64 46,46 90,270" \
    -fill none -stroke "$SLATE" -strokewidth 8 -draw "$R circle 64,64 64,18"

# ---------------------------------------------------------------- actual size
icon actual-size.png -stroke "$SLATE" -strokewidth 6 -fill "$PAPER" \
    -draw "$R roundrectangle 6,18 121,109 10,10" \
    --after \
    -stroke none -fill "$BLUE" -font "$BOLD" -pointsize 12 -gravity center \
    -annotate +0+0 '1:1'

# ---------------------------------------------------------------- fit to window
CORNER="polygon 0,-80 26,-54 11,-54 11,-30 -11,-30 -11,-54 -26,-54"
icon fit.png -stroke "$SLATE" -strokewidth 6 -fill "$LBLUE" \
    -draw "$R roundrectangle 50,50 77,77 4,4" \
    -stroke "$DBLUE" -strokewidth 4 -fill "$BLUE" \
    -draw "$R translate 64,64 rotate 315 $CORNER" \
    -draw "$R translate 64,64 rotate 45 $CORNER" \
    -draw "$R translate 64,64 rotate 135 $CORNER" \
    -draw "$R translate 64,64 rotate 225 $CORNER"

# ================================================================ banners
# banner NAME [drawing options...]: 250x100 opaque picture in ads/NAME.
banner() {
    local name=$1; shift
    "$CONVERT" "$@" -flatten "${OUT_OPTS[@]}" "PNG24:ads/$name"
}

# ---------------------------------------------------------------- like us
banner likeus.png -size 250x100 gradient:'#42a5f5-#1565c0' \
    -fill '#ffffff33' -stroke none -draw "$R circle 50,50 50,8" \
    -fill white -stroke "$DBLUE" -strokewidth 2 \
    -draw "$R roundrectangle 22,46 32,78 2,2" \
    -draw "$R path 'M 36,48 L 46,42 L 52,24 Q 54,18 58,19 Q 64,21 62,30 L 59,42 L 74,42 Q 80,43 79,49 Q 82,53 78,57 Q 81,61 76,65 Q 78,71 72,74 L 56,76 Q 44,77 36,72 Z'" \
    -fill none -strokewidth 1.5 \
    -draw "$R line 66,49 78,49" -draw "$R line 67,57 79,57" -draw "$R line 66,65 76,65" \
    -stroke none -fill white -font "$BOLD" -pointsize 21 \
    -gravity northwest -annotate +96+26 'Like' -annotate +96+50 'Tessaro!' \
    -fill '#e3f2fd' -font "$FONT" -pointsize 10 \
    -annotate +97+78 'on our social page'

# ---------------------------------------------------------------- travel
banner travel.png -size 250x100 gradient:'#81d4fa-#e1f5fe' \
    -stroke none \
    -fill '#ffca28' -draw "$R circle 206,30 206,46" \
    -fill white -draw "$R ellipse 150,22 16,6 0,360" -draw "$R ellipse 164,18 12,7 0,360" \
    -fill '#78909c' -draw "$R polygon 60,100 130,36 178,78 206,54 262,100" \
    -fill white -draw "$R polygon 130,36 142,47 136,45 130,50 124,45 118,47" \
    -fill '#546e7a' -draw "$R polygon 96,100 178,62 250,90 250,100" \
    -fill '#66bb6a' -draw "$R path 'M 0,86 Q 70,70 140,84 T 250,82 L 250,100 L 0,100 Z'" \
    -fill '#43a047' -draw "$R path 'M 0,94 Q 90,84 250,96 L 250,100 L 0,100 Z'" \
    -fill "$SLATE" -font "$BOLD" -pointsize 19 -gravity northwest \
    -annotate +12+14 'Travel' -annotate +12+36 'stories' \
    -fill white -font "$FONT" -pointsize 9 -gravity southeast \
    -annotate +6+2 'Sponsored'

# ---------------------------------------------------------------- sponsor
banner sponsorlike.png -size 250x100 gradient:'#ffa726-#e64a19' \
    -fill '#ffffff40' -stroke none -draw "$R circle 48,50 48,8" \
    -fill white -stroke '#e65100' -strokewidth 2 \
    -draw "$R translate 48,52 polygon 0,-30 8,-10 29,-9 12,4 18,24 0,12 -18,24 -12,4 -29,-9 -8,-10" \
    -stroke none -fill white -font "$BOLD" -pointsize 20 -gravity northwest \
    -annotate +92+24 'Follow our' -annotate +92+48 'sponsor' \
    -fill '#fff3e0' -font "$FONT" -pointsize 9 -gravity northeast \
    -annotate +6+84 'Sponsored'

# ---------------------------------------------------------------- Lumora
banner product2.png -size 250x100 gradient:'#37474f-#263238' \
    -stroke white -strokewidth 2 \
    -fill '#90caf9' -draw "$R translate 48,52 rotate -14 roundrectangle -24,-18 24,18 3,3" \
    -fill '#64b5f6' -draw "$R translate 48,52 rotate 8 roundrectangle -24,-18 24,18 3,3" \
    -stroke none -fill '#ffe082' -draw "$R translate 48,52 rotate 8 circle -10,-7 -10,-2" \
    -fill '#1565c0' -draw "$R translate 48,52 rotate 8 polygon -23,17 -6,-2 6,10 12,4 23,17" \
    -fill white -font "$BOLD" -pointsize 26 -gravity northwest \
    -annotate +92+18 'Lumora' \
    -fill '#90caf9' -font "$FONT" -pointsize 12 -annotate +93+50 'photo organizer' \
    -fill "$BLUE" -draw "$R roundrectangle 93,70 168,88 9,9" \
    -fill white -font "$BOLD" -pointsize 10 -annotate +104+73 'Try it free'

# ---------------------------------------------------------------- follow
banner follow.png -size 250x100 gradient:'#26a69a-#00796b' \
    -fill '#ffffff33' -stroke none -draw "$R circle 48,50 48,8" \
    -fill white -draw "$R circle 44,38 44,50" \
    -draw "$R path 'M 22,76 Q 22,56 44,56 Q 66,56 66,76 Z'" \
    -fill '#ffca28' -stroke '#00796b' -strokewidth 2 -draw "$R circle 66,68 66,80" \
    -stroke none -fill '#00695c' \
    -draw "$R rectangle 64,62 67,73" -draw "$R rectangle 60,66 71,69" \
    -fill white -font "$BOLD" -pointsize 21 -gravity northwest \
    -annotate +94+26 'Follow' -annotate +94+50 'Tessaro' \
    -fill '#e0f2f1' -font "$FONT" -pointsize 10 \
    -annotate +95+78 'news, tips and updates'

# ---------------------------------------------------------------- Quillo
banner product3.png -size 250x100 gradient:'#7e57c2-#4527a0' \
    -stroke '#4527a0' -strokewidth 2 \
    -fill '#d1c4e9' -draw "$R roundrectangle 26,22 62,70 3,3" \
    -fill white -draw "$R roundrectangle 32,28 68,76 3,3" \
    -stroke none -fill '#b39ddb' \
    -draw "$R rectangle 38,38 62,41" -draw "$R rectangle 38,46 58,49" -draw "$R rectangle 38,54 62,57" \
    -stroke '#4527a0' -strokewidth 2 \
    -fill '#ffca28' -draw "$R translate 64,62 rotate 45 rectangle -5,-26 5,12" \
    -fill '#ffe0b2' -draw "$R translate 64,62 rotate 45 polygon -5,12 5,12 0,22" \
    -fill '#ef9a9a' -draw "$R translate 64,62 rotate 45 rectangle -5,-32 5,-26" \
    -stroke none -fill white -font "$BOLD" -pointsize 26 -gravity northwest \
    -annotate +92+18 'Quillo' \
    -fill '#d1c4e9' -font "$FONT" -pointsize 12 -annotate +93+50 'batch renamer' \
    -fill '#ffca28' -draw "$R roundrectangle 93,70 168,88 9,9" \
    -fill '#4527a0' -font "$BOLD" -pointsize 10 -annotate +104+73 'Try it free'

# ================================================================ application icon
# The icon of the application for the desktop's menus and the window: a photo card with a red
# seal, written as SVG and rendered with rsvg-convert to the PNG sizes of the hicolor theme.
cat > app-icon/tessaro.svg <<'SVG'
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <defs>
    <linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#42a5f5"/>
      <stop offset="1" stop-color="#1565c0"/>
    </linearGradient>
  </defs>
  <rect x="8" y="8" width="240" height="240" rx="48" fill="url(#tile)"/>
  <g transform="rotate(-6 128 120)">
    <rect x="36" y="52" width="176" height="136" rx="10" fill="#ffffff"/>
    <rect x="50" y="66" width="148" height="96" fill="#bbdefb"/>
    <circle cx="86" cy="94" r="13" fill="#fdd835"/>
    <polygon points="50,162 104,106 136,138 158,118 198,162" fill="#37474f"/>
  </g>
  <circle cx="182" cy="182" r="46" fill="#e53935" stroke="#ffffff" stroke-width="9"/>
  <rect x="160" y="160" width="44" height="12" rx="2" fill="#ffffff"/>
  <rect x="176" y="160" width="12" height="44" rx="2" fill="#ffffff"/>
</svg>
SVG
for size in 16 24 32 48 64 128 256 512; do
    rsvg-convert -w "$size" -h "$size" app-icon/tessaro.svg -o "app-icon/tessaro-$size.png"
done

echo "Pictures written to $(pwd)/icons, $(pwd)/ads and $(pwd)/app-icon"
