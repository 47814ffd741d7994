// The photo information (EXIF, IPTC, XMP) of a stamped picture, its resolution and its colour
// profile: what the job of one picture carries from the source file into every output format,
// corrected, converted or dropped.
#include "engine/batch/outcometexts.h"
#include "engine/batch/photoinformation.h"
#include "engine/batch/pictureencoder.h"
#include "engine/batch/stampjob.h"
#include "engine/read/imageload.h"
#include "support/profiledfiles.h"
#include "support/testfiles.h"

#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QtTest>

#include <exiv2/exiv2.hpp>

namespace {

const QString photographer = QStringLiteral("Ada Lens");
const QString copyright = QStringLiteral("(c) 2024 Ada Lens");

// The metadata of a file as the library reads it.
struct Tags
{
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
};

// None in a file of a type the library does not read (an AVIF).
Tags readTags(const QString &path)
{
    const std::string name = QFile::encodeName(path).toStdString();
    if (Exiv2::ImageFactory::getType(name) == Exiv2::ImageType::none)
        return {};
    const auto image = Exiv2::ImageFactory::open(name);
    image->readMetadata();
    return {image->exifData(), image->iptcData(), image->xmpData()};
}

// A datum's value as text; empty when the key is missing.
template<typename Key, typename Data>
QString valueOf(const Data &data, const char *key)
{
    const auto datum = data.findKey(Key(key));
    return datum == data.end() ? QString() : QString::fromStdString(datum->toString());
}

QString exifValue(const Tags &tags, const char *key)
{
    return valueOf<Exiv2::ExifKey>(tags.exif, key);
}

QString xmpValue(const Tags &tags, const char *key)
{
    return valueOf<Exiv2::XmpKey>(tags.xmp, key);
}

QStringList iptcValues(const Tags &tags, const char *key)
{
    QStringList values;
    for (const Exiv2::Iptcdatum &datum : tags.iptc) {
        if (datum.key() == key)
            values << QString::fromStdString(datum.toString());
    }
    return values;
}

bool hasExifGroup(const Tags &tags, const std::string &group)
{
    return std::any_of(tags.exif.begin(), tags.exif.end(),
                       [&](const Exiv2::Exifdatum &datum) { return datum.groupName() == group; });
}

// The mean difference of the colour channels of two pictures of the same size.
double meanDifference(const QImage &a, const QImage &b)
{
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q))
                + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return double(sum) / (3.0 * a.width() * a.height());
}

// A picture's resolution as the file states it, in dots per inch.
QSize dotsPerInch(const QImage &picture)
{
    return QSize(qRound(picture.dotsPerMeterX() * 0.0254),
                 qRound(picture.dotsPerMeterY() * 0.0254));
}

QByteArray jpegBytes(const QImage &picture)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpg").write(picture);
    return buffer.data();
}

