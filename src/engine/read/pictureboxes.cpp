#include "engine/read/pictureboxes.h"

#include <QHash>
#include <QIODevice>
#include <QVector>
#include <QtEndian>

#include <optional>

namespace {

// Most bytes the metadata box of a HEIF or AVIF file may hold: a phone's holds a few kilobytes.
constexpr qint64 MaxMetaBoxSize = qint64(16) << 20;

// Most boxes passed over before the one sought: a camera's file has a handful.
constexpr int MaxTopLevelBoxes = 1000;

// Big-endian numbers read from a span of bytes; a read past its end gives 0 and marks the reader
// as failed.
class BoxReader
{
public:
    BoxReader(const QByteArray &bytes, qint64 begin, qint64 end)
        : bytes(bytes)
        , at(begin)
        , end(qMin(end, qint64(bytes.size())))
    {
    }

    quint64 number(int size)
    {
        if (size < 0 || at + size > end) {
            failed = true;
            at = end;
            return 0;
        }
        quint64 value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | uchar(bytes.at(int(at + i)));
        at += size;
        return value;
    }
    QByteArray type()
    {
        const QByteArray fourCc = at + 4 <= end ? bytes.mid(int(at), 4) : QByteArray();
        number(4);
        return fourCc;
    }
    void skip(qint64 size) { at = size <= end - at ? at + size : (failed = true, end); }

