#!/bin/sh
# Makes the small JPEG 2000 pictures that tests/tst_jp2.cpp decodes, next to the PNG pictures
# they were made from, in the folder of this script. Every picture is drawn here, from
# ImageMagick's gradients and shapes, so that each pixel is known.
#
#   rgb.png    -> rgb.jp2, rgb.j2k (raw codestream)        ImageMagick, lossless
#   grey.png   -> grey.jp2 (8 bits), grey16.jp2 (16 bits)   ImageMagick, lossless
#   greya.png  -> greya.jp2 (grey + alpha)                  ImageMagick, lossless
#   rgba.png   -> rgba.jp2 (RGB + alpha)                    ImageMagick, lossless
#   grey.png   -> grey-signed12.jp2 (12-bit signed samples) small OpenJPEG writer below
#   ycc.png    -> ycc420.jp2 (sYCC, colour differences at half width and height) and
#                 ycc420.j2k (the same as a raw codestream, which names no colour space)
#                                                           small OpenJPEG writer below
#
# ImageMagick cannot write signed samples or subsampled colour differences, so a few lines of C
# over OpenJPEG's encoder write those; the luma and the samples are lossless, the colour
# differences are rounded to whole numbers. ycc.png is drawn in 2x2 blocks of one colour, so
# halving the colour differences loses nothing more.
#
# Needs: ImageMagick (convert, compare) with its OpenJPEG coder, a C compiler, libopenjp2-dev.
# The files are committed; run this again only to change them.
set -eu
cd "$(dirname "$0")"

# No time stamps in the PNG files, so that running this again gives the same bytes.
PNG_OPTIONS="-strip -define png:exclude-chunk=date,time"

# Fails unless ImageMagick reads the JPEG 2000 file back with exactly the PNG's pixels.
check_lossless() {
    differing=$(compare -metric AE "$1" "$2" null: 2>&1 || true)
    if [ "$differing" != "0" ]; then
        echo "make-jp2.sh: $2 differs from $1 in $differing pixels" >&2
        exit 1
    fi
}

# 40 x 30 colour picture: a red-to-blue gradient, two filled rectangles, one white pixel in
# the top left corner and one black pixel in the bottom right one.
convert -size 40x30 gradient:red-blue \
    -fill '#13a57c' -draw 'rectangle 5,5 14,12' \
    -fill '#fafa0a' -draw 'rectangle 25,18 33,26' \
    -fill white -draw 'point 0,0' -fill black -draw 'point 39,29' \
    $PNG_OPTIONS PNG24:rgb.png
convert rgb.png -quality 100 rgb.jp2
convert rgb.png -quality 100 J2K:rgb.j2k
check_lossless rgb.png rgb.jp2
check_lossless rgb.png rgb.j2k

# 40 x 30 grey picture: a white-to-black gradient from top to bottom, a dark rectangle and one
# light pixel in the top right corner.
convert -size 40x30 gradient:white-black \
    -fill gray20 -draw 'rectangle 3,20 12,27' -fill gray85 -draw 'point 39,0' \
    -colorspace Gray -depth 8 $PNG_OPTIONS -define png:color-type=0 grey.png
convert grey.png -colorspace Gray -quality 100 grey.jp2
convert grey.png -colorspace Gray -depth 16 -quality 100 grey16.jp2
check_lossless grey.png grey.jp2
check_lossless grey.png grey16.jp2

# The grey picture with an opacity rising from left (transparent) to right (opaque).
convert grey.png \( -size 30x40 gradient:black-white -rotate 90 \) \
    -compose CopyOpacity -composite $PNG_OPTIONS -define png:color-type=4 greya.png
convert greya.png -colorspace Gray -quality 100 greya.jp2
check_lossless greya.png greya.jp2

# The colour picture with an opacity falling from left (opaque) to right (transparent).
convert rgb.png \( -size 30x40 gradient:white-black -rotate 90 \) \
    -compose CopyOpacity -composite $PNG_OPTIONS PNG32:rgba.png
convert rgba.png -quality 100 rgba.jp2
check_lossless rgba.png rgba.jp2