// A photo taken on its side, as a camera writes it: the pixels stored sideways (160 x 80, the
// left half red, the right half blue) with orientation 6, a wide-gamut colour profile, 300 dpi, a
// thumbnail, camera, date and copyright in EXIF, IPTC and XMP, and where it was taken: place
// names in IPTC and XMP, coordinates in EXIF's GPS fields and, as a drone writes its XMP, in
// XMP's EXIF fields, in the IPTC locations created and shown, and in its maker's own fields.
void writeTaggedPhoto(const QString &path)
{
    QImage sideways(160, 80, QImage::Format_RGB32);
    sideways.fill(qRgb(0, 0, 255));
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 80; ++x)
            sideways.setPixel(x, y, qRgb(255, 0, 0));
    }
    sideways.setColorSpace(QColorSpace::DisplayP3);
    sideways.setDotsPerMeterX(11811); // 300 dpi in the JFIF header, as in EXIF
    sideways.setDotsPerMeterY(11811);
    QVERIFY(sideways.save(path, "jpg", 95));

    const auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData &exif = image->exifData();
    exif["Exif.Image.Make"] = "Korvath";
    exif["Exif.Image.Model"] = "K-1";
    exif["Exif.Image.Orientation"] = uint16_t(6);
    exif["Exif.Image.XResolution"] = Exiv2::URational(300, 1);
    exif["Exif.Image.YResolution"] = Exiv2::URational(300, 1);
    exif["Exif.Image.ResolutionUnit"] = uint16_t(2);
    exif["Exif.Image.Artist"] = photographer.toStdString();
    exif["Exif.Image.Copyright"] = copyright.toStdString();
    exif["Exif.Photo.DateTimeOriginal"] = "2024:05:06 07:08:09";
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    exif["Exif.Photo.LensModel"] = "Korvath 50mm F1.8";
    exif["Exif.Photo.PixelXDimension"] = uint32_t(160);
    exif["Exif.Photo.PixelYDimension"] = uint32_t(80);
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "41/1 1/1 30/1";
    exif["Exif.GPSInfo.GPSLongitudeRef"] = "E";
    exif["Exif.GPSInfo.GPSLongitude"] = "28/1 58/1 0/1";
    exif["Exif.GPSInfo.GPSAltitude"] = Exiv2::URational(120, 1);
    exif["Exif.GPSInfo.GPSTimeStamp"] = "4/1 8/1 9/1";
    const QByteArray thumbnail = jpegBytes(sideways.scaled(16, 8));
    Exiv2::ExifThumb(exif).setJpegThumbnail(
        reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()), thumbnail.size());

    Exiv2::IptcData &iptc = image->iptcData();
    iptc["Iptc.Application2.Byline"] = photographer.toStdString();
    iptc["Iptc.Application2.Copyright"] = copyright.toStdString();
    for (const char *keyword : {"harbour", "dawn"}) {
        Exiv2::StringValue value(keyword); // copied by add()
        iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &value);
    }
    iptc["Iptc.Application2.City"] = "Istanbul";
    iptc["Iptc.Application2.CountryName"] = "Turkey";

    image->setXmpPacket(
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n"
        " <rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
        "  <rdf:Description rdf:about=''\n"
        "    xmlns:dc='http://purl.org/dc/elements/1.1/'\n"
        "    xmlns:xmp='http://ns.adobe.com/xap/1.0/'\n"
        "    xmlns:tiff='http://ns.adobe.com/tiff/1.0/'\n"
        "    xmlns:exif='http://ns.adobe.com/exif/1.0/'\n"
        "    xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/'\n"
        "    xmlns:Iptc4xmpCore='http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/'\n"
        "    xmlns:Iptc4xmpExt='http://iptc.org/std/Iptc4xmpExt/2008-02-29/'\n"
        "    xmlns:drone-dji='http://www.dji.com/drone-dji/1.0/'\n"
        "    xmp:Rating='4' tiff:Orientation='6'\n"
        "    exif:PixelXDimension='160' exif:PixelYDimension='80'\n"
        "    exif:GPSLatitude='41,1.5N' exif:GPSLongitude='28,58.0E' exif:GPSAltitude='120/1'\n"
        "    exif:GPSTimeStamp='2024-05-06T04:08:09Z' exif:GPSDestLatitude='41,2.0N'\n"
        "    photoshop:City='Istanbul' photoshop:Country='Turkey' Iptc4xmpCore:Location='Galata'\n"
        "    drone-dji:GpsLatitude='+41.0250' drone-dji:GpsLongitude='+28.9667'\n"
        "    drone-dji:AbsoluteAltitude='+120.50' drone-dji:RelativeAltitude='+60.00'\n"
        "    drone-dji:GimbalYawDegree='+10.0'>\n"
        "   <dc:creator><rdf:Seq><rdf:li>Ada Lens</rdf:li></rdf:Seq></dc:creator>\n"
        "   <dc:rights><rdf:Alt><rdf:li xml:lang='x-default'>(c) 2024 Ada "
        "Lens</rdf:li></rdf:Alt></dc:rights>\n"
        "   <Iptc4xmpExt:LocationCreated><rdf:Bag><rdf:li rdf:parseType='Resource'>\n"
        "    <Iptc4xmpExt:City>Istanbul</Iptc4xmpExt:City>\n"
        "    <exif:GPSLatitude>41,1.5N</exif:GPSLatitude>\n"
        "    <exif:GPSLongitude>28,58.0E</exif:GPSLongitude>\n"
        "   </rdf:li></rdf:Bag></Iptc4xmpExt:LocationCreated>\n"
        "   <Iptc4xmpExt:LocationShown><rdf:Bag><rdf:li rdf:parseType='Resource'>\n"
        "    <exif:GPSLatitude>41,1.6N</exif:GPSLatitude>\n"
        "    <exif:GPSLongitude>28,58.1E</exif:GPSLongitude>\n"
        "    <exif:GPSAltitude>30/1</exif:GPSAltitude>\n"
        "   </rdf:li></rdf:Bag></Iptc4xmpExt:LocationShown>\n"
        "  </rdf:Description>\n"
        " </rdf:RDF>\n"
        "</x:xmpmeta>");
    image->writeXmpFromPacket(true);
    image->writeMetadata();
}