    const QByteArray &bytes;
    qint64 at;
    const qint64 end;
    bool failed = false;
};

// A box within a span: its type, and where its content begins and ends.
struct Box
{
    QByteArray type;
    qint64 content = 0;
    qint64 end = 0;
};

// The box whose header `reader` is at, in a span that ends at `spanEnd` (where a box of size 0
// runs to); the reader is left after the header. Nothing on a broken header or a box that runs
// past the span.
std::optional<Box> boxAt(BoxReader &reader, qint64 spanEnd)
{
    const qint64 start = reader.at;
    quint64 size = reader.number(4);
    const QByteArray type = reader.type();
    if (size == 1)
        size = reader.number(8);
    else if (size == 0)
        size = quint64(spanEnd - start);
    if (reader.failed || size < quint64(reader.at - start) || size > quint64(spanEnd - start))
        return std::nullopt;
    return Box {type, reader.at, start + qint64(size)};
}

// The boxes that follow one another in `reader`'s span.
QVector<Box> childBoxes(BoxReader reader)
{
    QVector<Box> boxes;
    while (reader.at + 8 <= reader.end && boxes.size() < MaxTopLevelBoxes) {
        const std::optional<Box> box = boxAt(reader, reader.end);
        if (!box)
            break;
        boxes.append(*box);
        reader.at = box->end;
    }
    return boxes;
}

// An item's extents in the file, as its location says.
struct ItemLocation
{
    qint64 offset = -1;
    qint64 length = 0;
};

// The locations of the items, by item number, of a HEIF "iloc" box; `idat` is where the
// metadata's own data begins in the file, for items stored there. `*dataEnd` becomes the end of
// the last data the box locates in the file.
QHash<quint32, ItemLocation> itemLocations(BoxReader reader, qint64 idat, qint64 *dataEnd)
{
    QHash<quint32, ItemLocation> locations;
    const int version = int(reader.number(1));
    reader.skip(3);
    const quint64 sizes = reader.number(2);
    const int offsetSize = int(sizes >> 12 & 15);
    const int lengthSize = int(sizes >> 8 & 15);
    const int baseOffsetSize = int(sizes >> 4 & 15);
    const int indexSize = version == 1 || version == 2 ? int(sizes & 15) : 0;
    const quint64 count = reader.number(version < 2 ? 2 : 4);
    for (quint64 item = 0; item < count && !reader.failed; ++item) {
        const auto id = quint32(reader.number(version < 2 ? 2 : 4));
        const int method = version == 1 || version == 2 ? int(reader.number(2) & 15) : 0;
        reader.skip(2); // data reference
        const quint64 base = reader.number(baseOffsetSize);
        const quint64 extents = reader.number(2);
        ItemLocation location;
        for (quint64 extent = 0; extent < extents && !reader.failed; ++extent) {
            reader.skip(indexSize);
            const quint64 offset = base + reader.number(offsetSize);
            const quint64 length = reader.number(lengthSize);
            if (method == 0)
                *dataEnd = qMax(*dataEnd, qint64(qMin(offset + length, quint64(1) << 62)));
            // An item in several pieces is not one the picture's information comes in.
            if (extent == 0 && offset < quint64(1) << 48 && length < quint64(1) << 40) {
                location.offset = qint64(offset) + (method == 1 ? idat : 0);
                location.length = qint64(length);
            } else {
                location.offset = -1;
            }
        }
        if (!reader.failed && method <= 1 && location.offset >= 0)
            locations.insert(id, location);
    }
    return locations;
}

// The numbers of the first item holding EXIF and of the first holding XMP in a HEIF "iinf" box;
// 0 for none.
struct InformationItems
{
    quint32 exif = 0;
    quint32 xmp = 0;
};

// A text ending in a zero byte, or at the end of the span.
QByteArray zeroEnded(BoxReader &reader)
{
    const int zero = reader.bytes.indexOf('\0', int(reader.at));
    const qint64 end = zero < 0 || zero > reader.end ? reader.end : zero;
    const QByteArray text = reader.bytes.mid(int(reader.at), int(end - reader.at));
    reader.at = qMin(end + 1, reader.end);
    return text;
}

InformationItems informationItems(const QByteArray &bytes, const Box &iinf)
{
    BoxReader reader(bytes, iinf.content, iinf.end);
    const int version = int(reader.number(1));
    reader.skip(3);
    reader.skip(version == 0 ? 2 : 4);
    InformationItems items;
    for (const Box &infe : childBoxes(BoxReader(bytes, reader.at, iinf.end))) {
        BoxReader entry(bytes, infe.content, infe.end);
        const int entryVersion = int(entry.number(1));
        entry.skip(3);
        if (infe.type != "infe" || entryVersion < 2)
            continue;
        const auto id = quint32(entry.number(entryVersion == 2 ? 2 : 4));
        entry.skip(2); // protection
        const QByteArray type = entry.type();
        zeroEnded(entry); // the item's name
        if (entry.failed)
            continue;
        if (type == "Exif" && !items.exif)
            items.exif = id;
        else if (type == "mime" && zeroEnded(entry) == "application/rdf+xml" && !items.xmp)
            items.xmp = id;
    }
    return items;
}

// The property numbers (from 1, in the order of "ipco") of each item, from a HEIF "ipma" box.
QHash<quint32, QVector<int>> itemProperties(BoxReader reader)
{
    QHash<quint32, QVector<int>> properties;
    const int version = int(reader.number(1));
    const bool wide = reader.number(3) & 1;
    const quint64 count = reader.number(4);
    for (quint64 entry = 0; entry < count && !reader.failed; ++entry) {
        const auto id = quint32(reader.number(version < 1 ? 2 : 4));
        const quint64 associations = reader.number(1);
        QVector<int> &numbers = properties[id];
        for (quint64 a = 0; a < associations && !reader.failed; ++a)
            numbers.append(int(reader.number(wide ? 2 : 1) & (wide ? 0x7fff : 0x7f)));
    }
    return properties;
}

QSize largerOf(const QSize &one, const QSize &other)
{
    return qint64(other.width()) * other.height() > qint64(one.width()) * one.height() ? other
                                                                                       : one;
}

// What the metadata box `meta` (its bytes `bytes`, which begin at `fileOffset` in the file) says.
PictureBoxes metaBoxes(const QByteArray &bytes, qint64 fileOffset)
{
    PictureBoxes boxes;
    quint32 primary = 0;
    bool hasPrimary = false;
    qint64 idat = 0;
    Box iloc, iinf, ipco, ipma;
    for (const Box &box : childBoxes(BoxReader(bytes, 4, bytes.size()))) {
        if (box.type == "pitm") {
            BoxReader reader(bytes, box.content, box.end);
            const int version = int(reader.number(1));
            reader.skip(3);
            primary = quint32(reader.number(version == 0 ? 2 : 4));
            hasPrimary = !reader.failed;
        } else if (box.type == "idat") {
            idat = fileOffset + box.content;
        } else if (box.type == "iloc") {
            iloc = box;
        } else if (box.type == "iinf") {
            iinf = box;
        } else if (box.type == "iprp") {
            for (const Box &child : childBoxes(BoxReader(bytes, box.content, box.end))) {
                if (child.type == "ipco")
                    ipco = child;
                else if (child.type == "ipma")
                    ipma = child;
            }
        }
    }
    if (!hasPrimary || ipco.type.isEmpty() || ipma.type.isEmpty())
        return boxes;

    const QVector<Box> properties = childBoxes(BoxReader(bytes, ipco.content, ipco.end));
    const auto ispeSize = [&bytes](const Box &ispe) {
        BoxReader reader(bytes, ispe.content + 4, ispe.end);
        const quint64 width = reader.number(4);
        const quint64 height = reader.number(4);
        if (reader.failed || width == 0 || height == 0)
            return QSize();
        if (width > quint64(INT_MAX) || height > quint64(INT_MAX))
            return QSize(INT_MAX, INT_MAX);
        return QSize(int(width), int(height));
    };
    for (const Box &property : properties) {
        if (property.type == "ispe")
            boxes.largestItem = largerOf(boxes.largestItem, ispeSize(property));
    }
    for (const int number :
         itemProperties(BoxReader(bytes, ipma.content, ipma.end)).value(primary)) {
        if (number < 1 || number > properties.size())
            continue;
        const Box &property = properties.at(number - 1);
        if (property.type == "ispe")
            boxes.size = ispeSize(property);
        else if (property.type == "irot" || property.type == "imir")
            boxes.turnedByDecoder = true;
        else if (property.type == "colr" && property.content + 4 <= property.end
                 && (bytes.mid(int(property.content), 4) == "prof"
                     || bytes.mid(int(property.content), 4) == "rICC"))
            boxes.profile
                = {fileOffset + property.content + 4, property.end - property.content - 4};
    }

    if (iloc.type.isEmpty())
        return boxes;
    const QHash<quint32, ItemLocation> locations
        = itemLocations(BoxReader(bytes, iloc.content, iloc.end), idat, &boxes.dataEnd);
    if (iinf.type.isEmpty())
        return boxes;
    const InformationItems items = informationItems(bytes, iinf);
    if (items.exif && locations.contains(items.exif))
        boxes.exif = {locations[items.exif].offset, locations[items.exif].length};
    if (items.xmp && locations.contains(items.xmp))
        boxes.xmp = {locations[items.xmp].offset, locations[items.xmp].length};
    return boxes;
}

// The header of the box at `offset` in `device`: its type, and where its content begins and ends
// (the end of the file for a box that runs to it). False past the end or on a broken header.
bool readBoxHeader(QIODevice *device, qint64 offset, Box *box)
{
    if (!device->seek(offset))
        return false;
    const QByteArray head = device->read(16);
    if (head.size() < 8)
        return false;
    BoxReader reader(head, 0, head.size());
    const std::optional<Box> found = boxAt(reader, device->size() - offset);
    if (!found)
        return false;
    *box = {found->type, offset + found->content, offset + found->end};
    return true;
}

// The first `wanted` bytes of a JPEG XL codestream: the file itself, or the content of its
// "jxlc" box or of its "jxlp" boxes one after the other. The information that comes before in
// compressed boxes is noted in `compressed`.
QByteArray codestreamStart(QIODevice *device, int wanted, CompressedInformation *compressed)
{
    if (!device->seek(0))
        return QByteArray();
    if (device->peek(2) == "\xff\x0a")
        return device->read(wanted);
    QByteArray start;
    Box box;
    qint64 at = 0;
    for (int boxes = 0; boxes < MaxTopLevelBoxes && readBoxHeader(device, at, &box); ++boxes) {
        if (box.type == "brob" && device->seek(box.content)) {
            const QByteArray inner = device->read(4);
            compressed->exif |= inner == "Exif";
            compressed->xmp |= inner == "xml ";
        } else if ((box.type == "jxlc" || box.type == "jxlp") && start.size() < wanted) {
            const qint64 content = box.content + (box.type == "jxlp" ? 4 : 0);
            if (content > box.end || !device->seek(content))
                break;
            start += device->read(qMin<qint64>(box.end - content, wanted - start.size()));
        }
        at = box.end;
    }
    return start;
}

// Bits of a JPEG XL codestream, the lowest of each byte first; 0 past the end.
class BitReader
{
public:
    explicit BitReader(const QByteArray &bytes)
        : bytes(bytes)
    {
    }
    quint32 bits(int count)
    {
        quint32 value = 0;
        for (int i = 0; i < count; ++i, ++at) {
            if (at >= qint64(bytes.size()) * 8)
                ended = true;
            else if (uchar(bytes.at(int(at / 8))) >> (at % 8) & 1)
                value |= quint32(1) << i;
        }
        return value;
    }
    // A dimension: one of four widths of field, as two bits choose, plus one.
    quint32 dimension()
    {
        static const int widths[] = {9, 13, 18, 30};
        return bits(widths[bits(2)]) + 1;
    }

