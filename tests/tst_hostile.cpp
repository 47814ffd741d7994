// Hostile and damaged input: special files, size bombs, damaged pictures, a full disk, and a
// settings store holding serialised values. Nothing may hang, take the memory of the pixels a
// file declares, or crash; every refusal names its reason.
#include "engine/batch/outcometexts.h"
#include "engine/batch/pictureencoder.h"
#include "engine/batch/picturesaver.h"
#include "engine/batch/stampjob.h"
#include "engine/read/imageload.h"
#include "engine/read/pictureguards.h"
#include "engine/setup/settingskeys.h"
#include "engine/setup/settingsstore.h"
#include "support/hostilefiles.h"
#include "support/profiledfiles.h"
#include "support/testenv.h"
#include "support/testfiles.h"
#include "support/watchdog.h"
#include "ui_mainwindow.h"

#include <QLocalServer>
#include <QtTest>
#include <QtWidgets>

#include <future>

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Long enough for any slow machine, short against a hang.
constexpr int WatchdogSeconds = 60;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class TstHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void specialFilesAreRefusedAtOnce_data();
    void specialFilesAreRefusedAtOnce();
    void pixelBudget_data();
    void pixelBudget();
    void sizeBombsAreRefusedBeforeDecoding_data();
    void sizeBombsAreRefusedBeforeDecoding();
    void truncatedJpegIsDamaged_data();
    void truncatedJpegIsDamaged();
    void truncatedBitmapIsDamaged_data();
    void truncatedBitmapIsDamaged();
    void cutOffPhoneAndWebPicturesAreDamaged_data();
    void cutOffPhoneAndWebPicturesAreDamaged();
    void everyOrientationComesOutUpright_data();
    void everyOrientationComesOutUpright();
    void fullDiskNamesThePictureAndTheReason_data();
    void fullDiskNamesThePictureAndTheReason();
    void storeTextIsTheToolkits_data();
    void storeTextIsTheToolkits();
    void serialisedValuesInTheStoreGiveDefaults_data();
    void serialisedValuesInTheStoreGiveDefaults();
    void pipeStoredAsTheLogo();
    void pipeSelectedInTheList();
};

void TstHostile::initTestCase()
{
    initTestApplication();
}

void TstHostile::specialFilesAreRefusedAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("named pipe") << "pipe"
                                << "It is a named pipe, not a picture file";
    QTest::newRow("link named z.jpg to a named pipe") << "linked pipe"
                                                      << "It is a named pipe, not a picture file";
    QTest::newRow("folder") << "folder"
                            << "It is a folder, not a picture file";
    QTest::newRow("device") << "device"
                            << "It is a device, not a picture file";
    QTest::newRow("socket") << "socket"
                            << "It is a socket, not a picture file";
}

void TstHostile::specialFilesAreRefusedAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("z.jpg"));
    QLocalServer server;
    if (kind == QLatin1String("pipe") || kind == QLatin1String("linked pipe")) {
        const QString pipe = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        if (kind == QLatin1String("pipe"))
            path = pipe;
        else
            QVERIFY(QFile::link(pipe, path));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("device")) {
        path = QStringLiteral("/dev/zero");
    } else {
        QVERIFY(server.listen(path));
    }

    const Watchdog watchdog(QTest::currentDataTag(), WatchdogSeconds);
    QString error;
    QVERIFY(readPicture(path, &error).isNull());
    QCOMPARE(error, reason);
}

void TstHostile::pixelBudget_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("at the budget") << QSize(16384, 16384) << QString();
    QTest::newRow("one line more")
        << QSize(16384, 16385)
        << "It is too large: 16384 x 16385 pixels, more than 268435456 pixels";
    QTest::newRow("largest sides") << QSize(INT_MAX, INT_MAX)
                                   << "It is too large: 2147483647 x 2147483647 pixels, more than "
                                      "268435456 pixels";
    QTest::newRow("unknown") << QSize() << "Its size cannot be read from the file";
}

