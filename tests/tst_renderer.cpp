// The renderer: resize, band, text, logo, in that order, and its scaling caches.
#include "engine/stamp/scaledimagecache.h"
#include "engine/stamp/stamprenderer.h"

#include <QPainter>
#include <QtTest>

namespace {

QImage filled(const QSize &size, QRgb colour, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

StampSettings plainSettings()
{
    StampSettings settings;
    settings.font = QFont(QStringLiteral("DejaVu Sans"), 18);
    settings.color = Qt::white;
    return settings;
}

// A picture whose every pixel differs, so that any scaling shows.
bool isOpaque(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 255)
                return false;
        }
    }
    return true;
}

QImage gradient(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(x * 255 / size.width(), y * 255 / size.height(), (x * y) % 256);
    }
    return image;
}

} // namespace

class TstRenderer : public QObject
{
    Q_OBJECT

private slots:
    void resizeSizes_data();
    void resizeSizes();
    void drawnStampScalesWithThePicture_data();
    void drawnStampScalesWithThePicture();
    void bandCountsRowsOfTheResizedPicture();
    void logoSizes_data();
    void logoSizes();
    void layersAreBandTextLogo();
    void translucentLogoBlendsAsOnThePicture_data();
    void translucentLogoBlendsAsOnThePicture();
    void textBoxIsReportedOnlyWhenTextIsDrawn();
    void renderingAgainGivesTheSamePixels();
    void cachesFollowTheirInputs();
    void opaqueFastPathEqualsToolkitScaling_data();
    void opaqueFastPathEqualsToolkitScaling();
    void opacityIsKnownForUnresizedOpaquePictures();
    void nullPictureGivesNullResult();
};

void TstRenderer::resizeSizes_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("keepAspect");
    QTest::addColumn<bool>("neverEnlarge");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("4000x3000, keep aspect")
        << QSize(4000, 3000) << true << false << QSize(1920, 1440);
    QTest::newRow("4000x3000, ignore aspect")
        << QSize(4000, 3000) << false << false << QSize(1920, 1920);
    QTest::newRow("800x600 enlarged, keep aspect")
        << QSize(800, 600) << true << false << QSize(1920, 1440);
    QTest::newRow("portrait, keep aspect") << QSize(300, 600) << true << false << QSize(960, 1920);
    QTest::newRow("never enlarge: 800x600 kept")
        << QSize(800, 600) << true << true << QSize(800, 600);
    QTest::newRow("never enlarge: 1 x 1 kept") << QSize(1, 1) << false << true << QSize(1, 1);
    QTest::newRow("never enlarge: as wide as the box, not stretched")
        << QSize(1920, 1000) << false << true << QSize(1920, 1000);
    QTest::newRow("never enlarge: 4000x3000 resized")
        << QSize(4000, 3000) << true << true << QSize(1920, 1440);
    QTest::newRow("never enlarge: taller than the box, resized as ever")
        << QSize(1000, 2000) << false << true << QSize(1920, 1920);
}

void TstRenderer::resizeSizes()
{
    QFETCH(QSize, picture);
    QFETCH(bool, keepAspect);
    QFETCH(bool, neverEnlarge);
    QFETCH(QSize, expected);
    StampSettings settings = plainSettings();
    settings.resize = true;
    settings.outputSize = QSize(1920, 1920);
    settings.keepAspectRatio = keepAspect;
    settings.neverEnlarge = neverEnlarge;
    StampRenderer renderer;
    const QImage stamped
        = renderer.render(filled(picture, qRgb(10, 20, 30)), false, QImage(), settings, {}, {})
              .image;
    QCOMPARE(stamped.size(), expected);
    QCOMPARE(stampedSize(picture, settings), expected);
}

