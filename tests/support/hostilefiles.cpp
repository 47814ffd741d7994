#include "support/hostilefiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QThread>
#include <QtEndian>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray littleEndian(quint32 value, int bytes)
{
    QByteArray text(4, '\0');
    qToLittleEndian(value, text.data());
    return text.left(bytes);
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    return bigEndian32(quint32(data.size())) + type + data + bigEndian32(crc32(type + data));
}

} // namespace

QByteArray encoded(const QImage &picture, const char *format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format))
        qFatal("cannot encode %s", format);
    return buffer.data();
}

QByteArray pngBomb(const QSize &size)
{
    const QByteArray header = bigEndian32(quint32(size.width()))
        + bigEndian32(quint32(size.height())) + QByteArray::fromHex("0100000000");
    const int rowBytes = 1 + (size.width() + 7) / 8;
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header)
        + pngChunk("IDAT", qCompress(QByteArray(rowBytes * 16, '\0')).mid(4))
        + pngChunk("IEND", QByteArray());
}

QByteArray tiffBomb(const QSize &size)
{
    const quint32 stripBytes = quint32((size.width() + 7) / 8) * quint32(size.height());
    const struct
    {
        quint16 tag;
        quint16 type; // 3 SHORT, 4 LONG
        quint32 value;
    } entries[] = {
        {256, 4, quint32(size.width())},
        {257, 4, quint32(size.height())},
        {258, 3, 1},
        {259, 3, 1},
        {262, 3, 1},
        {273, 4, 8 + 2 + 9 * 12 + 4},
        {277, 3, 1},
        {278, 4, quint32(size.height())},
        {279, 4, stripBytes},
    };
    QByteArray tiff = QByteArray("II*\0", 4) + littleEndian(8, 4) + littleEndian(9, 2);
    for (const auto &entry : entries)
        tiff += littleEndian(entry.tag, 2) + littleEndian(entry.type, 2) + littleEndian(1, 4)
            + littleEndian(entry.value, 4);
    return tiff + littleEndian(0, 4) + QByteArray(256, '\0');
}

QByteArray jpegBomb(const QSize &size)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::gray);
    QByteArray jpeg = encoded(small, "jpg");
    const int frame = jpeg.indexOf(QByteArray::fromHex("ffc0"));
    qToBigEndian(quint16(size.height()), jpeg.data() + frame + 5);
    qToBigEndian(quint16(size.width()), jpeg.data() + frame + 7);
    return jpeg;
}

QByteArray heifBomb(QByteArray file, const QSize &size)
{
    // An "ispe" property: its size and type, version and flags, width, height.
    for (int at = file.indexOf("ispe"); at >= 4; at = file.indexOf("ispe", at + 1)) {
        qToBigEndian(quint32(size.width()), file.data() + at + 8);
        qToBigEndian(quint32(size.height()), file.data() + at + 12);
    }
    return file;
}

QByteArray jxlBomb(const QSize &size)
{
    // The signature, then the size header's bits from the lowest of each byte: not small, the
    // height in a field of 30 bits, no ratio, the width in a field of 30 bits.
    quint64 bits = 0;
    int count = 0;
    const auto add = [&](quint64 value, int width) {
        bits |= value << count;
        count += width;
    };
    add(0, 1);
    add(3, 2);
    add(quint64(size.height() - 1), 30);
    add(0, 3);
    add(3, 2);
    add(quint64(size.width() - 1), 30);
    QByteArray codestream("\xff\x0a");
    for (int byte = 0; byte < 16; ++byte, bits >>= 8)
        codestream += char(bits & 0xff);
    return codestream;
}

namespace {

QByteArray bigEndian16(int value)
{
    QByteArray bytes(2, '\0');
    qToBigEndian(quint16(value), bytes.data());
    return bytes;
}

QByteArray jpegSegment(uchar marker, const QByteArray &data)
{
    return QByteArray(1, char(0xff)) + char(marker) + bigEndian16(data.size() + 2) + data;
}

// Entropy-coded JPEG data: bits written from the most significant one, a 0xff byte followed by a
// stuffed zero, the last byte filled with ones.
class JpegBits
{
public:
    void add(quint32 bits, int count)
    {
        for (int bit = count - 1; bit >= 0; --bit) {
            current = quint8(current << 1 | ((bits >> bit) & 1));
            if (++filled == 8)
                flush();
        }
    }
    QByteArray finished()
    {
        if (filled > 0)
            add(0xff, 8 - filled);
        return bytes;
    }

private:
    void flush()
    {
        bytes += char(current);
        if (current == 0xff)
            bytes += '\0';
        current = 0;
        filled = 0;
    }

    QByteArray bytes;
    quint8 current = 0;
    int filled = 0;
};

} // namespace

