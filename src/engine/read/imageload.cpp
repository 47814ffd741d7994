#include "engine/read/imageload.h"

#include "engine/read/pictureboxes.h"
#include "engine/read/pictureguards.h"
#include "engine/read/profileconversion.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QTransform>
#include <QtEndian>
#include <QtPlugin>

Q_IMPORT_PLUGIN(Jp2ImagePlugin)

namespace {

// The format named by the first bytes of a file, for the formats whose signature is certain;
// empty otherwise. Some installed plug-ins claim files they cannot read when asked by content
// (a bitmap named .dib is taken for another format and fails), so certain signatures are
// settled here first.
QByteArray formatOfSignature(const QByteArray &head)
{
    static const struct
    {
        const char *signature;
        int length;
        const char *format;
    } signatures[] = {
        {"\x89PNG\r\n\x1a\n", 8, "png"},
        {"\xff\xd8\xff", 3, "jpeg"},
        {"BM", 2, "bmp"},
        {"GIF8", 4, "gif"},
        {"II*\0", 4, "tiff"},
        {"MM\0*", 4, "tiff"},
        {"\0\0\0\x0cjP  \r\n\x87\n", 12, "jp2"},
        {"\xff\x4f\xff\x51", 4, "j2k"},
        {"\x59\xa6\x6a\x95", 4, "ras"},
        {"/* XPM */", 9, "xpm"},
    };
    for (const auto &known : signatures) {
        if (head.startsWith(QByteArray::fromRawData(known.signature, known.length)))
            return known.format;
    }
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WEBP")
        return "webp";
    const QByteArray boxed = boxedFormatOfSignature(head);
    if (!boxed.isEmpty())
        return boxed;
    if (head.size() >= 3 && head.at(0) == 'P' && head.at(1) >= '1' && head.at(1) <= '6'
        && QByteArray(" \t\r\n").contains(head.at(2)))
        return head.at(1) == '1' || head.at(1) == '4' ? "pbm"
            : head.at(1) == '2' || head.at(1) == '5'  ? "pgm"
                                                      : "ppm";
    return QByteArray();
}

// `picture` turned upright as `transformation` says, with its colour space, which the reader's
// own turn drops.
QImage upright(QImage picture, QImageIOHandler::Transformations transformation)
{
    picture = std::move(picture).mirrored(transformation & QImageIOHandler::TransformationMirror,
                                          transformation & QImageIOHandler::TransformationFlip);
    if (transformation & QImageIOHandler::TransformationRotate90) {
        const QColorSpace colorSpace = picture.colorSpace();
        picture = picture.transformed(QTransform().rotate(90));
        picture.setColorSpace(colorSpace);
    }
    return picture;
}

// The size the file declares, before any pixel is decoded: the reader's answer, or for a Sun
// raster file, whose reader does not say, the width and height of its header.
QSize declaredSize(QImageReader &reader, const QByteArray &head)
{
    const QSize size = reader.size();
    if (size.isValid() || formatOfSignature(head) != "ras" || head.size() < 12)
        return size;
    const auto number
        = [&head](int offset) { return qFromBigEndian<quint32>(head.constData() + offset); };
    const quint32 width = number(4);
    const quint32 height = number(8);
    if (width > quint32(INT_MAX) || height > quint32(INT_MAX))
        return QSize(INT_MAX, INT_MAX);
    return QSize(int(width), int(height));
}

// The EXIF block of a PNG (its eXIf chunk) or a WebP file (its EXIF chunk); empty when there is
// none. The toolkit's readers of these two formats do not look at it.
QByteArray containerExif(const QByteArray &bytes, const QByteArray &format)
{
    const bool png = format == "png";
    if (!png && format != "webp")
        return QByteArray();
    // A PNG chunk: length (big-endian), type, data, checksum; a WebP chunk: type, length
    // (little-endian), data padded to an even length.
    for (qint64 at = png ? 8 : 12; at + 8 <= bytes.size();) {
        const uchar *head = reinterpret_cast<const uchar *>(bytes.constData()) + at;
        const qint64 length
            = png ? qFromBigEndian<quint32>(head) : qFromLittleEndian<quint32>(head + 4);
        const QByteArray type = bytes.mid(int(at + (png ? 4 : 0)), 4);
        if (at + 8 + length > bytes.size())
            break;
        if (type == (png ? "eXIf" : "EXIF")) {
            QByteArray exif = bytes.mid(int(at + 8), int(length));
            return exif.startsWith(QByteArray("Exif\0\0", 6)) ? exif.mid(6) : exif;
        }
        at += 8 + length + (png ? 4 : length % 2);
    }
    return QByteArray();
}

// The turn that the orientation tag of `exif` (a TIFF-structured EXIF block) asks for.
QImageIOHandler::Transformations exifTransformation(const QByteArray &exif)
{
    if (exif.size() < 8 || !(exif.startsWith("II*") || exif.startsWith(QByteArray("MM\0*", 4))))
        return QImageIOHandler::TransformationNone;
    const bool little = exif.startsWith("II");
    const auto data = reinterpret_cast<const uchar *>(exif.constData());
    const auto number = [&](qint64 at, int size) -> quint32 {
        if (size == 2)
            return little ? qFromLittleEndian<quint16>(data + at)
                          : qFromBigEndian<quint16>(data + at);
        return little ? qFromLittleEndian<quint32>(data + at) : qFromBigEndian<quint32>(data + at);
    };
    const qint64 directory = number(4, 4);
    if (directory + 2 > exif.size())
        return QImageIOHandler::TransformationNone;
    const qint64 entries = number(directory, 2);
    for (qint64 entry = directory + 2;
         entry < directory + 2 + entries * 12 && entry + 12 <= exif.size(); entry += 12) {
        if (number(entry, 2) != 0x0112) // Orientation, a SHORT
            continue;
        static const QImageIOHandler::Transformations turns[] = {
            QImageIOHandler::TransformationNone,
            QImageIOHandler::TransformationMirror,
            QImageIOHandler::TransformationRotate180,
            QImageIOHandler::TransformationFlip,
            QImageIOHandler::TransformationFlipAndRotate90,
            QImageIOHandler::TransformationRotate90,
            QImageIOHandler::TransformationMirrorAndRotate90,
            QImageIOHandler::TransformationRotate270,
        };
        const quint32 orientation = number(entry + 8, 2);
        return orientation >= 1 && orientation <= 8 ? turns[orientation - 1]
                                                    : QImageIOHandler::TransformationNone;
    }
    return QImageIOHandler::TransformationNone;
}

} // namespace

