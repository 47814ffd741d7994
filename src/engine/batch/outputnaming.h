#ifndef TESSARO_OUTPUTNAMING_H
#define TESSARO_OUTPUTNAMING_H

#include <QDateTime>
#include <QString>

#include <functional>

// The longest file name, in bytes, that the usual file systems take.
constexpr int MaxFileNameBytes = 255;

// `dir` + "/" + `name` + "." + `format`.
QString outputPath(const QString &dir, const QString &name, const QString &format);

// "_" followed by `time` as 17 digits: year, month, day, hour (00 to 23), minute, second and
// millisecond.
QString timeStampSuffix(const QDateTime &time);

// `baseName`, shortened by whole characters from its end until it followed by `tail` takes at
// most `maxBytes` bytes as a file name; empty when even `tail` alone is too long.
QString fittedBaseName(const QString &baseName, const QString &tail, int maxBytes);

// The path a picture named `baseName` takes in `dir` when its name is free: `baseName` fitted to
// `maxNameBytes` with "." + `format`.
QString plainOutputPath(const QString &dir, const QString &baseName, const QString &format,
                        int maxNameBytes = MaxFileNameBytes);

// The first free path for `baseName` with extension `format` in `dir`: the plain name, or the
// name grown by "_" + a 17-digit time stamp per attempt while `isTaken` says it exists. The base
// name is shortened as far as the name, stamps and extension need to fit in `maxNameBytes`.
QString freeOutputPath(const QString &dir, const QString &baseName, const QString &format,
                       const std::function<QDateTime()> &now,
                       const std::function<bool(const QString &)> &isTaken,
                       int maxNameBytes = MaxFileNameBytes);

#endif // TESSARO_OUTPUTNAMING_H
