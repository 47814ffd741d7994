// The batch's file work without a window: output names, the safe writer, the picture types of a
// drop, the log texts, reading ahead and the reuse of picture memory.
#include "batch/batchtexts.h"
#include "batch/outputnaming.h"
#include "batch/picturesaver.h"
#include "batch/picturetypes.h"
#include "batch/pixelmemory.h"
#include "batch/prefetcher.h"
#include "stamp/imageload.h"

#include <QColorSpace>
#include <QImageWriter>
#include <QtTest>

namespace {

// A clock that gives these times one after the other, then the last one again.
std::function<QDateTime()> clockOf(const QList<QDateTime> &times)
{
    auto next = std::make_shared<int>(0);
    return [times, next] { return times.at(qMin((*next)++, times.size() - 1)); };
}

const QDateTime firstTime(QDate(2024, 1, 2), QTime(3, 4, 5, 6));
const QDateTime secondTime(QDate(2024, 12, 31), QTime(23, 59, 59, 999));

QImage filledPicture(const QSize &size, QRgb color, QImage::Format format = QImage::Format_RGB32)
{
    QImage picture(size, format);
    picture.fill(color);
    return picture;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every name in a folder, hidden ones included.
QStringList namesIn(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool samePixels(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TstBatchFiles : public QObject
{
    Q_OBJECT

private slots:
    void freeOutputPath_data();
    void freeOutputPath();
    void texts_data();
    void texts();
    void droppedPictures_data();
    void droppedPictures();
    void savesUnderThePlainName();
    void neverReplacesAFile_data();
    void neverReplacesAFile();
    void failedWriteLeavesNothing_data();
    void failedWriteLeavesNothing();
    void colourSpaceIsStored_data();
    void colourSpaceIsStored();
    void loadedWorkingCopy_data();
    void loadedWorkingCopy();
    void memoryIsReusedWithoutStaleData();
    void readAheadIsUsedWhileUnchanged();
    void changedEntryIsReadAgain_data();
    void changedEntryIsReadAgain();
    void undecodableFileGivesTheReason();
};

void TstBatchFiles::freeOutputPath_data()
{
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("expected");

    QTest::newRow("free") << "holiday"
                          << "jpg" << QStringList() << "holiday.jpg";
    QTest::newRow("taken once") << "holiday"
                                << "jpg" << QStringList {"holiday.jpg"}
                                << "holiday_20240102030405006.jpg";
    QTest::newRow("grows by one stamp per attempt")
        << "holiday"
        << "png" << QStringList {"holiday.png", "holiday_20240102030405006.png"}
        << "holiday_20240102030405006_20241231235959999.png";
    QTest::newRow("complete base name")
        << "holiday.2020"
        << "tif" << QStringList {"holiday.2020.tif"} << "holiday.2020_20240102030405006.tif";
    QTest::newRow("other extension is no collision")
        << "holiday"
        << "png" << QStringList {"holiday.jpg"} << "holiday.png";
}

void TstBatchFiles::freeOutputPath()
{
    QFETCH(QString, baseName);
    QFETCH(QString, format);
    QFETCH(QStringList, taken);
    QFETCH(QString, expected);

    const QString dir = QStringLiteral("/out");
    const auto isTaken = [&](const QString &path) {
        return path.startsWith(dir + '/') && taken.contains(path.mid(dir.size() + 1));
    };
    QCOMPARE(::freeOutputPath(dir, baseName, format, clockOf({firstTime, secondTime}), isTaken),
             dir + '/' + expected);
}

void TstBatchFiles::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("drop label") << dropProgressLabel(3)
                                << "Please wait while your files are added. (3 files)";
    QTest::newRow("written") << writtenLine("holiday.2020", "png", 3, 5)
                             << "holiday.2020.png ... OK! (3 of 5)";
    QTest::newRow("written, placeholders in the name")
        << writtenLine("Paris%2C France %3", "png", 1, 4)
        << "Paris%2C France %3.png ... OK! (1 of 4)";
    QTest::newRow("renamed")
        << renamedWarningLine("/out", "holiday", "png", "holiday.2020_20240102030405006")
        << "<b><font color=\"#ffc90e\">Warning</font></b> - File /out/holiday.png saved with "
           "new name /out/holiday.2020_20240102030405006 to avoid overwrite because it already "
           "existed!";
    QTest::newRow("renamed, markup in the names")
        << renamedWarningLine("/out", "Tom & <Jerry>", "png", "Tom & <Jerry>_1")
        << "<b><font color=\"#ffc90e\">Warning</font></b> - File /out/Tom &amp; "
           "&lt;Jerry&gt;.png saved with new name /out/Tom &amp; &lt;Jerry&gt;_1 to avoid "
           "overwrite because it already existed!";
    QTest::newRow("unreadable") << unreadableLine("/in/bad.jpg", "Unsupported image format")
                                << "Cannot read /in/bad.jpg: Unsupported image format";
    QTest::newRow("unwritable") << unwritableLine("holiday.jpg", "/out", "No space left on device")
                                << "Cannot write holiday.jpg to /out: No space left on device";
    QTest::newRow("written, line breaks in the name")
        << writtenLine("a\nStamping Completed!\r\nb", "png", 1, 2)
        << "a\\nStamping Completed!\\r\\nb.png ... OK! (1 of 2)";
    QTest::newRow("unreadable, tab and escape in the path")
        << unreadableLine("/in/a\tb\x1b[31m.jpg", "Unsupported image format")
        << "Cannot read /in/a\\tb\\x1b[31m.jpg: Unsupported image format";
    QTest::newRow("unwritable, separators in the names")
        << unwritableLine(QString::fromUtf16(u"a\u2028b\u2029c\u0085.jpg"), "/o\nut", "Full")
        << "Cannot write a\\u2028b\\u2029c\\x85.jpg to /o\\nut: Full";
    QTest::newRow("renamed, line break and markup in the names")
        << renamedWarningLine("/out", "a\n<b>", "png", "a\n<b>_1")
        << "<b><font color=\"#ffc90e\">Warning</font></b> - File /out/a\\n&lt;b&gt;.png saved "
           "with new name /out/a\\n&lt;b&gt;_1 to avoid overwrite because it already existed!";
}

void TstBatchFiles::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void TstBatchFiles::droppedPictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("taken");

    for (const char *suffix : {"bmp", "dib", "jpeg", "jpg", "jp2", "png", "webp", "pgm", "pbm",
                               "ppm", "sr", "ras", "tiff", "tif"})
        QTest::newRow(suffix) << QStringLiteral("/in/a.") + suffix << true;
    QTest::newRow("upper case") << "/in/PHOTO.JPG" << true;
    QTest::newRow("mixed case") << "/in/scan.TiF" << true;
    QTest::newRow("blank after the suffix") << "/in/a.png " << true;
    QTest::newRow("last suffix counts") << "/in/a.png.txt" << false;
    QTest::newRow("dotted name") << "/in/holiday.2020.jpg" << true;
    for (const char *suffix : {"gif", "xbm", "xpm", "txt"})
        QTest::newRow(suffix) << QStringLiteral("/in/a.") + suffix << false;
    QTest::newRow("no suffix") << "/in/jpg" << false;
}

void TstBatchFiles::droppedPictures()
{
    QFETCH(QString, path);
    QFETCH(bool, taken);
    QCOMPARE(isDroppedPicture(path), taken);
    QCOMPARE(droppedFolderPatterns(),
             QStringList({"*.bmp", "*.dib", "*.jpeg", "*.jpg", "*.jp2", "*.png", "*.webp", "*.pgm",
                          "*.pbm", "*.ppm", "*.sr", "*.ras", "*.tiff", "*.tif"}));
}

void TstBatchFiles::savesUnderThePlainName()
{
    QTemporaryDir dir;
    const QImage picture = filledPicture(QSize(30, 20), qRgb(10, 200, 30));
    QImageWriter writer;
    writer.setFormat("png");
    const SavedPicture saved = savePicture(picture, writer, dir.path(), "holiday.2020", "png",
                                           clockOf({firstTime}), &isOccupied);
    QCOMPARE(saved.path, dir.filePath("holiday.2020.png"));
    QVERIFY(saved.error.isEmpty());
    QVERIFY(samePixels(QImage(saved.path), picture));
    QCOMPARE(namesIn(dir.path()), QStringList {"holiday.2020.png"});

    // The permissions of any file the program creates, not those of a temporary file.
    QFile plain(dir.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    QCOMPARE(QFileInfo(saved.path).permissions(), plain.permissions());
}

void TstBatchFiles::neverReplacesAFile_data()
{
    QTest::addColumn<bool>("takenAfterTheCheck");
    QTest::addColumn<bool>("danglingLink");

    QTest::newRow("taken before") << false << false;
    QTest::newRow("taken between the check and the move") << true << false;
    QTest::newRow("dangling link") << false << true;
}

void TstBatchFiles::neverReplacesAFile()
{
    QFETCH(bool, takenAfterTheCheck);
    QFETCH(bool, danglingLink);

    QTemporaryDir dir;
    const QString plainPath = dir.filePath("holiday.png");
    const QString linkTarget = dir.filePath("elsewhere.png");
    if (danglingLink)
        QVERIFY(QFile::link(linkTarget, plainPath));
    else
        writeFile(plainPath, "existing bytes");
    // A check that finds the name free stands for a file made right after the check.
    const auto isTaken
        = [&](const QString &path) { return takenAfterTheCheck ? false : isOccupied(path); };

    const QImage picture = filledPicture(QSize(8, 8), qRgb(1, 2, 3));
    QImageWriter writer;
    writer.setFormat("png");
    const SavedPicture saved
        = savePicture(picture, writer, dir.path(), "holiday", "png", clockOf({firstTime}), isTaken);

    QCOMPARE(saved.path, dir.filePath("holiday_20240102030405006.png"));
    QVERIFY(samePixels(QImage(saved.path), picture));
    if (danglingLink) {
        QCOMPARE(QFileInfo(plainPath).symLinkTarget(), linkTarget);
        QVERIFY(!QFileInfo::exists(linkTarget));
    } else {
        QCOMPARE(fileBytes(plainPath), QByteArray("existing bytes"));
    }
    QCOMPARE(namesIn(dir.path()).size(), 2);
}

void TstBatchFiles::failedWriteLeavesNothing_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("folderExists");
    QTest::addColumn<QString>("error");

    const QImage small = filledPicture(QSize(8, 8), qRgb(1, 2, 3));
    QTest::newRow("folder gone") << small << QByteArray("png") << false
                                 << "Cannot write holiday.png to %1: No such file or directory";
    QTest::newRow("no picture") << QImage() << QByteArray("png") << true
                                << "Cannot write holiday.png to %1: Image is empty";
    // Wider than JPEG allows: the encoder fails after the header has been written, and gives its
    // reason only as a warning.
    QTest::newRow("encoder fails")
        << filledPicture(QSize(65501, 1), qRgb(1, 2, 3)) << QByteArray("jpg") << true
        << "Cannot write holiday.jpg to %1: Maximum supported image dimension is 65500 pixels";
}

void TstBatchFiles::failedWriteLeavesNothing()
{
    QFETCH(QImage, picture);
    QFETCH(QByteArray, format);
    QFETCH(bool, folderExists);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString folder = folderExists ? dir.path() : dir.filePath("gone");
    if (format == "jpg")
        QTest::ignoreMessage(QtWarningMsg, "Maximum supported image dimension is 65500 pixels");
    QImageWriter writer;
    writer.setFormat(format);
    const SavedPicture saved
        = savePicture(picture, writer, folder, "holiday", QString::fromLatin1(format),
                      clockOf({firstTime}), &isOccupied);
    QVERIFY(saved.path.isEmpty());
    QCOMPARE(saved.error, error.arg(folder));
    QCOMPARE(namesIn(dir.path()), QStringList());
}

void TstBatchFiles::colourSpaceIsStored_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("jpg") << "jpg";
    QTest::newRow("png") << "png";
    QTest::newRow("tif") << "tif";
}

void TstBatchFiles::colourSpaceIsStored()
{
    QFETCH(QString, format);
    QTemporaryDir dir;
    QImage picture = filledPicture(QSize(16, 16), qRgb(200, 30, 40), QImage::Format_ARGB32);
    picture.setColorSpace(QColorSpace::DisplayP3);
    QImageWriter writer;
    writer.setFormat(format.toLatin1());
    const SavedPicture saved = savePicture(picture, writer, dir.path(), "wide", format,
                                           clockOf({firstTime}), &isOccupied);
    QCOMPARE(QImage(saved.path).colorSpace(), QColorSpace(QColorSpace::DisplayP3));
}

void TstBatchFiles::loadedWorkingCopy_data()
{
    QTest::addColumn<QImage>("stored");
    QTest::addColumn<QByteArray>("format");

    QImage opaque = filledPicture(QSize(40, 30), qRgb(20, 40, 60));
    opaque.setPixel(3, 4, qRgb(250, 0, 0));
    QTest::newRow("opaque png") << opaque << QByteArray("png");
    QTest::newRow("opaque jpeg") << opaque << QByteArray("jpg");
    QImage wide = opaque;
    wide.setColorSpace(QColorSpace::DisplayP3);
    wide.setText("Description", "from the camera");
    wide.setDotsPerMeterX(20000);
    QTest::newRow("colour space, text and resolution") << wide << QByteArray("png");
    QImage transparent
        = filledPicture(QSize(40, 30), qRgba(20, 40, 60, 100), QImage::Format_ARGB32);
    QTest::newRow("transparent") << transparent << QByteArray("png");
    QTest::newRow("grey") << opaque.convertToFormat(QImage::Format_Grayscale8) << QByteArray("png");
}

// The working copy made while reading ahead equals the one the preview makes, metadata included.
void TstBatchFiles::loadedWorkingCopy()
{
    QFETCH(QImage, stored);
    QFETCH(QByteArray, format);
    QTemporaryDir dir;
    const QString path = dir.filePath("picture." + format);
    QVERIFY(stored.save(path, format));

    const QImage expected = workingCopy(readPicture(path));
    const auto memory = std::make_shared<PictureMemory>();
    const QImage loaded = loadPicture(path, *memory).workingCopy;
    QCOMPARE(loaded.format(), QImage::Format_ARGB32);
    QCOMPARE(loaded, expected);
    QCOMPARE(loaded.colorSpace(), expected.colorSpace());
    QCOMPARE(loaded.dotsPerMeterX(), QImage(1, 1, QImage::Format_ARGB32).dotsPerMeterX());
    QCOMPARE(loaded.dotsPerMeterY(), QImage(1, 1, QImage::Format_ARGB32).dotsPerMeterY());
    QVERIFY(loaded.textKeys().isEmpty());
}

// The second picture is decoded into the memory of the first, and nothing of the first remains.
void TstBatchFiles::memoryIsReusedWithoutStaleData()
{
    QTemporaryDir dir;
    QImage first = filledPicture(QSize(64, 48), qRgb(250, 10, 10));
    first.setColorSpace(QColorSpace::DisplayP3);
    first.setText("Description", "first");
    QVERIFY(first.save(dir.filePath("first.png")));
    const QImage second = filledPicture(QSize(64, 48), qRgb(10, 10, 250));
    QVERIFY(second.save(dir.filePath("second.png")));

    const auto memory = std::make_shared<PictureMemory>();
    const uchar *firstPixels = nullptr;
    {
        const QImage loaded = loadPicture(dir.filePath("first.png"), *memory).workingCopy;
        firstPixels = loaded.constBits();
    }
    const QImage loaded = loadPicture(dir.filePath("second.png"), *memory).workingCopy;
    QCOMPARE(loaded.constBits(), firstPixels);
    QCOMPARE(loaded, workingCopy(second));
    QCOMPARE(loaded.colorSpace(), readPicture(dir.filePath("second.png")).colorSpace());
    QVERIFY(loaded.textKeys().isEmpty());
}

void TstBatchFiles::readAheadIsUsedWhileUnchanged()
{
    QTemporaryDir dir;
    const QImage picture = filledPicture(QSize(32, 24), qRgb(0, 128, 255));
    QVERIFY(picture.save(dir.filePath("a.png")));

    PicturePrefetcher prefetcher;
    prefetcher.start(dir.filePath("a.png"));
    const LoadedPicture loaded = prefetcher.take(dir.filePath("a.png"));
    QVERIFY(loaded.error.isEmpty());
    QCOMPARE(loaded.workingCopy, workingCopy(picture));
}

void TstBatchFiles::changedEntryIsReadAgain_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("rewritten, other size") << "size";
    QTest::newRow("rewritten, same size, later time") << "time";
    QTest::newRow("rewritten, same size, time put back") << "restored";
    QTest::newRow("entry names another file") << "path";
    QTest::newRow("removed and written again") << "recreated";
}

