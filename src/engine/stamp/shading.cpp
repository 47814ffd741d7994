#include "engine/stamp/shading.h"

#include <QtGlobal>

#include <algorithm>

// QColor::darker(200) and QColor::lighter(200) go through HSV with 16-bit channels:
//
//   value      = 257 * max(r, g, b)
//   saturation = qRound(65535 * spread / max)                    spread = max - min
//   hue        = qRound(100 * degrees), in 0 ... 36000           (36000 reads back as 0)
//
// darker(200) halves the value (integer division); lighter(200) doubles it and, past 65535,
// takes the excess off the saturation (not below 0) and keeps the value at 65535. The colour is
// then turned back into 16-bit RGB, where the largest channel is the value, the smallest
// qRound(value * (1 - s)) and the middle one qRound(value * (1 - s * f)) or
// qRound(value * (1 - s * (1 - f))) with f the fraction of the hue's 60-degree sector, and each
// channel comes out as round(channel / 257).
//
// Every one of these steps is a rounded ratio of integers, so it is computed here exactly with
// integers. Qt computes them in doubles, which agree with the exact ratio except when it lies
// exactly half way between two integers: then the tiny rounding errors of the double operations
// decide which way qRound goes. Those ties are detected exactly (the remainder of the integer
// division) and, only for them, Qt's double expression is replayed in the same operation order.
// About 3 colours in 100 take one of those paths. The `volatile` temporaries keep the compiler
// from fusing a multiply and an add into one FMA or keeping extra precision, which would round
// differently from Qt's own build.

