// Reads the JPEG 2000 pictures of tests/data through QImageReader, as the program does, and
// compares every pixel with the PNG picture each was made from (tests/data/make-jp2.sh). The
// pictures are copied into a temporary folder first, under their own names or under lying ones.

#include "support/testfiles.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtPlugin>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

// The plug-in is compiled into the program; the program registers it in the picture loading
// code, which this test does not link, so the test registers it itself.
Q_IMPORT_PLUGIN(Jp2ImagePlugin)

namespace {

QByteArray dataBytes(const QString &name)
{
    QFile file(testDataPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The first pixel where the two pictures differ by more than tolerance in a channel, described;
// empty when they match.
QString firstDifference(const QImage &actual, const QImage &expected, int tolerance)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb e = expected.pixel(x, y);
            if (qAbs(qRed(a) - qRed(e)) > tolerance || qAbs(qGreen(a) - qGreen(e)) > tolerance
                || qAbs(qBlue(a) - qBlue(e)) > tolerance || qAbs(qAlpha(a) - qAlpha(e)) > tolerance)
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x)
                    .arg(y)
                    .arg(a, 8, 16, QLatin1Char('0'))
                    .arg(e, 8, 16, QLatin1Char('0'));
        }
    }
    return {};
}

// While it lives, what the process writes to its standard output and error streams goes to a
// file instead of the console, so that a test can check that a decode printed nothing.
class ConsoleCapture
{
public:
    ConsoleCapture()
    {
        if (!m_file.open())
            return;
        std::fflush(stdout);
        std::fflush(stderr);
        m_savedOut = dup(STDOUT_FILENO);
        m_savedErr = dup(STDERR_FILENO);
        dup2(m_file.handle(), STDOUT_FILENO);
        dup2(m_file.handle(), STDERR_FILENO);
    }

    ~ConsoleCapture() { restore(); }

    // Puts the streams back and returns what was written meanwhile.
    QByteArray finish()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_savedOut < 0)
            return;
        std::fflush(stdout);
        std::fflush(stderr);
        dup2(m_savedOut, STDOUT_FILENO);
        dup2(m_savedErr, STDERR_FILENO);
        close(m_savedOut);
        close(m_savedErr);
        m_savedOut = m_savedErr = -1;
    }

    QTemporaryFile m_file;
    int m_savedOut = -1;
    int m_savedErr = -1;
};

// A JPEG 2000 file with a 70 000-byte box between its header and its codestream, as a file with
// a large embedded XML or EXIF block has: the picture size is then not in the first bytes.
QByteArray withLargeBoxBeforeCodestream(const QByteArray &jp2)
{
    const int jp2c = jp2.indexOf("jp2c");
    if (jp2c < 4)
        return {};
    const int boxStart = jp2c - 4;
    const quint32 length = 70000;
    QByteArray box;
    box.append(char(length >> 24)).append(char(length >> 16)).append(char(length >> 8));
    box.append(char(length));
    box.append("xml ");
    box.append(QByteArray(int(length) - 8, ' '));
    return jp2.left(boxStart) + box + jp2.mid(boxStart);
}

} // namespace

class TestJp2 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesToTheSourcePixels_data();
    void decodesToTheSourcePixels();
    void decodesByContentWhateverTheSuffix_data();
    void decodesByContentWhateverTheSuffix();
    void leavesOtherFormatsWithJp2SuffixToTheirReaders();
    void findsTheSizeBeyondTheFirstBytes();
    void failsCleanlyOnBrokenFiles_data();
    void failsCleanlyOnBrokenFiles();
    void survivesScrambledPictureData();
    void refusesAbsurdSizes();

private:
    QTemporaryDir m_dir;
};

void TestJp2::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    QVERIFY2(formats.contains("jp2"), "the JPEG 2000 plug-in is not registered");
    QVERIFY(formats.contains("j2k"));
    QVERIFY(QFile::exists(testDataPath(QStringLiteral("rgb.jp2"))));
}

void TestJp2::decodesToTheSourcePixels_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("imageFormat");
    QTest::addColumn<int>("tolerance");

    const auto row = [](const char *tag, const char *file, const char *source, const char *format,
                        QImage::Format imageFormat, int tolerance) {
        QTest::newRow(tag) << QString::fromLatin1(file) << QString::fromLatin1(source)
                           << QByteArray(format) << int(imageFormat) << tolerance;
    };
    const QImage::Format opaque = QImage::Format_RGB32;
    const QImage::Format alpha = QImage::Format_ARGB32;
    row("rgb jp2", "rgb.jp2", "rgb.png", "jp2", opaque, 0);
    row("rgb codestream", "rgb.j2k", "rgb.png", "j2k", opaque, 0);
    row("grey", "grey.jp2", "grey.png", "jp2", opaque, 0);
    row("grey 16 bits", "grey16.jp2", "grey.png", "jp2", opaque, 0);
    row("grey signed 12 bits", "grey-signed12.jp2", "grey.png", "jp2", opaque, 0);
    row("grey + alpha", "greya.jp2", "greya.png", "jp2", alpha, 0);
    row("rgb + alpha", "rgba.jp2", "rgba.png", "jp2", alpha, 0);
    // Luma and colour differences at half width and height: the colour differences were rounded
    // to whole numbers when the file was written, so the colours come back within two steps.
    row("sYCC 4:2:0", "ycc420.jp2", "ycc.png", "jp2", opaque, 2);
    row("4:2:0 codestream", "ycc420.j2k", "ycc.png", "j2k", opaque, 2);
}

