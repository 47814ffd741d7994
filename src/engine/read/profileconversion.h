#ifndef TESSARO_PROFILECONVERSION_H
#define TESSARO_PROFILECONVERSION_H

#include <QByteArray>
#include <QImage>

// `decoded`, the picture the file of `fileBytes` holds as its decoder gave it, with RGB pixels
// that its colour space describes. Where the file's colour profile does not describe RGB, the
// pixels are converted through it into sRGB and the picture is left without a profile, as plain
// sRGB: grey pixels through a grey profile, and a CMYK JPEG's inks (decoded again from
// `fileBytes`, as the decoder gives naive RGB) through a CMYK profile. A profile that describes
// neither the pixels nor RGB is dropped, the pixels left as they are. A picture without a
// profile, or with an RGB one, is returned unchanged.
QImage rgbThroughProfile(QImage decoded, const QByteArray &fileBytes);

// Whether `fileBytes` is a JPEG of four components (CMYK or YCCK): rgbThroughProfile takes its
// inks from the file, at the size the picture is stored, so such a picture is decoded whole.
bool holdsJpegInks(const QByteArray &fileBytes);

#endif // TESSARO_PROFILECONVERSION_H
