#ifndef TESSARO_IMAGELOAD_H
#define TESSARO_IMAGELOAD_H

#include <QImage>
#include <QString>

// Decodes the picture at `path`, the format decided by the content rather than the suffix, turned
// upright by the orientation stored in the file. A failure gives a null picture and, when asked,
// the reader's reason.
QImage readPicture(const QString &path, QString *errorString = nullptr);

// A picture as it is stamped: 32-bit ARGB, at a fixed resolution (`stampDotsPerMeter`), with the
// decoded colour space; `opaque` when the decoder's format says every pixel has alpha 255.
struct WorkingCopy
{
    QImage image; // null when the picture could not be read
    bool opaque = false;
    QString error; // the reader's reason when `image` is null
};

// 96 dots per inch: the resolution of every working copy, so that a text's size in pixels never
// depends on the screen or the file.
constexpr int stampDotsPerMeter = 3780;

// The working copy of a decoded picture. An opaque 32-bit picture (as a decoded JPEG is) lends
// its pixels, unchanged and uncopied; another opaque format is converted; a picture with alpha is
// painted over transparency.
WorkingCopy workingCopy(QImage decoded);

// readPicture, then workingCopy: how the preview and the run read a picture.
WorkingCopy readWorkingCopy(const QString &path);

#endif // TESSARO_IMAGELOAD_H
