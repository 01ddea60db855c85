#!/bin/sh
# Draws the about, splash and drag hint pictures from shapes, gradients and
# text with ImageMagick (6.9 or later). Run from anywhere; the files land next
# to this script. Output bytes vary with the ImageMagick version, the look
# does not.
set -eu
cd "$(dirname "$0")"

FONT=DejaVu-Sans-Bold
FONT_PLAIN=DejaVu-Sans
JPEG="-strip -sampling-factor 2x2 -quality 90 -interlace none"

# A dish with its feed arm and three rising signal arcs, drawn into a
# canvas of the given size; $1 = scale (1 = 100 x 100 box), $2/$3 = offset.
dish() {
    s=$1; x=$2; y=$3
    echo "translate $x,$y scale $s,$s
          stroke-linecap round
          fill '#f4f8ff' stroke '#1d3f73' stroke-width 4
          path 'M 12,38 Q 30,92 86,84 Z'
          fill none stroke '#1d3f73' stroke-width 4
          line 49,61 70,40
          fill '#ffb02e' stroke '#1d3f73' stroke-width 3
          circle 72,38 77,38
          fill none stroke '#ffb02e' stroke-width 4
          path 'M 80,24 Q 88,28 88,36'
          path 'M 84,12 Q 100,20 100,36'
          stroke '#1d3f73' stroke-width 5
          line 47,76 40,98
          line 28,98 56,98"
}

# About box, page one: banner with the name.
convert -size 300x150 gradient:'#2a6ebb'-'#0d2547' \
    -fill '#ffffff22' -stroke none -draw "circle 250,20 250,135" \
    -fill '#ffffff18' -draw "circle 250,20 250,105" \
    -draw "$(dish 1.05 192 24)" \
    -font $FONT -pointsize 38 -fill white -stroke none -annotate +16+70 'Pelloran' \
    -font $FONT_PLAIN -pointsize 14 -fill '#cfe3ff' -annotate +18+96 'channel list editor' \
    -fill '#ffb02e' -draw "rectangle 18,106 150,109" \
    $JPEG about.jpg

# About box, page one: the small picture under the text.
convert -size 64x64 xc:white \
    -draw "$(dish 0.56 2 4)" \
    $JPEG about_small.jpg

# Splash window: name at the top, dish in the middle, the bottom strip is
# left plain for the start-up texts.
convert -size 283x312 gradient:'#0d2547'-'#5aa2e6' \
    -fill '#ffffff14' -stroke none -draw "circle 141,175 141,40" \
    -fill '#ffffff10' -draw "circle 141,175 141,80" \
    -font $FONT -pointsize 44 -fill white -gravity north -annotate +0+28 'Pelloran' \
    -font $FONT_PLAIN -pointsize 14 -fill '#cfe3ff' -annotate +0+84 'channel list editor' \
    -gravity northwest \
    -draw "$(dish 1.5 66 118)" \
    -fill white -draw "rectangle 0,282 283,312" \
    $JPEG splash.jpg

# Drag hint: a list of three lines with an arrow, on the hint's sky blue.
convert -size 52x39 xc:'#a6caf0' \
    -fill white -stroke '#1d3f73' -strokewidth 1 -draw "rectangle 4,4 33,34" \
    -fill '#1d3f73' -stroke none \
    -draw "rectangle 8,9 29,11" -draw "rectangle 8,17 29,19" -draw "rectangle 8,25 29,27" \
    -fill '#ffb02e' -stroke '#1d3f73' -strokewidth 1 \
    -draw "polygon 30,14 40,14 40,9 49,19 40,29 40,24 30,24" \
    +dither -colors 16 drag.gif
