#ifndef TESSARO_PICTUREGUARDS_H
#define TESSARO_PICTUREGUARDS_H

#include <QSize>
#include <QString>
#include <QStringList>

class QFile;

// Largest picture read, in pixels: 2^28 (16384 x 16384), 1 GiB as a 32-bit working copy. A run
// holds a few copies of a picture at once (decoded, working, stamped, one read ahead), which must
// fit comfortably in memory.
constexpr qint64 MaxPicturePixels = qint64(1) << 28;

// Opens `path` for reading into `file` when it is a regular file once links are followed; a
// pipe, device, socket or folder is refused without being opened, since opening one can block
// forever or act on a device. False with the reason otherwise.
bool openRegularFile(const QString &path, QFile *file, QString *reason);

// Why a picture of the `declared` size is not decoded: it exceeds MaxPicturePixels, or its size
// is unknown (an invalid size), which leaves its memory unbounded. Empty when it may be decoded.
QString sizeRefusal(const QSize &declared);

// Why a picture of `source` size is not stamped at `stamped` size: the result would exceed
// MaxPicturePixels. Empty when it would not.
QString stampedSizeRefusal(const QSize &source, const QSize &stamped);

// The reason given when the memory for `what` (a file's name, "the logo") of `size` pixels cannot
// be had.
QString notEnoughMemoryReason(const QString &what, const QSize &size);

// The most bytes a file may hold for a picture of `declared` size (which passed sizeRefusal): eight
// bytes a pixel, as 16-bit RGBA stored uncompressed takes, and room for photo information and
// previews. A larger file is never read into memory.
qint64 largestFileSize(const QSize &declared);

// Why a file holding more than largestFileSize(declared) bytes is not read.
QString fileSizeRefusal(const QSize &declared);

// Most scans a JPEG may have. Cameras and programs write one, or a dozen for a progressive file;
// a decoder passes over the whole picture once per scan, so a file of thousands of small scans
// takes minutes to decode.
constexpr int MaxJpegScans = 300;

// Why the JPEG file `bytes` is not decoded: it has more than MaxJpegScans scans. Empty when it
// has no more, and for a file that is not a JPEG.
QString scanRefusal(const QByteArray &bytes);

// The reason given for a file whose header said another size when it was read again.
QString changedWhileReadReason();

// The reason given for a picture the decoder reported as damaged with `warning`.
QString damagedReason(const QString &warning);

// The reason given for a file that ends before the data it says it holds.
QString cutOffReason();

// The reason a picture whose header declared `declared` is damaged although it decodes, when its
// decoder gave more pixels than that one way or the other, turned or not. Empty when it fits.
QString undeclaredSizeReason(const QSize &declared, const QSize &decoded);

// The reason a picture file whose first bytes are `head` and whose size is `fileSize` bytes is
// damaged although it decodes: a Windows bitmap of uncompressed rows (the first 34 bytes of its
// header in `head`) holding fewer bytes than its rows need, which the toolkit's reader returns
// with the missing rows blank. Empty when nothing is missing, or when it cannot be told.
QString missingRowsReason(const QByteArray &head, qint64 fileSize);

// Collects, for as long as it lives, the warnings the toolkit gives without a category on the
// calling thread: Qt's JPEG reader reports libjpeg's damaged or truncated data only as such a
// warning (returning the picture with the missing part grey), and encoders name their reasons
// there. Every message still goes on to the message handler installed before the first
// collector, unless forwardCollectedWarnings says otherwise. Callable from any thread; a collector
// made while another lives on the same thread takes the messages until it goes.
class ThreadWarnings
{
public:
    ThreadWarnings();
    ~ThreadWarnings();
    ThreadWarnings(const ThreadWarnings &) = delete;
    ThreadWarnings &operator=(const ThreadWarnings &) = delete;

    const QStringList &messages() const { return collected; }

private:
    QStringList collected;
    QStringList *const outer; // the collector this one stands in for
};

// Whether a warning a collector takes still goes on to the earlier message handler (yes until
// told otherwise). The command line, which tells each collected warning in its own words as the
// picture's outcome, turns it off so that standard error does not repeat it raw.
void forwardCollectedWarnings(bool forward);

#endif // TESSARO_PICTUREGUARDS_H