void TstHostile::pixelBudget()
{
    QFETCH(QSize, size);
    QFETCH(QString, refusal);
    QCOMPARE(sizeRefusal(size), refusal);
}

void TstHostile::sizeBombsAreRefusedBeforeDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QString tooLarge
        = QStringLiteral("It is too large: %1 x %2 pixels, more than 268435456 pixels");
    QTest::newRow("png, 30000 x 30000, 1 bit")
        << pngBomb(QSize(30000, 30000)) << tooLarge.arg(30000).arg(30000);
    QTest::newRow("tiff, 30000 x 30000, 1 bit")
        << tiffBomb(QSize(30000, 30000)) << tooLarge.arg(30000).arg(30000);
    QTest::newRow("jpeg, 65500 x 65500")
        << jpegBomb(QSize(65500, 65500)) << tooLarge.arg(65500).arg(65500);
    QTest::newRow("sun raster, 65536 x 65536")
        << rasterBomb(QSize(65536, 65536)) << tooLarge.arg(65536).arg(65536);
    const QByteArray heic = fileBytes(testDataPath(QStringLiteral("boxed/exif6.heic")));
    QTest::newRow("heic, 100000 x 100000")
        << heifBomb(heic, QSize(100000, 100000)) << tooLarge.arg(100000).arg(100000);
    const QByteArray avif = fileBytes(testDataPath(QStringLiteral("boxed/irot6.avif")));
    QTest::newRow("avif, 100000 x 100000")
        << heifBomb(avif, QSize(100000, 100000)) << tooLarge.arg(100000).arg(100000);
    QTest::newRow("jpeg xl, 100000 x 100000")
        << jxlBomb(QSize(100000, 100000)) << tooLarge.arg(100000).arg(100000);
    QTest::newRow("jpeg of 883 scans")
        << jpegScanBomb(QSize(64, 64))
        << "It has more than 300 scans, which no camera or program writes";
}

// The refusal takes no memory for pixels: the peak grows by far less than even the bomb's
// decoded bits, let alone its working copy.
void TstHostile::sizeBombsAreRefusedBeforeDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bomb.jpg"));
    writeFile(path, bytes);

    QVERIFY(resetPeakMemory());
    const qint64 peakBefore = peakMemoryKiB();
    const Watchdog watchdog(QTest::currentDataTag(), WatchdogSeconds);
    QString error;
    QVERIFY(readPicture(path, &error).isNull());
    QCOMPARE(error, reason);
    QVERIFY2(peakMemoryKiB() - peakBefore < 64 * 1024,
             qPrintable(QStringLiteral("peak grew by %1 KiB").arg(peakMemoryKiB() - peakBefore)));
}

void TstHostile::truncatedJpegIsDamaged_data()
{
    QTest::addColumn<bool>("beforeTheScan");
    QTest::addColumn<bool>("onWorkerThread");
    QTest::addColumn<QString>("warning");
    const QString halfway = QStringLiteral("Corrupt JPEG data: premature end of data segment");
    QTest::newRow("halfway") << false << false << halfway;
    QTest::newRow("halfway, on a worker thread") << false << true << halfway;
    // The reader itself only says "Unknown error" here.
    QTest::newRow("before the scan")
        << true << false << QStringLiteral("Invalid JPEG file structure: missing SOS marker");
}