QSize PictureDecoding::decodedSize(const QSize &drawnSize) const
{
    const bool savesWork = reducible && !drawnSize.isEmpty()
        && 8 * qint64(drawnSize.width()) <= 7 * qint64(fullSize.width())
        && 8 * qint64(drawnSize.height()) <= 7 * qint64(fullSize.height());
    return savesWork ? drawnSize : fullSize;
}

PictureFile readPictureFile(const QString &path, const DrawnSize &drawnSize,
                            const PictureAdmission &admit)
{
    PictureFile read;
    const auto refuse = [&read](ReadProblem problem, const QString &reason) {
        read.bytes.clear();
        read.image = QImage();
        read.problem = problem;
        read.error = reason;
        return read;
    };
    QFile file;
    QString reason;
    if (!openRegularFile(path, &file, &reason))
        return refuse(ReadProblem::Unreadable, reason);
    // A decoder's warning names the damage, where the reader's own text is often "Unknown error".
    const ThreadWarnings decoderWarnings;
    const auto refuseDamaged = [&](const QString &readerReason) {
        const QStringList &warnings = decoderWarnings.messages();
        return warnings.isEmpty()
            ? refuse(ReadProblem::Unreadable, readerReason)
            : refuse(ReadProblem::Damaged, damagedReason(warnings.constFirst()));
    };
    const QByteArray head = file.peek(64);
    const QByteArray certainFormat = formatOfSignature(head);
    // The readers of these formats decode the whole picture to tell its size: their boxes tell it.
    const bool boxed = certainFormat == "heif" || certainFormat == "avif" || certainFormat == "jxl";
    PictureBoxes boxes;
    QSize declared;
    QImage::Format declaredFormat = QImage::Format_Invalid;
    if (boxed) {
        boxes = readPictureBoxes(&file, certainFormat);
        declared = boxes.size;
        if (!declared.isValid())
            return refuse(ReadProblem::Damaged, sizeRefusal(declared));
    } else {
        QImageReader header(&file, certainFormat);
        // With a format and detection on, the reader loads every installed plug-in to ask it.
        header.setAutoDetectImageFormat(certainFormat.isEmpty());
        declared = declaredSize(header, head);
        if (!declared.isValid())
            return refuseDamaged(header.canRead() ? sizeRefusal(declared) : header.errorString());
        declaredFormat = header.imageFormat();
    }
    // A tile or a thumbnail may be larger than the picture it makes.
    reason = sizeRefusal(boxed ? boxes.largestItem : declared);
    if (!reason.isEmpty())
        return refuse(ReadProblem::TooLarge, reason);

    // The file is read once, whole: the decoder, the photo information and the resolution all
    // take these bytes, whatever happens to the file meanwhile.
    const qint64 size = file.size();
    if (boxes.dataEnd > size)
        return refuse(ReadProblem::Damaged, cutOffReason());
    if (size > largestFileSize(declared))
        return refuse(ReadProblem::TooLarge, fileSizeRefusal(declared));
    reason = admit ? admit({declared, declaredFormat, size}) : QString();
    if (!reason.isEmpty())
        return refuse(ReadProblem::TooLarge, reason);
    if (!file.seek(0))
        return refuse(ReadProblem::Unreadable, file.errorString());
    read.bytes = file.read(size);
    if (file.error() != QFileDevice::NoError)
        return refuse(ReadProblem::Unreadable, file.errorString());
    file.close();
    reason = scanRefusal(read.bytes);
    if (!reason.isEmpty())
        return refuse(ReadProblem::TooLarge, reason);

    QBuffer buffer(&read.bytes);
    buffer.open(QIODevice::ReadOnly);
    // What was checked and admitted is what is decoded, even if the file changed meanwhile.
    if (boxed) {
        const PictureBoxes again = readPictureBoxes(&buffer, certainFormat);
        if (again.size != declared || again.largestItem != boxes.largestItem || !buffer.seek(0))
            return refuse(ReadProblem::Unreadable, changedWhileReadReason());
    }
    QImageReader reader(&buffer, certainFormat);
    reader.setAutoDetectImageFormat(certainFormat.isEmpty());
    // The TIFF reader would turn the picture itself, and upright() below again.
    reader.setAutoTransform(false);
    const QSize readSize = boxed ? declared : reader.size();
    if (readSize.isValid() && readSize != declared)
        return refuse(ReadProblem::Unreadable, changedWhileReadReason());
    // The reader's quality stays at its default, which counts as 75: from 50 up, the JPEG reader
    // keeps libjpeg's accurate DCT and scales what remains after a reduced decode smoothly.
    QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone;
    if (boxed) {
        // The file's own turn is the decoder's to apply; only without one does its EXIF say.
        if (!boxes.turnedByDecoder)
            transformation = exifTransformation(boxedExif(boxes, read.bytes));
    } else {
        transformation = reader.transformation();
        if (transformation == QImageIOHandler::TransformationNone)
            transformation = exifTransformation(containerExif(read.bytes, certainFormat));
    }
    const bool turned = transformation & QImageIOHandler::TransformationRotate90;
    PictureDecoding &decoding = read.decoding;
    decoding.fullSize = turned ? declared.transposed() : declared;
    decoding.reducible = certainFormat == "jpeg" && !holdsJpegInks(read.bytes);
    const QSize reduced = drawnSize ? decoding.decodedSize(drawnSize(decoding.fullSize)) : QSize();
    const bool decodedWhole = !reduced.isValid() || reduced == decoding.fullSize;
    if (!decodedWhole) // the stored picture is the upright one turned
        reader.setScaledSize(turned ? reduced.transposed() : reduced);
    QImage picture = reader.read();
    // The decoder says "Unknown error", or nothing, when its picture's memory cannot be had.
    const QSize decodedSize = decodedWhole ? declared : reader.scaledSize();
    if (picture.isNull() && QImage(decodedSize, QImage::Format_ARGB32).isNull())
        return refuse(ReadProblem::TooLarge,
                      notEnoughMemoryReason(QFileInfo(path).fileName(), decodedSize));
    if (picture.isNull() || !decoderWarnings.messages().isEmpty())
        return refuseDamaged(reader.errorString());
    reason = boxed ? undeclaredSizeReason(declared, picture.size())
                   : missingRowsReason(head, read.bytes.size());
    if (!reason.isEmpty())
        return refuse(ReadProblem::Damaged, reason);
    // The AVIF reader drops the colour profile of a picture it turns.
    const QByteArray boxedProfile = boxed ? boxedItem(boxes.profile, read.bytes) : QByteArray();
    if (!boxedProfile.isEmpty() && !picture.colorSpace().isValid())
        picture.setColorSpace(QColorSpace::fromIccProfile(boxedProfile));
    picture = rgbThroughProfile(std::move(picture), read.bytes);
    picture = upright(std::move(picture), transformation);
    // The reader takes a device pixel ratio from names like "logo@2x.png"; a picture is
    // stamped pixel for pixel, whatever its name.
    picture.setDevicePixelRatio(1);
    if (decodedWhole)
        decoding.fullSize = picture.size();
    read.image = std::move(picture);
    return read;
}

