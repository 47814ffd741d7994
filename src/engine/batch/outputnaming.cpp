#include "engine/batch/outputnaming.h"

#include <QFile>
#include <QTextBoundaryFinder>

QString outputPath(const QString &dir, const QString &name, const QString &format)
{
    return dir + QLatin1Char('/') + name + QLatin1Char('.') + format;
}

QString timeStampSuffix(const QDateTime &time)
{
    return QLatin1Char('_') + time.toString(QStringLiteral("yyyyMMddhhmmsszzz"));
}

QString fittedBaseName(const QString &baseName, const QString &tail, int maxBytes)
{
    QString fitted = baseName;
    // Characters as the reader sees them: a letter and its accents go together.
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, baseName);
    characters.toEnd();
    while (!fitted.isEmpty() && QFile::encodeName(fitted + tail).size() > maxBytes)
        fitted.truncate(characters.toPreviousBoundary());
    return fitted;
}

QString plainOutputPath(const QString &dir, const QString &baseName, const QString &format,
                        int maxNameBytes)
{
    return outputPath(dir, fittedBaseName(baseName, QLatin1Char('.') + format, maxNameBytes),
                      format);
}

QString freeOutputPath(const QString &dir, const QString &baseName, const QString &format,
                       const std::function<QDateTime()> &now,
                       const std::function<bool(const QString &)> &isTaken, int maxNameBytes)
{
    QString stamps;
    QString path = plainOutputPath(dir, baseName, format, maxNameBytes);
    while (isTaken(path)) {
        stamps += timeStampSuffix(now());
        const QString tail = stamps + QLatin1Char('.') + format;
        path = outputPath(dir, fittedBaseName(baseName, tail, maxNameBytes) + stamps, format);
    }
    return path;
}
