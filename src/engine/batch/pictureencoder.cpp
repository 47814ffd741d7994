#include "engine/batch/pictureencoder.h"

#include "engine/batch/picturetypes.h"
#include "engine/read/pictureguards.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QPainter>
#include <QPluginLoader>

#include <cstring>
#include <memory>

namespace {

// The first installed plug-in, in the toolkit's order of search, that declares `format` and
// writes it; null when none does.
QImageIOPlugin *findWritingPlugin(const QByteArray &format)
{
    // The plug-in's one instance is made by the toolkit's own loader, which serialises that and
    // gives the instance to the main thread, as every later use by the toolkit expects: a reader
    // asked for the format by name loads that plug-in alone.
    QBuffer nothing;
    nothing.open(QIODevice::ReadOnly);
    QImageReader byName(&nothing, format);
    byName.setAutoDetectImageFormat(false);
    byName.canRead();

    const QString name = QString::fromLatin1(format);
    for (const QString &libraryPath : QCoreApplication::libraryPaths()) {
        const QDir folder(libraryPath + QLatin1String("/imageformats"));
        for (const QString &fileName : folder.entryList(QDir::Files)) {
            QPluginLoader loader(folder.absoluteFilePath(fileName));
            const QJsonObject metaData = loader.metaData();
            if (metaData.value(QLatin1String("IID")).toString()
                    != QLatin1String(QImageIOHandlerFactoryInterface_iid)
                || !metaData.value(QLatin1String("MetaData"))
                        .toObject()
                        .value(QLatin1String("Keys"))
                        .toArray()
                        .contains(name))
                continue;
            // Loaded already: the instance the toolkit made.
            auto plugin = qobject_cast<QImageIOPlugin *>(loader.instance());
            if (plugin && plugin->capabilities(nullptr, format) & QImageIOPlugin::CanWrite)
                return plugin;
        }
    }
    return nullptr;
}

// Whether each of the `count` 32-bit pixels of `line` has alpha 255: exactly when all of them
// and-ed together have. Read two pixels at a time into four accumulators, so that a photo's worth
// costs little beside its encoding.
bool opaqueLine(const uchar *line, int count)
{
    quint64 all[4] = {~quint64(0), ~quint64(0), ~quint64(0), ~quint64(0)};
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        quint64 pairs[4];
        std::memcpy(pairs, line + 4 * x, sizeof pairs);
        all[0] &= pairs[0];
        all[1] &= pairs[1];
        all[2] &= pairs[2];
        all[3] &= pairs[3];
    }
    const quint64 pair = all[0] & all[1] & all[2] & all[3];
    quint32 one = quint32(pair) & quint32(pair >> 32);
    for (; x < count; ++x) {
        quint32 pixel;
        std::memcpy(&pixel, line + 4 * x, sizeof pixel);
        one &= pixel;
    }
    return qAlpha(one) == 255;
}

QImageIOPlugin *writingPlugin(const QByteArray &format)
{
    static QMutex lock;
    static QHash<QByteArray, QImageIOPlugin *> found;
    const QMutexLocker locked(&lock);
    const auto known = found.constFind(format);
    if (known != found.cend())
        return *known;
    return found[format] = findWritingPlugin(format);
}

// The toolkit's PNG writer takes quality q as zlib level (100 - q) * 9 / 91: 70 is level 2. Its
// default, level 6, costs a photo four times as much CPU for a file a few per cent smaller.
constexpr int pngQuality = 70;

// Whether every pixel of a 32-bit `picture` has alpha 255.
bool everyPixelOpaque(const QImage &picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        if (!opaqueLine(picture.constScanLine(y), picture.width()))
            return false;
    }
    return true;
}

bool isArgb32(const QImage &picture)
{
    return picture.format() == QImage::Format_ARGB32
        || picture.format() == QImage::Format_ARGB32_Premultiplied;
}

// `picture` without its alpha channel when it is 32-bit and no pixel is translucent: its bits read
// as RGB32, shared, so that encoders write three channels instead of four. The view must not
// outlive `picture`, and nothing writes its pixels (over read-only bits, even setting its
// resolution would copy them all).
QImage withoutUnusedAlpha(const QImage &picture)
{
    if (!isArgb32(picture) || !everyPixelOpaque(picture))
        return picture;
    QImage opaque(const_cast<uchar *>(picture.constBits()), picture.width(), picture.height(),
                  picture.bytesPerLine(), QImage::Format_RGB32);
    opaque.setDotsPerMeterX(picture.dotsPerMeterX());
    opaque.setDotsPerMeterY(picture.dotsPerMeterY());
    opaque.setOffset(picture.offset());
    opaque.setColorSpace(picture.colorSpace());
    for (const QString &key : picture.textKeys())
        opaque.setText(key, picture.text(key));
    return opaque;
}

