#ifndef TESSARO_PHOTOINFORMATION_H
#define TESSARO_PHOTOINFORMATION_H

#include <QByteArray>
#include <QFlags>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

// Readies the metadata library: silences its console log and starts its XMP toolkit, whose start
// is not safe from several threads at once. Call it at start, before any thread; reading and
// writing call it too, and every call after the first does nothing.
void preparePhotoInformation();

// The EXIF, IPTC and XMP of a file, in the metadata library's own types.
struct PhotoMetadata;

// The blocks photo information comes in; each is read, kept or left out on its own.
enum class PhotoBlock { Exif = 1, Iptc = 2, Xmp = 4 };
Q_DECLARE_FLAGS(PhotoBlocks, PhotoBlock)
Q_DECLARE_OPERATORS_FOR_FLAGS(PhotoBlocks)

// The names of `blocks` ("EXIF", "IPTC", "XMP"), in that order.
QStringList photoBlockNames(PhotoBlocks blocks);

// What a picture file tells about the photo: camera, date, copyright, location and the like.
struct PhotoInformation
{
    // The blocks that read cleanly; null when they hold nothing worth writing.
    std::shared_ptr<const PhotoMetadata> metadata;
    PhotoBlocks blocks; // the blocks `metadata` holds
    // The blocks the file holds that could not be read: a corrupt one, or one the library
    // reports errors for; all three when the file's structure itself could not be read.
    PhotoBlocks unreadable;
    // The resolution the file states, in dots per meter: a JPEG's JFIF density or a PNG's pHYs
    // chunk, else its EXIF or TIFF tags; 0 when it states none.
    int dotsPerMeterX = 0;
    int dotsPerMeterY = 0;
};

// The photo information of a picture file whose bytes are `fileBytes`. A file of a type that holds
// none gives an empty result; reading never throws.
PhotoInformation readPhotoInformation(const QByteArray &fileBytes);

// Adds `information` to `encoded`, the bytes of `picture` as written, corrected for what no longer
// holds: orientation 1 (the pixels are upright), the picture's pixel dimensions, the colour mode
// and profile name of what is written, and unless `keepLocation` no coordinate: EXIF without its
// GPS fields, XMP without the properties that hold one in any namespace (IPTC holds place names
// only, which stay). The source's thumbnail, which shows the picture without its stamp, is never
// kept: a JPEG written from a source that had one gets a fresh one of `picture`, as a camera makes
// it; other formats get none. The file's own tags (a TIFF's structure and resolution) and colour
// profile stay as encoded. `information` must hold metadata. A format without a place for IPTC
// (WebP) takes what the IPTC says in its XMP, where the XMP does not say it already. A block the
// library cannot write into `encoded` (an EXIF too large for a JPEG, say) is left out alone, and
// a format it cannot write at all (AVIF) gets none; gives the blocks left out, with `encoded`
// unchanged when all are.
PhotoBlocks addPhotoInformation(const PhotoInformation &information, QByteArray *encoded,
                                const QImage &picture, bool keepLocation);

#endif // TESSARO_PHOTOINFORMATION_H
