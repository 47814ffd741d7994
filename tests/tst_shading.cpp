#include "engine/stamp/shading.h"

#include <QColor>
#include <QImage>
#include <QtTest>

Q_DECLARE_METATYPE(BandEdge)
Q_DECLARE_METATYPE(BandTone)

namespace {

// A picture whose every pixel has its own opaque colour, so a shaded row can be told from an
// untouched one and each pixel checked against the colour it had.
QImage patterned(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 5 + y * 3) & 255, (x * 7 + 40) & 255, (y * 11 + x) & 255);
    }
    return image.convertToFormat(format);
}

QString describe(QRgb rgb)
{
    return QStringLiteral("(%1, %2, %3, alpha %4)")
        .arg(qRed(rgb))
        .arg(qGreen(rgb))
        .arg(qBlue(rgb))
        .arg(qAlpha(rgb));
}

} // namespace

class TstShading : public QObject
{
    Q_OBJECT

private slots:
    void matchesQColorForEveryColour();
    void knownColours_data();
    void knownColours();
    void bandRows_data();
    void bandRows();
    void transparentPixelBecomesOpaque();
    void premultipliedPixelIsShadedFromItsColour();
    void otherFormatIsConvertedToArgb32();
    void nullImageIsLeftAlone();
};

// darkened() and lightened() must give, bit for bit, what QColor gives for every colour. The
// alpha handed in varies and must make no difference.
void TstShading::matchesQColorForEveryColour()
{
    quint32 checked = 0;
    for (quint32 c = 0; c < (1u << 24); ++c) {
        const int r = int(c >> 16);
        const int g = int((c >> 8) & 255);
        const int b = int(c & 255);
        const QRgb in = qRgba(r, g, b, int((c * 37) & 255));
        const QColor colour(r, g, b);

        const QRgb expectedDark = colour.darker(200).rgb();
        const QRgb dark = darkened(in);
        if (dark != expectedDark) {
            QFAIL(qPrintable(QStringLiteral("darkened(%1, %2, %3) gave %4, QColor gives %5")
                                 .arg(r)
                                 .arg(g)
                                 .arg(b)
                                 .arg(describe(dark), describe(expectedDark))));
        }

        const QRgb expectedLight = colour.lighter(200).rgb();
        const QRgb light = lightened(in);
        if (light != expectedLight) {
            QFAIL(qPrintable(QStringLiteral("lightened(%1, %2, %3) gave %4, QColor gives %5")
                                 .arg(r)
                                 .arg(g)
                                 .arg(b)
                                 .arg(describe(light), describe(expectedLight))));
        }
        ++checked;
    }
    QCOMPARE(checked, 1u << 24);
}

void TstShading::knownColours_data()
{
    QTest::addColumn<BandTone>("tone");
    QTest::addColumn<QRgb>("colour");
    QTest::addColumn<QRgb>("expected");

    QTest::newRow("white darkened") << BandTone::Dark << qRgb(255, 255, 255) << qRgb(127, 127, 127);
    QTest::newRow("black darkened") << BandTone::Dark << qRgb(0, 0, 0) << qRgb(0, 0, 0);
    QTest::newRow("grey 100 darkened") << BandTone::Dark << qRgb(100, 100, 100) << qRgb(50, 50, 50);
    QTest::newRow("grey 100 lightened")
        << BandTone::Light << qRgb(100, 100, 100) << qRgb(200, 200, 200);
    QTest::newRow("white lightened")
        << BandTone::Light << qRgb(255, 255, 255) << qRgb(255, 255, 255);
    QTest::newRow("black lightened") << BandTone::Light << qRgb(0, 0, 0) << qRgb(0, 0, 0);
}

// A few colours worked out by hand, through the functions and through a one-pixel band.
void TstShading::knownColours()
{
    QFETCH(BandTone, tone);
    QFETCH(QRgb, colour);
    QFETCH(QRgb, expected);

    QCOMPARE(tone == BandTone::Dark ? darkened(colour) : lightened(colour), expected);

    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, colour);
    shadeBand(image, BandEdge::Top, 1, tone);
    QCOMPARE(image.pixel(0, 0), expected);
}

