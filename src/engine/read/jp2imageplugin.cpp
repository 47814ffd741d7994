#include "engine/read/jp2imageplugin.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QVariant>

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Largest picture accepted, in pixels (2^28, e.g. 16384 x 16384, 1 GiB as 32-bit pixels). A
// header asking for more is treated as broken or hostile and refused before anything is
// allocated for the pixels.
constexpr qint64 MaxPixels = qint64(1) << 28;
// OpenJPEG keeps one 32-bit integer per sample of every component while decoding; this caps
// their sum so that a header with thousands of components cannot ask for more than 4 GiB.
constexpr qint64 MaxSamples = qint64(1) << 30;
// Largest file read into memory; with the limits above it bounds what one decode may take.
constexpr qint64 MaxFileBytes = qint64(1) << 30;
// How much of the file is peeked at to learn the picture size without reading all of it.
constexpr int HeaderPeekBytes = 64 * 1024;

// The first bytes of a .jp2 file: its 12-byte signature box.
const uchar Jp2Signature[12]
    = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
// The first bytes of a raw codestream: the start-of-codestream marker, then the SIZ marker.
const uchar CodestreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};
// Type of the box of a .jp2 file that holds the codestream: 'jp2c'.
constexpr quint64 CodestreamBoxType = 0x6A703263;

enum class Container { None, Jp2, Codestream };

Container containerOf(const QByteArray &head)
{
    if (head.size() >= int(sizeof Jp2Signature)
        && std::memcmp(head.constData(), Jp2Signature, sizeof Jp2Signature) == 0)
        return Container::Jp2;
    if (head.size() >= int(sizeof CodestreamStart)
        && std::memcmp(head.constData(), CodestreamStart, sizeof CodestreamStart) == 0)
        return Container::Codestream;
    return Container::None;
}

// Looks at the first bytes of the device without consuming them.
Container peekContainer(QIODevice *device)
{
    if (!device || !device->isReadable())
        return Container::None;
    return containerOf(device->peek(int(sizeof Jp2Signature)));
}

QByteArray formatName(Container container)
{
    return container == Container::Codestream ? QByteArrayLiteral("j2k") : QByteArrayLiteral("jp2");
}

// Reads a big-endian unsigned number of 1 to 8 bytes at offset; false when it is not all inside
// data.
bool readBigEndian(const QByteArray &data, qint64 offset, int bytes, quint64 *value)
{
    if (offset < 0 || offset > qint64(data.size()) - bytes)
        return false;
    const auto *p = reinterpret_cast<const uchar *>(data.constData()) + offset;
    quint64 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    *value = v;
    return true;
}

// Where the codestream starts in data: at 0 for a raw codestream; in a .jp2 file, inside the
// first top-level 'jp2c' box, found by walking the boxes before it. -1 when it is not there.
qint64 codestreamOffset(const QByteArray &data, Container container)
{
    if (container == Container::Codestream)
        return 0;
    const qint64 size = data.size();
    qint64 pos = 0;
    while (pos <= size - 8) {
        quint64 length = 0;
        quint64 type = 0;
        readBigEndian(data, pos, 4, &length);
        readBigEndian(data, pos + 4, 4, &type);
        qint64 headerLength = 8;
        if (length == 1) { // a 64-bit length follows the type
            if (!readBigEndian(data, pos + 8, 8, &length))
                return -1;
            headerLength = 16;
        } else if (length == 0) { // the box runs to the end of the file
            length = quint64(size - pos);
        }
        if (type == CodestreamBoxType)
            return pos + headerLength;
        if (length < quint64(headerLength) || length > quint64(size - pos))
            return -1;
        pos += qint64(length);
    }
    return -1;
}

// The picture size written in the SIZ marker segment at the start of the codestream: after the
// two markers come Lsiz and Rsiz (16 bits each), then Xsiz, Ysiz, XOsiz and YOsiz (32 bits
// each); the picture spans XOsiz..Xsiz by YOsiz..Ysiz. False when the header is not inside data,
// or the size is empty or larger than MaxPixels.
bool headerSize(const QByteArray &data, Container container, QSize *size)
{
    if (container == Container::None)
        return false;
    const qint64 start = codestreamOffset(data, container);
    quint64 markers = 0;
    quint64 xsiz = 0;
    quint64 ysiz = 0;
    quint64 xosiz = 0;
    quint64 yosiz = 0;
    if (start < 0 || !readBigEndian(data, start, 4, &markers) || markers != 0xFF4FFF51
        || !readBigEndian(data, start + 8, 4, &xsiz) || !readBigEndian(data, start + 12, 4, &ysiz)
        || !readBigEndian(data, start + 16, 4, &xosiz)
        || !readBigEndian(data, start + 20, 4, &yosiz))
        return false;
    if (xsiz <= xosiz || ysiz <= yosiz)
        return false;
    const quint64 width = xsiz - xosiz;
    const quint64 height = ysiz - yosiz;
    if (width > quint64(MaxPixels) || height > quint64(MaxPixels)
        || width * height > quint64(MaxPixels))
        return false;
    *size = QSize(int(width), int(height));
    return true;
}

