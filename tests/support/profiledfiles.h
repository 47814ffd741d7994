#ifndef TESSARO_PROFILEDFILES_H
#define TESSARO_PROFILEDFILES_H

#include <QByteArray>
#include <QRgb>

// Colour profiles that do not describe RGB, and JPEG files that carry one, made with LittleCMS
// and libjpeg for the tests of colour conversion.

// A grey profile of linear light on the D50 white: grey level 128 is sRGB (188, 188, 188).
QByteArray linearGreyProfile();

// A CMYK profile of a simple press, each ink taking its share of the light: cyan ink alone is
// sRGB (0, 102, 255), where a naive conversion gives (0, 255, 255); magenta (255, 0, 255),
// yellow (255, 255, 0), black ink alone a neutral grey.
QByteArray pressProfile();

// A JPEG of 64 x 48 pixels, its left half the samples `left`, its right half `right` (one byte
// each for grey, three for RGB, four for CMYK, where inks are stored inverted, 255 for none, as
// Photoshop stores them), with `profile` embedded. The best quality: the halves keep their
// samples but for a few units.
QByteArray profiledJpeg(const QByteArray &left, const QByteArray &right, const QByteArray &profile);

// Whether `color` is `expected` but for the rounding of a lossy format and of a profile's
// tables: within `tolerance` in each of red, green and blue.
bool isNearColor(QRgb color, QRgb expected, int tolerance = 3);

#endif // TESSARO_PROFILEDFILES_H
