#ifndef TESSARO_IMAGELOAD_H
#define TESSARO_IMAGELOAD_H

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// What kept a picture file from being read: it could not be opened or decoded (Unreadable), its
// decoder found it damaged (Damaged), or it is more than a picture may be (TooLarge).
enum class ReadProblem { None, Unreadable, Damaged, TooLarge };

// What decides the size a picture file is decoded at: the picture's upright size as the file holds
// it, and whether its reader decodes it at a reduced size for less work. libjpeg does, scaling by
// eighths in the DCT domain; the other readers would decode the whole picture and scale it with
// their own filter.
struct PictureDecoding
{
    QSize fullSize;
    bool reducible = false;

    // The size of the picture decoded to be drawn at `drawnSize`: `drawnSize` where decoding it
    // there saves work (it is at most 7/8 of the picture each way), the full size otherwise.
    QSize decodedSize(const QSize &drawnSize) const;
};

// The size a picture is drawn at, given its upright size: how the caller resizes it.
using DrawnSize = std::function<QSize(const QSize &uprightSize)>;

// A picture file read once: the file's bytes, for the photo information too, and the picture they
// hold, the format decided by the content rather than the suffix, turned upright by the
// orientation stored in the file, and decoded at `drawnSize` where that saves work.
struct PictureFile
{
    QByteArray bytes; // the whole file; empty when it could not be read
    QImage image; // null when the picture could not be read
    PictureDecoding decoding;
    ReadProblem problem = ReadProblem::None;
    QString error; // the reason when `image` is null
};

// What a picture file's header says, before any pixel is decoded.
struct PictureHeader
{
    QSize size; // as stored, before the orientation turns it
    QImage::Format format = QImage::Format_Invalid; // what the decoder gives, when it says
    qint64 fileSize = 0;
};

// Decides from its header whether a picture file is decoded: empty to go on, else the reason it is
// not. It may wait, for memory say.
using PictureAdmission = std::function<QString(const PictureHeader &)>;

// The file at `path` read once and decoded, once `admit` lets it be. A decoder that fails for want
// of memory is said to.
PictureFile readPictureFile(const QString &path, const DrawnSize &drawnSize = {},
                            const PictureAdmission &admit = {});

// The picture of readPictureFile alone. A failure gives a null picture and, when asked, the
// reason.
QImage readPicture(const QString &path, QString *errorString = nullptr);

// A picture as it is stamped: 32-bit ARGB, at a fixed resolution (`stampDotsPerMeter`), with the
// decoded colour space; `opaque` when the decoder's format says every pixel has alpha 255.
struct WorkingCopy
{
    QImage image; // null when the picture could not be read
    bool opaque = false;
    PictureDecoding decoding; // how the file was decoded, when it was read from one
    ReadProblem problem = ReadProblem::None;
    QString error; // the reason when `image` is null
};

// 96 dots per inch: the resolution of every working copy, so that a text's size in pixels never
// depends on the screen or the file.
constexpr int stampDotsPerMeter = 3780;

// The working copy of a decoded picture. An opaque 32-bit picture (as a decoded JPEG is) lends
// its pixels, unchanged and uncopied; another opaque format is converted; a picture with alpha is
// painted over transparency.
WorkingCopy workingCopy(QImage decoded);

// readPictureFile, then workingCopy: how the preview reads a picture.
WorkingCopy readWorkingCopy(const QString &path, const DrawnSize &drawnSize = {});

#endif // TESSARO_IMAGELOAD_H