// Qt's JPEG reader returns a picture cut off halfway with a grey lower half and only warns.
void TstHostile::truncatedJpegIsDamaged()
{
    QFETCH(bool, beforeTheScan);
    QFETCH(bool, onWorkerThread);
    QFETCH(QString, warning);
    QTemporaryDir dir;
    const QByteArray jpeg = encoded(noisePicture(QSize(200, 150)), "jpg");
    const QString whole = dir.filePath(QStringLiteral("whole.jpg"));
    const QString cut = dir.filePath(QStringLiteral("cut.jpg"));
    writeFile(whole, jpeg);
    writeFile(
        cut,
        jpeg.left(beforeTheScan ? jpeg.indexOf(QByteArray::fromHex("ffda")) : jpeg.size() / 2));

    const Watchdog watchdog(QTest::currentDataTag(), WatchdogSeconds);
    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    const auto read = [](const QString &path) {
        QString error;
        const QImage picture = readPicture(path, &error);
        return qMakePair(picture, error);
    };
    const auto damaged
        = onWorkerThread ? std::async(std::launch::async, read, cut).get() : read(cut);
    QVERIFY(damaged.first.isNull());
    QCOMPARE(damaged.second, damagedReason(warning));
    QCOMPARE(damaged.second, QStringLiteral("The picture is damaged (%1)").arg(warning));
    // Reading goes on cleanly after a damaged picture.
    const auto clean = read(whole);
    QCOMPARE(clean.second, QString());
    QCOMPARE(clean.first.size(), QSize(200, 150));
}

void TstHostile::truncatedBitmapIsDamaged_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<int>("cutBytes");
    QTest::addColumn<QString>("reason");
    const QString missingRows
        = damagedReason(QStringLiteral("it holds fewer rows than its header declares"));
    QTest::newRow("24 bits, whole") << QImage::Format_RGB32 << 0 << QString();
    QTest::newRow("24 bits, last byte missing") << QImage::Format_RGB32 << 1 << missingRows;
    QTest::newRow("24 bits, half missing") << QImage::Format_RGB32 << 45000 << missingRows;
    QTest::newRow("1 bit, whole") << QImage::Format_Mono << 0 << QString();
    QTest::newRow("1 bit, last row missing") << QImage::Format_Mono << 28 << missingRows;
}

// The toolkit's bitmap reader returns a picture cut off with its missing rows blank, silently.
void TstHostile::truncatedBitmapIsDamaged()
{
    QFETCH(QImage::Format, format);
    QFETCH(int, cutBytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QByteArray bitmap = encoded(noisePicture(QSize(200, 150)).convertToFormat(format), "bmp");
    const QString path = dir.filePath(QStringLiteral("picture.bmp"));
    writeFile(path, bitmap.left(bitmap.size() - cutBytes));

    QString error;
    const QImage picture = readPicture(path, &error);
    QCOMPARE(error, reason);
    QCOMPARE(picture.isNull(), !reason.isEmpty());
}

void TstHostile::cutOffPhoneAndWebPicturesAreDamaged_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kept"); // bytes kept; less than 0 for as many short of the whole
    QTest::addColumn<QString>("reason"); // how the reason begins
    const QString cutOff = cutOffReason();
    const QString noSize = QStringLiteral("Its size cannot be read from the file");
    const QString damaged = QStringLiteral("The picture is damaged (");
    QTest::newRow("heic, half") << "exif6.heic" << 2000 << cutOff;
    QTest::newRow("heic, its boxes cut") << "exif6.heic" << 100 << noSize;
    // The AV1 decoder returns a picture from what is left, and says nothing.
    QTest::newRow("avif, half") << "exif6.avif" << 1800 << cutOff;
    QTest::newRow("avif, ten bytes short") << "irot6.avif" << -10 << cutOff;
    QTest::newRow("avif, its boxes cut") << "irot6.avif" << 100 << noSize;
    QTest::newRow("jpeg xl, half") << "orient6.jxl" << 700 << damaged;
    QTest::newRow("jpeg xl codestream, ten bytes short") << "plain.jxl" << -10 << damaged;
}

