#include "engine/batch/photoinformation.h"

#include "engine/batch/pictureencoder.h"
#include "engine/read/pictureboxes.h"

#include <QBuffer>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <mutex>
#include <set>
#include <vector>

struct PhotoMetadata
{
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
};

namespace {

// Tags that describe how a TIFF file stores its pixels and colour profile, and the copies of its
// IPTC and XMP it keeps in tags: they belong to the file, not to the photo, a written TIFF has
// its own, and the IPTC and XMP go as blocks of their own.
const std::set<std::string> fileStructureKeys = {
    "Exif.Image.NewSubfileType",
    "Exif.Image.SubfileType",
    "Exif.Image.ImageWidth",
    "Exif.Image.ImageLength",
    "Exif.Image.BitsPerSample",
    "Exif.Image.Compression",
    "Exif.Image.PhotometricInterpretation",
    "Exif.Image.FillOrder",
    "Exif.Image.StripOffsets",
    "Exif.Image.SamplesPerPixel",
    "Exif.Image.RowsPerStrip",
    "Exif.Image.StripByteCounts",
    "Exif.Image.PlanarConfiguration",
    "Exif.Image.Predictor",
    "Exif.Image.ColorMap",
    "Exif.Image.TileWidth",
    "Exif.Image.TileLength",
    "Exif.Image.TileOffsets",
    "Exif.Image.TileByteCounts",
    "Exif.Image.SubIFDs",
    "Exif.Image.ExtraSamples",
    "Exif.Image.SampleFormat",
    "Exif.Image.JPEGTables",
    "Exif.Image.JPEGProc",
    "Exif.Image.JPEGInterchangeFormat",
    "Exif.Image.JPEGInterchangeFormatLength",
    "Exif.Image.YCbCrCoefficients",
    "Exif.Image.YCbCrSubSampling",
    "Exif.Image.YCbCrPositioning",
    "Exif.Image.ReferenceBlackWhite",
    "Exif.Image.InterColorProfile",
    "Exif.Image.XMLPacket",
    "Exif.Image.IPTCNAA",
    "Exif.Image.ImageResources",
};

// Tags every written picture states anew (its orientation and resolution): alone, they are no
// photo information worth rewriting a file for.
const std::set<std::string> pictureLayoutKeys = {
    "Exif.Image.Orientation",
    "Exif.Image.XResolution",
    "Exif.Image.YResolution",
    "Exif.Image.ResolutionUnit",
};

constexpr PhotoBlocks allBlocks = PhotoBlock::Exif | PhotoBlock::Iptc | PhotoBlock::Xmp;

// The library logs what it cannot read (a corrupt block, say) instead of throwing, and names the
// XMP and IPTC in its messages about them; its other errors are about the EXIF (its directories
// and maker notes). A block it could not decode it drops with a warning, the only warning that
// counts. The blocks with trouble go to this record of the thread that logs, and nowhere else.
thread_local PhotoBlocks troubledBlocks;

void noteLibraryTrouble(int level, const char *message)
{
    const QByteArray text(message);
    if (level < Exiv2::LogMsg::error && !text.startsWith("Failed to decode"))
        return;
    if (text.contains("XMP"))
        troubledBlocks |= PhotoBlock::Xmp;
    else if (text.contains("IPTC"))
        troubledBlocks |= PhotoBlock::Iptc;
    else
        troubledBlocks |= PhotoBlock::Exif;
}

void lockNamespaces(void *mutex, bool lock)
{
    auto namespaceMutex = static_cast<std::mutex *>(mutex);
    if (lock)
        namespaceMutex->lock();
    else
        namespaceMutex->unlock();
}

// Runs `work`, the only place the library's exceptions are caught: the blocks the library
// reported trouble with, or all of them when it threw.
template<typename Work>
PhotoBlocks troubleOf(const Work &work)
{
    troubledBlocks = {};
    try {
        work();
    } catch (const std::exception &) {
        return allBlocks;
    }
    return troubledBlocks;
}

// The library's view of `bytes`, which must outlive it.
Exiv2::Image::AutoPtr openBytes(const QByteArray &bytes)
{
    return Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()),
                                     long(bytes.size()));
}

