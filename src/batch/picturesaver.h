#ifndef TESSARO_PICTURESAVER_H
#define TESSARO_PICTURESAVER_H

#include <QDateTime>
#include <QImage>
#include <QString>

#include <functional>

class QImageWriter;

// Where a picture went: `path` is empty when it was not written, and `error` is then the log line
// naming the picture, the folder and the reason (unwritableLine).
struct SavedPicture
{
    QString path;
    QString error;
};

// Writes `picture` with `writer` (format and quality already set) into `dir` as a new file named
// by `baseName` and `format`, taking the first name `freeOutputPath` gives for `now` and
// `isTaken`. The picture is encoded into a temporary file in `dir` and moved under its name only
// when complete, by a rename that refuses to replace a file: a name taken between the check and
// the move gets the next time-stamped name. A failure leaves no file behind.
SavedPicture savePicture(const QImage &picture, QImageWriter &writer, const QString &dir,
                         const QString &baseName, const QString &format,
                         const std::function<QDateTime()> &now,
                         const std::function<bool(const QString &)> &isTaken);

// Whether anything, even a dangling link, already holds `path`.
bool isOccupied(const QString &path);

#endif // TESSARO_PICTURESAVER_H
