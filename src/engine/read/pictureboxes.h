#ifndef TESSARO_PICTUREBOXES_H
#define TESSARO_PICTUREBOXES_H

#include <QByteArray>
#include <QSize>

class QIODevice;

// Where an item of a HEIF file lies in it; a length of 0 when there is none.
struct ItemSpan
{
    qint64 offset = 0;
    qint64 length = 0;
};

// The photo information a JPEG XL file holds compressed (in "brob" boxes).
struct CompressedInformation
{
    bool exif = false;
    bool xmp = false;
};

// What the boxes of a HEIF or AVIF file, or the headers of a JPEG XL codestream, say of the
// picture, read without decoding a pixel: the readers of these formats decode the whole picture
// before they tell its size.
struct PictureBoxes
{
    // The picture's size as the file declares it, unturned; invalid when it cannot be read.
    QSize size;
    // The largest picture any item of the file declares (a tile, a thumbnail, the picture
    // itself): what decoding it may cost.
    QSize largestItem;
    // Whether the file turns or mirrors the picture by its own properties (HEIF's irot and imir),
    // which its decoder applies; the EXIF orientation is then not applied again. A JPEG XL
    // codestream always says how to turn its picture, and its decoder does.
    bool turnedByDecoder = false;
    // Where the last data the items of a HEIF or AVIF file locate ends: a file that ends before
    // is cut off, and its decoder may not say so.
    qint64 dataEnd = 0;
    // The file's EXIF and XMP items, and its picture's colour profile (HEIF, AVIF).
    ItemSpan exif;
    ItemSpan xmp;
    ItemSpan profile;
    // What a JPEG XL file holds compressed.
    CompressedInformation compressed;
};

// The boxes of the file open in `device`, of `format` ("heif", "avif" or "jxl"), read with seeks
// from its start, never more than a few megabytes.
PictureBoxes readPictureBoxes(QIODevice *device, const QByteArray &format);

// The format ("heif", "avif" or "jxl") whose signature the file starting with `head` (its first
// 32 bytes or more) has; empty for any other file.
QByteArray boxedFormatOfSignature(const QByteArray &head);

// The bytes of `item` in the whole file `bytes`; empty when it lies outside.
QByteArray boxedItem(const ItemSpan &item, const QByteArray &bytes);

// The EXIF block (TIFF-structured) of the EXIF item that `boxes` locate in the whole file
// `bytes`; empty when there is none.
QByteArray boxedExif(const PictureBoxes &boxes, const QByteArray &bytes);

#endif // TESSARO_PICTUREBOXES_H