namespace {

int jpegBlocks(const QSize &size)
{
    return ((size.width() + 7) / 8) * ((size.height() + 7) / 8);
}

// The start of a grey JPEG of `size` up to its first scan: quantisation, the frame header
// (`frame`: 0xc0 sequential, 0xc2 progressive), and the Huffman tables: for the DC coefficients
// the one difference 0, coded "0"; for the others `acSymbols`, each coded in four bits in turn.
QByteArray greyJpegHead(const QSize &size, uchar frame, const QByteArray &acSymbols)
{
    QByteArray jpeg = QByteArray::fromHex("ffd8");
    jpeg += jpegSegment(0xdb, QByteArray(1, '\0') + QByteArray(64, '\1'));
    jpeg += jpegSegment(frame,
                        QByteArray(1, 8) + bigEndian16(size.height()) + bigEndian16(size.width())
                            + QByteArray::fromHex("01011100"));
    QByteArray tables = QByteArray::fromHex("0001") + QByteArray(15, '\0') + QByteArray(1, '\0');
    tables += QByteArray::fromHex("10") + QByteArray(3, '\0') + char(acSymbols.size())
        + QByteArray(12, '\0') + acSymbols;
    return jpeg + jpegSegment(0xc4, tables);
}

QByteArray jpegScanHeader(int start, int end, int high, int low)
{
    return jpegSegment(
        0xda, QByteArray::fromHex("010100") + char(start) + char(end) + char(high << 4 | low));
}

} // namespace

QByteArray greyJpeg(const QSize &size)
{
    QByteArray jpeg = greyJpegHead(size, 0xc0, QByteArray(1, '\0')) + jpegScanHeader(0, 63, 0, 0);
    JpegBits bits;
    for (int block = jpegBlocks(size); block > 0; --block)
        bits.add(0, 5); // the difference 0, then the end of the block
    return jpeg + bits.finished() + QByteArray::fromHex("ffd9");
}

QByteArray jpegScanBomb(const QSize &size, int scans)
{
    const int blocks = jpegBlocks(size);
    // Ends of band: EOB0 to EOB14, for runs of up to 32767 blocks.
    QByteArray endsOfBand;
    for (int run = 0; run <= 14; ++run)
        endsOfBand += char(run << 4);
    QByteArray jpeg = greyJpegHead(size, 0xc2, endsOfBand);
    int written = 0;
    const auto scan = [&](int start, int end, int high, int low) {
        if (written++ >= scans)
            return;
        jpeg += jpegScanHeader(start, end, high, low);
        JpegBits bits;
        if (start == 0) {
            for (int block = 0; block < blocks; ++block)
                bits.add(0, 1);
        } else {
            for (int left = blocks; left > 0;) {
                const int run = qMin(left, 32767);
                int bitsOfRun = 0;
                while ((2 << bitsOfRun) <= run)
                    ++bitsOfRun;
                bits.add(quint32(bitsOfRun), 4);
                bits.add(quint32(run - (1 << bitsOfRun)), bitsOfRun);
                left -= run;
            }
        }
        jpeg += bits.finished();
    };
    scan(0, 0, 0, 0);
    for (int coefficient = 1; coefficient < 64; ++coefficient) {
        scan(coefficient, coefficient, 0, 13);
        for (int high = 13; high > 0; --high)
            scan(coefficient, coefficient, high, high - 1);
    }
    return jpeg + QByteArray::fromHex("ffd9");
}

QByteArray rasterBomb(const QSize &size)
{
    return QByteArray::fromHex("59a66a95") + bigEndian32(quint32(size.width()))
        + bigEndian32(quint32(size.height())) + bigEndian32(8) + QByteArray(16, '\0');
}

void writeRawNamedFile(const QByteArray &path, const QByteArray &bytes)
{
    const int file = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (file < 0 || ::write(file, bytes.constData(), size_t(bytes.size())) != bytes.size())
        qFatal("cannot write %s", path.constData());
    ::close(file);
}

namespace {

// The calling thread's capabilities (the call acts on that thread alone).
bool threadCapabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

const quint32 permissionOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

} // namespace

PermissionsBind::PermissionsBind()
{
    __user_cap_data_struct data[2] = {};
    if (!threadCapabilities(data, false))
        return;
    effective = data[0].effective & permissionOverrides;
    data[0].effective &= ~permissionOverrides;
    if (effective != 0 && !threadCapabilities(data, true))
        qFatal("cannot give up the capabilities that override file permissions");
}

PermissionsBind::~PermissionsBind()
{
    __user_cap_data_struct data[2] = {};
    if (effective == 0 || !threadCapabilities(data, false))
        return;
    data[0].effective |= effective;
    threadCapabilities(data, true);
}

namespace {

// The processor time each thread of this process has used so far, in clock ticks, by thread id.
QMap<QString, qint64> threadTimes()
{
    QMap<QString, qint64> times;
    const QStringList threads
        = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(thread));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // After the name in parentheses: state, then 10 fields, then user and system time.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12)
            times.insert(thread, fields.at(11).toLongLong() + fields.at(12).toLongLong());
    }
    return times;
}

} // namespace

int busyOtherThreads(int milliseconds)
{
    const QString self = QString::number(::gettid());
    const QMap<QString, qint64> before = threadTimes();
    QThread::msleep(milliseconds);
    const QMap<QString, qint64> after = threadTimes();
    int busy = 0;
    for (auto thread = after.cbegin(); thread != after.cend(); ++thread) {
        if (thread.key() != self && thread.value() > before.value(thread.key(), thread.value()))
            ++busy;
    }
    return busy;
}

qint64 peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

bool resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

QImage noisePicture(const QSize &size)
{
    QImage picture(size, QImage::Format_RGB32);
    QRandomGenerator random(13);
    for (int y = 0; y < size.height(); ++y) {
        auto line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = random.generate() | 0xff000000u;
    }
    return picture;
}