void TstHostile::cutOffPhoneAndWebPicturesAreDamaged()
{
    QFETCH(QString, name);
    QFETCH(int, kept);
    QFETCH(QString, reason);
    const QByteArray whole = fileBytes(testDataPath(QStringLiteral("boxed/") + name));
    QVERIFY(!whole.isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    writeFile(path, whole.left(kept < 0 ? whole.size() + kept : kept));

    const Watchdog watchdog(QTest::currentDataTag(), WatchdogSeconds);
    QString error;
    QVERIFY(readPicture(path, &error).isNull());
    QVERIFY2(error.startsWith(reason), qPrintable(error));
}

void TstHostile::everyOrientationComesOutUpright_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("tolerance"); // the format's own loss
    QTest::addColumn<int>("margin"); // how far from an edge of colour the loss may be larger
    for (const char *format : {"jpg", "tif", "png", "webp"}) {
        for (int orientation = 1; orientation <= 8; ++orientation)
            QTest::addRow("%s, orientation %d", format, orientation)
                << QStringLiteral("orientation/%1.%2").arg(orientation).arg(format) << orientation
                << (qstrcmp(format, "jpg") == 0 ? 8 : 0) << 0;
    }
    // tests/data/make-boxed.sh
    QTest::newRow("heic, EXIF orientation 6") << "boxed/exif6.heic" << 6 << 24 << 3;
    QTest::newRow("avif, EXIF orientation 6") << "boxed/exif6.avif" << 6 << 24 << 3;
    QTest::newRow("avif, its own turn and EXIF orientation 6")
        << "boxed/irot6.avif" << 6 << 24 << 3;
    QTest::newRow("jpeg xl, orientation 6 in its codestream") << "boxed/orient6.jxl" << 6 << 8 << 0;
    QTest::newRow("jpeg xl, upright") << "boxed/plain.jxl" << 1 << 0 << 0;
}

// A picture tagged with each orientation comes out as the reference tool turns it
// (tests/data/make-orientation.sh): upright, unmirrored, turned once.
void TstHostile::everyOrientationComesOutUpright()
{
    QFETCH(QString, source);
    QFETCH(int, orientation);
    QFETCH(int, tolerance);
    QFETCH(int, margin);
    source = testDataPath(source);
    const QImage reference
        = QImage(testDataPath(QStringLiteral("orientation/upright-%1.png").arg(orientation)))
              .convertToFormat(QImage::Format_RGB32);
    QVERIFY(!reference.isNull());
    QTemporaryDir dir;
    StampJob job;
    job.format = QStringLiteral("png");
    job.outputFolder = dir.path();
    const PictureOutcome outcome = stampFile(source, job).outcome;
    QVERIFY2(outcome.written(), qPrintable(outcome.reason));

    const QImage written = QImage(outcome.output).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(written.size(), reference.size());
    const QRect whole = reference.rect();
    const auto besideAnEdge = [&](int x, int y) {
        for (int dy = -margin; dy <= margin; ++dy) {
            for (int dx = -margin; dx <= margin; ++dx) {
                const QPoint near
                    = whole.contains(x + dx, y + dy) ? QPoint(x + dx, y + dy) : QPoint(x, y);
                if (reference.pixel(near) != reference.pixel(x, y))
                    return true;
            }
        }
        return false;
    };
    for (int y = 0; y < written.height(); ++y) {
        for (int x = 0; x < written.width(); ++x) {
            if (besideAnEdge(x, y))
                continue;
            const QRgb got = written.pixel(x, y);
            const QRgb expected = reference.pixel(x, y);
            QVERIFY2(isNearColor(got, expected, tolerance),
                     qPrintable(QStringLiteral("pixel %1,%2 is %3, not %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(got, 0, 16)
                                    .arg(expected, 0, 16)));
        }
    }
}

void TstHostile::fullDiskNamesThePictureAndTheReason_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("jpg") << "jpg";
    QTest::newRow("tif") << "tif";
}

