#ifndef TESSARO_PHOTOINFORMATION_H
#define TESSARO_PHOTOINFORMATION_H

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// Readies the metadata library: silences its console log and starts its XMP toolkit, whose start
// is not safe from several threads at once. Call it at start, before any thread; reading and
// writing call it too, and every call after the first does nothing.
void preparePhotoInformation();

// The EXIF, IPTC and XMP of a file, in the metadata library's own types.
struct PhotoMetadata;

// What a picture file tells about the photo: camera, date, copyright, location and the like.
struct PhotoInformation
{
    std::shared_ptr<const PhotoMetadata> metadata; // null when the file holds none we can read
    // The file holds information that could not be read: a corrupt block, or one the library
    // reports errors for. `metadata` is then null.
    bool unreadable = false;
    // The resolution the file states, in dots per meter: a JPEG's JFIF density or a PNG's pHYs
    // chunk, else its EXIF or TIFF tags; 0 when it states none.
    int dotsPerMeterX = 0;
    int dotsPerMeterY = 0;
};

// The photo information of a picture file whose bytes are `fileBytes`. A file of a type that holds
// none gives an empty result; reading never throws.
PhotoInformation readPhotoInformation(const QByteArray &fileBytes);

// Adds `information` to `encoded`, the bytes of `picture` as written, corrected for what no longer
// holds: orientation 1 (the pixels are upright), the picture's pixel dimensions, and no GPS
// position unless `keepLocation`. The source's thumbnail, which shows the picture without its
// stamp, is never kept: a JPEG written from a source that had one gets a fresh one of `picture`,
// as a camera makes it; other formats get none. The file's own tags (a TIFF's structure and
// resolution) and colour profile stay as encoded. `information` must hold metadata. False, with
// `encoded` unchanged, when the library could not write it.
bool addPhotoInformation(const PhotoInformation &information, QByteArray *encoded,
                         const QImage &picture, bool keepLocation);

#endif // TESSARO_PHOTOINFORMATION_H