namespace {

// floor(x / n) == (x * kReciprocal.of[n]) >> 40 for 2 <= n <= 510 and x < 2^25, which covers
// every division below. The multiplier ceil(2^40 / n) exceeds 2^40 / n by less than 1, so the
// product divided by 2^40 exceeds x / n by less than x / 2^40 < 1/510 <= 1/n; x / n is at least
// 1/n below the next integer, so the floor is unchanged. And x * multiplier < 2^25 * 2^39 fits.
struct Reciprocals
{
    quint64 of[511];
};

constexpr Reciprocals makeReciprocals()
{
    Reciprocals table {};
    for (quint64 n = 1; n < 511; ++n)
        table.of[n] = ((quint64(1) << 40) + n - 1) / n;
    return table;
}

constexpr Reciprocals kReciprocal = makeReciprocals();

inline uint divideSmall(quint64 x, uint n)
{
    return uint((x * kReciprocal.of[n]) >> 40);
}

// A 16-bit channel as QColor::rgb() reports it in 8 bits: round(x / 257).
inline uint to8Bits(uint x)
{
    return (x + 128 - ((x + 128) >> 8)) >> 8;
}

// 65535 * 6000: the denominator of the middle channel, with the sector fraction in 1/6000ths.
constexpr quint64 kMidDenominator = 393210000;

// Qt's saturation for a colour whose exact 65535 * spread / max is a tie.
Q_NEVER_INLINE int saturationAtTie(uint hi, uint lo)
{
    volatile double maximum = (257 * hi) / 65535.0;
    volatile double minimum = (257 * lo) / 65535.0;
    volatile double delta = maximum - minimum;
    volatile double ratio = delta / maximum;
    volatile double scaled = ratio * 65535;
    return qRound(scaled);
}

// Qt's hue for a colour whose exact hue in hundredths of a degree is a tie. `sector` is 0, 2 or
// 4 for red, green or blue being the largest channel; `first` and `second` are the channels
// whose difference gives the hue's offset in that sector (green and blue, blue and red, red and
// green).
Q_NEVER_INLINE int hueAtTie(int sector, uint first, uint second, uint hi, uint lo)
{
    volatile double a = (257 * first) / 65535.0;
    volatile double b = (257 * second) / 65535.0;
    volatile double maximum = (257 * hi) / 65535.0;
    volatile double minimum = (257 * lo) / 65535.0;
    volatile double delta = maximum - minimum;
    volatile double difference = a - b;
    volatile double offset = difference / delta;
    volatile double hue = offset;
    if (sector != 0)
        hue = double(sector) + offset;
    hue = hue * 60.0;
    if (hue < 0.0)
        hue = hue + 360.0;
    volatile double scaled = hue * 100;
    return qRound(scaled);
}

// Qt's middle channel when the exact value is a tie.
Q_NEVER_INLINE uint middleAtTie(int hue, int saturation, uint value)
{
    volatile double h = hue / 6000.0;
    volatile double s = saturation / 65535.0;
    volatile double v = value / 65535.0;
    const int sector = int(h);
    volatile double f = h - sector;
    volatile double factor;
    if (sector & 1) {
        volatile double sf = s * f;
        factor = 1.0 - sf;
    } else {
        volatile double rest = 1.0 - f;
        volatile double sf = s * rest;
        factor = 1.0 - sf;
    }
    volatile double channel = v * factor;
    volatile double scaled = channel * 65535;
    return uint(qRound(scaled));
}

// Bit positions of the largest, middle and smallest channel in a QRgb, per 60-degree hue sector.
struct SectorPlacement
{
    uchar top, middle, low;
};

constexpr SectorPlacement kPlacement[6] = {
    {16, 8, 0}, // red, green, blue
    {8, 16, 0}, // green, red, blue
    {8, 0, 16}, // green, blue, red
    {0, 8, 16}, // blue, green, red
    {0, 16, 8}, // blue, red, green
    {16, 0, 8}, // red, blue, green
};

template<bool Lighten>
Q_ALWAYS_INLINE QRgb shade(QRgb rgb)
{
    const uint r = qRed(rgb);
    const uint g = qGreen(rgb);
    const uint b = qBlue(rgb);
    const uint hi = std::max(r, std::max(g, b));
    const uint lo = std::min(r, std::min(g, b));
    const uint spread = hi - lo;

    uint value = 257 * hi;
    if (spread == 0) {
        // Grey: no hue, the channels all carry the value.
        value = Lighten ? std::min(2 * value, 65535u) : value / 2;
        const uint c = to8Bits(value);
        return qRgb(c, c, c);
    }

    // saturation = round(65535 * spread / hi) = floor((2 * 65535 * spread + hi) / (2 * hi))
    const quint64 satNumerator = 131070u * spread + hi;
    int saturation = int(divideSmall(satNumerator, 2 * hi));
    if (Q_UNLIKELY(quint64(saturation) * (2 * hi) == satNumerator))
        saturation = saturationAtTie(hi, lo);

    // hue = round(6000 * (sector + difference / spread)), sector 0, 2 or 4 as Qt checks red,
    // green, blue in turn for the largest channel.
    int sector;
    uint first, second;
    if (r == hi) {
        sector = 0;
        first = g;
        second = b;
    } else if (g == hi) {
        sector = 2;
        first = b;
        second = r;
    } else {
        sector = 4;
        first = r;
        second = g;
    }
    const bool rising = first >= second;
    const uint distance = rising ? first - second : second - first;
    // round(6000 * distance / spread) = floor((12000 * distance + spread) / (2 * spread)) away
    // from ties; at a tie the sign decides the direction, so Qt's own expression is replayed.
    const uint hueNumerator = 12000 * distance + spread;
    const uint hueStep = divideSmall(hueNumerator, 2 * spread);
    // A negative hue in the red sector wraps round to 360 degrees.
    const int hueBase = (sector == 0 && !rising) ? 36000 : 6000 * sector;
    int hue = rising ? hueBase + int(hueStep) : hueBase - int(hueStep);
    if (Q_UNLIKELY(hueStep * (2 * spread) == hueNumerator))
        hue = hueAtTie(sector, first, second, hi, lo);

    if (Lighten) {
        value *= 2;
        if (value > 65535) {
            saturation = std::max(0, saturation - int(value - 65535));
            value = 65535;
        }
    } else {
        value /= 2;
    }
    // A saturation of 0 (Qt's grey) needs no case of its own: the formulas below then give every
    // channel the value.
    hue = hue == 36000 ? 0 : hue;
    const int hueSector = hue / 6000;
    const int fraction = hue % 6000;

    // Smallest channel: round(value * (65535 - saturation) / 65535). The denominator is odd, so
    // the exact ratio is never half way and the integer rounding is Qt's.
    const uint low = uint((quint64(value) * uint(65535 - saturation) * 2 + 65535) / 131070);

    // Middle channel: value * (1 - s * f) in odd sectors, value * (1 - s * (1 - f)) in even ones.
    // (Arithmetic rather than a branch: the sector's parity changes often along a row.)
    const uint odd = uint(hueSector) & 1;
    const uint weight = odd * uint(fraction) + (odd ^ 1) * uint(6000 - fraction);
    const quint64 midNumerator
        = 2 * quint64(value) * (kMidDenominator - quint64(saturation) * weight) + kMidDenominator;
    uint middle = uint(midNumerator / (2 * kMidDenominator));
    if (Q_UNLIKELY(quint64(middle) * (2 * kMidDenominator) == midNumerator))
        middle = middleAtTie(hue, saturation, value);

    // The hue's sector decides which of red, green and blue gets the largest, middle and
    // smallest channel; kPlacement holds the bit positions for each sector.
    const SectorPlacement &place = kPlacement[hueSector];
    return 0xff000000u | (to8Bits(value) << place.top) | (to8Bits(middle) << place.middle)
        | (to8Bits(low) << place.low);
}

template<bool Lighten>
void shadeRows(QImage &image, int firstRow, int lastRow)
{
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    const int width = image.width();
    for (int y = firstRow; y <= lastRow; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        // Neighbouring pixels of a photo often share a colour: reuse the last result then.
        QRgb lastIn = 0;
        QRgb lastOut = shade<Lighten>(0);
        for (int x = 0; x < width; ++x) {
            QRgb pixel = line[x];
            if (premultiplied)
                pixel = qUnpremultiply(pixel);
            pixel &= RGB_MASK;
            if (pixel != lastIn) {
                lastIn = pixel;
                lastOut = shade<Lighten>(pixel);
            }
            line[x] = lastOut;
        }
    }
}

} // namespace

QRgb darkened(QRgb rgb)
{
    return shade<false>(rgb);
}

QRgb lightened(QRgb rgb)
{
    return shade<true>(rgb);
}

void shadeBand(QImage &image, BandEdge edge, int rows, BandTone tone)
{
    if (image.isNull() || rows <= 0 || edge == BandEdge::None || tone == BandTone::None)
        return;

    const QImage::Format format = image.format();
    if (format != QImage::Format_ARGB32 && format != QImage::Format_ARGB32_Premultiplied
        && format != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_ARGB32);
    // A picture shared with another is copied first; without memory for the copy it becomes null.
    if (!image.bits())
        return;

    const int height = image.height();
    const int bandRows = std::min(rows, height);
    const int firstRow = edge == BandEdge::Top ? 0 : height - bandRows;
    const int lastRow = firstRow + bandRows - 1;
    if (tone == BandTone::Dark)
        shadeRows<false>(image, firstRow, lastRow);
    else
        shadeRows<true>(image, firstRow, lastRow);
}
