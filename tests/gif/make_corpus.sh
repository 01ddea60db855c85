#!/usr/bin/env bash
# Regenerates the GIF test corpus in tests/fixtures/gif/corpus with
# ImageMagick and giflib's tools, together with what those tools decode it
# to (the oracles the tests compare against):
#   s_*.gif    single frames   -> s_*.rgb    (gif2rgb -1: RGB of the screen)
#   a_*.gif    animations      -> a_*.rgba   (convert -coalesce: RGBA frames)
#   lzw_*.gif  hand-built LZW  -> lzw_*.idx  (the indices encoded), and .rgb
#                                 where gif2rgb accepts the file
#
#   make_corpus.sh [OUTDIR]          the committed corpus (small files)
#   make_corpus.sh --large OUTDIR    large files for the benchmark only
#
# The files are committed: tests need neither tool at run time.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
convert_bin=/usr/bin/convert
[ -x "$convert_bin" ] || convert_bin=convert
im() { "$convert_bin" "$@"; }

if [ "${1:-}" = "--large" ]; then
    out="${2:?output folder}"
    mkdir -p "$out"
    # Plasma at 2400x1600 reduced to 256 colours: busy enough that LZW works hard.
    im -size 600x400 -seed 42 plasma:fractal -resize 2400x1600 -colors 256 "$out/large.gif"
    im "$out/large.gif" -interlace GIF "$out/large_interlaced.gif"
    exit 0
fi

out="${1:-$here/../fixtures/gif/corpus}"
rm -rf "$out"
mkdir -p "$out"
cd "$out"

plasma() { # size colours seed -> stdout-free file $4
    im -size "$1" -seed "$3" plasma:fractal -colors "$2" +dither "$4"
}

# --- single frames -----------------------------------------------------------
plasma 13x7 2 1 s_2col_13x7.gif
plasma 31x17 4 2 s_4col_31x17.gif
plasma 33x21 8 3 s_8col_33x21.gif
plasma 64x48 16 4 s_16col_64x48.gif
plasma 50x40 64 5 s_64col_50x40.gif
plasma 96x72 256 6 s_256col_96x72.gif
plasma 1x1 2 7 s_1x1.gif
plasma 1x97 8 8 s_1x97.gif
plasma 97x1 8 9 s_97x1.gif
plasma 64x48 256 10 s_interlaced_64x48.gif.tmp.gif
im s_interlaced_64x48.gif.tmp.gif -interlace GIF s_interlaced_64x48.gif
rm s_interlaced_64x48.gif.tmp.gif
for h in 1 2 3 5 9; do
    plasma "7x$h" 16 "$((20 + h))" tmp.gif
    im tmp.gif -interlace GIF "s_interlaced_h$h.gif"
done
rm -f tmp.gif
# transparency: a colour made transparent, and a frame offset on a larger screen
plasma 40x30 16 11 tmp.gif
im tmp.gif -transparent "$(im tmp.gif -format '%[pixel:p{0,0}]' info:)" s_transparent.gif
im -size 24x14 -seed 12 plasma:fractal -colors 8 +dither -page 50x40+7+5 s_offset.gif
im -size 20x20 -seed 13 plasma:fractal -colors 32 +dither -comment "made for the GIF tests" s_comment.gif
rm -f tmp.gif

# giflib's gifbuild: a local colour table and no global one, a background
# index other than 0 behind an offset frame, and a comment run.
cat > local.txt <<'TXT'
screen width 6
screen height 4
screen colors 2
screen background 0
pixel aspect byte 0

comment
first line
second line
end

image # 1
image left 0
image top 0
image map
	rgb 010 020 030 is 0
	rgb 200 100 050 is 1
	rgb 000 255 000 is 2
	rgb 255 255 255 is 3
end
image bits 6 by 4
012301
123012
230123
301230
TXT
gifbuild local.txt > s_local_table.gif
cat > background.txt <<'TXT'
screen width 8
screen height 6
screen colors 4
screen background 2
pixel aspect byte 0

screen map
	rgb 000 000 000 is 0
	rgb 255 000 000 is 1
	rgb 000 000 255 is 2
	rgb 255 255 000 is 3
end

image # 1
image left 2
image top 1
image bits 3 by 2
013
310
TXT
gifbuild background.txt > s_background_index.gif
rm -f local.txt background.txt

# --- animations ----------------------------------------------------------------
# Frame 0 always covers the screen, so the canvas never starts undefined.
im -size 30x20 xc:red -colors 4 f_red.gif
im -size 8x6 -seed 30 plasma:fractal -colors 8 +dither f_a.gif
im -size 6x9 -seed 31 plasma:fractal -colors 16 +dither f_b.gif
im -size 10x4 -seed 32 plasma:fractal -colors 4 +dither f_c.gif
im f_b.gif -transparent "$(im f_b.gif -format '%[pixel:p{2,2}]' info:)" f_bt.gif

im -delay 10 -dispose None f_red.gif -page +2+3 f_a.gif -page +15+8 f_b.gif \
    -page +5+12 f_c.gif -loop 0 a_dispose_none.gif
im -delay 5 -dispose None f_red.gif -dispose Background -page +2+3 f_a.gif \
    -dispose None -page +4+5 f_bt.gif -page +18+2 f_c.gif -loop 2 a_dispose_background.gif
im -delay 20 -dispose None f_red.gif -dispose Previous -page +3+3 f_a.gif \
    -page +6+4 f_bt.gif -dispose None -page +1+1 f_c.gif -loop 3 a_dispose_previous.gif
# every frame with its own (local) table, interlaced, with a comment
im -delay 7 f_red.gif -page +9+2 f_a.gif -page +1+10 f_b.gif -interlace GIF \
    -comment "animated" a_local_tables_interlaced.gif
rm -f f_*.gif

# --- hand-built LZW streams -------------------------------------------------------
python3 "$here/make_lzw_streams.py" .

# --- oracles ------------------------------------------------------------------------
for f in s_*.gif lzw_*.gif; do
    gif2rgb -1 -o "${f%.gif}.rgb" "$f" 2>/dev/null || rm -f "${f%.gif}.rgb"
done
for f in a_*.gif; do
    im "$f" -coalesce -depth 8 "rgba:${f%.gif}.rgba"
done
