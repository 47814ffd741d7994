#include "stamp/imageload.h"

#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <QtPlugin>

// Q_IMPORT_PLUGIN(Jp2ImagePlugin)

QImage readPicture(const QString &path, QString *errorString)
{
    QImageReader reader(path);
    reader.setAutoDetectImageFormat(true);
    reader.setAutoTransform(true);
    const QImage picture = reader.read();
    if (picture.isNull() && errorString)
        *errorString = reader.errorString();
    return picture;
}

QImage workingCopy(const QImage &decoded)
{
    if (decoded.isNull())
        return QImage();
    QImage copy(decoded.size(), QImage::Format_ARGB32);
    if (decoded.hasAlphaChannel()) {
        copy.fill(Qt::transparent);
        QPainter painter(&copy);
        painter.drawImage(0, 0, decoded);
    } else {
        // Painting an opaque picture over the cleared copy replaces every pixel, which is what a
        // plain conversion gives, at a fraction of the cost.
        const QImage opaque = decoded.convertToFormat(QImage::Format_RGB32);
        const int lineBytes = copy.width() * 4;
        for (int y = 0; y < copy.height(); ++y)
            memcpy(copy.scanLine(y), opaque.constScanLine(y), size_t(lineBytes));
    }
    copy.setColorSpace(decoded.colorSpace());
    return copy;
}