// The bytes OpenJPEG reads from, and how far it has read.
struct MemorySource
{
    const uchar *data = nullptr;
    qint64 size = 0;
    qint64 pos = 0;
};

OPJ_SIZE_T readFromMemory(void *buffer, OPJ_SIZE_T count, void *userData)
{
    auto *source = static_cast<MemorySource *>(userData);
    const qint64 left = source->size - source->pos;
    if (left <= 0)
        return OPJ_SIZE_T(-1); // the end of the data
    const auto n = OPJ_SIZE_T(std::min<quint64>(count, quint64(left)));
    std::memcpy(buffer, source->data + source->pos, n);
    source->pos += qint64(n);
    return n;
}

// A skip or seek that would leave the data fails instead of stopping at the edge, so the
// decoder never believes it is somewhere it is not.
OPJ_OFF_T skipInMemory(OPJ_OFF_T count, void *userData)
{
    auto *source = static_cast<MemorySource *>(userData);
    if (count < -source->pos || count > source->size - source->pos)
        return -1;
    source->pos += count;
    return count;
}

OPJ_BOOL seekInMemory(OPJ_OFF_T pos, void *userData)
{
    auto *source = static_cast<MemorySource *>(userData);
    if (pos < 0 || pos > source->size)
        return OPJ_FALSE;
    source->pos = pos;
    return OPJ_TRUE;
}

// OpenJPEG's messages are dropped: a picture that does not decode is reported through
// QImageReader::error(), and a batch of photos must not fill the console.
void ignoreMessage(const char *, void *) { }

// One decode by OpenJPEG of a picture held in memory; owns the codec, the stream and the
// decoded image, and frees them.
class OpenJpegDecoder
{
public:
    OpenJpegDecoder(const QByteArray &data, Container container)
    {
        m_source.data = reinterpret_cast<const uchar *>(data.constData());
        m_source.size = data.size();
        m_codec
            = opj_create_decompress(container == Container::Jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
        // The stream's own buffer need not be bigger than the data it buffers.
        const auto bufferSize
            = OPJ_SIZE_T(std::clamp<qint64>(m_source.size, 4096, OPJ_J2K_STREAM_CHUNK_SIZE));
        m_stream = opj_stream_create(bufferSize, OPJ_TRUE);
        if (!m_codec || !m_stream)
            return;
        opj_set_info_handler(m_codec, ignoreMessage, nullptr);
        opj_set_warning_handler(m_codec, ignoreMessage, nullptr);
        opj_set_error_handler(m_codec, ignoreMessage, nullptr);
        opj_stream_set_read_function(m_stream, readFromMemory);
        opj_stream_set_skip_function(m_stream, skipInMemory);
        opj_stream_set_seek_function(m_stream, seekInMemory);
        opj_stream_set_user_data(m_stream, &m_source, nullptr);
        opj_stream_set_user_data_length(m_stream, OPJ_UINT64(m_source.size));
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        // Strict mode: a cut-off file is an error, not a picture with a grey or missing part.
        m_ready = opj_setup_decoder(m_codec, &parameters)
            && opj_decoder_set_strict_mode(m_codec, OPJ_TRUE);
    }

    ~OpenJpegDecoder()
    {
        if (m_image)
            opj_image_destroy(m_image);
        if (m_stream)
            opj_stream_destroy(m_stream);
        if (m_codec)
            opj_destroy_codec(m_codec);
    }

    OpenJpegDecoder(const OpenJpegDecoder &) = delete;
    OpenJpegDecoder &operator=(const OpenJpegDecoder &) = delete;

    bool readHeader() { return m_ready && opj_read_header(m_stream, m_codec, &m_image) && m_image; }

    bool decode()
    {
        return opj_decode(m_codec, m_stream, m_image) && opj_end_decompress(m_codec, m_stream);
    }

    const opj_image_t *image() const { return m_image; }

private:
    MemorySource m_source;
    opj_codec_t *m_codec = nullptr;
    opj_stream_t *m_stream = nullptr;
    opj_image_t *m_image = nullptr;
    bool m_ready = false;
};

// The picture's area on the reference grid, or an empty size when it is empty or too large.
QSize gridSize(const opj_image_t *image)
{
    if (image->x1 <= image->x0 || image->y1 <= image->y0)
        return {};
    const quint64 width = image->x1 - image->x0;
    const quint64 height = image->y1 - image->y0;
    if (width > quint64(MaxPixels) || height > quint64(MaxPixels)
        || width * height > quint64(MaxPixels))
        return {};
    return QSize(int(width), int(height));
}

// Whether the components, as the header describes them, fit in what the decoder may allocate.
bool componentsFit(const opj_image_t *image)
{
    if (image->numcomps == 0 || !image->comps)
        return false;
    qint64 samples = 0;
    for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
        samples += qint64(image->comps[i].w) * qint64(image->comps[i].h);
        if (samples > MaxSamples)
            return false;
    }
    return true;
}

