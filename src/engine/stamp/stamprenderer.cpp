#include "engine/stamp/stamprenderer.h"

#include <QPainter>

QSize scaledLogoSize(const QSize &logoSize, double scale)
{
    return QSize(int(logoSize.width() * scale), int(logoSize.height() * scale));
}

QSize stampedSize(const QSize &pictureSize, const StampSettings &settings)
{
    if (!settings.resize)
        return pictureSize;
    return scaledImageSize(pictureSize, settings.outputSize,
                           settings.keepAspectRatio ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio);
}

StampPlacement placeStamp(const StampSettings &settings, const QSize &logoSize,
                          const QImage &picture, const QRect &drawnTextBox)
{
    const QSize size = stampedSize(picture.size(), settings);
    QSize textSize = drawnTextBox.size();
    if (drawnTextBox.width() == 0)
        textSize = settings.text.isEmpty()
            ? QSize()
            : measureText(settings.text, settings.font, picture.dotsPerMeterX(),
                          picture.dotsPerMeterY())
                  .size();
    return {textTopLeft(settings.textAlignment, size, textSize, settings.textOffset),
            logoTopLeft(settings.logoAlignment, size, logoSize, settings.logoScale,
                        settings.logoOffset)};
}

StampedPicture StampRenderer::render(const QImage &picture, bool pictureOpaque, const QImage &logo,
                                     const StampSettings &settings, const QPoint &textPos,
                                     const QPoint &logoPos)
{
    StampedPicture stamped;
    stamped.image = settings.resize ? resized(picture, pictureOpaque, settings) : picture;
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
    // Band, text and logo are drawn over opaque pixels and keep them opaque.
    stamped.opaque
        = pictureOpaque && !settings.resize && stamped.image.format() == QImage::Format_ARGB32;
    return stamped;
}

QImage StampRenderer::resized(const QImage &picture, bool pictureOpaque,
                              const StampSettings &settings)
{
    if (picture.isNull())
        return picture;
    const auto aspect = settings.keepAspectRatio ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio;
    return resizeCache.scaled(picture, pictureOpaque, settings.outputSize, aspect,
                              settings.transformMode);
}

QImage StampRenderer::scaledLogo(const QImage &logo, const StampSettings &settings)
{
    const QSize target = scaledLogoSize(logo.size(), settings.logoScale);
    if (logo.isNull() || target.isEmpty())
        return QImage();
    return logoCache.scaled(logo, false, target, Qt::KeepAspectRatio, settings.transformMode);
}