void TstBatchFiles::changedEntryIsReadAgain()
{
    QFETCH(QString, change);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.bmp");
    QVERIFY(filledPicture(QSize(32, 24), qRgb(255, 0, 0)).save(path));
    const QDateTime written = QFileInfo(path).lastModified();

    PicturePrefetcher prefetcher;
    prefetcher.start(path);
    // Time for the read ahead to finish before the change, as it does in a run.
    QThread::msleep(300);
    QImage now = filledPicture(change == "size" ? QSize(16, 24) : QSize(32, 24), qRgb(0, 255, 0));
    QString taken = path;
    if (change == "path") {
        taken = dir.filePath("b.bmp");
        QVERIFY(now.save(taken));
    } else {
        if (change == "recreated")
            QVERIFY(QFile::remove(path));
        QVERIFY(now.save(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime stamped = change == "restored" ? written : written.addSecs(2);
        QVERIFY(file.setFileTime(stamped, QFileDevice::FileModificationTime));
    }
    const LoadedPicture loaded = prefetcher.take(taken);
    QCOMPARE(loaded.workingCopy, workingCopy(now));
}

void TstBatchFiles::undecodableFileGivesTheReason()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.jpg");
    writeFile(path, "no picture in here");
    QString reason;
    QVERIFY(readPicture(path, &reason).isNull());

    PicturePrefetcher prefetcher;
    prefetcher.start(path);
    const LoadedPicture loaded = prefetcher.take(path);
    QVERIFY(loaded.workingCopy.isNull());
    QVERIFY(!reason.isEmpty());
    QCOMPARE(loaded.error, reason);
}

QTEST_GUILESS_MAIN(TstBatchFiles)
#include "tst_batchfiles.moc"
