#ifndef TESSARO_SCALEDIMAGECACHE_H
#define TESSARO_SCALEDIMAGECACHE_H

#include <QImage>
#include <QSize>

#include <deque>
#include <mutex>

// The size QImage::scaled gives a picture of `sourceSize` for `box`: the box fitted by the aspect
// mode, at least one pixel a side.
QSize scaledImageSize(const QSize &sourceSize, const QSize &box, Qt::AspectRatioMode aspectMode);

// QImage::scaled with the same result, made cheaper for a 32-bit ARGB picture known to be opaque
// (`sourceOpaque`): the toolkit converts such a picture to premultiplied form before smooth
// scaling, which costs more than the scaling itself, while an opaque picture already has the
// same bits in either form.
QImage scaledImage(const QImage &source, bool sourceOpaque, const QSize &size,
                   Qt::AspectRatioMode aspectMode, Qt::TransformationMode transformMode);

// Remembers the last scaling it did, keyed by the source picture's cache key, the target size
// and both modes, so that scaling the same picture the same way again costs nothing.
class ScaledImageCache
{
public:
    QImage scaled(const QImage &source, bool sourceOpaque, const QSize &size,
                  Qt::AspectRatioMode aspectMode, Qt::TransformationMode transformMode);

private:
    qint64 sourceKey = 0;
    QSize targetSize;
    Qt::AspectRatioMode aspect = Qt::IgnoreAspectRatio;
    Qt::TransformationMode mode = Qt::FastTransformation;
    QImage result;
};

// Logos scaled once for every picture they are drawn on: the last few scalings asked for, by the
// logo's cache key, the size and the mode, shared by threads. A logo is scaled once even when
// several threads ask for it at the same time.
class ScaledLogos
{
public:
    // `logo` scaled to fit `size` (as scaledImage with Qt::KeepAspectRatio); null when there is no
    // memory for it.
    QImage scaled(const QImage &logo, const QSize &size, Qt::TransformationMode mode);

private:
    struct Scaling
    {
        qint64 logoKey;
        QSize size;
        Qt::TransformationMode mode;
        QImage scaled;
    };

    std::mutex mutex;
    std::deque<Scaling> kept; // the newest first
};

#endif // TESSARO_SCALEDIMAGECACHE_H