// A write that fails for want of room gives the system's reason,
// leaves nothing behind, and the next picture that fits is written. The room is a small file
// system where one can be mounted, else a limit on file sizes.
void TstHostile::fullDiskNamesThePictureAndTheReason()
{
    QFETCH(QString, format);
    QTemporaryDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    const bool mounted = ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") == 0;
    rlimit fileSizeLimit {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &fileSizeLimit), 0);
    if (!mounted) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small {64 * 1024, fileSizeLimit.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    const auto restore = qScopeGuard([&] {
        if (mounted)
            ::umount2(mountPoint.constData(), MNT_DETACH);
        else
            ::setrlimit(RLIMIT_FSIZE, &fileSizeLimit);
    });

    const PictureEncoder encoder(format.toLatin1());
    const SavedPicture failed
        = savePicture(encoder.encode(noisePicture(QSize(600, 600)), nullptr), dir.path(),
                      QStringLiteral("big"), format, &QDateTime::currentDateTime, &isOccupied);
    QVERIFY(failed.path.isEmpty());
    QCOMPARE(failed.error, qt_error_string(mounted ? ENOSPC : EFBIG));
    QCOMPARE(namesIn(dir.path()), QStringList());

    const SavedPicture written
        = savePicture(encoder.encode(noisePicture(QSize(8, 8)), nullptr), dir.path(),
                      QStringLiteral("small"), format, &QDateTime::currentDateTime, &isOccupied);
    QCOMPARE(written.error, QString());
    QCOMPARE(QImage(written.path).size(), QSize(8, 8));
    QCOMPARE(namesIn(dir.path()), QStringList {"small." + format});
}

void TstHostile::storeTextIsTheToolkits_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("plain") << "wtrmark_edit" << QVariant("Enter your text here!");
    QTest::newRow("commas") << "font" << QVariant("Cambria,18,-1,5,50,0,0,0,0,0");
    QTest::newRow("quotes and backslashes") << "k" << QVariant("say \"hi\" \\ C:\\dir");
    QTest::newRow("blanks around") << "k" << QVariant("  padded  ");
    QTest::newRow("semicolon and equals") << "k" << QVariant("a;b=c");
    QTest::newRow("semicolon alone") << "k" << QVariant(";");
    QTest::newRow("line breaks and tab") << "k" << QVariant("a\nb\r\tc\x1b");
    QTest::newRow("beyond ASCII") << "k" << QVariant(QString::fromUtf8("Zoë – 東京 😀 é1f"));
    QTest::newRow("starting with @") << "k" << QVariant("@home");
    QTest::newRow("looking serialised") << "k" << QVariant("@Variant(\\0)");
    QTest::newRow("empty") << "k" << QVariant(QString());
    QTest::newRow("number") << "x_spin" << QVariant(-42);
    QTest::newRow("colour number") << "fnt_clr" << QVariant(4294967295u);
    QTest::newRow("fraction") << "scale_spin" << QVariant(0.29);
    QTest::newRow("boolean") << "resize_check" << QVariant(true);
    QTest::newRow("list") << "k" << QVariant(QStringList {"a", "b, c", " d "});
    QTest::newRow("key in a group, odd characters") << "My Group/odd key%é" << QVariant("v");
    QTest::newRow("group named general") << "General/k" << QVariant("v");
}

// The store's text is byte for byte what the toolkit's INI writer makes, and reads back as the
// toolkit reads it.
void TstHostile::storeTextIsTheToolkits()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QTemporaryDir dir;
    const QString toolkitFile = dir.filePath(QStringLiteral("toolkit.conf"));
    {
        QSettings toolkit(toolkitFile, QSettings::IniFormat);
        toolkit.setValue(key, value);
    }
    const QByteArray toolkitText = fileBytes(toolkitFile);

    QByteArray ourText;
    QVERIFY(settingsText({{key, value}}, &ourText));
    QCOMPARE(ourText, toolkitText);

    // Read from a copy: the toolkit keeps the values it wrote for the next reader of the file.
    const QString copy = dir.filePath(QStringLiteral("copy.conf"));
    writeFile(copy, toolkitText);
    const QVariant toolkitValue = QSettings(copy, QSettings::IniFormat).value(key);
    const QSettings::SettingsMap read = settingsFromText(toolkitText);
    QCOMPARE(read.keys(), QStringList {key});
    QCOMPARE(read.value(key),
             toolkitValue.userType() == QMetaType::QVariantList
                 ? QVariant(toolkitValue.toStringList())
                 : toolkitValue);
}

