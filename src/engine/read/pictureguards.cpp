#include "engine/read/pictureguards.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

#include <atomic>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString text(const char *sourceText)
{
    return QCoreApplication::translate("readPicture", sourceText);
}

// What a file that is not a regular file is, for the reason of its refusal.
QString kindOfFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return text("a folder");
    if (S_ISFIFO(mode))
        return text("a named pipe");
    if (S_ISSOCK(mode))
        return text("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return text("a device");
    return text("a special file");
}

QString notRegularReason(mode_t mode)
{
    return text("It is %1, not a picture file").arg(kindOfFile(mode));
}

std::atomic<QtMessageHandler> previousHandler {nullptr};
thread_local QStringList *currentCollector = nullptr;
std::atomic<bool> collectedForwarded {true};

void collectWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Decoders warn without a category; the toolkit's categorised messages (colour profiles,
    // libpng's notes) do not tell of damaged pixels.
    if (currentCollector && (type == QtWarningMsg || type == QtCriticalMsg)
        && qstrcmp(context.category, "default") == 0) {
        currentCollector->append(message);
        if (!collectedForwarded)
            return;
    }
    if (const QtMessageHandler previous = previousHandler.load())
        previous(type, context, message);
    else // a message that came while this handler was being installed
        fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}

void installCollectingHandler()
{
    static const bool installed = [] {
        previousHandler = qInstallMessageHandler(&collectWarning);
        return true;
    }();
    Q_UNUSED(installed)
}

} // namespace

bool openRegularFile(const QString &path, QFile *file, QString *reason)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) != 0) {
        *reason = qt_error_string(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        *reason = notRegularReason(status.st_mode);
        return false;
    }
    // The name may have been given to a pipe since: a non-blocking open returns at once, and
    // the opened file is checked again.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        *reason = qt_error_string(errno);
        return false;
    }
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        *reason = notRegularReason(status.st_mode);
        ::close(descriptor);
        return false;
    }
    file->setFileName(path);
    if (!file->open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *reason = file->errorString();
        ::close(descriptor);
        return false;
    }
    return true;
}

QString sizeRefusal(const QSize &declared)
{
    if (!declared.isValid())
        return text("Its size cannot be read from the file");
    if (qint64(declared.width()) * declared.height() > MaxPicturePixels)
        return text("It is too large: %1 x %2 pixels, more than %3 pixels")
            .arg(declared.width())
            .arg(declared.height())
            .arg(MaxPicturePixels);
    return QString();
}

QString stampedSizeRefusal(const QSize &source, const QSize &stamped)
{
    if (qint64(stamped.width()) * stamped.height() <= MaxPicturePixels)
        return QString();
    return text("Resized from %1 x %2 to %3 x %4 pixels it would be too large: more than %5 pixels")
        .arg(source.width())
        .arg(source.height())
        .arg(stamped.width())
        .arg(stamped.height())
        .arg(MaxPicturePixels);
}

QString notEnoughMemoryReason(const QString &what, const QSize &size)
{
    return text("Not enough memory for %1 (%2 x %3)")
        .arg(what, QString::number(size.width()), QString::number(size.height()));
}

qint64 largestFileSize(const QSize &declared)
{
    return qint64(declared.width()) * declared.height() * 8 + (qint64(64) << 20);
}

QString fileSizeRefusal(const QSize &declared)
{
    return text("The file is too large for a picture of %1 x %2 pixels")
        .arg(declared.width())
        .arg(declared.height());
}

QString scanRefusal(const QByteArray &bytes)
{
    const auto data = reinterpret_cast<const uchar *>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < 4 || data[0] != 0xff || data[1] != 0xd8)
        return QString();
    int scans = 0;
    for (qint64 at = 2; at + 1 < size;) {
        const uchar marker = data[at + 1];
        if (data[at] != 0xff || marker == 0xff) { // stray bytes, or fill before a marker
            ++at;
            continue;
        }
        if (marker == 0xd9) // end of picture
            break;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) { // markers without a length
            at += 2;
            continue;
        }
        if (at + 3 >= size)
            break;
        at += 2 + (data[at + 2] << 8 | data[at + 3]);
        if (marker != 0xda)
            continue;
        if (++scans > MaxJpegScans)
            return text("It has more than %1 scans, which no camera or program writes")
                .arg(MaxJpegScans);
        // The scan's coded data runs to the next marker: a 0xff not followed by a stuffed zero
        // or a restart marker.
        for (; at + 1 < size; ++at) {
            const auto found
                = static_cast<const uchar *>(std::memchr(data + at, 0xff, size_t(size - at - 1)));
            if (!found)
                return QString();
            at = found - data;
            const uchar next = data[at + 1];
            if (next != 0 && !(next >= 0xd0 && next <= 0xd7))
                break;
        }
    }
    return QString();
}

QString changedWhileReadReason()
{
    return text("The file changed while it was read");
}

QString damagedReason(const QString &warning)
{
    // Some decoders end their message with a line break.
    return text("The picture is damaged (%1)").arg(warning.trimmed());
}

QString cutOffReason()
{
    return damagedReason(text("the file ends before the data it says it holds"));
}

QString undeclaredSizeReason(const QSize &declared, const QSize &decoded)
{
    const auto fits = [&decoded](const QSize &box) {
        return decoded.width() <= box.width() && decoded.height() <= box.height();
    };
    if (fits(declared) || fits(declared.transposed()))
        return QString();
    return damagedReason(text("it holds %1 x %2 pixels where its header declares %3 x %4")
                             .arg(decoded.width())
                             .arg(decoded.height())
                             .arg(declared.width())
                             .arg(declared.height()));
}

QString missingRowsReason(const QByteArray &head, qint64 fileSize)
{
    if (head.size() < 34 || !head.startsWith("BM"))
        return QString();
    const auto bytes = reinterpret_cast<const uchar *>(head.constData());
    const quint32 headerSize = qFromLittleEndian<quint32>(bytes + 14);
    const quint32 compression = qFromLittleEndian<quint32>(bytes + 30);
    // Older headers place the fields elsewhere; run-length encoded rows have no fixed size.
    if (headerSize < 40 || (compression != 0 && compression != 3))
        return QString();
    const qint64 dataOffset = qFromLittleEndian<quint32>(bytes + 10);
    const qint64 width = qAbs(qint64(qFromLittleEndian<qint32>(bytes + 18)));
    const qint64 height = qAbs(qint64(qFromLittleEndian<qint32>(bytes + 22)));
    const qint64 bitsPerPixel = qFromLittleEndian<quint16>(bytes + 28);
    const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    if (fileSize >= dataOffset + rowBytes * height)
        return QString();
    return damagedReason(text("it holds fewer rows than its header declares"));
}

ThreadWarnings::ThreadWarnings()
    : outer(currentCollector)
{
    installCollectingHandler();
    currentCollector = &collected;
}

ThreadWarnings::~ThreadWarnings()
{
    currentCollector = outer;
}

void forwardCollectedWarnings(bool forward)
{
    collectedForwarded = forward;
}
