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

namespace {

QString patternsOf(const QStringList &suffixes)
{
    QStringList patterns;
    for (const QString &suffix : suffixes)
        patterns << QStringLiteral("*.") + suffix;
    return patterns.join(QLatin1Char(' '));
}

} // namespace

QString pictureDialogFilter()
{
    return QStringLiteral("Images (%1);;HEIC, AVIF and JPEG XL (%2)")
        .arg(patternsOf(dialogPictureSuffixes()), patternsOf(boxedPictureSuffixes()));
}