// One decoded component as the conversion reads it: the sample under each output pixel, and
// how to bring it into 0..255 whatever its precision and sign.
class Plane
{
public:
    bool init(const opj_image_t *image, const opj_image_comp_t &comp, const QSize &size)
    {
        if (!comp.data || comp.w == 0 || comp.h == 0 || comp.dx == 0 || comp.dy == 0
            || comp.prec == 0 || comp.prec > 31 || comp.factor > 31)
            return false;
        m_data = comp.data;
        m_width = comp.w;
        m_maximum = (qint64(1) << comp.prec) - 1;
        // Signed samples are moved up by half their range, so that 0 lands in the middle.
        m_offset = comp.sgnd ? qint64(1) << (comp.prec - 1) : 0;
        // A component may be subsampled: its sample i covers the reference grid from
        // (first + i) * step to (first + i + 1) * step, first being the first sample inside
        // the picture. Every output pixel takes the sample that covers it.
        m_columns = samplesUnder(image->x0, size.width(), quint64(comp.dx) << comp.factor, comp.w);
        m_rows = samplesUnder(image->y0, size.height(), quint64(comp.dy) << comp.factor, comp.h);
        return true;
    }

    const OPJ_INT32 *row(int y) const { return m_data + qint64(m_rows[size_t(y)]) * m_width; }

    // The sample under column x as an unsigned number in 0..maximum().
    qint64 value(const OPJ_INT32 *row, int x) const
    {
        return std::clamp<qint64>(qint64(row[m_columns[size_t(x)]]) + m_offset, 0, m_maximum);
    }

    // The same, rounded to 0..255.
    int eightBit(const OPJ_INT32 *row, int x) const
    {
        const qint64 v = value(row, x);
        if (m_maximum == 255)
            return int(v);
        return int((v * 255 + m_maximum / 2) / m_maximum);
    }

    // The same on the 0..255 scale, unrounded.
    double scaled(const OPJ_INT32 *row, int x) const { return value(row, x) * 255.0 / m_maximum; }

    // The same on the 0..255 scale, less the middle of the range; for colour differences.
    double centred(const OPJ_INT32 *row, int x) const
    {
        return (value(row, x) - (m_maximum + 1) / 2) * 255.0 / m_maximum;
    }

private:
    static std::vector<OPJ_UINT32> samplesUnder(quint64 origin, int count, quint64 step,
                                                OPJ_UINT32 samples)
    {
        const quint64 first = (origin + step - 1) / step;
        std::vector<OPJ_UINT32> indices(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const quint64 sample = (origin + quint64(i)) / step;
            indices[size_t(i)]
                = OPJ_UINT32(std::min<quint64>(sample > first ? sample - first : 0, samples - 1));
        }
        return indices;
    }

    const OPJ_INT32 *m_data = nullptr;
    qint64 m_width = 0;
    qint64 m_maximum = 255;
    qint64 m_offset = 0;
    std::vector<OPJ_UINT32> m_columns;
    std::vector<OPJ_UINT32> m_rows;
};

int toByte(double v)
{
    return v <= 0.0 ? 0 : v >= 255.0 ? 255 : int(v + 0.5);
}

enum class ColourModel { Grey, Rgb, Ycc, Cmyk };

