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
    stamped.image = settings.resize ? resized(picture, settings) : picture;
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
    const bool opaque
        = !settings.resize && picture.format() == QImage::Format_ARGB32 && isOpaquePicture(picture);
    opaqueResultKey = opaque ? stamped.image.cacheKey() : 0;
    return stamped;
}

bool StampRenderer::isKnownOpaque(const QImage &stamped) const
{
    return opaqueResultKey != 0 && stamped.cacheKey() == opaqueResultKey;
}

bool StampRenderer::isOpaquePicture(const QImage &picture)
{
    if (picture.cacheKey() != checkedPictureKey) {
        checkedPictureKey = picture.cacheKey();
        checkedPictureOpaque = isOpaque(picture);
    }
    return checkedPictureOpaque;
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