    bool ended = false;

private:
    const QByteArray bytes;
    qint64 at = 0;
};

// The picture's size in a JPEG XL codestream's size header, before its orientation turns it.
QSize codestreamSize(const QByteArray &codestream)
{
    if (!codestream.startsWith("\xff\x0a"))
        return QSize();
    BitReader reader(codestream.mid(2));
    const bool small = reader.bits(1);
    const quint32 height = small ? (reader.bits(5) + 1) * 8 : reader.dimension();
    const quint32 ratio = reader.bits(3);
    // The widths the ratios 1 to 7 give: 1/1, 12/10, 4/3, 3/2, 16/9, 5/4, 2/1 of the height.
    static const quint64 ratios[][2] = {{1, 1}, {12, 10}, {4, 3}, {3, 2}, {16, 9}, {5, 4}, {2, 1}};
    const quint64 width = ratio == 0 ? (small ? (reader.bits(5) + 1) * 8 : reader.dimension())
                                     : height * ratios[ratio - 1][0] / ratios[ratio - 1][1];
    if (reader.ended)
        return QSize();
    if (width > quint64(INT_MAX))
        return QSize(INT_MAX, INT_MAX);
    return QSize(int(width), int(height));
}

PictureBoxes heifBoxes(QIODevice *device)
{
    Box box;
    qint64 at = 0;
    for (int boxes = 0; boxes < MaxTopLevelBoxes; ++boxes) {
        if (!readBoxHeader(device, at, &box))
            break;
        if (box.type == "meta") {
            if (box.end - box.content > MaxMetaBoxSize || !device->seek(box.content))
                break;
            const QByteArray meta = device->read(box.end - box.content);
            if (meta.size() != box.end - box.content)
                break;
            return metaBoxes(meta, box.content);
        }
        at = box.end;
    }
    return PictureBoxes();
}

} // namespace