// The XMP properties holding coordinates in the tagged photo, sorted.
const QStringList taggedCoordinates = {
    "Xmp.drone-dji.AbsoluteAltitude",
    "Xmp.drone-dji.GpsLatitude",
    "Xmp.drone-dji.GpsLongitude",
    "Xmp.drone-dji.RelativeAltitude",
    "Xmp.exif.GPSAltitude",
    "Xmp.exif.GPSDestLatitude",
    "Xmp.exif.GPSLatitude",
    "Xmp.exif.GPSLongitude",
    "Xmp.exif.GPSTimeStamp",
    "Xmp.iptcExt.LocationCreated[1]/exif:GPSLatitude",
    "Xmp.iptcExt.LocationCreated[1]/exif:GPSLongitude",
    "Xmp.iptcExt.LocationShown",
    "Xmp.iptcExt.LocationShown[1]",
    "Xmp.iptcExt.LocationShown[1]/exif:GPSAltitude",
    "Xmp.iptcExt.LocationShown[1]/exif:GPSLatitude",
    "Xmp.iptcExt.LocationShown[1]/exif:GPSLongitude",
};

// A JPEG whose EXIF block is there but corrupt: its first directory claims 32767 entries.
void writeCorruptExifPhoto(const QString &path)
{
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(20, 160, 90));
    const QByteArray jpeg = jpegBytes(picture);
    const QByteArray exif = QByteArray("Exif\0\0MM\0*\0\0\0\x08\x7f\xff", 16)
        + QByteArray("broken directory entries");
    QByteArray segment("\xff\xe1");
    segment.append(char((exif.size() + 2) >> 8)).append(char((exif.size() + 2) & 0xff));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(jpeg.left(2) + segment + exif + jpeg.mid(2));
}

// A TIFF at 96 dpi whose EXIF, 18 text tags of 3900 bytes each, is more than a JPEG's EXIF
// segment holds (65535 bytes), though no single tag is large; with the photographer in XMP when
// `withXmp`.
void writeLargeExifTiff(const QString &path, bool withXmp)
{
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(20, 160, 90));
    picture.setDotsPerMeterX(stampDotsPerMeter);
    picture.setDotsPerMeterY(stampDotsPerMeter);
    QVERIFY(picture.save(path));
    const auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    for (const char *key :
         {"Exif.Image.ImageDescription", "Exif.Image.Make", "Exif.Image.Model",
          "Exif.Image.Software", "Exif.Image.Artist", "Exif.Image.Copyright",
          "Exif.Image.HostComputer", "Exif.Image.DocumentName", "Exif.Image.PageName",
          "Exif.Photo.ImageUniqueID", "Exif.Photo.CameraOwnerName", "Exif.Photo.BodySerialNumber",
          "Exif.Photo.LensMake", "Exif.Photo.LensModel", "Exif.Photo.LensSerialNumber",
          "Exif.Photo.SubSecTime", "Exif.Photo.SubSecTimeOriginal",
          "Exif.Photo.SubSecTimeDigitized"})
        image->exifData()[key] = std::string(3900, 'x');
    if (withXmp)
        image->xmpData()["Xmp.dc.creator"] = photographer.toStdString();
    image->writeMetadata();
}