template<typename Data, typename Doomed>
void eraseIf(Data &data, const Doomed &doomed)
{
    for (auto datum = data.begin(); datum != data.end();)
        datum = doomed(*datum) ? data.erase(datum) : std::next(datum);
}

template<typename Key, typename Data>
void replaceIfPresent(Data &data, const char *key, const std::string &value)
{
    const auto datum = data.findKey(Key(key));
    if (datum != data.end())
        datum->setValue(value);
}

bool startsWith(const std::string &text, const char *prefix)
{
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool contains(const std::string &text, const char *part)
{
    return text.find(part) != std::string::npos;
}

// Whether a property's own name (no namespace prefix, no array index), in lower case, names a
// coordinate.
bool namesCoordinate(const std::string &name)
{
    static const std::set<std::string> shortNames = {"lat", "lon", "long", "lng"};
    return startsWith(name, "gps") || contains(name, "latitude") || contains(name, "longitude")
        || contains(name, "altitude") || contains(name, "elevation") || contains(name, "coordinate")
        || shortNames.count(name) > 0;
}

// Whether the XMP property at `key` ("Xmp.prefix.Name", then "/prefix:Field" for a struct's
// field, "[n]" for an array's item, "/?prefix:name" for a qualifier) is a coordinate or lies
// within one, in any namespace: the GPS fields of the EXIF schema, an IPTC location's GPS
// fields, a drone maker's position and altitude. Place names (a city, a country, a
// sublocation) are not.
bool isXmpCoordinate(const std::string &key)
{
    const std::size_t prefixEnd = key.find('.', 4); // after "Xmp."
    if (prefixEnd == std::string::npos)
        return false;
    std::size_t stepStart = prefixEnd + 1;
    while (stepStart < key.size()) {
        const std::size_t stepEnd = std::min(key.find('/', stepStart), key.size());
        std::string step = key.substr(stepStart, stepEnd - stepStart);
        step = step.substr(0, step.find('['));
        step = step.substr(step.find(':') + 1); // npos + 1 is 0: no prefix
        std::transform(step.begin(), step.end(), step.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (namesCoordinate(step))
            return true;
        stepStart = stepEnd + 1;
    }
    return false;
}

// Erases from `xmp` the properties that `doomed` names, and the structs and arrays their
// removal leaves empty.
template<typename Doomed>
void eraseProperties(Exiv2::XmpData &xmp, const Doomed &doomed)
{
    const auto withMembers = [](const std::set<std::string> &keys, const std::string &key) {
        for (const char separator : {'/', '['}) {
            const auto member = keys.lower_bound(key + separator);
            if (member != keys.end() && startsWith(*member, (key + separator).c_str()))
                return true;
        }
        return false;
    };
    std::set<std::string> keysBefore;
    for (const Exiv2::Xmpdatum &datum : xmp)
        keysBefore.insert(datum.key());
    eraseIf(xmp, doomed);
    std::set<std::string> keysAfter;
    for (const Exiv2::Xmpdatum &datum : xmp)
        keysAfter.insert(datum.key());
    // A member's key sorts after its container's: from the last key back, the innermost go first.
    const std::vector<std::string> kept(keysAfter.begin(), keysAfter.end());
    std::set<std::string> emptied;
    for (auto key = kept.rbegin(); key != kept.rend(); ++key) {
        if (withMembers(keysBefore, *key) && !withMembers(keysAfter, *key)) {
            keysAfter.erase(*key);
            emptied.insert(*key);
        }
    }
    eraseIf(xmp, [&](const Exiv2::Xmpdatum &datum) { return emptied.count(datum.key()) > 0; });
}

// The source's EXIF without the tags that describe its file.
Exiv2::ExifData photoExif(Exiv2::ExifData exif)
{
    eraseIf(exif,
            [](const Exiv2::Exifdatum &datum) { return fileStructureKeys.count(datum.key()); });
    return exif;
}

// The blocks of `metadata` that hold information: an EXIF of more than the tags every written
// picture states anew, an IPTC or XMP of anything.
PhotoBlocks heldBlocks(const PhotoMetadata &metadata)
{
    const auto isLayout
        = [](const Exiv2::Exifdatum &datum) { return pictureLayoutKeys.count(datum.key()) > 0; };
    PhotoBlocks held;
    held.setFlag(PhotoBlock::Exif,
                 !std::all_of(metadata.exif.begin(), metadata.exif.end(), isLayout));
    held.setFlag(PhotoBlock::Iptc, !metadata.iptc.empty());
    held.setFlag(PhotoBlock::Xmp, !metadata.xmp.empty());
    return held;
}

// One resolution of the EXIF or TIFF tags in dots per meter; 0 when it is missing, has no
// absolute unit or is out of any sensible range.
int dotsPerMeter(const Exiv2::ExifData &exif, const char *key)
{
    const auto resolution = exif.findKey(Exiv2::ExifKey(key));
    const auto unit = exif.findKey(Exiv2::ExifKey("Exif.Image.ResolutionUnit"));
    const long unitCode = unit == exif.end() ? 2 : unit->toLong(); // 2: inches, the default
    const double metersPerUnit = unitCode == 2 ? 0.0254 : unitCode == 3 ? 0.01 : 0;
    if (resolution == exif.end() || metersPerUnit == 0)
        return 0;
    const double dots = resolution->toFloat() / metersPerUnit;
    return dots >= 1 && dots <= 1e7 ? qRound(dots) : 0;
}

quint32 bigEndian(const QByteArray &bytes, int at, int size)
{
    quint32 value = 0;
    for (int i = at; i < at + size; ++i)
        value = value << 8 | quint8(bytes.at(i));
    return value;
}

// The resolution a JPEG states in its JFIF header, which follows the start marker, in dots per
// meter; empty when it states none in dots per inch or centimetre.
QSize jfifDotsPerMeter(QIODevice &file)
{
    const QByteArray head = file.read(18);
    if (head.size() < 18 || !head.startsWith("\xff\xd8\xff\xe0")
        || head.mid(6, 5) != QByteArray("JFIF\0", 5))
        return QSize();
    const int unit = quint8(head.at(13));
    const double metersPerUnit = unit == 1 ? 0.0254 : unit == 2 ? 0.01 : 0;
    if (metersPerUnit == 0)
        return QSize();
    return QSize(qRound(bigEndian(head, 14, 2) / metersPerUnit),
                 qRound(bigEndian(head, 16, 2) / metersPerUnit));
}

// The resolution a PNG states in its pHYs chunk, which comes before the pixel data, in dots per
// meter; empty when it states none, or only an aspect ratio.
QSize pngDotsPerMeter(QIODevice &file)
{
    if (file.read(8) != QByteArray("\x89PNG\r\n\x1a\n"))
        return QSize();
    for (;;) {
        const QByteArray chunk = file.read(8); // the data's length, then the type
        if (chunk.size() < 8 || chunk.endsWith("IDAT") || chunk.endsWith("IEND"))
            return QSize();
        const quint32 length = bigEndian(chunk, 0, 4);
        if (chunk.endsWith("pHYs")) {
            const QByteArray data = file.read(9);
            if (length != 9 || data.size() < 9 || data.at(8) != 1) // 1: per meter
                return QSize();
            return QSize(bigEndian(data, 0, 4), bigEndian(data, 4, 4));
        }
        if (!file.seek(file.pos() + length + 4)) // past the data and its checksum
            return QSize();
    }
}

// The resolution a JPEG or PNG states in its own header, in dots per meter; empty for other
// formats, and when the header states none.
QSize headerDotsPerMeter(const QByteArray &fileBytes)
{
    QBuffer file;
    file.setData(fileBytes);
    if (!file.open(QIODevice::ReadOnly))
        return QSize();
    const QSize jfif = jfifDotsPerMeter(file);
    if (!jfif.isEmpty() || !file.seek(0))
        return jfif;
    return pngDotsPerMeter(file);
}

// The thumbnail a camera puts in a photo's EXIF: a JPEG of `picture` at most 160 pixels a side.
// A large picture is first sampled down to four times that, which costs a few per cent of its own
// encoding where smoothing all of its pixels would cost a quarter.
QByteArray exifThumbnail(const QImage &picture)
{
    const QSize box(160, 160);
    QImage small = picture;
    if (small.width() > 4 * box.width() || small.height() > 4 * box.height())
        small = small.scaled(4 * box, Qt::KeepAspectRatio, Qt::FastTransformation);
    if (small.width() > box.width() || small.height() > box.height())
        small = small.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return PictureEncoder("jpg", 85).encode(small, nullptr);
}

// The EXIF for a written file: its own tags, then the photo's, corrected; `thumbnail` (a JPEG, or
// empty for none) in place of the photo's.
Exiv2::ExifData writtenExif(Exiv2::ExifData exif, const Exiv2::ExifData &photo,
                            const QSize &pixelSize, const QByteArray &thumbnail, bool keepLocation)
{
    for (const Exiv2::Exifdatum &datum : photo) {
        if (exif.findKey(Exiv2::ExifKey(datum.key())) == exif.end())
            exif.add(datum);
    }
    replaceIfPresent<Exiv2::ExifKey>(exif, "Exif.Image.Orientation", "1");
    replaceIfPresent<Exiv2::ExifKey>(exif, "Exif.Photo.PixelXDimension",
                                     std::to_string(pixelSize.width()));
    replaceIfPresent<Exiv2::ExifKey>(exif, "Exif.Photo.PixelYDimension",
                                     std::to_string(pixelSize.height()));
    Exiv2::ExifThumb(exif).erase();
    if (!thumbnail.isEmpty())
        Exiv2::ExifThumb(exif).setJpegThumbnail(
            reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()), long(thumbnail.size()));
    if (!keepLocation) {
        eraseIf(exif, [](const Exiv2::Exifdatum &datum) {
            return datum.groupName() == "GPSInfo" || datum.key() == "Exif.Image.GPSTag";
        });
    }
    return exif;
}

// The XMP for a written file of `pixelSize` pixels, which is RGB and holds a colour profile when
// `withProfile`.
Exiv2::XmpData writtenXmp(Exiv2::XmpData xmp, const QSize &pixelSize, bool withProfile,
                          bool keepLocation)
{
    const std::string width = std::to_string(pixelSize.width());
    const std::string height = std::to_string(pixelSize.height());
    replaceIfPresent<Exiv2::XmpKey>(xmp, "Xmp.tiff.Orientation", "1");
    replaceIfPresent<Exiv2::XmpKey>(xmp, "Xmp.tiff.ImageWidth", width);
    replaceIfPresent<Exiv2::XmpKey>(xmp, "Xmp.tiff.ImageLength", height);
    replaceIfPresent<Exiv2::XmpKey>(xmp, "Xmp.exif.PixelXDimension", width);
    replaceIfPresent<Exiv2::XmpKey>(xmp, "Xmp.exif.PixelYDimension", height);
    replaceIfPresent<Exiv2::XmpKey>(xmp, "Xmp.photoshop.ColorMode", "3"); // RGB
    eraseProperties(xmp, [&](const Exiv2::Xmpdatum &datum) {
        return startsWith(datum.key(), "Xmp.xmp.Thumbnails")
            || (!withProfile && datum.key() == "Xmp.photoshop.ICCProfile")
            || (!keepLocation && isXmpCoordinate(datum.key()));
    });
    return xmp;
}

// The blocks a file of `type`, as the library names its types, has a place for that the library
// writes: none where the library does not know the type or only reads it (AVIF, say).
PhotoBlocks blockPlaces(int type)
{
    PhotoBlocks places;
    if (type == Exiv2::ImageType::none)
        return places;
    const auto writable = [type](Exiv2::MetadataId block) {
        return (Exiv2::ImageFactory::checkMode(type, block) & Exiv2::amWrite) != 0;
    };
    places.setFlag(PhotoBlock::Exif, writable(Exiv2::mdExif));
    places.setFlag(PhotoBlock::Iptc, writable(Exiv2::mdIptc));
    places.setFlag(PhotoBlock::Xmp, writable(Exiv2::mdXmp));
    return places;
}

// The XMP written for `blocks` of `photo`: its XMP, and when `iptcInXmp` what its IPTC says, as
// the library converts it, where the XMP does not say it already.
Exiv2::XmpData photoXmp(const PhotoMetadata &photo, PhotoBlocks blocks, bool iptcInXmp)
{
    Exiv2::XmpData xmp;
    if (blocks & PhotoBlock::Xmp)
        xmp = photo.xmp;
    if (iptcInXmp && blocks & PhotoBlock::Iptc) {
        Exiv2::XmpData fromIptc;
        Exiv2::copyIptcToXmp(photo.iptc, fromIptc);
        for (const Exiv2::Xmpdatum &datum : fromIptc) {
            if (xmp.findKey(Exiv2::XmpKey(datum.key())) == xmp.end())
                xmp.add(datum);
        }
    }
    return xmp;
}

// The information of a HEIF, AVIF or JPEG XL file that the library's own reading of its boxes
// missed, added to `metadata`: the EXIF and XMP items of a HEIF or AVIF file, which it does not
// find where their locations have a base offset (as libheif writes them). The blocks the file
// holds that cannot be read: those a JPEG XL file holds compressed, and any that do not decode.
PhotoBlocks boxedInformation(const QByteArray &fileBytes, PhotoMetadata *metadata)
{
    const QByteArray format = boxedFormatOfSignature(fileBytes.left(64));
    if (format.isEmpty())
        return {};
    QBuffer file;
    file.setData(fileBytes);
    file.open(QIODevice::ReadOnly);
    const PictureBoxes boxes = readPictureBoxes(&file, format);
    PhotoBlocks unreadable = troubleOf([&] {
        const QByteArray exif = boxedExif(boxes, fileBytes);
        if (metadata->exif.empty() && !exif.isEmpty()) {
            Exiv2::ExifData data;
            Exiv2::ExifParser::decode(data, reinterpret_cast<const Exiv2::byte *>(exif.constData()),
                                      uint32_t(exif.size()));
            metadata->exif = photoExif(data);
        }
        const QByteArray xmp = boxedItem(boxes.xmp, fileBytes);
        if (metadata->xmp.empty() && !xmp.isEmpty()
            && Exiv2::XmpParser::decode(metadata->xmp, xmp.toStdString()) != 0)
            troubledBlocks |= PhotoBlock::Xmp;
    });
    if (boxes.compressed.exif)
        unreadable |= PhotoBlock::Exif;
    if (boxes.compressed.xmp)
        unreadable |= PhotoBlock::Xmp;
    return unreadable;
}

} // namespace