void TestJp2::decodesToTheSourcePixels()
{
    QFETCH(QString, file);
    QFETCH(QString, source);
    QFETCH(QByteArray, format);
    QFETCH(int, imageFormat);
    QFETCH(int, tolerance);

    const QString path = m_dir.filePath(file);
    QFile::remove(path);
    QVERIFY(QFile::copy(testDataPath(file), path));
    const QImage expected
        = QImage(testDataPath(source)).convertToFormat(QImage::Format(imageFormat));
    QVERIFY(!expected.isNull());

    QImageReader reader(path);
    QVERIFY(reader.canRead());
    QCOMPARE(reader.format(), format);
    QCOMPARE(reader.size(), expected.size());
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(int(image.format()), imageFormat);
    const QString difference = firstDifference(image, expected, tolerance);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestJp2::decodesByContentWhateverTheSuffix_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("copyName");
    QTest::addColumn<QByteArray>("format");

    const auto row = [](const char *tag, const char *file, const char *source, const char *copyName,
                        const char *format) {
        QTest::newRow(tag) << QString::fromLatin1(file) << QString::fromLatin1(source)
                           << QString::fromLatin1(copyName) << QByteArray(format);
    };
    row("jp2 named .png", "rgb.jp2", "rgb.png", "holiday.png", "jp2");
    row("jp2 named .dat", "rgb.jp2", "rgb.png", "holiday.dat", "jp2");
    row("jp2 named .JPG", "rgba.jp2", "rgba.png", "scan.JPG", "jp2");
    row("jp2 without suffix", "grey.jp2", "grey.png", "scan", "jp2");
    row("codestream named .jp2", "rgb.j2k", "rgb.png", "stream.jp2", "j2k");
    row("codestream named .tif", "rgb.j2k", "rgb.png", "stream.tif", "j2k");
}

void TestJp2::decodesByContentWhateverTheSuffix()
{
    QFETCH(QString, file);
    QFETCH(QString, source);
    QFETCH(QString, copyName);
    QFETCH(QByteArray, format);

    const QString path = m_dir.filePath(copyName);
    QFile::remove(path);
    QVERIFY(QFile::copy(testDataPath(file), path));
    const QImage expected = QImage(testDataPath(source));

    QImageReader reader(path);
    reader.setAutoDetectImageFormat(true);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QString difference = firstDifference(image, expected.convertToFormat(image.format()), 0);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // QImage's own constructor goes through the same reader.
    const QImage direct(path);
    difference = firstDifference(direct, expected.convertToFormat(direct.format()), 0);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestJp2::leavesOtherFormatsWithJp2SuffixToTheirReaders()
{
    // The plug-in claims the .jp2 suffix; a PNG picture under that name must still read, by its
    // content, through Qt's PNG reader.
    const QString path = m_dir.filePath(QStringLiteral("really-a-png.jp2"));
    QFile::remove(path);
    QVERIFY(QFile::copy(testDataPath(QStringLiteral("rgb.png")), path));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    const QImage expected = QImage(testDataPath(QStringLiteral("rgb.png")));
    const QString difference = firstDifference(image, expected.convertToFormat(image.format()), 0);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestJp2::findsTheSizeBeyondTheFirstBytes()
{
    const QByteArray bytes = withLargeBoxBeforeCodestream(dataBytes(QStringLiteral("rgb.jp2")));
    QVERIFY(bytes.size() > 70000);
    const QString path = m_dir.filePath(QStringLiteral("large-box.jp2"));
    QVERIFY(writeFile(path, bytes));

    QImageReader reader(path);
    QCOMPARE(reader.size(), QSize(40, 30));
    // Asking for the size must not spoil the read that follows.
    QVERIFY(reader.canRead());
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    const QImage expected = QImage(testDataPath(QStringLiteral("rgb.png")));
    const QString difference
        = firstDifference(image, expected.convertToFormat(QImage::Format_RGB32), 0);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestJp2::failsCleanlyOnBrokenFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray jp2 = dataBytes(QStringLiteral("rgb.jp2"));
    const QByteArray j2k = dataBytes(QStringLiteral("rgb.j2k"));
    const QByteArray rgba = dataBytes(QStringLiteral("rgba.jp2"));
    QVERIFY(jp2.size() > 1000 && j2k.size() > 1000 && rgba.size() > 1000);

    QTest::newRow("jp2 signature alone") << "cut.jp2" << jp2.left(12);
    QTest::newRow("jp2 cut in its header") << "cut.jp2" << jp2.left(60);
    QTest::newRow("jp2 cut after its header") << "cut.jp2" << jp2.left(jp2.indexOf("jp2c") + 4);
    QTest::newRow("jp2 cut in the middle") << "cut.jp2" << jp2.left(jp2.size() / 2);
    QTest::newRow("jp2 cut near the end") << "cut.jp2" << jp2.left(jp2.size() - 100);
    QTest::newRow("jp2 with alpha cut, named .png") << "cut.png" << rgba.left(rgba.size() * 3 / 4);
    QTest::newRow("codestream start alone") << "cut.j2k" << j2k.left(4);
    QTest::newRow("codestream cut in its header") << "cut.j2k" << j2k.left(40);
    QTest::newRow("codestream cut in the middle") << "cut.j2k" << j2k.left(j2k.size() / 2);

    // Pseudo-random bytes, the same on every run.
    QByteArray noise(4096, '\0');
    quint32 state = 12345;
    for (char &c : noise) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 16);
    }
    QTest::newRow("garbage named .jp2") << "garbage.jp2" << noise;
    QTest::newRow("garbage after a jp2 signature") << "garbage.jp2" << jp2.left(12) + noise;
    QTest::newRow("garbage after a jp2 header")
        << "garbage.dat" << jp2.left(jp2.indexOf("jp2c") + 4) + noise;
    QTest::newRow("garbage after a codestream start") << "garbage.j2k" << j2k.left(4) + noise;
    QTest::newRow("garbage after a codestream header") << "garbage.png" << j2k.left(60) + noise;
    QTest::newRow("empty file named .jp2") << "empty.jp2" << QByteArray();
}

void TestJp2::failsCleanlyOnBrokenFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);

    const QString path = m_dir.filePath(name);
    QVERIFY(writeFile(path, bytes));

    QImageReader reader(path);
    ConsoleCapture console;
    const QImage image = reader.read();
    const QByteArray printed = console.finish();

    QVERIFY(image.isNull());
    QVERIFY(reader.error() == QImageReader::InvalidDataError
            || reader.error() == QImageReader::UnsupportedFormatError);
    QVERIFY(!reader.errorString().isEmpty());
    QVERIFY2(printed.isEmpty(), printed.constData());
}

void TestJp2::survivesScrambledPictureData()
{
    // Noise in place of the coded pixels, headers intact: the decoder cannot always tell (the
    // coded data carries no checksum), so a picture of noise may come out, but nothing crashes
    // or prints.
    const QByteArray j2k = dataBytes(QStringLiteral("rgb.j2k"));
    QVERIFY(j2k.size() > 1000);
    QByteArray noise(j2k.size() - 400, '\0');
    quint32 state = 777;
    for (char &c : noise) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 16);
    }
    const QString path = m_dir.filePath(QStringLiteral("scrambled.j2k"));
    QVERIFY(writeFile(path, j2k.left(200) + noise + j2k.right(200)));

    QImageReader reader(path);
    ConsoleCapture console;
    const QImage image = reader.read();
    const QByteArray printed = console.finish();
    if (!image.isNull())
        QCOMPARE(image.size(), QSize(40, 30));
    QVERIFY2(printed.isEmpty(), printed.constData());
}

void TestJp2::refusesAbsurdSizes()
{
    // The codestream's header says 1 048 576 x 1 048 576 pixels: refused from the header,
    // before anything is allocated for the pixels.
    QByteArray bytes = dataBytes(QStringLiteral("rgb.j2k"));
    QVERIFY(bytes.size() > 100);
    QVERIFY(bytes.startsWith(QByteArray::fromHex("ff4fff51")));
    const QByteArray huge = QByteArray::fromHex("0010000000100000"); // Xsiz, Ysiz
    bytes.replace(8, huge.size(), huge);
    const QString path = m_dir.filePath(QStringLiteral("huge.j2k"));
    QVERIFY(writeFile(path, bytes));

    QImageReader reader(path);
    ConsoleCapture console;
    const QSize size = reader.size();
    const QImage image = reader.read();
    const QByteArray printed = console.finish();
    QVERIFY(!size.isValid());
    QVERIFY(image.isNull());
    QCOMPARE(reader.error(), QImageReader::InvalidDataError);
    QVERIFY2(printed.isEmpty(), printed.constData());
}

QTEST_GUILESS_MAIN(TestJp2)
#include "tst_jp2.moc"
