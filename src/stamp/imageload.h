#ifndef TESSARO_IMAGELOAD_H
#define TESSARO_IMAGELOAD_H

#include <QImage>
#include <QString>

// Decodes the picture at `path`, the format decided by the content rather than the suffix, turned
// upright by the orientation stored in the file. A failure gives a null picture and, when asked,
// the reader's reason.
QImage readPicture(const QString &path, QString *errorString = nullptr);

// The same, decoding into `picture`'s own memory when it already has the size and format of the
// decoded picture (QImageReader::read(QImage *)), which saves touching fresh memory for every
// photo of a batch; `picture` is replaced otherwise. Returns false on failure.
bool readPicture(const QString &path, QImage *picture, QString *errorString = nullptr);

// The 32-bit ARGB working copy of a decoded picture: a fresh picture of the same size, cleared to
// transparent, with the decoded picture painted on it at (0, 0). It has the resolution of a fresh
// picture (so text sizes never depend on the file) and keeps the decoded colour space.
QImage workingCopy(const QImage &decoded);

#endif // TESSARO_IMAGELOAD_H