# 41 x 31 colour picture in 2x2 blocks: a 21 x 16 yellow-to-navy gradient with a pink
# rectangle, each pixel doubled, cut to an odd size so that the last column and row of
# colour differences cover one pixel only.
convert -size 21x16 gradient:yellow-navy -fill '#c03060' -draw 'rectangle 2,2 8,6' \
    -sample 200% -crop 41x31+0+0 +repage $PNG_OPTIONS PNG24:ycc.png

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/writer.c" <<'EOF'
/* writer signed12|ycc420 WIDTH HEIGHT OUTPUT.jp2|OUTPUT.j2k < raw 8-bit grey or RGB pixels */
#include <openjpeg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int clamp_byte(double v)
{
    return v <= 0.0 ? 0 : v >= 255.0 ? 255 : (int)(v + 0.5);
}

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    const int ycc = strcmp(argv[1], "ycc420") == 0;
    const int w = atoi(argv[2]);
    const int h = atoi(argv[3]);
    const char *out = argv[4];
    const size_t len = strlen(out);
    const int codestream = len > 4 && strcmp(out + len - 4, ".j2k") == 0;
    const int channels = ycc ? 3 : 1;
    unsigned char *in = malloc((size_t)w * h * channels);
    if (!in || fread(in, (size_t)w * h * channels, 1, stdin) != 1)
        return 1;

    opj_image_cmptparm_t parms[3];
    memset(parms, 0, sizeof parms);
    for (int c = 0; c < channels; ++c) {
        const int step = ycc && c > 0 ? 2 : 1;
        parms[c].dx = parms[c].dy = step;
        parms[c].w = (w + step - 1) / step;
        parms[c].h = (h + step - 1) / step;
        parms[c].prec = ycc ? 8 : 12;
        parms[c].sgnd = ycc ? 0 : 1;
    }
    const OPJ_COLOR_SPACE space = !ycc ? OPJ_CLRSPC_GRAY
        : codestream                   ? OPJ_CLRSPC_UNSPECIFIED
                                       : OPJ_CLRSPC_SYCC;
    opj_image_t *image = opj_image_create(channels, parms, space);
    if (!image)
        return 1;
    image->x0 = image->y0 = 0;
    image->x1 = w;
    image->y1 = h;

    if (!ycc) {
        /* 0..255 spread over 0..4095, then moved down by half the range */
        for (int i = 0; i < w * h; ++i)
            image->comps[0].data[i] = (int)(in[i] * 4095.0 / 255.0 + 0.5) - 2048;
    } else {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const unsigned char *p = in + 3 * (y * w + x);
                image->comps[0].data[y * w + x]
                    = clamp_byte(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]);
            }
        }
        /* each colour difference sample from the top left pixel of its 2x2 block, which is
           the colour of the whole block */
        const int cw = (int)parms[1].w;
        for (int y = 0; y < (int)parms[1].h; ++y) {
            for (int x = 0; x < cw; ++x) {
                const unsigned char *p = in + 3 * (2 * y * w + 2 * x);
                image->comps[1].data[y * cw + x]
                    = clamp_byte(128 - 0.168736 * p[0] - 0.331264 * p[1] + 0.5 * p[2]);
                image->comps[2].data[y * cw + x]
                    = clamp_byte(128 + 0.5 * p[0] - 0.418688 * p[1] - 0.081312 * p[2]);
            }
        }
    }

    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = 0; /* lossless */
    parameters.cp_disto_alloc = 1;
    parameters.irreversible = 0;
    parameters.tcp_mct = 0;
    parameters.numresolution = 3; /* small pictures: few wavelet levels */
    opj_codec_t *codec = opj_create_compress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    opj_stream_t *stream = opj_stream_create_default_file_stream(out, OPJ_FALSE);
    const int ok = codec && stream && opj_setup_encoder(codec, &parameters, image)
        && opj_start_compress(codec, image, stream) && opj_encode(codec, stream)
        && opj_end_compress(codec, stream);
    if (stream)
        opj_stream_destroy(stream);
    if (codec)
        opj_destroy_codec(codec);
    opj_image_destroy(image);
    free(in);
    return ok ? 0 : 1;
}
EOF
cc -O2 -o "$work/writer" "$work/writer.c" $(pkg-config --cflags --libs libopenjp2)

convert grey.png -depth 8 gray:- | "$work/writer" signed12 40 30 grey-signed12.jp2
convert ycc.png -depth 8 rgb:- | "$work/writer" ycc420 41 31 ycc420.jp2
convert ycc.png -depth 8 rgb:- | "$work/writer" ycc420 41 31 ycc420.j2k
# No check_lossless for the signed file: ImageMagick's reader brings these 12-bit samples to 8
# bits its own way and disagrees with grey.png by one in some pixels; the test compares the
# plug-in's result with grey.png exactly.

ls -l rgb.png rgb.jp2 rgb.j2k grey.png grey.jp2 grey16.jp2 grey-signed12.jp2 greya.png \
    greya.jp2 rgba.png rgba.jp2 ycc.png ycc420.jp2 ycc420.j2k