// Spoils one block of the tagged photo at `path` in place, its size unchanged: the EXIF's first
// directory claims 32767 entries, the IPTC's first dataset (the photographer) claims more bytes
// than there are, or the XMP's closing tag is misspelt.
void spoilBlock(const QString &path, PhotoBlock block)
{
    QByteArray bytes = fileBytes(path);
    if (block == PhotoBlock::Exif) {
        const int tiff = bytes.indexOf(QByteArray("Exif\0\0", 6)) + 6;
        const bool intel = bytes.mid(tiff, 2) == "II";
        const auto number = [&](int at, int size) {
            quint32 value = 0;
            for (int i = 0; i < size; ++i)
                value |= quint32(quint8(bytes.at(at + i))) << 8 * (intel ? i : size - 1 - i);
            return value;
        };
        const int directory = tiff + int(number(tiff + 4, 4));
        bytes[directory + (intel ? 1 : 0)] = '\x7f';
        bytes[directory + (intel ? 0 : 1)] = '\xff';
    } else if (block == PhotoBlock::Iptc) {
        const int dataset = bytes.indexOf(QByteArray("\x1c\x02\x50", 3));
        QVERIFY(dataset > 0);
        bytes.replace(dataset + 3, 2, "\x7f\xff");
    } else {
        QVERIFY(bytes.contains("</rdf:RDF>"));
        bytes.replace("</rdf:RDF>", "</rdf:RDX>");
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Whether each block of the file at `path` holds what the tagged photo and the large TIFF put in
// it: the photographer.
PhotoBlocks blocksWithThePhotographer(const QString &path)
{
    const Tags tags = readTags(path);
    PhotoBlocks blocks;
    blocks.setFlag(PhotoBlock::Exif, exifValue(tags, "Exif.Image.Artist") == photographer);
    blocks.setFlag(PhotoBlock::Iptc,
                   iptcValues(tags, "Iptc.Application2.Byline") == QStringList {photographer});
    blocks.setFlag(PhotoBlock::Xmp, xmpValue(tags, "Xmp.dc.creator") == photographer);
    return blocks;
}

// A picture as it is written without photo information: the stamped picture at the working
// copy's resolution, encoded.
QByteArray encodedAtTheWorkingResolution(QImage stamped, const QString &format)
{
    stamped.setDotsPerMeterX(stampDotsPerMeter);
    stamped.setDotsPerMeterY(stampDotsPerMeter);
    return PictureEncoder(format.toLatin1()).encode(stamped, nullptr);
}

} // namespace

Q_DECLARE_METATYPE(PhotoBlocks)

class TstPhotoInformation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void taggedPhoto_data();
    void taggedPhoto();
    void sourceWithoutInformationGivesTodaysFile_data();
    void sourceWithoutInformationGivesTodaysFile();
    void resolutionIsTheSources_data();
    void resolutionIsTheSources();
    void unreadableInformationIsLogged_data();
    void unreadableInformationIsLogged();
    void profileDescribesThePixels_data();
    void profileDescribesThePixels();

private:
    StampJob job(const QString &format) const;
    QString inputPath(const QString &name) const { return dir->filePath("in/" + name); }

    std::unique_ptr<QTemporaryDir> dir;
};

void TstPhotoInformation::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(dir->path()).mkpath("in"));
    QVERIFY(QDir(dir->path()).mkpath("out"));
}

void TstPhotoInformation::cleanup()
{
    dir.reset();
}

StampJob TstPhotoInformation::job(const QString &format) const
{
    StampJob job;
    job.stamp.text = QStringLiteral("Stamped");
    job.stamp.color = Qt::white;
    job.outputFolder = dir->filePath("out");
    job.format = format;
    return job;
}

void TstPhotoInformation::taggedPhoto_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("keepMetadata");
    QTest::addColumn<bool>("keepLocation");
    for (const char *format : {"jpg", "png", "tif", "webp"}) {
        QTest::addRow("%s, defaults", format) << format << true << false;
        QTest::addRow("%s, location kept", format) << format << true << true;
        QTest::addRow("%s, information left out", format) << format << false << false;
    }
}

