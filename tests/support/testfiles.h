#ifndef TESSARO_TESTFILES_H
#define TESSARO_TESTFILES_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// The bytes of the file at `path`; empty when it cannot be read.
QByteArray fileBytes(const QString &path);

// The path of the test data file `name` (below tests/data).
QString testDataPath(const QString &name);

// The file names of the events waiting on `inotify`, an inotify descriptor opened non-blocking.
QStringList inotifyNames(int inotify);

// Every name in a folder, hidden ones included, sorted by name.
QStringList namesIn(const QString &dir);

class QImage;

// Writes `picture` as a JPEG file at `path` whose EXIF says it is to be shown turned by
// `orientation` (1 to 8), the pixels stored as they are: the toolkit's writer turns the pixels
// instead of recording an orientation.
bool writeJpegWithOrientation(const QString &path, const QImage &picture, int orientation);

#endif // TESSARO_TESTFILES_H