QStringList photoBlockNames(PhotoBlocks blocks)
{
    QStringList names;
    if (blocks & PhotoBlock::Exif)
        names << QStringLiteral("EXIF");
    if (blocks & PhotoBlock::Iptc)
        names << QStringLiteral("IPTC");
    if (blocks & PhotoBlock::Xmp)
        names << QStringLiteral("XMP");
    return names;
}

void preparePhotoInformation()
{
    [[maybe_unused]] static const bool prepared = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
        Exiv2::LogMsg::setHandler(&noteLibraryTrouble);
        // HEIF, AVIF and JPEG XL keep their information in boxes the library reads once told to.
        Exiv2::enableBMFF();
        static std::mutex namespaceMutex;
        return Exiv2::XmpParser::initialize(&lockNamespaces, &namespaceMutex);
    }();
}

PhotoInformation readPhotoInformation(const QByteArray &fileBytes)
{
    preparePhotoInformation();
    PhotoInformation information;
    auto metadata = std::make_shared<PhotoMetadata>();
    information.unreadable = troubleOf([&] {
        if (Exiv2::ImageFactory::getType(
                reinterpret_cast<const Exiv2::byte *>(fileBytes.constData()),
                long(fileBytes.size()))
            == Exiv2::ImageType::none)
            return;
        const auto image = openBytes(fileBytes);
        image->readMetadata();
        metadata->exif = photoExif(image->exifData());
        metadata->iptc = image->iptcData();
        metadata->xmp = image->xmpData();
    });
    information.unreadable |= boxedInformation(fileBytes, metadata.get());
    // Each block that read cleanly is kept, whatever became of the others.
    if (information.unreadable & PhotoBlock::Exif)
        metadata->exif.clear();
    if (information.unreadable & PhotoBlock::Iptc)
        metadata->iptc.clear();
    if (information.unreadable & PhotoBlock::Xmp)
        metadata->xmp.clear();
    const QSize header = headerDotsPerMeter(fileBytes);
    if (!header.isEmpty()) {
        information.dotsPerMeterX = header.width();
        information.dotsPerMeterY = header.height();
    } else {
        information.dotsPerMeterX = dotsPerMeter(metadata->exif, "Exif.Image.XResolution");
        information.dotsPerMeterY = dotsPerMeter(metadata->exif, "Exif.Image.YResolution");
    }
    information.blocks = heldBlocks(*metadata);
    if (information.blocks)
        information.metadata = std::move(metadata);
    return information;
}