// Camera, date, copyright, IPTC and XMP are kept; orientation, pixel dimensions, thumbnail and
// location are what the stamped picture is; its resolution and colour profile are the source's.
// A WebP, which has no place for IPTC, holds what it says in its XMP, and its resolution in EXIF.
void TstPhotoInformation::taggedPhoto()
{
    QFETCH(QString, format);
    QFETCH(bool, keepMetadata);
    QFETCH(bool, keepLocation);
    const QString source = inputPath("photo.jpg");
    writeTaggedPhoto(source);
    StampJob stampJob = job(format);
    QCOMPARE(stampJob.keepMetadata, true);
    QCOMPARE(stampJob.keepLocation, false);
    stampJob.keepMetadata = keepMetadata;
    stampJob.keepLocation = keepLocation;

    const StampResult result = stampFile(source, stampJob);
    QCOMPARE(result.outcome.output, dir->filePath("out/photo." + format));
    QCOMPARE(result.outcome.informationNotKept, QStringList());

    const QImage written = readPicture(result.outcome.output);
    QCOMPARE(written.size(), QSize(80, 160));
    // Below the stamped text.
    QVERIFY(qRed(written.pixel(40, 60)) > 200 && qBlue(written.pixel(40, 60)) < 50);
    QVERIFY(qBlue(written.pixel(40, 140)) > 200 && qRed(written.pixel(40, 140)) < 50);
    const bool webp = format == "webp";
    if (!webp)
        QCOMPARE(dotsPerInch(written), QSize(300, 300));
    QCOMPARE(written.colorSpace(), QColorSpace(QColorSpace::DisplayP3));

    const Tags tags = readTags(result.outcome.output);
    QCOMPARE(exifValue(tags, "Exif.Image.Orientation"),
             format == "tif"    ? "1"
                 : keepMetadata ? "1"
                                : "");
    if (!keepMetadata) {
        QCOMPARE(exifValue(tags, "Exif.Image.Artist"), QString());
        QCOMPARE(exifValue(tags, "Exif.Photo.DateTimeOriginal"), QString());
        QVERIFY(tags.iptc.empty());
        QVERIFY(tags.xmp.empty());
        return;
    }
    QCOMPARE(exifValue(tags, "Exif.Image.Make"), QStringLiteral("Korvath"));
    QCOMPARE(exifValue(tags, "Exif.Image.Model"), QStringLiteral("K-1"));
    QCOMPARE(exifValue(tags, "Exif.Image.Artist"), photographer);
    QCOMPARE(exifValue(tags, "Exif.Image.Copyright"), copyright);
    QCOMPARE(exifValue(tags, "Exif.Photo.DateTimeOriginal"), QStringLiteral("2024:05:06 07:08:09"));
    QCOMPARE(exifValue(tags, "Exif.Photo.ExposureTime"), QStringLiteral("1/250"));
    QCOMPARE(exifValue(tags, "Exif.Photo.LensModel"), QStringLiteral("Korvath 50mm F1.8"));
    QCOMPARE(exifValue(tags, "Exif.Image.XResolution"), QStringLiteral("300/1"));
    QCOMPARE(exifValue(tags, "Exif.Photo.PixelXDimension"), QStringLiteral("80"));
    QCOMPARE(exifValue(tags, "Exif.Photo.PixelYDimension"), QStringLiteral("160"));
    // A JPEG gets a fresh thumbnail of the stamped picture, as a camera makes it; the source's,
    // sideways and unstamped, is never kept.
    const Exiv2::DataBuf thumbnailBytes = Exiv2::ExifThumbC(tags.exif).copy();
    const QImage thumbnail = QImage::fromData(thumbnailBytes.pData_, int(thumbnailBytes.size_));
    if (format == "jpg") {
        QCOMPARE(thumbnail.size(), written.size());
        QVERIFY(meanDifference(thumbnail, written) < 4);
    } else {
        QVERIFY(!hasExifGroup(tags, "Thumbnail"));
    }
    QCOMPARE(hasExifGroup(tags, "GPSInfo"), keepLocation);
    QCOMPARE(exifValue(tags, "Exif.GPSInfo.GPSLatitudeRef"), keepLocation ? "N" : "");

    if (webp) {
        QVERIFY(tags.iptc.empty());
        QCOMPARE(xmpValue(tags, "Xmp.dc.subject"), QStringLiteral("harbour, dawn"));
    } else {
        QCOMPARE(iptcValues(tags, "Iptc.Application2.Byline"), QStringList {photographer});
        QCOMPARE(iptcValues(tags, "Iptc.Application2.Copyright"), QStringList {copyright});
        QCOMPARE(iptcValues(tags, "Iptc.Application2.Keywords"), QStringList({"harbour", "dawn"}));
        QCOMPARE(iptcValues(tags, "Iptc.Application2.City"), QStringList {"Istanbul"});
        QCOMPARE(iptcValues(tags, "Iptc.Application2.CountryName"), QStringList {"Turkey"});
    }

    QCOMPARE(xmpValue(tags, "Xmp.dc.creator"), photographer);
    QVERIFY(xmpValue(tags, "Xmp.dc.rights").contains(copyright));
    QCOMPARE(xmpValue(tags, "Xmp.xmp.Rating"), QStringLiteral("4"));
    QCOMPARE(xmpValue(tags, "Xmp.tiff.Orientation"), QStringLiteral("1"));
    QCOMPARE(xmpValue(tags, "Xmp.exif.PixelXDimension"), QStringLiteral("80"));

    // Every coordinate goes, in every namespace, unless kept; place names stay.
    QStringList coordinates;
    for (const Exiv2::Xmpdatum &datum : tags.xmp) {
        if (taggedCoordinates.contains(QString::fromStdString(datum.key())))
            coordinates << QString::fromStdString(datum.key());
    }
    coordinates.sort();
    QCOMPARE(coordinates, keepLocation ? taggedCoordinates : QStringList());
    QCOMPARE(xmpValue(tags, "Xmp.exif.GPSLatitude"), keepLocation ? "41,1.5N" : "");
    QCOMPARE(xmpValue(tags, "Xmp.photoshop.City"), QStringLiteral("Istanbul"));
    QCOMPARE(xmpValue(tags, "Xmp.iptc.Location"), QStringLiteral("Galata"));
    QCOMPARE(xmpValue(tags, "Xmp.iptcExt.LocationCreated[1]/Iptc4xmpExt:City"),
             QStringLiteral("Istanbul"));
    QCOMPARE(xmpValue(tags, "Xmp.drone-dji.GimbalYawDegree"), QStringLiteral("+10.0"));
}

