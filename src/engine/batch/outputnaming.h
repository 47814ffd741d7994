#ifndef TESSARO_OUTPUTNAMING_H
#define TESSARO_OUTPUTNAMING_H

#include <QDateTime>
#include <QString>

#include <functional>

// `dir` + "/" + `name` + "." + `format`.
QString outputPath(const QString &dir, const QString &name, const QString &format);

// "_" followed by `time` as 17 digits: year, month, day, hour (00 to 23), minute, second and
// millisecond.
QString timeStampSuffix(const QDateTime &time);

// The first free path for `baseName` with extension `format` in `dir`: the plain name, or the
// name grown by "_" + a 17-digit time stamp per attempt while `isTaken` says it exists.
QString freeOutputPath(const QString &dir, const QString &baseName, const QString &format,
                       const std::function<QDateTime()> &now,
                       const std::function<bool(const QString &)> &isTaken);

#endif // TESSARO_OUTPUTNAMING_H