void TstHostile::serialisedValuesInTheStoreGiveDefaults_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("font") << "font";
    QTest::newRow("x_spin") << "x_spin";
    QTest::newRow("logo_file_name") << "logo_file_name";
    QTest::newRow("a key of no use") << "Elsewhere/unused";
}

// A font of 2^31 - 1 points in the toolkit's serialised form, under any key: the window starts
// with the defaults, and the store it writes holds plain values again.
void TstHostile::serialisedValuesInTheStoreGiveDefaults()
{
    QFETCH(QString, key);
    QTemporaryDir scratch;
    const QString serialisedFile = scratch.filePath(QStringLiteral("serialised.conf"));
    {
        QSettings serialised(serialisedFile, QSettings::IniFormat);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(INT_MAX);
        serialised.setValue(key, QVariant(font));
        serialised.setValue(QStringLiteral("txt_x_spin"), 33);
    }
    const IsolatedSettings store;
    const QString storeFile = store.path() + QStringLiteral("/Korvath/Tessaro.conf");
    QVERIFY(QDir().mkpath(QFileInfo(storeFile).path()));
    // Copied as bytes: the toolkit keeps what it parsed of a file for the next reader of it.
    writeFile(storeFile, fileBytes(serialisedFile));
    QVERIFY(fileBytes(storeFile).contains("@Variant("));

    {
        const Watchdog watchdog(QTest::currentDataTag(), WatchdogSeconds);
        MainWindow window;
        QCOMPARE(
            fontDescription(MainWindowProbe::watermarkFont(window)),
            fontDescription(fontFromDescription(QStringLiteral("Cambria,18,-1,5,50,0,0,0,0,0"))));
        QCOMPARE(MainWindowProbe::ui(window)->x_spin->value(), 0);
        QCOMPARE(MainWindowProbe::logoFileName(window), QString());
        QCOMPARE(MainWindowProbe::ui(window)->txt_x_spin->value(), 33);
    }
    const QByteArray written = fileBytes(storeFile);
    QVERIFY(written.contains("txt_x_spin=33"));
    QVERIFY(!written.contains(QByteArray(key.toLatin1()) + "=@Variant("));
}

// A named pipe stored as the logo: the window starts, without a logo.
void TstHostile::pipeStoredAsTheLogo()
{
    const IsolatedSettings store;
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("logo.png"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    {
        std::unique_ptr<QSettings> settings(openSettingsStore());
        settings->setValue(QStringLiteral("logo_file_name"), pipe);
    }
    const Watchdog watchdog("start with a pipe as the logo", WatchdogSeconds);
    MainWindow window;
    QCOMPARE(MainWindowProbe::logoFileName(window), pipe);
    QVERIFY(MainWindowProbe::logoImage(window).isNull());
    QVERIFY(MainWindowProbe::ui(window)->logo_label->pixmap(Qt::ReturnByValue).isNull());
}

// A named pipe dropped last becomes the current entry, whose picture the preview reads: nothing
// is shown, and the window goes on.
void TstHostile::pipeSelectedInTheList()
{
    const IsolatedSettings store;
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("z.jpg"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    MainWindow window;
    Ui::MainWindow *ui = MainWindowProbe::ui(window);
    ui->files_list->addItem(pipe);
    const Watchdog watchdog("selecting a pipe", WatchdogSeconds);
    ui->files_list->setCurrentRow(0);
    QVERIFY(MainWindowProbe::previewImage(window).isNull());
    QVERIFY(MainWindowProbe::stampedImage(window).isNull());
}

QTEST_MAIN(TstHostile)
#include "tst_hostile.moc"
