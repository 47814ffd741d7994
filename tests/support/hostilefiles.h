#ifndef TESSARO_HOSTILEFILES_H
#define TESSARO_HOSTILEFILES_H

#include <QByteArray>
#include <QImage>
#include <QSize>

// Files made to harm a reader, and the memory they cost, for the tests and the benchmark of
// hostile input.

// `picture` encoded in `format`; the program stops when it cannot be.
QByteArray encoded(const QImage &picture, const char *format);

// A PNG of one bit per pixel declaring `size`, with the data of its first rows only.
QByteArray pngBomb(const QSize &size);

// A TIFF of one bit per pixel declaring `size` in one uncompressed strip, of which it holds
// a few bytes.
QByteArray tiffBomb(const QSize &size);

// A small JPEG whose frame header declares `size`.
QByteArray jpegBomb(const QSize &size);

// The HEIF or AVIF file `file` with every picture size its boxes declare ("ispe") made `size`.
QByteArray heifBomb(QByteArray file, const QSize &size);

// The start of a JPEG XL codestream whose size header declares `size`.
QByteArray jxlBomb(const QSize &size);

// A valid grey JPEG of `size`, every pixel mid grey, written with two bits a block: quick to make
// and small at any size, as large as any other when decoded.
QByteArray greyJpeg(const QSize &size);

// A valid progressive grey JPEG of `size`, every pixel mid grey, in one scan for the DC
// coefficients and fourteen for each of the 63 others, one bit of precision at a time (883 scans
// in all), or the first `scans` of these: every scan costs the decoder a pass over the whole
// picture.
QByteArray jpegScanBomb(const QSize &size, int scans = 883);

// A Sun raster header declaring `size`, 8 bits per pixel, without data.
QByteArray rasterBomb(const QSize &size);

// Writes `bytes` into a new file at `path`, raw bytes that need not be valid in any encoding; the
// program stops when it cannot.
void writeRawNamedFile(const QByteArray &path, const QByteArray &bytes);

// While it lives, file permissions bind the calling thread even when the process runs as root: it
// gives up the capabilities that override them, and takes them back when it goes.
class PermissionsBind
{
public:
    PermissionsBind();
    ~PermissionsBind();
    PermissionsBind(const PermissionsBind &) = delete;
    PermissionsBind &operator=(const PermissionsBind &) = delete;

private:
    quint32 effective = 0; // the capabilities given up, to take back
};

// A picture of random opaque pixels, the same for every call.
QImage noisePicture(const QSize &size);

// How many threads of this process other than the calling one use the processor during the next
// `milliseconds`.
int busyOtherThreads(int milliseconds);

// The process's peak resident memory in KiB since the last resetPeakMemory(), or since it
// started; -1 when it cannot be read.
qint64 peakMemoryKiB();

// Sets the peak resident memory back to what the process uses now; false when the system
// does not allow it.
bool resetPeakMemory();

#endif // TESSARO_HOSTILEFILES_H