void TstRenderer::drawnStampScalesWithThePicture_data()
{
    QTest::addColumn<QSize>("stamped");
    QTest::addColumn<int>("reference"); // 0: the stamp does not scale
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QFont>("drawnFont");
    QTest::addColumn<double>("drawnLogoScale");
    QTest::addColumn<QPoint>("drawnTextOffset");
    QTest::addColumn<QPoint>("drawnLogoOffset");
    QTest::addColumn<int>("drawnBandRows");
    const auto points = [](double size) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(size);
        return font;
    };
    const auto pixels = [](int size) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(size);
        return font;
    };
    // Designed with a logo scale of 0.5, offsets (21, -21) and (-7, 3), a band of 15 rows.
    QTest::newRow("not scaling") << QSize(4000, 3000) << 0 << points(18) << points(18) << 0.5
                                 << QPoint(21, -21) << QPoint(-7, 3) << 15;
    QTest::newRow("the reference picture itself")
        << QSize(1620, 1080) << 1080 << points(18) << points(18) << 0.5 << QPoint(21, -21)
        << QPoint(-7, 3) << 15;
    // Halves round away from zero: mirrored offsets stay mirrored.
    QTest::newRow("half, portrait") << QSize(540, 720) << 1080 << points(18) << points(9) << 0.25
                                    << QPoint(11, -11) << QPoint(-4, 2) << 8;
    QTest::newRow("three times") << QSize(6000, 3240) << 1080 << pixels(25) << pixels(75) << 1.5
                                 << QPoint(63, -63) << QPoint(-21, 9) << 45;
    QTest::newRow("a size in pixels is rounded")
        << QSize(540, 540) << 1080 << pixels(25) << pixels(13) << 0.25 << QPoint(11, -11)
        << QPoint(-4, 2) << 8;
    QTest::newRow("never below one pixel") << QSize(1, 1) << 1080 << pixels(25) << pixels(1)
                                           << 0.5 / 1080 << QPoint(0, 0) << QPoint(0, 0) << 0;
    // Beyond 65535 pixels the font engine would fall back to its default size.
    QTest::newRow("text within what the font engine draws")
        << QSize(16000, 16000) << 1 << points(18) << points(65535 * 0.75) << 8000.0
        << QPoint(336000, -336000) << QPoint(-112000, 48000) << 240000;
}

// The sizes of a stamp designed on a picture whose shorter side is the reference, as drawn on a
// stamped picture of another size.
void TstRenderer::drawnStampScalesWithThePicture()
{
    QFETCH(QSize, stamped);
    QFETCH(int, reference);
    QFETCH(QFont, font);
    QFETCH(QFont, drawnFont);
    QFETCH(double, drawnLogoScale);
    QFETCH(QPoint, drawnTextOffset);
    QFETCH(QPoint, drawnLogoOffset);
    QFETCH(int, drawnBandRows);
    StampSettings settings = plainSettings();
    settings.font = font;
    settings.logoScale = 0.5;
    settings.textOffset = QPoint(21, -21);
    settings.logoOffset = QPoint(-7, 3);
    settings.bandRows = 15;
    settings.scaleWithPicture = reference > 0;
    settings.referenceShorterSide = reference > 0 ? reference : 1080;

    const StampSettings drawn = drawnStamp(settings, stamped);
    QCOMPARE(drawn.font, drawnFont);
    QCOMPARE(drawn.logoScale, drawnLogoScale);
    QCOMPARE(drawn.textOffset, drawnTextOffset);
    QCOMPARE(drawn.logoOffset, drawnLogoOffset);
    QCOMPARE(drawn.bandRows, drawnBandRows);
    // Drawing it again changes nothing: the drawn stamp does not scale once more.
    QCOMPARE(drawnStamp(drawn, stamped).font, drawnFont);
    QCOMPARE(drawnStamp(drawn, stamped).bandRows, drawnBandRows);
}

void TstRenderer::bandCountsRowsOfTheResizedPicture()
{
    StampSettings settings = plainSettings();
    settings.resize = true;
    settings.outputSize = QSize(200, 100);
    settings.bandEdge = BandEdge::Bottom;
    settings.bandTone = BandTone::Dark;
    settings.bandRows = 12;
    StampRenderer renderer;
    const QImage stamped
        = renderer
              .render(filled(QSize(50, 25), qRgb(200, 200, 200)), false, QImage(), settings, {}, {})
              .image;
    QCOMPARE(stamped.size(), QSize(200, 100));
    QCOMPARE(stamped.pixel(100, 87), qRgb(200, 200, 200));
    QCOMPARE(stamped.pixel(100, 88), qRgb(100, 100, 100));
    QCOMPARE(stamped.pixel(199, 99), qRgb(100, 100, 100));
}

void TstRenderer::logoSizes_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<QSize>("drawn");
    QTest::newRow("0.01 draws nothing") << 0.01 << QSize(0, 0);
    QTest::newRow("1.5") << 1.5 << QSize(75, 75);
    QTest::newRow("1.0") << 1.0 << QSize(50, 50);
}

// The logo is opaque red on a black picture; the drawn area is the bounding box of red pixels.
void TstRenderer::logoSizes()
{
    QFETCH(double, scale);
    QFETCH(QSize, drawn);
    StampSettings settings = plainSettings();
    settings.logoScale = scale;
    StampRenderer renderer;
    const StampedPicture picture
        = renderer.render(filled(QSize(200, 200), qRgb(0, 0, 0)), false,
                          filled(QSize(50, 50), qRgb(255, 0, 0)), settings, {}, QPoint(10, 20));
    const QImage &stamped = picture.image;
    QRect red;
    for (int y = 0; y < stamped.height(); ++y) {
        for (int x = 0; x < stamped.width(); ++x) {
            if (stamped.pixel(x, y) == qRgb(255, 0, 0))
                red |= QRect(x, y, 1, 1);
        }
    }
    QCOMPARE(red.size(), drawn);
    if (!drawn.isEmpty())
        QCOMPARE(red.topLeft(), QPoint(10, 20));
    QCOMPARE(scaledLogoSize(QSize(50, 50), scale), drawn);
    QCOMPARE(picture.logoRect, drawn.isEmpty() ? QRect() : QRect(QPoint(10, 20), drawn));
}

