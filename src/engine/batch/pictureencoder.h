#ifndef TESSARO_PICTUREENCODER_H
#define TESSARO_PICTUREENCODER_H

#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

// Encodes pictures in one format with the toolkit's encoder for it, as its picture writer does,
// byte for byte. The writer loads every installed picture plug-in that comes before the one for
// the format, which costs more than stamping a photo where many formats are installed; here the
// plug-in for the format is found by its declared names and loaded alone. A format no plug-in
// declares, one the toolkit encodes itself (PNG), goes through its writer.
class PictureEncoder
{
public:
    // `quality` as the writer takes it; -1 for the encoder's default, except for PNG, which is
    // compressed at zlib level 2 by default: nearly as small for a photo, at a quarter of the CPU.
    explicit PictureEncoder(const QByteArray &format, int quality = -1);

    // The bytes of `picture` in the format; empty on failure, and `*reason`, when asked, then says
    // why: the encoder's warning when it gave one (its errors are often told only so), else the
    // toolkit's own text. A picture without a translucent pixel is written without alpha; in a
    // format that keeps no transparency (formatKeepsTransparency), what is not opaque is written
    // over white. An AVIF, which states no colour space but those of sRGB and Display P3, gets a
    // picture in any other converted into sRGB.
    QByteArray encode(const QImage &picture, QString *reason) const;

private:
    bool encodeInto(const QImage &picture, QIODevice *device, QString *reason) const;

    QByteArray format;
    int quality;
};

// `picture` as a file without transparency shows it: every pixel that is not opaque composed over
// white, at the picture's resolution and colour space. The picture itself, unconverted, when every
// pixel is opaque.
QImage overWhite(const QImage &picture);

#endif // TESSARO_PICTUREENCODER_H
