#include "support/profiledfiles.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <lcms2.h>

namespace {

QByteArray savedProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile, nullptr, &size))
        qFatal("cannot save a colour profile");
    QByteArray bytes(int(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// The press: inks as fractions of full coverage in, CIELab out, through sRGB.
int pressSampler(const cmsUInt16Number inks[], cmsUInt16Number lab[], void *toLab)
{
    const float cyan = inks[0] / 65535.0f;
    const float magenta = inks[1] / 65535.0f;
    const float yellow = inks[2] / 65535.0f;
    const float black = inks[3] / 65535.0f;
    const float rgb[3] = {(1 - cyan) * (1 - black), (1 - 0.6f * cyan) * (1 - magenta) * (1 - black),
                          (1 - yellow) * (1 - black)};
    cmsCIELab color;
    cmsDoTransform(toLab, rgb, &color, 1);
    cmsFloat2LabEncodedV2(lab, &color);
    return 1;
}

} // namespace

QByteArray linearGreyProfile()
{
    cmsToneCurve *linear = cmsBuildGamma(nullptr, 1.0);
    const QByteArray profile = savedProfile(cmsCreateGrayProfile(cmsD50_xyY(), linear));
    cmsFreeToneCurve(linear);
    return profile;
}

QByteArray pressProfile()
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_FLT, lab, TYPE_Lab_DBL,
                                             INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE press = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(press, 2.1); // a version 2 table takes a lone grid of colours
    cmsSetDeviceClass(press, cmsSigOutputClass);
    cmsSetColorSpace(press, cmsSigCmykData);
    cmsSetPCS(press, cmsSigLabData);
    cmsPipeline *inksToLab = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage *grid = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(grid, pressSampler, toLab, 0);
    cmsPipelineInsertStage(inksToLab, cmsAT_BEGIN, grid);
    cmsWriteTag(press, cmsSigAToB0Tag, inksToLab);
    cmsWriteTag(press, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsMLU *description = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(description, "en", "US", "Test press");
    cmsWriteTag(press, cmsSigProfileDescriptionTag, description);
    cmsMLUfree(description);
    cmsPipelineFree(inksToLab);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return savedProfile(press);
}

QByteArray profiledJpeg(const QByteArray &left, const QByteArray &right, const QByteArray &profile)
{
    constexpr int width = 64;
    constexpr int height = 48;
    const int components = left.size();
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET *>(profile.constData()),
                           unsigned(profile.size()));
    QByteArray row;
    for (int x = 0; x < width; ++x)
        row += x < width / 2 ? left : right;
    auto rowData = reinterpret_cast<JSAMPROW>(row.data());
    while (info.next_scanline < info.image_height)
        jpeg_write_scanlines(&info, &rowData, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray jpeg(reinterpret_cast<const char *>(buffer), int(size));
    std::free(buffer);
    return jpeg;
}

bool isNearColor(QRgb color, QRgb expected, int tolerance)
{
    return qAbs(qRed(color) - qRed(expected)) <= tolerance
        && qAbs(qGreen(color) - qGreen(expected)) <= tolerance
        && qAbs(qBlue(color) - qBlue(expected)) <= tolerance;
}