// Which components hold the colours and which one, if any, the opacity.
struct Layout
{
    ColourModel model = ColourModel::Grey;
    std::vector<OPJ_UINT32> colours;
    int alpha = -1;
    bool premultiplied = false;
};

Layout layoutOf(const opj_image_t *image)
{
    Layout layout;
    const OPJ_UINT32 count = image->numcomps;
    // A .jp2 file names its opacity component (OpenJPEG marks it); otherwise go by the usual
    // arrangements: grey + alpha in two components, colour + alpha in four.
    for (OPJ_UINT32 i = 0; i < count && layout.alpha < 0; ++i) {
        if (image->comps[i].alpha != 0) {
            layout.alpha = int(i);
            layout.premultiplied = image->comps[i].alpha == 2;
        }
    }
    if (layout.alpha < 0) {
        if (count == 2)
            layout.alpha = 1;
        else if (count >= 4 && image->color_space != OPJ_CLRSPC_CMYK)
            layout.alpha = 3;
    }
    // A lone component is grey, even if it is marked as opacity.
    if (count == 1)
        layout.alpha = -1;
    for (OPJ_UINT32 i = 0; i < count; ++i) {
        if (int(i) != layout.alpha)
            layout.colours.push_back(i);
    }

    if (layout.colours.size() >= 4 && image->color_space == OPJ_CLRSPC_CMYK) {
        layout.model = ColourModel::Cmyk;
    } else if (layout.colours.size() >= 3) {
        const opj_image_comp_t &luma = image->comps[layout.colours[0]];
        const opj_image_comp_t &blue = image->comps[layout.colours[1]];
        const opj_image_comp_t &red = image->comps[layout.colours[2]];
        // A raw codestream does not say its colour space; three components whose last two
        // are subsampled are luma and colour differences, as cameras and encoders write them.
        const bool unsaid = image->color_space == OPJ_CLRSPC_UNSPECIFIED
            || image->color_space == OPJ_CLRSPC_UNKNOWN;
        const bool chromaSubsampled
            = blue.dx > luma.dx || blue.dy > luma.dy || red.dx > luma.dx || red.dy > luma.dy;
        layout.model = image->color_space == OPJ_CLRSPC_SYCC || (unsaid && chromaSubsampled)
            ? ColourModel::Ycc
            : ColourModel::Rgb;
    }
    return layout;
}

// Turns the decoded components into a QImage: Format_ARGB32 when there is an opacity
// component, Format_RGB32 otherwise. Other colour spaces than grey, sRGB, sYCC and CMYK are
// shown as their first components taken for red, green and blue.
QImage toQImage(const opj_image_t *image)
{
    const QSize size = gridSize(image);
    if (size.isEmpty())
        return {};
    const Layout layout = layoutOf(image);
    const size_t colourCount = layout.model == ColourModel::Grey ? 1
        : layout.model == ColourModel::Cmyk                      ? 4
                                                                 : 3;
    std::vector<Plane> colours(colourCount);
    for (size_t i = 0; i < colourCount; ++i) {
        if (!colours[i].init(image, image->comps[layout.colours[i]], size))
            return {};
    }
    Plane alpha;
    const bool hasAlpha = layout.alpha >= 0;
    if (hasAlpha && !alpha.init(image, image->comps[layout.alpha], size))
        return {};

    QImage result(size, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (result.isNull())
        return {};
    std::vector<const OPJ_INT32 *> rows(colourCount);
    for (int y = 0; y < size.height(); ++y) {
        for (size_t i = 0; i < colourCount; ++i)
            rows[i] = colours[i].row(y);
        const OPJ_INT32 *alphaRow = hasAlpha ? alpha.row(y) : nullptr;
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            int r = 0;
            int g = 0;
            int b = 0;
            switch (layout.model) {
            case ColourModel::Grey:
                r = g = b = colours[0].eightBit(rows[0], x);
                break;
            case ColourModel::Rgb:
                r = colours[0].eightBit(rows[0], x);
                g = colours[1].eightBit(rows[1], x);
                b = colours[2].eightBit(rows[2], x);
                break;
            case ColourModel::Ycc: {
                // Full-range luma and colour differences, as sYCC and JFIF define them.
                const double luma = colours[0].scaled(rows[0], x);
                const double cb = colours[1].centred(rows[1], x);
                const double cr = colours[2].centred(rows[2], x);
                r = toByte(luma + 1.402 * cr);
                g = toByte(luma - 0.344136 * cb - 0.714136 * cr);
                b = toByte(luma + 1.772 * cb);
                break;
            }
            case ColourModel::Cmyk: {
                const int k = 255 - colours[3].eightBit(rows[3], x);
                r = (255 - colours[0].eightBit(rows[0], x)) * k / 255;
                g = (255 - colours[1].eightBit(rows[1], x)) * k / 255;
                b = (255 - colours[2].eightBit(rows[2], x)) * k / 255;
                break;
            }
            }
            if (!hasAlpha) {
                line[x] = qRgb(r, g, b);
                continue;
            }
            const int a = alpha.eightBit(alphaRow, x);
            if (layout.premultiplied) {
                line[x] = qUnpremultiply(qRgba(std::min(r, a), std::min(g, a), std::min(b, a), a));
            } else {
                line[x] = qRgba(r, g, b, a);
            }
        }
    }
    return result;
}

