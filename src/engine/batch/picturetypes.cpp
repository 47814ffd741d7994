#include "engine/batch/picturetypes.h"

#include <QFileInfo>

QStringList droppedPictureSuffixes()
{
    return QStringList {QStringLiteral("bmp"),  QStringLiteral("dib"), QStringLiteral("jpeg"),
                        QStringLiteral("jpg"),  QStringLiteral("jp2"), QStringLiteral("png"),
                        QStringLiteral("webp"), QStringLiteral("pgm"), QStringLiteral("pbm"),
                        QStringLiteral("ppm"),  QStringLiteral("sr"),  QStringLiteral("ras"),
                        QStringLiteral("tiff"), QStringLiteral("tif")}
    + boxedPictureSuffixes();
}

QStringList boxedPictureSuffixes()
{
    return {QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("avif"),
            QStringLiteral("jxl")};
}

QStringList droppedFolderPatterns()
{
    QStringList patterns;
    for (const QString &suffix : droppedPictureSuffixes())
        patterns << QStringLiteral("*.") + suffix;
    return patterns;
}

bool isDroppedPicture(const QString &path)
{
    return droppedPictureSuffixes().contains(QFileInfo(path).suffix().trimmed(),
                                             Qt::CaseInsensitive);
}

QStringList dialogPictureSuffixes()
{
    return QStringList {QStringLiteral("bmp"),  QStringLiteral("gif"), QStringLiteral("jpeg"),
                        QStringLiteral("jpg"),  QStringLiteral("jp2"), QStringLiteral("png"),
                        QStringLiteral("webp"), QStringLiteral("pgm"), QStringLiteral("pbm"),
                        QStringLiteral("ppm"),  QStringLiteral("xbm"), QStringLiteral("xpm"),
                        QStringLiteral("tiff"), QStringLiteral("tif")}
    + boxedPictureSuffixes();
}

QStringList namedPictureSuffixes()
{
    QStringList suffixes = dialogPictureSuffixes();
    for (const QString &suffix : droppedPictureSuffixes()) {
        if (!suffixes.contains(suffix))
            suffixes << suffix;
    }
    return suffixes;
}

bool isNamedPicture(const QString &path)
{
    return namedPictureSuffixes().contains(QFileInfo(path).suffix().trimmed(), Qt::CaseInsensitive);
}

bool formatKeepsTransparency(const QString &format)
{
    static const QStringList withAlpha
        = {QStringLiteral("png"), QStringLiteral("tif"), QStringLiteral("tiff"),
           QStringLiteral("webp"), QStringLiteral("avif")};
    return withAlpha.contains(format, Qt::CaseInsensitive);
}
