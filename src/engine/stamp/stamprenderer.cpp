#include "engine/stamp/stamprenderer.h"

#include "engine/read/pictureguards.h"

#include <QPainter>

#include <climits>
#include <cmath>

namespace {

// `value` × `factor` rounded half away from zero, kept within what a placement can add up.
int scaledWhole(int value, double factor)
{
    return int(qBound(-1e9, std::round(value * factor), 1e9));
}

// The font engine draws text up to 65535 pixels high and falls back to its default size beyond.
constexpr int LargestTextPixels = 65535;

// `font` with its size multiplied by `factor`, within what the font engine draws at the working
// copy's 96 dots per inch.
QFont scaledFont(const QFont &font, double factor)
{
    QFont scaled = font;
    if (font.pointSizeF() > 0)
        scaled.setPointSizeF(qMin(font.pointSizeF() * factor, LargestTextPixels * 72.0 / 96));
    else
        scaled.setPixelSize(qBound(1, scaledWhole(font.pixelSize(), factor), LargestTextPixels));
    return scaled;
}

// Whether a picture of `pictureSize` is resized: resizing is on, and the picture does not fit
// inside the box when it is never to be enlarged. A picture that fits keeps its size even where
// ignoring the aspect ratio would stretch it along one side only.
bool resizesPicture(const QSize &pictureSize, const StampSettings &settings)
{
    const bool fits = pictureSize.width() <= settings.outputSize.width()
        && pictureSize.height() <= settings.outputSize.height();
    return settings.resize && !(settings.neverEnlarge && fits);
}

} // namespace

QSize scaledLogoSize(const QSize &logoSize, double scale)
{
    const auto side = [scale](int length) { return int(qMin(length * scale, double(INT_MAX))); };
    return QSize(side(logoSize.width()), side(logoSize.height()));
}

QSize stampedSize(const QSize &pictureSize, const StampSettings &settings)
{
    if (!resizesPicture(pictureSize, settings))
        return pictureSize;
    return scaledImageSize(pictureSize, settings.outputSize,
                           settings.keepAspectRatio ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio);
}

double stampScale(const QSize &stampedSize, const StampSettings &settings)
{
    if (!settings.scaleWithPicture || settings.referenceShorterSide <= 0)
        return 1.0;
    return double(qMin(stampedSize.width(), stampedSize.height())) / settings.referenceShorterSide;
}

StampSettings drawnStamp(const StampSettings &settings, const QSize &stampedSize)
{
    if (!settings.scaleWithPicture)
        return settings;
    const double factor = stampScale(stampedSize, settings);
    StampSettings drawn = settings;
    drawn.scaleWithPicture = false;
    drawn.font = scaledFont(settings.font, factor);
    drawn.logoScale = settings.logoScale * factor;
    drawn.textOffset = QPoint(scaledWhole(settings.textOffset.x(), factor),
                              scaledWhole(settings.textOffset.y(), factor));
    drawn.logoOffset = QPoint(scaledWhole(settings.logoOffset.x(), factor),
                              scaledWhole(settings.logoOffset.y(), factor));
    drawn.bandRows = scaledWhole(settings.bandRows, factor);
    return drawn;
}

StampPlacement placeStamp(const StampSettings &settings, const QSize &logoSize,
                          const QImage &picture, const QRect &drawnTextBox)
{
    const QSize size = stampedSize(picture.size(), settings);
    const StampSettings drawn = drawnStamp(settings, size);
    QSize textSize = drawnTextBox.size();
    if (drawnTextBox.width() == 0)
        textSize = drawn.text.isEmpty()
            ? QSize()
            : measureText(drawn.text, drawn.font, picture.dotsPerMeterX(), picture.dotsPerMeterY())
                  .size();
    return {textTopLeft(drawn.textAlignment, size, textSize, drawn.textOffset),
            logoTopLeft(drawn.logoAlignment, size, logoSize, drawn.logoScale, drawn.logoOffset)};
}

StampRenderer::StampRenderer(std::shared_ptr<ScaledLogos> logos)
    : logos(std::move(logos))
{
}

StampedPicture StampRenderer::render(QImage picture, bool pictureOpaque, const QImage &logo,
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
    const bool resizes = size != picture.size();
    stamped.image = resizes ? resized(picture, pictureOpaque, settings) : std::move(picture);
    if (stamped.image.isNull()) {
        stamped.error = notEnoughMemoryReason(QStringLiteral("the stamped picture"), size);
        return stamped;
    }
    const StampSettings drawn = drawnStamp(settings, stamped.image.size());

    shadeBand(stamped.image, drawn.bandEdge, drawn.bandRows, drawn.bandTone);

    if (!drawn.text.isEmpty()) {
        QPainter painter(&stamped.image);
        painter.setPen(QPen(drawn.color));
        painter.setFont(drawn.font);
        painter.drawText(QRect(textPos, QSize(99999, 99999)), 0, drawn.text, &stamped.textRect);
    }

    if (!drawLogo(stamped.image, logo, drawn, logoPos, &stamped.error)) {
        stamped.image = QImage();
        return stamped;
    }
    // Drawing on a picture shared with the source copies it first, which can fail for memory.
    if (stamped.image.isNull()) {
        stamped.error = notEnoughMemoryReason(QStringLiteral("the stamped picture"), size);
        return stamped;
    }
    // The logo's box.
    const QSize logoTarget = scaledLogoSize(logo.size(), drawn.logoScale);
    if (!logo.isNull() && !logoTarget.isEmpty())
        stamped.logoRect
            = QRect(logoPos, scaledImageSize(logo.size(), logoTarget, Qt::KeepAspectRatio));
    // Band, text and logo are drawn over opaque pixels and keep them opaque.
    stamped.opaque = pictureOpaque && !resizes && stamped.image.format() == QImage::Format_ARGB32;
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
