#include "engine/stamp/stamprenderer.h"

#include "engine/read/pictureguards.h"

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

StampRenderer::StampRenderer(std::shared_ptr<ScaledLogos> logos)
    : logos(std::move(logos))
{
}

StampedPicture StampRenderer::render(const QImage &picture, bool pictureOpaque, const QImage &logo,
                                     const StampSettings &settings, const QPoint &textPos,
                                     const QPoint &logoPos)
{
    StampedPicture stamped;
    if (picture.isNull())
        return stamped;
    const QSize size = stampedSize(picture.size(), settings);
    stamped.error = stampedSizeRefusal(picture.size(), size);
    if (!stamped.error.isEmpty())
        return stamped;
    stamped.image = settings.resize ? resized(picture, pictureOpaque, settings) : picture;
    if (stamped.image.isNull()) {
        stamped.error = notEnoughMemoryReason(QStringLiteral("the stamped picture"), size);
        return stamped;
    }

    shadeBand(stamped.image, settings.bandEdge, settings.bandRows, settings.bandTone);

    if (!settings.text.isEmpty()) {
        QPainter painter(&stamped.image);
        painter.setPen(QPen(settings.color));
        painter.setFont(settings.font);
        painter.drawText(QRect(textPos, QSize(99999, 99999)), 0, settings.text, &stamped.textRect);
    }

    if (!drawLogo(stamped.image, logo, settings, logoPos, &stamped.error)) {
        stamped.image = QImage();
        return stamped;
    }
    // Drawing on a picture shared with the source copies it first, which can fail for memory.
    if (stamped.image.isNull()) {
        stamped.error = notEnoughMemoryReason(QStringLiteral("the stamped picture"), size);
        return stamped;
    }
    // Band, text and logo are drawn over opaque pixels and keep them opaque.
    stamped.opaque
        = pictureOpaque && !settings.resize && stamped.image.format() == QImage::Format_ARGB32;
    return stamped;
}

QImage StampRenderer::resized(const QImage &picture, bool pictureOpaque,
                              const StampSettings &settings)
{
    const auto aspect = settings.keepAspectRatio ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio;
    return resizeCache.scaled(picture, pictureOpaque, settings.outputSize, aspect,
                              settings.transformMode);
}

bool StampRenderer::drawLogo(QImage &image, const QImage &logo, const StampSettings &settings,
                             const QPoint &logoPos, QString *error)
{
    const QSize target = scaledLogoSize(logo.size(), settings.logoScale);
    if (logo.isNull() || target.isEmpty())
        return true;
    const QSize drawn = scaledImageSize(logo.size(), target, Qt::KeepAspectRatio);
    QPainter painter(&image);
    if (qint64(drawn.width()) * drawn.height() > qint64(image.width()) * image.height()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform,
                              settings.transformMode == Qt::SmoothTransformation);
        painter.drawImage(QRect(logoPos, drawn), logo);
        return true;
    }
    const QImage scaled = logos->scaled(logo, target, settings.transformMode);
    if (scaled.isNull()) {
        *error = notEnoughMemoryReason(QStringLiteral("the logo"), drawn);
        return false;
    }
    painter.drawImage(logoPos, scaled);
    return true;
}