void TstPhotoInformation::sourceWithoutInformationGivesTodaysFile_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("format");
    for (const char *input : {"jpg", "png", "tif"}) {
        for (const char *format : {"jpg", "png", "tif", "webp", "avif"})
            QTest::addRow("%s to %s", input, format) << input << format;
    }
}

// Byte for byte the file written before photo information was kept.
void TstPhotoInformation::sourceWithoutInformationGivesTodaysFile()
{
    QFETCH(QString, input);
    QFETCH(QString, format);
    QImage plain(40, 30, QImage::Format_RGB32);
    plain.fill(qRgb(200, 120, 40));
    plain.setDotsPerMeterX(stampDotsPerMeter);
    plain.setDotsPerMeterY(stampDotsPerMeter);
    const QString source = inputPath("plain." + input);
    QVERIFY(plain.save(source));

    const StampResult result = stampFile(source, job(format));
    QVERIFY(!result.outcome.output.isEmpty());
    QCOMPARE(result.outcome.informationNotKept, QStringList());
    QCOMPARE(fileBytes(result.outcome.output),
             encodedAtTheWorkingResolution(result.stamped.image, format));
    QCOMPARE(dotsPerInch(readPicture(result.outcome.output)), QSize(96, 96));
}

void TstPhotoInformation::resolutionIsTheSources_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QSize>("header");
    QTest::addColumn<int>("exif");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<QString>("format");
    // Resolutions in dots per inch; an empty header states none, an EXIF of 0 is not there.
    const struct
    {
        const char *name;
        const char *input;
        QSize header;
        int exif;
        QSize expected;
    } sources[] = {
        {"JFIF density 72 dpi", "jpg", QSize(72, 72), 0, QSize(72, 72)},
        {"JFIF aspect ratio only", "jpg", QSize(), 0, QSize(96, 96)},
        {"JFIF aspect ratio only, EXIF 150 dpi", "jpg", QSize(), 150, QSize(150, 150)},
        {"pHYs 300 dpi", "png", QSize(300, 300), 0, QSize(300, 300)},
        {"no pHYs chunk", "png", QSize(), 0, QSize(96, 96)},
        {"TIFF 150 x 300 dpi", "tif", QSize(150, 300), 0, QSize(150, 300)},
    };
    for (const auto &source : sources) {
        for (const char *format : {"jpg", "png", "tif"}) {
            QTest::addRow("%s to %s", source.name, format)
                << source.input << source.header << source.exif << source.expected << format;
        }
    }
}

