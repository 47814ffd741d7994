#include "window/widgets/startfolder.h"

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
    return QStringLiteral(
        "Images (*.bmp *.gif *.jpeg *.jpg *.jp2 *.png *.webp *.pgm *.pbm *.ppm *.xbm *.xpm "
        "*.tiff *.tif)");
}