QImage readPicture(const QString &path, QString *errorString)
{
    PictureFile read = readPictureFile(path);
    if (errorString)
        *errorString = read.error;
    return std::move(read.image);
}

namespace {

// A fresh 32-bit ARGB picture over the pixels of an opaque `Format_RGB32` picture, whose alpha
// bytes are 0xff: the same bits, without the decoded picture's resolution or text keys. The new
// picture keeps the decoded one alive as long as the pixels are used.
QImage argbView(QImage opaque)
{
    auto owner = new QImage(std::move(opaque));
    uchar *bits = owner->bits(); // the only reference, so no copy
    return QImage(
        bits, owner->width(), owner->height(), owner->bytesPerLine(), QImage::Format_ARGB32,
        [](void *image) { delete static_cast<QImage *>(image); }, owner);
}

} // namespace

WorkingCopy workingCopy(QImage decoded)
{
    WorkingCopy copy;
    if (decoded.isNull())
        return copy;
    const QColorSpace colorSpace = decoded.colorSpace();
    const QSize size = decoded.size();
    copy.opaque = !decoded.hasAlphaChannel();
    if (copy.opaque) {
        if (decoded.format() != QImage::Format_RGB32)
            decoded = decoded.convertToFormat(QImage::Format_RGB32);
        if (!decoded.isNull())
            copy.image = argbView(std::move(decoded));
    } else {
        copy.image = QImage(size, QImage::Format_ARGB32);
        if (!copy.image.isNull()) {
            copy.image.fill(Qt::transparent);
            QPainter painter(&copy.image);
            painter.drawImage(0, 0, decoded);
        }
    }
    if (copy.image.isNull()) {
        copy.opaque = false;
        copy.problem = ReadProblem::TooLarge;
        copy.error = QStringLiteral("Not enough memory for a picture of %1 x %2 pixels")
                         .arg(size.width())
                         .arg(size.height());
        return copy;
    }
    copy.image.setDotsPerMeterX(stampDotsPerMeter);
    copy.image.setDotsPerMeterY(stampDotsPerMeter);
    copy.image.setColorSpace(colorSpace);
    return copy;
}

WorkingCopy readWorkingCopy(const QString &path, const DrawnSize &drawnSize)
{
    PictureFile read = readPictureFile(path, drawnSize);
    if (read.image.isNull()) {
        WorkingCopy failed;
        failed.problem = read.problem;
        failed.error = read.error;
        return failed;
    }
    WorkingCopy copy = workingCopy(std::move(read.image));
    copy.decoding = read.decoding;
    return copy;
}