// The resolution a file states, in its own header or else in EXIF, is the stamped file's, even
// with no other information; a file that states none gives the file of before, at the working
// copy's 96 dpi whatever the screen.
void TstPhotoInformation::resolutionIsTheSources()
{
    QFETCH(QString, input);
    QFETCH(QSize, header);
    QFETCH(int, exif);
    QFETCH(QSize, expected);
    QFETCH(QString, format);
    QImage plain(40, 30, QImage::Format_RGB32);
    plain.fill(qRgb(200, 120, 40));
    const QSize written = header.isEmpty() ? QSize(300, 300) : header;
    plain.setDotsPerMeterX(qRound(written.width() / 0.0254));
    plain.setDotsPerMeterY(qRound(written.height() / 0.0254));
    const QString source = inputPath("plain." + input);
    QVERIFY(plain.save(source));
    if (header.isEmpty()) {
        // A JFIF header's unit byte set to 0, an aspect ratio only; a PNG's pHYs chunk removed
        // whole: its length, type, 9 bytes of data and checksum.
        QByteArray bytes = fileBytes(source);
        if (input == "jpg") {
            QCOMPARE(bytes.at(13), char(1));
            bytes[13] = 0;
        } else {
            QVERIFY(bytes.contains("pHYs"));
            bytes.remove(bytes.indexOf("pHYs") - 4, 21);
        }
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    if (exif > 0) {
        const auto image = Exiv2::ImageFactory::open(QFile::encodeName(source).toStdString());
        image->readMetadata();
        image->exifData()["Exif.Image.XResolution"] = Exiv2::URational(exif, 1);
        image->exifData()["Exif.Image.YResolution"] = Exiv2::URational(exif, 1);
        image->writeMetadata();
    }

    const StampResult result = stampFile(source, job(format));
    QVERIFY(!result.outcome.output.isEmpty());
    QCOMPARE(result.outcome.informationNotKept, QStringList());
    QCOMPARE(dotsPerInch(readPicture(result.outcome.output)), expected);
    if (expected == QSize(96, 96))
        QCOMPARE(fileBytes(result.outcome.output),
                 encodedAtTheWorkingResolution(result.stamped.image, format));
}

void TstPhotoInformation::unreadableInformationIsLogged_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("keepMetadata");
    QTest::addColumn<QStringList>("notKept");
    QTest::addColumn<PhotoBlocks>("kept");
    const QStringList exif {"EXIF"};
    for (const char *format : {"jpg", "png", "tif"}) {
        QTest::addRow("corrupt EXIF to %s", format)
            << "corrupt.jpg" << format << true << exif << PhotoBlocks();
        QTest::addRow("tagged, corrupt EXIF to %s", format)
            << "exif-spoilt.jpg" << format << true << exif << (PhotoBlock::Iptc | PhotoBlock::Xmp);
        QTest::addRow("tagged, IPTC dataset too long to %s", format)
            << "iptc-spoilt.jpg" << format << true << QStringList {"IPTC"}
            << (PhotoBlock::Exif | PhotoBlock::Xmp);
        QTest::addRow("tagged, XMP not well-formed to %s", format)
            << "xmp-spoilt.jpg" << format << true << QStringList {"XMP"}
            << (PhotoBlock::Exif | PhotoBlock::Iptc);
    }
    QTest::addRow("corrupt EXIF, information left out")
        << "corrupt.jpg"
        << "jpg" << false << QStringList() << PhotoBlocks();
    QTest::addRow("EXIF too large for a JPEG") << "large.tif"
                                               << "jpg" << true << exif << PhotoBlocks();
    QTest::addRow("EXIF too large for a JPEG, XMP kept")
        << "large-xmp.tif"
        << "jpg" << true << exif << PhotoBlocks(PhotoBlock::Xmp);
    QTest::addRow("tagged to avif, which the library cannot write")
        << "tagged.jpg"
        << "avif" << true << QStringList {"EXIF", "IPTC", "XMP"} << PhotoBlocks();
}

// Information that cannot be read, or written into the output's format, costs its own block
// alone: the others are kept, and the log names what was not, once, unless the information was
// not asked for. With no block left, the picture is written as it would be without any.
void TstPhotoInformation::unreadableInformationIsLogged()
{
    QFETCH(QString, source);
    QFETCH(QString, format);
    QFETCH(bool, keepMetadata);
    QFETCH(QStringList, notKept);
    QFETCH(PhotoBlocks, kept);
    const QString path = inputPath(source);
    if (source == "corrupt.jpg") {
        writeCorruptExifPhoto(path);
    } else if (source.endsWith(".tif")) {
        writeLargeExifTiff(path, source == "large-xmp.tif");
    } else if (source == "tagged.jpg") {
        writeTaggedPhoto(path);
    } else {
        writeTaggedPhoto(path);
        spoilBlock(path,
                   source.startsWith("exif")       ? PhotoBlock::Exif
                       : source.startsWith("iptc") ? PhotoBlock::Iptc
                                                   : PhotoBlock::Xmp);
    }
    QVERIFY(!readPicture(path).isNull());
    StampJob stampJob = job(format);
    stampJob.keepMetadata = keepMetadata;

    const StampResult result = stampFile(path, stampJob);
    QVERIFY(!result.outcome.output.isEmpty());
    QCOMPARE(result.outcome.kind, PictureOutcome::Written);
    QCOMPARE(result.outcome.informationNotKept, notKept);
    QCOMPARE(blocksWithThePhotographer(result.outcome.output), kept);
    if (!kept)
        QCOMPARE(fileBytes(result.outcome.output),
                 encodedAtTheWorkingResolution(result.stamped.image, format));

    // The small test picture cuts the text off; its warning is not counted here.
    QStringList lines;
    for (const OutcomeLine &line :
         outcomeLines(result.outcome, stampJob.outputFolder, format, 1, 1)) {
        if (!line.warning)
            lines << line.text;
    }
    const QString notKeptLine = !kept
        ? "The photo information (camera, date, copyright) of " + path + " was not kept"
        : "Part of the photo information (camera, date, copyright) of " + path
            + " was not kept: its " + notKept.join(" and ");
    QCOMPARE(lines.contains(notKeptLine), keepMetadata);
    QCOMPARE(lines.size(), keepMetadata ? 2 : 1);
}