void TstShading::bandRows_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<BandEdge>("edge");
    QTest::addColumn<int>("rows");
    QTest::addColumn<BandTone>("tone");
    QTest::addColumn<int>("firstShaded");
    QTest::addColumn<int>("lastShaded");

    const int argb = QImage::Format_ARGB32;
    QTest::newRow("bottom 12 of 50, dark")
        << argb << 100 << 50 << BandEdge::Bottom << 12 << BandTone::Dark << 38 << 49;
    QTest::newRow("bottom 12 of 50, light")
        << argb << 100 << 50 << BandEdge::Bottom << 12 << BandTone::Light << 38 << 49;
    QTest::newRow("top 12 of 50, dark")
        << argb << 100 << 50 << BandEdge::Top << 12 << BandTone::Dark << 0 << 11;
    QTest::newRow("top 12 of 50, light")
        << argb << 100 << 50 << BandEdge::Top << 12 << BandTone::Light << 0 << 11;
    QTest::newRow("no rows") << argb << 100 << 50 << BandEdge::Bottom << 0 << BandTone::Dark << -1
                             << -1;
    QTest::newRow("negative rows")
        << argb << 100 << 50 << BandEdge::Top << -3 << BandTone::Dark << -1 << -1;
    QTest::newRow("no edge") << argb << 100 << 50 << BandEdge::None << 12 << BandTone::Dark << -1
                             << -1;
    QTest::newRow("no tone") << argb << 100 << 50 << BandEdge::Bottom << 12 << BandTone::None << -1
                             << -1;
    QTest::newRow("bottom 1000 of 300")
        << argb << 40 << 300 << BandEdge::Bottom << 1000 << BandTone::Dark << 0 << 299;
    QTest::newRow("top 1000 of 300")
        << argb << 40 << 300 << BandEdge::Top << 1000 << BandTone::Light << 0 << 299;
    QTest::newRow("band as tall as the picture")
        << argb << 40 << 30 << BandEdge::Bottom << 30 << BandTone::Light << 0 << 29;
    QTest::newRow("rgb32 bottom 5") << int(QImage::Format_RGB32) << 60 << 20 << BandEdge::Bottom
                                    << 5 << BandTone::Dark << 15 << 19;
    QTest::newRow("premultiplied top 7") << int(QImage::Format_ARGB32_Premultiplied) << 60 << 20
                                         << BandEdge::Top << 7 << BandTone::Light << 0 << 6;
}

// Exactly the band's rows change, each pixel of them to its shaded colour; the rest stays as it
// was, and so does the format.
void TstShading::bandRows()
{
    QFETCH(int, format);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(BandEdge, edge);
    QFETCH(int, rows);
    QFETCH(BandTone, tone);
    QFETCH(int, firstShaded);
    QFETCH(int, lastShaded);

    const QImage original = patterned(width, height, QImage::Format(format));
    QImage image = original;
    shadeBand(image, edge, rows, tone);

    QCOMPARE(image.format(), original.format());
    QCOMPARE(image.size(), original.size());
    for (int y = 0; y < height; ++y) {
        const bool shaded = y >= firstShaded && y <= lastShaded;
        for (int x = 0; x < width; ++x) {
            const QRgb before = original.pixel(x, y);
            const QRgb expected = !shaded ? before
                : tone == BandTone::Dark  ? darkened(before)
                                          : lightened(before);
            if (image.pixel(x, y) != expected) {
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3, expected %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(describe(image.pixel(x, y)), describe(expected))));
            }
        }
    }
    if (firstShaded < 0)
        QVERIFY(image == original);
}

// A fully transparent pixel in the band is shaded from the colour it carries and made opaque;
// one outside the band keeps its transparency.
void TstShading::transparentPixelBecomesOpaque()
{
    QImage image(10, 20, QImage::Format_ARGB32);
    image.fill(qRgba(200, 100, 50, 0));
    shadeBand(image, BandEdge::Bottom, 5, BandTone::Dark);

    const QRgb expected = QColor(200, 100, 50).darker(200).rgb();
    QCOMPARE(qAlpha(expected), 255);
    QCOMPARE(image.pixel(3, 19), expected);
    QCOMPARE(image.pixel(9, 15), expected);
    QCOMPARE(image.pixel(3, 14), qRgba(200, 100, 50, 0));
}

// A premultiplied pixel is shaded from its un-premultiplied colour (qUnpremultiply; note that
// QImage::pixel() returns the stored premultiplied value for this format) and stored opaque, in
// the premultiplied format still.
void TstShading::premultipliedPixelIsShadedFromItsColour()
{
    QImage image(8, 6, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // setPixel() stores a premultiplied image's value as it is given.
    image.setPixel(2, 1, qPremultiply(qRgba(200, 100, 50, 128)));
    image.setPixel(4, 4, qPremultiply(qRgba(30, 160, 90, 64)));
    const QRgb colour = qUnpremultiply(image.pixel(2, 1));
    const QRgb outside = image.pixel(4, 4);
    QCOMPARE(qAlpha(colour), 128);

    shadeBand(image, BandEdge::Top, 3, BandTone::Light);

    QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
    const QRgb expected = QColor(qRed(colour), qGreen(colour), qBlue(colour)).lighter(200).rgb();
    QCOMPARE(image.pixel(2, 1), expected);
    QCOMPARE(reinterpret_cast<const QRgb *>(image.constScanLine(1))[2], expected);
    // A transparent premultiplied pixel is black; shaded, it is opaque black.
    QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(4, 4), outside);
}

// An image in another format is turned into ARGB32 and then shaded.
void TstShading::otherFormatIsConvertedToArgb32()
{
    QImage image(4, 4, QImage::Format_RGB888);
    image.fill(QColor(10, 200, 30));
    shadeBand(image, BandEdge::Top, 2, BandTone::Dark);

    QCOMPARE(image.format(), QImage::Format_ARGB32);
    QCOMPARE(image.pixel(1, 1), QColor(10, 200, 30).darker(200).rgb());
    QCOMPARE(image.pixel(1, 2), qRgb(10, 200, 30));
}

void TstShading::nullImageIsLeftAlone()
{
    QImage image;
    shadeBand(image, BandEdge::Bottom, 10, BandTone::Dark);
    QVERIFY(image.isNull());
}

QTEST_GUILESS_MAIN(TstShading)
#include "tst_shading.moc"