// Whether an AVIF states the colours of a picture in `space` as they are. The format states them
// by the codes of video standards instead of a profile, and its writer names the primaries of sRGB
// and Display P3 with the sRGB, linear, 2.2 and 2.8 gamma curves, and no others: Adobe RGB, say,
// would be written as sRGB primaries and shown duller.
bool avifStatesColourSpace(const QColorSpace &space)
{
    using Primaries = QColorSpace::Primaries;
    using Transfer = QColorSpace::TransferFunction;
    if (!space.isValid())
        return true;
    const bool namedPrimaries
        = space.primaries() == Primaries::SRgb || space.primaries() == Primaries::DciP3D65;
    const Transfer transfer = space.transferFunction();
    const bool namedCurve = transfer == Transfer::SRgb || transfer == Transfer::Linear
        || (transfer == Transfer::Gamma
            && (qFuzzyCompare(space.gamma(), 2.2f) || qFuzzyCompare(space.gamma(), 2.8f)));
    return namedPrimaries && namedCurve;
}

} // namespace

PictureEncoder::PictureEncoder(const QByteArray &format, int quality)
    : format(format.toLower())
    , quality(quality < 0 && this->format == "png" ? pngQuality : quality)
{
}

QImage overWhite(const QImage &picture)
{
    // Another format with alpha is rare here: composing it changes no opaque pixel either.
    if (!picture.hasAlphaChannel() || (isArgb32(picture) && everyPixelOpaque(picture)))
        return picture;
    QImage flat(picture.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return flat;
    flat.fill(Qt::white);
    flat.setDotsPerMeterX(picture.dotsPerMeterX());
    flat.setDotsPerMeterY(picture.dotsPerMeterY());
    flat.setColorSpace(picture.colorSpace());
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    return flat;
}

QByteArray PictureEncoder::encode(const QImage &picture, QString *reason) const
{
    const ThreadWarnings encoderWarnings;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString encoderReason;
    // A format with alpha keeps the picture's, where a pixel is translucent; another gets what is
    // not opaque over white.
    QImage written = formatKeepsTransparency(QString::fromLatin1(format))
        ? withoutUnusedAlpha(picture)
        : overWhite(picture);
    if (format == "avif" && !avifStatesColourSpace(written.colorSpace()))
        written = written.convertedToColorSpace(QColorSpace::SRgb);
    if (encodeInto(written, &buffer, &encoderReason))
        return bytes;
    if (reason)
        *reason = encoderWarnings.messages().isEmpty() ? encoderReason
                                                       : encoderWarnings.messages().constFirst();
    return QByteArray();
}

bool PictureEncoder::encodeInto(const QImage &picture, QIODevice *device, QString *reason) const
{
    QImageIOPlugin *plugin = writingPlugin(format);
    if (!plugin) {
        QImageWriter writer(device, format);
        writer.setQuality(quality);
        const bool encoded = writer.write(picture);
        if (!encoded)
            *reason = writer.errorString();
        return encoded;
    }
    // The options the writer gives every encoder, with its defaults.
    const std::unique_ptr<QImageIOHandler> handler(plugin->create(device, format));
    if (handler->supportsOption(QImageIOHandler::Quality))
        handler->setOption(QImageIOHandler::Quality, quality);
    if (handler->supportsOption(QImageIOHandler::CompressionRatio))
        handler->setOption(QImageIOHandler::CompressionRatio, -1);
    if (handler->supportsOption(QImageIOHandler::Gamma))
        handler->setOption(QImageIOHandler::Gamma, 0.0f);
    if (handler->supportsOption(QImageIOHandler::OptimizedWrite))
        handler->setOption(QImageIOHandler::OptimizedWrite, false);
    if (handler->supportsOption(QImageIOHandler::ProgressiveScanWrite))
        handler->setOption(QImageIOHandler::ProgressiveScanWrite, false);
    if (handler->supportsOption(QImageIOHandler::ImageTransformation))
        handler->setOption(QImageIOHandler::ImageTransformation,
                           int(QImageIOHandler::TransformationNone));
    const bool encoded = handler->write(picture);
    if (!encoded) // the writer's own words when an encoder fails
        *reason = QCoreApplication::translate("QImageWriter", "Unknown error");
    return encoded;
}
