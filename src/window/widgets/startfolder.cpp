#include "window/widgets/startfolder.h"

#include "engine/batch/picturetypes.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString pictureStartFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

QString outputStartFolder(const QString &lastOutputFolder)
{
    if (!lastOutputFolder.isEmpty() && QFileInfo(lastOutputFolder).isDir())
        return lastOutputFolder;
    return QString();
}

QString pictureDialogFilter()
{
    QStringList patterns;
    for (const QString &suffix : dialogPictureSuffixes())
        patterns << QStringLiteral("*.") + suffix;
    return QStringLiteral("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}