void TstRenderer::layersAreBandTextLogo()
{
    StampSettings settings = plainSettings();
    settings.text = QStringLiteral("MMMMMMMM");
    settings.color = QColor(0, 255, 0);
    settings.bandEdge = BandEdge::Top;
    settings.bandTone = BandTone::Dark;
    settings.bandRows = 100;
    QImage logo = filled(QSize(20, 20), qRgba(0, 0, 255, 255));
    StampRenderer renderer;
    const StampedPicture stamped
        = renderer.render(filled(QSize(300, 200), qRgb(200, 200, 200)), false, logo, settings,
                          QPoint(0, 0), QPoint(5, 5));
    // The band darkened the top half, the text is green over it, the logo covers the text.
    QCOMPARE(stamped.image.pixel(299, 99), qRgb(100, 100, 100));
    QCOMPARE(stamped.image.pixel(299, 100), qRgb(200, 200, 200));
    QCOMPARE(stamped.image.pixel(10, 10), qRgb(0, 0, 255));
    bool greenInBand = false;
    for (int x = 30; x < stamped.textRect.right() && !greenInBand; ++x) {
        for (int y = 0; y < stamped.textRect.bottom(); ++y)
            greenInBand |= stamped.image.pixel(x, y) == qRgb(0, 255, 0);
    }
    QVERIFY(greenInBand);

    // A half-transparent logo lets what lies under it show through.
    logo.fill(qRgba(0, 0, 255, 128));
    StampRenderer second;
    const QImage blended = second
                               .render(filled(QSize(300, 200), qRgb(200, 200, 200)), false, logo,
                                       settings, QPoint(0, 0), QPoint(250, 150))
                               .image;
    const QRgb mixed = blended.pixel(255, 155);
    QVERIFY(qRed(mixed) > 90 && qRed(mixed) < 110);
    QVERIFY(qBlue(mixed) > 220);
}

void TstRenderer::translucentLogoBlendsAsOnThePicture_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("fast") << int(Qt::FastTransformation);
    QTest::newRow("smooth") << int(Qt::SmoothTransformation);
}

// Without a resize, the logo is blended over the picture exactly as painting it on the picture
// itself would do it.
void TstRenderer::translucentLogoBlendsAsOnThePicture()
{
    QFETCH(int, mode);
    StampSettings settings = plainSettings();
    settings.transformMode = Qt::TransformationMode(mode);
    settings.logoScale = 1.5;
    const QImage picture = gradient(QSize(300, 200));
    QImage logo = gradient(QSize(60, 40));
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x)
            logo.setPixel(x, y, (logo.pixel(x, y) & 0xffffff) | uint((x * 4 + y) % 256) << 24);
    }
    QImage expected = picture.copy();
    QPainter painter(&expected);
    painter.drawImage(QPoint(30, 20),
                      logo.scaled(QSize(90, 60), Qt::KeepAspectRatio, settings.transformMode));
    painter.end();
    StampRenderer renderer;
    QCOMPARE(renderer.render(picture, false, logo, settings, {}, QPoint(30, 20)).image, expected);
}

void TstRenderer::textBoxIsReportedOnlyWhenTextIsDrawn()
{
    StampSettings settings = plainSettings();
    StampRenderer renderer;
    const QImage picture = filled(QSize(400, 100), qRgb(0, 0, 0));
    QVERIFY(
        renderer.render(picture, false, QImage(), settings, QPoint(3, 4), {}).textRect.isNull());
    settings.text = QStringLiteral("Hello");
    const QRect box
        = renderer.render(picture, false, QImage(), settings, QPoint(3, 4), {}).textRect;
    QCOMPARE(box.topLeft(), QPoint(3, 4));
    QVERIFY(box.width() > 20 && box.height() > 10);
}

void TstRenderer::renderingAgainGivesTheSamePixels()
{
    StampSettings settings = plainSettings();
    settings.resize = true;
    settings.outputSize = QSize(640, 640);
    settings.keepAspectRatio = true;
    settings.transformMode = Qt::SmoothTransformation;
    settings.text = QStringLiteral("Again");
    settings.bandEdge = BandEdge::Bottom;
    settings.bandTone = BandTone::Light;
    settings.bandRows = 15;
    const QImage picture = gradient(QSize(1200, 900));
    const QImage logo = gradient(QSize(90, 30));
    StampRenderer renderer;
    const QImage first
        = renderer.render(picture, false, logo, settings, QPoint(5, 5), QPoint(40, 40)).image;
    const QImage second
        = renderer.render(picture, false, logo, settings, QPoint(5, 5), QPoint(40, 40)).image;
    QCOMPARE(second, first);
    StampRenderer fresh;
    QCOMPARE(fresh.render(picture, false, logo, settings, QPoint(5, 5), QPoint(40, 40)).image,
             first);
}

