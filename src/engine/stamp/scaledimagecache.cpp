#include "engine/stamp/scaledimagecache.h"

#include <QColorSpace>

QSize scaledImageSize(const QSize &sourceSize, const QSize &box, Qt::AspectRatioMode aspectMode)
{
    const QSize fitted = sourceSize.scaled(box, aspectMode);
    return QSize(qMax(fitted.width(), 1), qMax(fitted.height(), 1));
}

QImage scaledImage(const QImage &source, bool sourceOpaque, const QSize &size,
                   Qt::AspectRatioMode aspectMode, Qt::TransformationMode transformMode)
{
    if (sourceOpaque && transformMode == Qt::SmoothTransformation
        && source.format() == QImage::Format_ARGB32 && !size.isEmpty()
        && scaledImageSize(source.size(), size, aspectMode) != source.size()) {
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

QImage ScaledImageCache::scaled(const QImage &source, bool sourceOpaque, const QSize &size,
                                Qt::AspectRatioMode aspectMode,
                                Qt::TransformationMode transformMode)
{
    if (result.isNull() || source.cacheKey() != sourceKey || size != targetSize
        || aspectMode != aspect || transformMode != mode) {
        result = scaledImage(source, sourceOpaque, size, aspectMode, transformMode);
        sourceKey = source.cacheKey();
        targetSize = size;
        aspect = aspectMode;
        mode = transformMode;
    }
    return result;
}

QImage ScaledLogos::scaled(const QImage &logo, const QSize &size, Qt::TransformationMode mode)
{
    // Enough for the logo of a run and a few sizes of it, as pictures of other sizes ask.
    constexpr size_t keptScalings = 4;
    const std::lock_guard<std::mutex> lock(mutex);
    for (const Scaling &scaling : kept) {
        if (scaling.logoKey == logo.cacheKey() && scaling.size == size && scaling.mode == mode)
            return scaling.scaled;
    }
    const QImage scaled = scaledImage(logo, false, size, Qt::KeepAspectRatio, mode);
    if (scaled.isNull())
        return scaled;
    kept.push_front({logo.cacheKey(), size, mode, scaled});
    if (kept.size() > keptScalings)
        kept.pop_back();
    return scaled;
}