class Jp2Handler : public QImageIOHandler
{
public:
    bool canRead() const override
    {
        // Once the data is in memory (after a size query or a read) the device is at its end;
        // the answer stays what its first bytes said, as QImageReader::format() asks again.
        const Container container = m_loaded ? m_container : peekContainer(device());
        if (container == Container::None)
            return false;
        setFormat(formatName(container));
        return true;
    }

    bool read(QImage *image) override
    {
        if (m_done || !loadData() || m_container == Container::None)
            return false;
        // One picture per file: the data is not needed after this attempt.
        m_done = true;
        const QByteArray data = std::exchange(m_data, QByteArray());
        if (!headerSize(data, m_container, &m_size))
            return false;
        OpenJpegDecoder decoder(data, m_container);
        if (!decoder.readHeader() || gridSize(decoder.image()).isEmpty()
            || !componentsFit(decoder.image()) || !decoder.decode())
            return false;
        QImage result = toQImage(decoder.image());
        if (result.isNull())
            return false;
        *image = result;
        return true;
    }

    bool supportsOption(ImageOption option) const override { return option == Size; }

    QVariant option(ImageOption option) const override
    {
        if (option != Size)
            return {};
        if (m_size.isValid())
            return m_size;
        if (!m_loaded) {
            // The header is usually within the first bytes; peeking leaves the device as it is.
            QIODevice *dev = device();
            if (!dev || !dev->isReadable())
                return {};
            const QByteArray head = dev->peek(HeaderPeekBytes);
            if (headerSize(head, containerOf(head), &m_size))
                return m_size;
            if (!loadData())
                return {};
        }
        if (headerSize(m_data, m_container, &m_size))
            return m_size;
        return {};
    }

private:
    // Reads the rest of the device into memory once; OpenJPEG decodes from there.
    bool loadData() const
    {
        if (m_loaded)
            return true;
        QIODevice *dev = device();
        if (!dev || !dev->isReadable())
            return false;
        if (!dev->isSequential() && dev->size() - dev->pos() > MaxFileBytes)
            return false;
        m_loaded = true;
        m_data = dev->readAll();
        if (m_data.size() > MaxFileBytes)
            m_data.clear();
        m_container = containerOf(m_data);
        return true;
    }

    mutable QByteArray m_data;
    mutable Container m_container = Container::None;
    mutable bool m_loaded = false;
    // The size from the header, once known.
    mutable QSize m_size;
    bool m_done = false;
};

bool isKey(const QByteArray &format)
{
    return format == "jp2" || format == "j2k" || format == "jpf" || format == "jpx"
        || format == "j2c";
}

} // namespace

QImageIOPlugin::Capabilities Jp2ImagePlugin::capabilities(QIODevice *device,
                                                          const QByteArray &format) const
{
    if (isKey(format))
        return CanRead;
    // With no format given, QImageReader is asking whether the content is ours.
    if (!format.isEmpty() || !device || !device->isOpen())
        return {};
    return peekContainer(device) != Container::None ? CanRead : Capabilities();
}

QImageIOHandler *Jp2ImagePlugin::create(QIODevice *device, const QByteArray &format) const
{
    auto *handler = new Jp2Handler;
    handler->setDevice(device);
    // The content names the format; QImageReader may pass the file's suffix, whatever it is.
    const Container container = peekContainer(device);
    handler->setFormat(container != Container::None ? formatName(container)
                           : format.isEmpty()       ? QByteArrayLiteral("jp2")
                                                    : format);
    return handler;
}
