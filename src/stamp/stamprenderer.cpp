#include "stamp/stamprenderer.h"

#include <QPainter>

QSize scaledLogoSize(const QSize &logoSize, double scale)
{
    return QSize(int(logoSize.width() * scale), int(logoSize.height() * scale));
}

StampedPicture StampRenderer::render(const QImage &picture, const QImage &logo,
                                     const StampSettings &settings, const QPoint &textPos,
                                     const QPoint &logoPos)
{
    StampedPicture stamped;
    stamped.image = settings.resize ? resized(picture, settings) : canvas(picture);
    if (stamped.image.isNull())
        return stamped;

    shadeBand(stamped.image, settings.bandEdge, settings.bandRows, settings.bandTone);

    if (!settings.text.isEmpty()) {
        QPainter painter(&stamped.image);
        painter.setPen(QPen(settings.color));
        painter.setFont(settings.font);
        painter.drawText(QRect(textPos, QSize(99999, 99999)), 0, settings.text, &stamped.textRect);
    }

    const QImage logoToDraw = scaledLogo(logo, settings);
    if (!logoToDraw.isNull()) {
        QPainter painter(&stamped.image);
        painter.drawImage(logoPos, logoToDraw);
    }
    return stamped;
}

// A copy of the picture to draw on. An opaque 32-bit ARGB picture is copied as premultiplied
// ARGB, which has the same bits for opaque pixels and is the form the toolkit paints and shows
// without converting; the resize gives that form too.
QImage StampRenderer::canvas(const QImage &picture)
{
    if (picture.format() != QImage::Format_ARGB32)
        return picture;
    if (picture.cacheKey() != checkedPictureKey) {
        checkedPictureKey = picture.cacheKey();
        checkedPictureOpaque = isOpaque(picture);
    }
    if (!checkedPictureOpaque)
        return picture;
    QImage copy = picture.copy();
    copy.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    return copy;
}

QImage StampRenderer::resized(const QImage &picture, const StampSettings &settings)
{
    if (picture.isNull())
        return picture;
    const auto aspect = settings.keepAspectRatio ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio;
    return resizeCache.scaled(picture, settings.outputSize, aspect, settings.transformMode);
}

QImage StampRenderer::scaledLogo(const QImage &logo, const StampSettings &settings)
{
    const QSize target = scaledLogoSize(logo.size(), settings.logoScale);
    if (logo.isNull() || target.isEmpty())
        return QImage();
    return logoCache.scaled(logo, target, Qt::KeepAspectRatio, settings.transformMode);
}