PhotoBlocks addPhotoInformation(const PhotoInformation &information, QByteArray *encoded,
                                const QImage &picture, bool keepLocation)
{
    preparePhotoInformation();
    const PhotoMetadata &photo = *information.metadata;
    QByteArray written;
    const QSize pixelSize = picture.size();
    int type = Exiv2::ImageType::none;
    troubleOf([&] {
        type = Exiv2::ImageFactory::getType(
            reinterpret_cast<const Exiv2::byte *>(encoded->constData()), long(encoded->size()));
    });
    const PhotoBlocks places = blockPlaces(type);
    // A file without a place for IPTC (a WebP) takes what it says in its XMP.
    const bool iptcInXmp = !(places & PhotoBlock::Iptc) && places & PhotoBlock::Xmp;
    const PhotoBlocks carried = places | (iptcInXmp ? PhotoBlock::Iptc : PhotoBlocks());
    // A JPEG takes a fresh thumbnail where the photo had one; without it when that cannot be read.
    QByteArray thumbnail;
    troubleOf([&] {
        if (type == Exiv2::ImageType::jpeg && Exiv2::ExifThumbC(photo.exif).copy().size_ > 0)
            thumbnail = exifThumbnail(picture);
    });
    const auto writes = [&](PhotoBlocks blocks) {
        return !troubleOf([&] {
            const auto image = openBytes(*encoded);
            // What the encoder wrote stays: the colour profile, and a TIFF's own tags.
            image->readMetadata();
            if (blocks & PhotoBlock::Exif)
                image->setExifData(
                    writtenExif(image->exifData(), photo.exif, pixelSize, thumbnail, keepLocation));
            if (blocks & PhotoBlock::Iptc && !iptcInXmp)
                image->setIptcData(photo.iptc);
            if (blocks & PhotoBlock::Xmp || (blocks & PhotoBlock::Iptc && iptcInXmp))
                image->setXmpData(writtenXmp(photoXmp(photo, blocks, iptcInXmp), pixelSize,
                                             image->iccProfileDefined(), keepLocation));
            image->writeMetadata();
            Exiv2::BasicIo &io = image->io();
            written = QByteArray(reinterpret_cast<const char *>(io.mmap()), int(io.size()));
            io.munmap();
        });
    };
    PhotoBlocks writable = information.blocks & carried;
    if (writable && !writes(writable)) {
        // A block the file cannot take costs that block alone.
        const PhotoBlocks tried = writable;
        writable = {};
        for (const PhotoBlock block : {PhotoBlock::Exif, PhotoBlock::Iptc, PhotoBlock::Xmp}) {
            if (tried & block && writes(block))
                writable |= block;
        }
        if (writable && !writes(writable))
            writable = {};
    }
    if (writable)
        *encoded = written;
    return information.blocks & ~writable;
}
