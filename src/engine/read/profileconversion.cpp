#include "engine/read/profileconversion.h"

#include <QColorSpace>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <lcms2.h>

namespace {

struct ProfileCloser
{
    void operator()(void *profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter
{
    void operator()(void *transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

// A pixel of `QImage::Format_RGB32` (0xffRRGGBB in a native word) as LittleCMS names it. The
// transforms leave its alpha byte alone.
constexpr cmsUInt32Number rgb32Type = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;

// A transform of `sourceType` pixels through `source` into sRGB `rgb32Type` pixels, with the
// rendering intent the profile asks for.
Transform transformToSrgb(cmsHPROFILE source, cmsUInt32Number sourceType)
{
    const Profile srgb(cmsCreate_sRGBProfile());
    return Transform(cmsCreateTransform(source, sourceType, srgb.get(), rgb32Type,
                                        cmsGetHeaderRenderingIntent(source), 0));
}

// `picture` through `grey`, a grey profile, as 32-bit sRGB with the same alpha; null when its
// pixels are not grey.
QImage greyThroughProfile(const QImage &picture, cmsHPROFILE grey)
{
    const bool sixteenBits = picture.format() == QImage::Format_Grayscale16;
    QImage rgb = sixteenBits
        ? QImage(picture.size(), QImage::Format_RGB32)
        : picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                            : QImage::Format_RGB32);
    if (rgb.isNull() || (!sixteenBits && !rgb.isGrayscale()))
        return QImage();
    // Every grey level once through the profile, then a look-up per pixel; 8-bit levels as the
    // 16-bit ones they stand for.
    const int levels = sixteenBits ? 65536 : 256;
    std::vector<quint16> ramp(levels);
    for (int level = 0; level < levels; ++level)
        ramp[level] = quint16(sixteenBits ? level : level * 257);
    const Transform transform = transformToSrgb(grey, TYPE_GRAY_16);
    if (!transform)
        return QImage();
    std::vector<QRgb> colors(levels, 0xff000000);
    cmsDoTransform(transform.get(), ramp.data(), colors.data(), cmsUInt32Number(levels));

    for (int y = 0; y < rgb.height(); ++y) {
        auto pixels = reinterpret_cast<QRgb *>(rgb.scanLine(y));
        if (sixteenBits) {
            const auto levels16 = reinterpret_cast<const quint16 *>(picture.constScanLine(y));
            for (int x = 0; x < rgb.width(); ++x)
                pixels[x] = colors[levels16[x]];
        } else {
            for (int x = 0; x < rgb.width(); ++x)
                pixels[x] = (pixels[x] & 0xff000000) | (colors[qRed(pixels[x])] & 0x00ffffff);
        }
    }
    return rgb;
}

// libjpeg's errors end the decoding: they jump back into the step that called it.
struct JpegErrors
{
    jpeg_error_mgr manager;
    std::jmp_buf step;
};

[[noreturn]] void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->step, 1);
}

// The inks of a CMYK JPEG, a row at a time, as the decoder of the toolkit does not give them.
// Each step sets where an error jumps back to before it calls libjpeg, and creates no object
// that such a jump would skip.
class JpegInks
{
public:
    explicit JpegInks(const QByteArray &jpeg)
        : jpeg(jpeg)
    {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = jumpBack;
        errors.manager.output_message = [](j_common_ptr) {}; // the toolkit has read it already
    }
    ~JpegInks() { jpeg_destroy_decompress(&info); }
    JpegInks(const JpegInks &) = delete;
    JpegInks &operator=(const JpegInks &) = delete;

    // Reads the header: false unless the JPEG has four components.
    bool readHeader()
    {
        if (setjmp(errors.step))
            return false;
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(jpeg.constData()),
                     static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&info, TRUE);
        return info.num_components == 4;
    }

    // Reads the header and starts decoding: false unless the JPEG has four components.
    bool start()
    {
        if (!readHeader())
            return false;
        if (setjmp(errors.step))
            return false;
        info.out_color_space = JCS_CMYK;
        return jpeg_start_decompress(&info);
    }

    QSize size() const { return QSize(int(info.output_width), int(info.output_height)); }

    // An Adobe marker says the inks are stored inverted, 255 for none, as Photoshop writes them.
    bool inverted() const { return info.saw_Adobe_marker; }

    // The next row's inks into `inks`, four bytes a pixel.
    bool readRow(unsigned char *inks)
    {
        if (setjmp(errors.step))
            return false;
        return jpeg_read_scanlines(&info, &inks, 1) == 1;
    }

private:
    const QByteArray &jpeg;
    jpeg_decompress_struct info {};
    JpegErrors errors {};
};

// Writes the inks of the CMYK JPEG `jpeg` through `cmyk`, a CMYK profile, into `picture`, the
// JPEG's pixels in naive RGB, as sRGB. False, with `picture` untouched, when `jpeg` is no CMYK
// JPEG of the picture's size; the toolkit has decoded the same bytes without fault, so once its
// first row is written no later one fails.
bool inksThroughProfile(QImage *picture, const QByteArray &jpeg, cmsHPROFILE cmyk)
{
    JpegInks inks(jpeg);
    if (picture->format() != QImage::Format_RGB32 || !inks.start()
        || inks.size() != picture->size())
        return false;
    const Transform transform
        = transformToSrgb(cmyk, inks.inverted() ? TYPE_CMYK_8_REV : TYPE_CMYK_8);
    if (!transform)
        return false;
    std::vector<unsigned char> row(std::size_t(picture->width()) * 4);
    for (int y = 0; y < picture->height(); ++y) {
        if (!inks.readRow(row.data()))
            return false;
        cmsDoTransform(transform.get(), row.data(), picture->scanLine(y),
                       cmsUInt32Number(picture->width()));
    }
    return true;
}

} // namespace

bool holdsJpegInks(const QByteArray &fileBytes)
{
    return JpegInks(fileBytes).readHeader();
}

QImage rgbThroughProfile(QImage decoded, const QByteArray &fileBytes)
{
    // The toolkit keeps a profile it cannot use as it was read; the header names its colour
    // space at bytes 16 to 19.
    const QByteArray icc = decoded.colorSpace().iccProfile();
    if (icc.isEmpty() || icc.mid(16, 4) == "RGB ")
        return decoded;
    const Profile profile(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
    const cmsColorSpaceSignature space
        = profile ? cmsGetColorSpace(profile.get()) : cmsColorSpaceSignature(0);
    if (space == cmsSigGrayData) {
        QImage rgb = greyThroughProfile(decoded, profile.get());
        if (!rgb.isNull())
            decoded = std::move(rgb);
    } else if (space == cmsSigCmykData) {
        inksThroughProfile(&decoded, fileBytes, profile.get());
    }
    // Converted into plain sRGB, or pixels that the profile does not describe.
    decoded.setColorSpace(QColorSpace());
    return decoded;
}