void TstPhotoInformation::profileDescribesThePixels_data()
{
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<uint>("leftColor");
    QTest::addColumn<uint>("rightColor");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QSize>("box"); // empty: not resized
    const QByteArray grey = linearGreyProfile();
    const QByteArray press = pressProfile();
    // Inks stored inverted: cyan alone on the left, half black on the right.
    const QByteArray cyanInk("\x00\xff\xff\xff", 4);
    const QByteArray halfBlackInk("\xff\xff\xff\x7f", 4);
    for (const char *format : {"jpg", "png", "tif"}) {
        QTest::addRow("grey through a linear grey profile to %s", format)
            << QByteArray("\x80") << QByteArray("\x40") << grey << uint(qRgb(188, 188, 188))
            << uint(qRgb(137, 137, 137)) << format << QSize();
        QTest::addRow("CMYK through a press profile to %s", format)
            << cyanInk << halfBlackInk << press << uint(qRgb(0, 102, 255))
            << uint(qRgb(127, 127, 127)) << format << QSize();
        QTest::addRow("RGB under a grey profile to %s", format)
            << QByteArray("\xc8\x78\x28") << QByteArray("\x28\x78\xc8") << grey
            << uint(qRgb(200, 120, 40)) << uint(qRgb(40, 120, 200)) << format << QSize();
    }
    // A third of the size: a JPEG is decoded smaller where it can be.
    QTest::newRow("grey through a linear grey profile, resized")
        << QByteArray("\x80") << QByteArray("\x40") << grey << uint(qRgb(188, 188, 188))
        << uint(qRgb(137, 137, 137)) << "png" << QSize(22, 22);
    QTest::newRow("CMYK through a press profile, resized")
        << cyanInk << halfBlackInk << press << uint(qRgb(0, 102, 255)) << uint(qRgb(127, 127, 127))
        << "png" << QSize(22, 22);
}

// A profile that does not describe RGB is converted through, in the stamped picture the preview
// shows as in the file written, resized or not, which holds RGB pixels under an RGB profile or none
// (plain sRGB); one that does not describe the pixels either is dropped.
void TstPhotoInformation::profileDescribesThePixels()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(QByteArray, profile);
    QFETCH(uint, leftColor);
    QFETCH(uint, rightColor);
    QFETCH(QString, format);
    QFETCH(QSize, box);
    const QString path = inputPath("profiled.jpg");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(profiledJpeg(left, right, profile));
    file.close();
    StampJob stampJob = job(format);
    stampJob.stamp.text.clear();
    stampJob.stamp.resize = !box.isEmpty();
    stampJob.stamp.outputSize = box;
    stampJob.stamp.keepAspectRatio = true;
    stampJob.stamp.transformMode = Qt::SmoothTransformation;

    const StampResult result = stampFile(path, stampJob);
    QVERIFY(result.outcome.written());
    const QImage written = QImageReader(result.outcome.output).read();
    const QByteArray writtenProfile = written.colorSpace().iccProfile();
    QVERIFY2(writtenProfile.isEmpty() || writtenProfile.mid(16, 4) == "RGB ",
             writtenProfile.mid(16, 4).constData());
    const QPoint leftPoint(written.width() * 3 / 16, written.height() / 2);
    const QPoint rightPoint(written.width() * 13 / 16, written.height() / 2);
    for (const QImage &picture : {result.stamped.image, written}) {
        QVERIFY2(isNearColor(picture.pixel(leftPoint), leftColor),
                 qPrintable(QColor(picture.pixel(leftPoint)).name()));
        QVERIFY2(isNearColor(picture.pixel(rightPoint), rightColor),
                 qPrintable(QColor(picture.pixel(rightPoint)).name()));
    }
}

QTEST_MAIN(TstPhotoInformation)
#include "tst_photoinformation.moc"