// A cache that answered for a different picture, size or mode would show a stale picture.
void TstRenderer::cachesFollowTheirInputs()
{
    ScaledImageCache cache;
    QImage picture = gradient(QSize(400, 300));
    const QImage half = cache.scaled(picture, false, QSize(200, 200), Qt::KeepAspectRatio,
                                     Qt::FastTransformation);
    QCOMPARE(half.size(), QSize(200, 150));
    QCOMPARE(
        cache.scaled(picture, false, QSize(100, 100), Qt::KeepAspectRatio, Qt::FastTransformation)
            .size(),
        QSize(100, 75));
    QCOMPARE(
        cache.scaled(picture, false, QSize(100, 100), Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .size(),
        QSize(100, 100));
    const QImage smooth = cache.scaled(picture, false, QSize(100, 100), Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation);
    QCOMPARE(smooth, picture.scaled(100, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    picture.fill(Qt::white); // the same picture object, changed
    const QImage afterChange = cache.scaled(picture, false, QSize(100, 100), Qt::IgnoreAspectRatio,
                                            Qt::SmoothTransformation);
    QCOMPARE(afterChange.pixel(0, 0), qRgb(255, 255, 255));

    const QImage other = filled(QSize(400, 300), qRgb(9, 9, 9));
    QCOMPARE(
        cache.scaled(other, false, QSize(100, 100), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .pixel(50, 50),
        qRgb(9, 9, 9));
}

void TstRenderer::opaqueFastPathEqualsToolkitScaling_data()
{
    QTest::addColumn<bool>("opaque");
    QTest::addColumn<QSize>("target");
    QTest::newRow("opaque, down") << true << QSize(333, 250);
    QTest::newRow("opaque, up") << true << QSize(1500, 1100);
    QTest::newRow("translucent pixel") << false << QSize(333, 250);
}

void TstRenderer::opaqueFastPathEqualsToolkitScaling()
{
    QFETCH(bool, opaque);
    QFETCH(QSize, target);
    QImage picture = gradient(QSize(800, 600));
    if (!opaque)
        picture.setPixel(400, 300, qRgba(10, 20, 30, 40));
    const QImage expected = picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage scaled
        = scaledImage(picture, opaque, target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(scaled.format(), expected.format());
    QCOMPARE(scaled, expected);
    QCOMPARE(scaled.dotsPerMeterX(), picture.dotsPerMeterX());
    // Same size: the toolkit hands back the picture itself.
    QCOMPARE(
        scaledImage(picture, true, picture.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .cacheKey(),
        picture.cacheKey());
}

void TstRenderer::opacityIsKnownForUnresizedOpaquePictures()
{
    StampSettings settings = plainSettings();
    settings.text = QStringLiteral("opaque");
    settings.logoScale = 1.0;
    const QImage translucentLogo = filled(QSize(20, 20), qRgba(0, 0, 255, 100));
    StampRenderer renderer;
    const QImage opaque = gradient(QSize(200, 100));
    const StampedPicture first = renderer.render(opaque, true, translucentLogo, settings, {}, {});
    QVERIFY(first.opaque);
    QVERIFY(isOpaque(first.image)); // the translucent logo keeps the picture opaque
    QVERIFY(!renderer.render(opaque, false, {}, settings, {}, {}).opaque);

    settings.resize = true;
    settings.outputSize = QSize(100, 50);
    QVERIFY(!renderer.render(opaque, true, {}, settings, {}, {}).opaque);
    // A picture that is never enlarged is not resized, and stays known to be opaque.
    settings.neverEnlarge = true;
    settings.outputSize = QSize(300, 300);
    QVERIFY(renderer.render(opaque, true, {}, settings, {}, {}).opaque);
}

void TstRenderer::nullPictureGivesNullResult()
{
    StampSettings settings = plainSettings();
    settings.text = QStringLiteral("text");
    settings.resize = true;
    settings.outputSize = QSize(100, 100);
    StampRenderer renderer;
    const StampedPicture stamped
        = renderer.render(QImage(), false, filled(QSize(5, 5), qRgb(1, 1, 1)), settings, {}, {});
    QVERIFY(stamped.image.isNull());
    QVERIFY(stamped.textRect.isNull());
}

QTEST_MAIN(TstRenderer)
#include "tst_renderer.moc"
