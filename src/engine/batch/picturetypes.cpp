#include "engine/batch/picturetypes.h"

#include <QFileInfo>

QStringList droppedPictureSuffixes()
{
    return {QStringLiteral("bmp"),  QStringLiteral("dib"), QStringLiteral("jpeg"),
            QStringLiteral("jpg"),  QStringLiteral("jp2"), QStringLiteral("png"),
            QStringLiteral("webp"), QStringLiteral("pgm"), QStringLiteral("pbm"),
            QStringLiteral("ppm"),  QStringLiteral("sr"),  QStringLiteral("ras"),
            QStringLiteral("tiff"), QStringLiteral("tif")};
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
