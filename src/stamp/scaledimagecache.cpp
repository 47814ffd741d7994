#include "stamp/scaledimagecache.h"

#include <QColorSpace>

bool isOpaque(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        // AND of the whole line first: a loop without a branch per pixel.
        const auto line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QRgb all = 0xffffffff;
        for (int x = 0; x < image.width(); ++x)
            all &= line[x];
        if (qAlpha(all) != 255)
            return false;
    }
    return true;
}

namespace {

// The size QImage::scaled gives: the box fitted by the aspect mode, at least one pixel a side.
QSize resultSize(const QImage &source, const QSize &box, Qt::AspectRatioMode aspectMode)
{
    const QSize fitted = source.size().scaled(box, aspectMode);
    return QSize(qMax(fitted.width(), 1), qMax(fitted.height(), 1));
}

} // namespace

QImage scaledImage(const QImage &source, const QSize &size, Qt::AspectRatioMode aspectMode,
                   Qt::TransformationMode transformMode)
{
    if (transformMode == Qt::SmoothTransformation && source.format() == QImage::Format_ARGB32
        && !size.isEmpty() && resultSize(source, size, aspectMode) != source.size()
        && isOpaque(source)) {
        // Same bits, read as premultiplied: the toolkit scales it directly.
        const QImage premultiplied(source.constBits(), source.width(), source.height(),
                                   source.bytesPerLine(), QImage::Format_ARGB32_Premultiplied);
        QImage scaled = premultiplied.scaled(size, aspectMode, transformMode);
        scaled.setDotsPerMeterX(source.dotsPerMeterX());
        scaled.setDotsPerMeterY(source.dotsPerMeterY());
        scaled.setColorSpace(source.colorSpace());
        return scaled;
    }
    return source.scaled(size, aspectMode, transformMode);
}

QImage ScaledImageCache::scaled(const QImage &source, const QSize &size,
                                Qt::AspectRatioMode aspectMode,
                                Qt::TransformationMode transformMode)
{
    if (result.isNull() || source.cacheKey() != sourceKey || size != targetSize
        || aspectMode != aspect || transformMode != mode) {
        result = scaledImage(source, size, aspectMode, transformMode);
        sourceKey = source.cacheKey();
        targetSize = size;
        aspect = aspectMode;
        mode = transformMode;
    }
    return result;
}
