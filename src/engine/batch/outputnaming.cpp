#include "engine/batch/outputnaming.h"

QString outputPath(const QString &dir, const QString &name, const QString &format)
{
    return dir + QLatin1Char('/') + name + QLatin1Char('.') + format;
}

QString timeStampSuffix(const QDateTime &time)
{
    return QLatin1Char('_') + time.toString(QStringLiteral("yyyyMMddhhmmsszzz"));
}

QString freeOutputPath(const QString &dir, const QString &baseName, const QString &format,
                       const std::function<QDateTime()> &now,
                       const std::function<bool(const QString &)> &isTaken)
{
    QString name = baseName;
    QString path = outputPath(dir, name, format);
    while (isTaken(path)) {
        name += timeStampSuffix(now());
        path = outputPath(dir, name, format);
    }
    return path;
}