QByteArray boxedFormatOfSignature(const QByteArray &head)
{
    if (head.startsWith("\xff\x0a") || head.startsWith(QByteArray("\0\0\0\x0cJXL \r\n\x87\n", 12)))
        return "jxl";
    if (head.size() < 16 || head.mid(4, 4) != "ftyp")
        return QByteArray();
    const QByteArray major = head.mid(8, 4);
    const qint64 ftypEnd = qMin<qint64>(qFromBigEndian<quint32>(head.constData()), head.size());
    QVector<QByteArray> brands {major};
    for (qint64 at = 16; at + 4 <= ftypEnd; at += 4)
        brands.append(head.mid(int(at), 4));
    if (brands.contains("avif") || brands.contains("avis"))
        return "avif";
    for (const char *brand : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"}) {
        if (brands.contains(brand))
            return "heif";
    }
    return QByteArray();
}

PictureBoxes readPictureBoxes(QIODevice *device, const QByteArray &format)
{
    if (format == "jxl") {
        PictureBoxes boxes;
        boxes.size = codestreamSize(codestreamStart(device, 64, &boxes.compressed));
        boxes.largestItem = boxes.size;
        boxes.turnedByDecoder = true;
        return boxes;
    }
    return heifBoxes(device);
}

QByteArray boxedItem(const ItemSpan &item, const QByteArray &bytes)
{
    if (item.length <= 0 || item.offset < 0 || item.offset + item.length > bytes.size())
        return QByteArray();
    return bytes.mid(int(item.offset), int(item.length));
}

QByteArray boxedExif(const PictureBoxes &boxes, const QByteArray &bytes)
{
    // The item begins with where its TIFF header begins after these four bytes.
    const QByteArray item = boxedItem(boxes.exif, bytes);
    if (item.size() <= 4)
        return QByteArray();
    const quint32 header = qFromBigEndian<quint32>(item.constData());
    return header < quint32(item.size() - 4) ? item.mid(int(4 + header)) : QByteArray();
}
