#ifndef TESSARO_SHADING_H
#define TESSARO_SHADING_H

#include <QImage>
#include <QRgb>

// The colour QColor(r, g, b).darker(200).rgb() gives for the red, green and blue of rgb (its alpha
// is ignored); the result is opaque. Computed with integers, bit for bit what Qt 5.15 returns.
QRgb darkened(QRgb rgb);

// The colour QColor(r, g, b).lighter(200).rgb() gives for the red, green and blue of rgb (its
// alpha is ignored); the result is opaque. Computed with integers, bit for bit what Qt 5.15
// returns.
QRgb lightened(QRgb rgb);

// Which edge of the picture a shaded band runs along.
enum class BandEdge { None, Top, Bottom };

// Whether a band is darkened or lightened.
enum class BandTone { None, Dark, Light };

// Darkens or lightens every pixel of the first (Top) or last (Bottom) `rows` rows of the image,
// making them opaque. Rows past the picture are ignored, so a band taller than the picture covers
// all of it. Nothing changes for a null image, rows <= 0, BandEdge::None or BandTone::None. An
// image that is not ARGB32, premultiplied ARGB32 or RGB32 is converted to ARGB32 first. In a
// premultiplied image a pixel is shaded from its un-premultiplied colour (qUnpremultiply). An
// image shared with another, which is copied first, becomes null when the copy cannot be made.
void shadeBand(QImage &image, BandEdge edge, int rows, BandTone tone);

#endif // TESSARO_SHADING_H
