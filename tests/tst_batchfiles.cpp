// The batch's file work without a window: output names, the safe writer, the picture types and the
// walk of a drop, the log texts, the working copy a picture is read into and the run driver.
#include "engine/batch/outcometexts.h"
#include "engine/batch/outputnaming.h"
#include "engine/batch/pictureencoder.h"
#include "engine/batch/picturesaver.h"
#include "engine/batch/picturetypes.h"
#include "engine/batch/picturewalk.h"
#include "engine/batch/stamprun.h"
#include "engine/read/imageload.h"
#include "support/hostilefiles.h"
#include "support/testfiles.h"
#include "window/windowtexts.h"

#include <QColorSpace>
#include <QImageWriter>
#include <QPainter>
#include <QtTest>

#include <sys/stat.h>

#include <mutex>
#include <thread>

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

bool samePixels(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

// `picture` encoded with `encoder` and saved as the job does; an encoder's failure is the
// picture's error.
SavedPicture encodeAndSave(const QImage &picture, const PictureEncoder &encoder, const QString &dir,
                           const QString &baseName, const QString &format,
                           const std::function<QDateTime()> &now,
                           const std::function<bool(const QString &)> &isTaken)
{
    SavedPicture saved;
    const QByteArray bytes = encoder.encode(picture, &saved.error);
    if (bytes.isEmpty())
        return saved;
    return savePicture(bytes, dir, baseName, format, now, isTaken);
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
    void naturalOrder_data();
    void naturalOrder();
    void walkOfADrop();
    void walkTellsWhatItLeavesOut();
    void savesUnderThePlainName();
    void neverReplacesAFile_data();
    void neverReplacesAFile();
    void failedWriteLeavesNothing_data();
    void failedWriteLeavesNothing();
    void savedAsTheToolkitWritesIt_data();
    void savedAsTheToolkitWritesIt();
    void loadedWorkingCopy_data();
    void loadedWorkingCopy();
    void undecodableFileGivesTheReason();
    void decodedNoLargerThanDrawn_data();
    void decodedNoLargerThanDrawn();
    void alphaOnlyWhereAPixelIsTranslucent_data();
    void alphaOnlyWhereAPixelIsTranslucent();
    void runHandsBackInListOrder();
    void waiterLendsItsPlaceUntilItsTurn_data();
    void waiterLendsItsPlaceUntilItsTurn();
    void stoppedRunLeavesWholeFilesOnly();
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
    const QString stamp = QStringLiteral("_20240102030405006");
    QTest::newRow("longest name that fits")
        << QString(251, 'a') << "jpg" << QStringList() << QString(251, 'a') + ".jpg";
    QTest::newRow("too long: shortened to 255 bytes")
        << QString(260, 'a') << "jpg" << QStringList() << QString(251, 'a') + ".jpg";
    QTest::newRow("taken long name: shortened for the stamp")
        << QString(240, 'a') << "jpg" << QStringList {QString(240, 'a') + ".jpg"}
        << QString(233, 'a') + stamp + ".jpg";
    QTest::newRow("two-byte letters: whole letters")
        << QString(130, QChar(0xe9)) << "jpg" << QStringList()
        << QString(125, QChar(0xe9)) + ".jpg";
    const QString accented = QString::fromUtf16(u"e\u0301");
    QTest::newRow("letters with accents: the accent stays with its letter")
        << accented.repeated(90) << "png" << QStringList() << accented.repeated(83) + ".png";
    const QString emoji = QString::fromUtf16(u"\U0001F600");
    QTest::newRow("four-byte characters: never halved")
        << emoji.repeated(70) << "tif" << QStringList {emoji.repeated(62) + ".tif"}
        << emoji.repeated(58) + stamp + ".tif";
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
        << warningHtml(renamedLine("/out", "holiday", "png", "holiday.2020_20240102030405006"))
        << "<b><font color=\"#ffc90e\">Warning</font></b> - File /out/holiday.png saved with "
           "new name /out/holiday.2020_20240102030405006 to avoid overwrite because it already "
           "existed!";
    QTest::newRow("renamed, markup in the names")
        << warningHtml(renamedLine("/out", "Tom & <Jerry>", "png", "Tom & <Jerry>_1"))
        << "<b><font color=\"#ffc90e\">Warning</font></b> - File /out/Tom &amp; "
           "&lt;Jerry&gt;.png saved with new name /out/Tom &amp; &lt;Jerry&gt;_1 to avoid "
           "overwrite because it already existed!";
    QTest::newRow("shortened")
        << warningHtml(shortenedLine("/out", "long & long.png", "long.png"))
        << "<b><font color=\"#ffc90e\">Warning</font></b> - File /out/long &amp; long.png saved "
           "with shortened name /out/long.png because its name is too long for the file system!";
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
    QTest::newRow("all written") << notWrittenText(0, 0, 12) << QString();
    QTest::newRow("two not written")
        << notWrittenText(2, 0, 12)
        << "2 of 12 pictures were not written. The Results tab lists them.";
    QTest::newRow("one not written")
        << notWrittenText(1, 0, 12)
        << "1 of 12 pictures was not written. The Results tab lists it.";
    QTest::newRow("one gone") << notWrittenText(0, 1, 3)
                              << "1 of 3 pictures was not written: its file no longer existed.";
    QTest::newRow("two gone") << notWrittenText(0, 2, 3)
                              << "2 of 3 pictures were not written: their files no longer "
                                 "existed.";
    QTest::newRow("not written and gone")
        << notWrittenText(2, 1, 12)
        << "3 of 12 pictures were not written. The Results tab lists those that could not be "
           "read or written; 1 no longer existed.";
    QTest::newRow("renamed, line break and markup in the names")
        << warningHtml(renamedLine("/out", "a\n<b>", "png", "a\n<b>_1"))
        << "<b><font color=\"#ffc90e\">Warning</font></b> - File /out/a\\n&lt;b&gt;.png saved "
           "with new name /out/a\\n&lt;b&gt;_1 to avoid overwrite because it already existed!";
    QTest::newRow("text past the edge")
        << pastEdgeLine({StampPastEdge::Text, QRect(-10, 1000, 2400, 90)}, "beach.jpg",
                        QSize(1600, 1067))
        << QString::fromUtf8("the text runs past the edge of beach.jpg (its box 2400 × 90 on a "
                             "1600 × 1067 picture)");
    QTest::newRow("logo past the edge, markup and a line break in the name")
        << warningHtml(pastEdgeLine({StampPastEdge::Logo, QRect(390, 5, 20, 30)}, "a\n<b>%2.png",
                                    QSize(400, 250)))
        << QString::fromUtf8("<b><font color=\"#ffc90e\">Warning</font></b> - the logo runs past "
                             "the edge of a\\n&lt;b&gt;%2.png (its box 20 × 30 on a 400 × 250 "
                             "picture)");
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
                               "ppm", "sr", "ras", "tiff", "tif", "heic", "heif", "avif", "jxl"})
        QTest::newRow(suffix) << QStringLiteral("/in/a.") + suffix << true;
    QTest::newRow("upper case") << "/in/PHOTO.JPG" << true;
    QTest::newRow("phone's upper case") << "/in/IMG_0001.HEIC" << true;
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
                          "*.pbm", "*.ppm", "*.sr", "*.ras", "*.tiff", "*.tif", "*.heic", "*.heif",
                          "*.avif", "*.jxl"}));
}

void TstBatchFiles::naturalOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("numbers by value")
        << QStringList {"p12.png", "p11.png", "p17.png", "p2.png", "p1.png"}
        << QStringList {"p1.png", "p2.png", "p11.png", "p12.png", "p17.png"};
    QTest::newRow("case ignored") << QStringList {"b.png", "C.png", "a.png", "B2.png"}
                                  << QStringList {"a.png", "b.png", "B2.png", "C.png"};
    QTest::newRow("several numbers")
        << QStringList {"img 10-2.jpg", "img 2-10.jpg", "img 2-9.jpg", "img 10-1.jpg"}
        << QStringList {"img 2-9.jpg", "img 2-10.jpg", "img 10-1.jpg", "img 10-2.jpg"};
    QTest::newRow("leading zeros count as the value")
        << QStringList {"p010.png", "p9.png", "p0011.png"}
        << QStringList {"p9.png", "p010.png", "p0011.png"};
    QTest::newRow("prefix first") << QStringList {"photo10.png", "photo.png", "photo1.png"}
                                  << QStringList {"photo.png", "photo1.png", "photo10.png"};
    QTest::newRow("same but for case, fixed order")
        << QStringList {"a.png", "A.png"} << QStringList {"A.png", "a.png"};
    QTest::newRow("numbers longer than any integer")
        << QStringList {"x123456789012345678901234567890", "x99999999999999999999"}
        << QStringList {"x99999999999999999999", "x123456789012345678901234567890"};
}

void TstBatchFiles::naturalOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    std::sort(names.begin(), names.end(), naturallyBefore);
    QCOMPARE(names, expected);
    std::reverse(names.begin(), names.end());
    std::sort(names.begin(), names.end(), naturallyBefore);
    QCOMPARE(names, expected);
}

// Files of a folder in natural order, then its subfolders, depth first; only regular files with a
// picture suffix, found without following links to folders.
void TstBatchFiles::walkOfADrop()
{
    QTemporaryDir dir;
    const QString root = dir.filePath("drop");
    const QStringList folders
        = {"", "/sub10", "/sub2", "/sub2/deep", "/.hidden", "/elsewhere", "/texts"};
    for (const QString &folder : folders)
        QVERIFY(QDir().mkpath(root + folder));
    const QStringList files
        = {"/p10.png",     "/p2.JPG",      "/P3.tif",          "/notes.txt",     "/.h.png",
           "/sub10/a.png", "/sub2/b1.png", "/sub2/deep/c.png", "/.hidden/d.png", "/elsewhere/e.png",
           "/texts/a.txt", "/texts/b.txt", "/texts/c.txt"};
    for (const QString &file : files)
        writeFile(root + file, QByteArray());
    QVERIFY(QFile::link(root + "/elsewhere", root + "/sub2/link-to-folder"));
    QVERIFY(QFile::link(root + "/elsewhere", root + "/linked.png"));
    QVERIFY(QFile::link(root + "/p2.JPG", root + "/p4.png"));
    QCOMPARE(mkfifo(qPrintable(root + "/pipe.png"), 0600), 0);
    QVERIFY(QFile::link(root + "/pipe.png", root + "/z.jpg"));
    const QString loosePipe = dir.filePath("loose.png");
    QCOMPARE(mkfifo(qPrintable(loosePipe), 0600), 0);
    const QString looseFile = dir.filePath("loose.jpg");
    writeFile(looseFile, QByteArray());

    QStringList expected;
    for (const char *file : {"/p2.JPG", "/P3.tif", "/p4.png", "/p10.png", "/elsewhere/e.png",
                             "/sub2/b1.png", "/sub2/deep/c.png", "/sub10/a.png"})
        expected << root + QLatin1String(file);
    QCOMPARE(picturesInDrop({root}), expected);
    QCOMPARE(picturesInDrop({loosePipe, looseFile, root + "/notes.txt", root + "/missing.png"}),
             QStringList {looseFile});

    QStringList firstThree;
    walkDrop({root, looseFile}, [&firstThree](const QString &picture) {
        firstThree << picture;
        return firstThree.size() < 3;
    });
    QCOMPARE(firstThree, expected.mid(0, 3));

    // Asked after every entry read, a picture or not, so that a folder without pictures can be
    // left too; no means no more pictures.
    int asked = 0;
    QStringList taken;
    const auto take = [&taken](const QString &picture) {
        taken << picture;
        return true;
    };
    walkDrop({root + "/texts"}, take, [&asked] { return ++asked > 0; });
    QCOMPARE(asked, 3);
    walkDrop({root}, take, [&asked] { return --asked > 0; });
    QCOMPARE(asked, 0);
    QVERIFY(taken.isEmpty());
}

// A folder that cannot be read, and a picture or folder whose name is not valid UTF-8, are told
// once each, naming the folder and what was left out; the rest of the walk goes on. Other names
// that are not valid UTF-8 are no pictures, and go without a word.
void TstBatchFiles::walkTellsWhatItLeavesOut()
{
    QTemporaryDir dir;
    const QString root = dir.filePath("drop");
    for (const char *folder : {"/a", "/locked", "/z"})
        QVERIFY(QDir().mkpath(root + folder));
    writeFile(root + "/a/first.png", QByteArray());
    writeFile(root + "/z/last.png", QByteArray());
    const QByteArray rawRoot = QFile::encodeName(root);
    writeRawNamedFile(rawRoot + "/caf\xe9.png", QByteArray());
    writeRawNamedFile(rawRoot + "/notes\xff.txt", QByteArray());
    QCOMPARE(::mkdir(rawRoot + "/d\xc3\xa9j\xe0", 0755), 0);
    QCOMPARE(::mkdir(rawRoot + "/bad\xc0\xaf", 0755), 0);
    writeRawNamedFile(rawRoot + "/bad\xc0\xaf/inside.png", QByteArray());
    QCOMPARE(::chmod(QFile::encodeName(root + "/locked").constData(), 0), 0);
    const auto unlock
        = qScopeGuard([&] { ::chmod(QFile::encodeName(root + "/locked").constData(), 0755); });

    QVector<LeftOut> leftOut;
    QStringList pictures;
    {
        const PermissionsBind bind;
        pictures = picturesInDrop({root}, &leftOut);
    }
    QCOMPARE(pictures, QStringList({root + "/a/first.png", root + "/z/last.png"}));
    QStringList told;
    for (const LeftOut &left : leftOut)
        told << leftOutLine(left);
    const QString notUtf8 = QStringLiteral(": its name is not valid UTF-8");
    QCOMPARE(told,
             QStringList({"Left out " + root + "/bad\\xc0\\xaf" + notUtf8,
                          "Left out " + root + "/caf\\xe9.png" + notUtf8,
                          "Left out " + root + QString::fromUtf8("/d\u00e9j\\xe0") + notUtf8,
                          "Left out the folder " + root + "/locked: Permission denied"}));
}

void TstBatchFiles::savesUnderThePlainName()
{
    QTemporaryDir dir;
    const QImage picture = filledPicture(QSize(30, 20), qRgb(10, 200, 30));
    const QByteArray bytes = PictureEncoder("png").encode(picture, nullptr);
    const SavedPicture saved
        = savePicture(bytes, dir.path(), "holiday.2020", "png", clockOf({firstTime}), &isOccupied);
    QCOMPARE(saved.path, dir.filePath("holiday.2020.png"));
    QVERIFY(saved.error.isEmpty());
    QCOMPARE(fileBytes(saved.path), bytes);
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
    QTest::addColumn<bool>("withoutUnnamedFiles");

    QTest::newRow("taken before") << false << false << false;
    QTest::newRow("taken between the check and the move") << true << false << false;
    QTest::newRow("dangling link") << false << true << false;
    QTest::newRow("taken between the check and the move, no unnamed files")
        << true << false << true;
    QTest::newRow("dangling link, no unnamed files") << false << true << true;
}

namespace {

// A folder seen through bindfs, a file system (FUSE) that has no files without a name, as NFS;
// unmounted when it goes.
struct BindfsView
{
    explicit BindfsView(const QString &folder, const QString &view)
        : view(view)
    {
        QDir().mkpath(view);
        mounted = QProcess::execute(QStringLiteral("bindfs"), {folder, view}) == 0;
    }
    ~BindfsView()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("fusermount"), {QStringLiteral("-u"), view});
    }

    QString view;
    bool mounted = false;
};

} // namespace

void TstBatchFiles::neverReplacesAFile()
{
    QFETCH(bool, takenAfterTheCheck);
    QFETCH(bool, danglingLink);
    QFETCH(bool, withoutUnnamedFiles);

    QTemporaryDir real;
    QTemporaryDir views;
    std::unique_ptr<BindfsView> bindfs;
    if (withoutUnnamedFiles) {
        bindfs = std::make_unique<BindfsView>(real.path(), views.filePath("view"));
        if (!bindfs->mounted)
            QSKIP("bindfs cannot mount a folder here");
    }
    const QDir dir(bindfs ? bindfs->view : real.path());
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
    const SavedPicture saved = encodeAndSave(picture, PictureEncoder("png"), dir.path(), "holiday",
                                             "png", clockOf({firstTime}), isTaken);

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
    const QString name = QString::fromLatin1(format);
    const SavedPicture saved = encodeAndSave(picture, PictureEncoder(format), folder, "holiday",
                                             name, clockOf({firstTime}), &isOccupied);
    QVERIFY(saved.path.isEmpty());
    QCOMPARE(unwritableLine("holiday." + name, folder, saved.error), error.arg(folder));
    QCOMPARE(namesIn(dir.path()), QStringList());
}

void TstBatchFiles::savedAsTheToolkitWritesIt_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("writerQuality");
    QTest::newRow("jpg") << "jpg" << -1 << -1;
    QTest::newRow("jpg at 37") << "jpg" << 37 << 37;
    QTest::newRow("png, compressed fast") << "png" << -1 << 70;
    QTest::newRow("png at 0") << "png" << 0 << 0;
    QTest::newRow("tif") << "tif" << -1 << -1;
}

// The bytes the toolkit's writer makes at the quality the encoder gives it, with the colour space;
// a format without transparency gets the picture over white.
void TstBatchFiles::savedAsTheToolkitWritesIt()
{
    QFETCH(QString, format);
    QFETCH(int, quality);
    QFETCH(int, writerQuality);
    QTemporaryDir dir;
    QImage picture(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgba(x * 6, y * 8, (x * y) % 256, 255 - x - y));
    }
    picture.setColorSpace(QColorSpace::DisplayP3);
    const SavedPicture saved
        = encodeAndSave(picture, PictureEncoder(format.toLatin1(), quality), dir.path(), "wide",
                        format, clockOf({firstTime}), &isOccupied);
    QBuffer expected;
    expected.open(QIODevice::WriteOnly);
    QImageWriter writer(&expected, format.toLatin1());
    writer.setQuality(writerQuality);
    QVERIFY(writer.write(format == "jpg" ? overWhite(picture) : picture));
    QVERIFY(fileBytes(saved.path) == expected.data());
    QCOMPARE(QImage(saved.path).colorSpace(), QColorSpace(QColorSpace::DisplayP3));
}

void TstBatchFiles::loadedWorkingCopy_data()
{
    QTest::addColumn<QImage>("stored");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("opaque");

    QImage opaque = filledPicture(QSize(40, 30), qRgb(20, 40, 60));
    opaque.setPixel(3, 4, qRgb(250, 0, 0));
    QTest::newRow("opaque png") << opaque << QByteArray("png") << true;
    QTest::newRow("opaque jpeg") << opaque << QByteArray("jpg") << true;
    QImage wide = opaque;
    wide.setColorSpace(QColorSpace::DisplayP3);
    wide.setText("Description", "from the camera");
    wide.setDotsPerMeterX(20000);
    QTest::newRow("colour space, text and resolution") << wide << QByteArray("png") << true;
    QImage transparent
        = filledPicture(QSize(40, 30), qRgba(20, 40, 60, 100), QImage::Format_ARGB32);
    QTest::newRow("transparent") << transparent << QByteArray("png") << false;
    QTest::newRow("grey") << opaque.convertToFormat(QImage::Format_Grayscale8) << QByteArray("png")
                          << true;
}

// The working copy is 32-bit ARGB with the decoded pixels and colour space, at the fixed stamping
// resolution and without the file's text keys; it says whether the decoder found it opaque.
void TstBatchFiles::loadedWorkingCopy()
{
    QFETCH(QImage, stored);
    QFETCH(QByteArray, format);
    QFETCH(bool, opaque);
    QTemporaryDir dir;
    const QString path = dir.filePath("picture." + format);
    QVERIFY(stored.save(path, format));

    const QImage decoded = readPicture(path);
    const WorkingCopy loaded = readWorkingCopy(path);
    QCOMPARE(loaded.image.format(), QImage::Format_ARGB32);
    QCOMPARE(loaded.opaque, opaque);
    QVERIFY(samePixels(loaded.image, decoded));
    QCOMPARE(loaded.image.colorSpace(), decoded.colorSpace());
    QCOMPARE(loaded.image.dotsPerMeterX(), stampDotsPerMeter);
    QCOMPARE(loaded.image.dotsPerMeterY(), stampDotsPerMeter);
    QVERIFY(loaded.image.textKeys().isEmpty());
    QVERIFY(loaded.error.isEmpty());
}

void TstBatchFiles::undecodableFileGivesTheReason()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.jpg");
    writeFile(path, "no picture in here");
    QString reason;
    QVERIFY(readPicture(path, &reason).isNull());

    const WorkingCopy loaded = readWorkingCopy(path);
    QVERIFY(loaded.image.isNull());
    QVERIFY(!reason.isEmpty());
    QCOMPARE(loaded.error, reason);
}

void TstBatchFiles::decodedNoLargerThanDrawn_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QSize>("upright");
    QTest::addColumn<bool>("turned"); // stored on its side, orientation 6
    QTest::addColumn<bool>("resize");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<bool>("keepAspectRatio");
    QTest::addColumn<QSize>("decoded");
    QTest::addColumn<QSize>("written");

    QTest::newRow("jpeg much larger than the box")
        << "jpg" << QSize(1600, 1200) << false << true << QSize(200, 200) << true << QSize(200, 150)
        << QSize(200, 150);
    QTest::newRow("orientation 6, a box of another shape")
        << "jpg" << QSize(800, 1600) << true << true << QSize(300, 200) << true << QSize(100, 200)
        << QSize(100, 200);
    QTest::newRow("orientation 6, the box's own proportions")
        << "jpg" << QSize(800, 1600) << true << true << QSize(300, 200) << false << QSize(300, 200)
        << QSize(300, 200);
    QTest::newRow("a box the picture fits in")
        << "jpg" << QSize(400, 300) << false << true << QSize(1000, 1000) << true << QSize(400, 300)
        << QSize(1000, 750);
    QTest::newRow("too little smaller to be worth it")
        << "jpg" << QSize(400, 300) << false << true << QSize(380, 380) << true << QSize(400, 300)
        << QSize(380, 285);
    QTest::newRow("resize off") << "jpg" << QSize(1600, 1200) << false << false << QSize(200, 200)
                                << true << QSize(1600, 1200) << QSize(1600, 1200);
    QTest::newRow("png, read whole")
        << "png" << QSize(1600, 1200) << false << true << QSize(200, 200) << true
        << QSize(1600, 1200) << QSize(200, 150);
}

// A JPEG is decoded at the size it is drawn at when that is well below its own, upright whatever
// way it was stored; other pictures, and pictures drawn as large as they are, are decoded whole.
void TstBatchFiles::decodedNoLargerThanDrawn()
{
    QFETCH(QString, format);
    QFETCH(QSize, upright);
    QFETCH(bool, turned);
    QFETCH(bool, resize);
    QFETCH(QSize, box);
    QFETCH(bool, keepAspectRatio);
    QFETCH(QSize, decoded);
    QFETCH(QSize, written);
    // Red above, blue below, once upright.
    QImage picture = filledPicture(upright, qRgb(0, 0, 255));
    QPainter(&picture).fillRect(0, 0, upright.width(), upright.height() / 2, Qt::red);
    QTemporaryDir dir;
    const QString path = dir.filePath("picture." + format);
    if (turned)
        QVERIFY(writeJpegWithOrientation(path, picture.transformed(QTransform().rotate(-90)), 6));
    else
        QVERIFY(picture.save(path));

    StampJob job;
    job.stamp.resize = resize;
    job.stamp.outputSize = box;
    job.stamp.keepAspectRatio = keepAspectRatio;
    job.stamp.transformMode = Qt::SmoothTransformation;
    job.outputFolder = dir.path();
    job.format = QStringLiteral("png");
    const StampResult result = stampFile(path, job);
    QCOMPARE(result.picture.image.size(), decoded);
    const QImage output(result.outcome.output);
    QCOMPARE(output.size(), written);
    const QRgb top = output.pixel(written.width() / 2, written.height() / 4);
    const QRgb bottom = output.pixel(written.width() / 2, written.height() * 3 / 4);
    QVERIFY2(qRed(top) > 200 && qBlue(top) < 50, "red above");
    QVERIFY2(qBlue(bottom) > 200 && qRed(bottom) < 50, "blue below");
}

void TstBatchFiles::alphaOnlyWhereAPixelIsTranslucent_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("alpha");

    const QImage opaque = filledPicture(QSize(40, 30), qRgb(20, 40, 60));
    QImage translucent = filledPicture(QSize(40, 30), qRgb(20, 40, 60), QImage::Format_ARGB32);
    translucent.setPixel(3, 4, qRgba(200, 100, 0, 100));
    const QImage opaqueWithAlpha = opaque.convertToFormat(QImage::Format_ARGB32);
    for (const char *format : {"png", "tif"}) {
        QTest::addRow("opaque jpeg to %s", format) << "jpg" << opaque << format << false;
        QTest::addRow("translucent png to %s", format) << "png" << translucent << format << true;
        QTest::addRow("opaque png stored with alpha to %s", format)
            << "png" << opaqueWithAlpha << format << false;
    }
}

// A written picture has an alpha channel when one of its pixels is translucent, and only then.
void TstBatchFiles::alphaOnlyWhereAPixelIsTranslucent()
{
    QFETCH(QString, source);
    QFETCH(QImage, picture);
    QFETCH(QString, format);
    QFETCH(bool, alpha);
    QTemporaryDir dir;
    const QString path = dir.filePath("picture." + source);
    QVERIFY(picture.save(path));
    StampJob job;
    job.outputFolder = dir.path();
    job.format = format;
    const StampResult result = stampFile(path, job);

    const QImage output(result.outcome.output);
    QCOMPARE(output.hasAlphaChannel(), alpha);
    QCOMPARE(qAlpha(output.pixel(3, 4)), alpha ? 100 : 255);
    QCOMPARE(output.pixel(0, 0), readPicture(path).pixel(0, 0));
}

namespace {

// The results of a run over `paths`, in the order it hands them back, with their positions.
struct Collected
{
    QList<int> positions;
    QStringList paths;
    QList<StampResult> results;
};

Collected stampAll(const QStringList &paths, const StampJob &job, bool stopAtOnce = false)
{
    Collected collected;
    int next = 0;
    StampRun run(
        [&]() -> std::optional<RunEntry> {
            if (next == paths.size())
                return std::nullopt;
            return RunEntry {paths.at(next++), job};
        },
        2);
    QObject::connect(&run, &StampRun::stamped,
                     [&](int position, const QString &path, const StampResult &result) {
                         collected.positions << position;
                         collected.paths << path;
                         collected.results << result;
                     });
    run.start();
    if (stopAtOnce)
        run.stop();
    QDeadlineTimer watchdog(60000);
    while (!run.isFinished() && !watchdog.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return collected;
}

} // namespace

// A slow picture given first is handed back first and takes a name both want, as when stamped
// one at a time.
void TstBatchFiles::runHandsBackInListOrder()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("in/again"));
    QVERIFY(QDir(dir.path()).mkpath("out"));
    QStringList paths {dir.filePath("in/a.png")};
    QVERIFY(filledPicture(QSize(3000, 2000), qRgb(1, 2, 3)).save(paths.last()));
    for (const char *name : {"in/again/a.png", "in/b.png", "in/c.png", "in/missing.png"}) {
        paths << dir.filePath(name);
        if (!paths.last().endsWith("missing.png"))
            QVERIFY(filledPicture(QSize(8, 8), qRgb(4, 5, 6)).save(paths.last()));
    }
    StampJob job;
    job.stamp.text.clear();
    job.format = "png";
    job.outputFolder = dir.filePath("out");
    const Collected collected = stampAll(paths, job);

    QCOMPARE(collected.positions, QList<int>({0, 1, 2, 3, 4}));
    QCOMPARE(collected.paths, paths);
    QCOMPARE(collected.results.at(0).outcome.output, dir.filePath("out/a.png"));
    QCOMPARE(QImage(dir.filePath("out/a.png")).size(), QSize(3000, 2000));
    QCOMPARE(collected.results.at(1).outcome.kind, PictureOutcome::Renamed);
    QVERIFY(QFileInfo(collected.results.at(1).outcome.output).fileName().startsWith("a_"));
    QCOMPARE(collected.results.at(4).outcome.kind, PictureOutcome::Missing);
}

void TstBatchFiles::waiterLendsItsPlaceUntilItsTurn_data()
{
    QTest::addColumn<bool>("closed");
    QTest::newRow("the earlier picture is saved") << false;
    QTest::newRow("the gate closes") << true;
}

// A picture done before an earlier one lends its worker's place while it waits, and takes it back
// once it may go on, whichever way the wait ends; one whose turn it is waits for nothing.
void TstBatchFiles::waiterLendsItsPlaceUntilItsTurn()
{
    QFETCH(bool, closed);
    QStringList events;
    std::mutex eventsMutex;
    const auto note = [&](const QString &event) {
        const std::lock_guard<std::mutex> lock(eventsMutex);
        events << event;
    };
    SaveGate gate([&](bool waiting) { note(waiting ? "lent" : "taken back"); });
    std::thread later([&] { gate.passInTurn(1, [&] { note("1 named"); }); });
    QTRY_COMPARE(events, QStringList {"lent"});
    if (closed)
        gate.close();
    else
        gate.passInTurn(0, [&] { note("0 named"); });
    later.join();
    QCOMPARE(events,
             closed ? QStringList({"lent", "taken back"})
                    : QStringList({"lent", "0 named", "taken back", "1 named"}));
}

void TstBatchFiles::stoppedRunLeavesWholeFilesOnly()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("out"));
    QStringList paths;
    for (int i = 0; i < 6; ++i) {
        paths << dir.filePath(QStringLiteral("p%1.png").arg(i));
        QVERIFY(filledPicture(QSize(1500, 1000), qRgb(i, 2, 3)).save(paths.last()));
    }
    StampJob job;
    job.format = "png";
    job.outputFolder = dir.filePath("out");
    const Collected collected = stampAll(paths, job, true);

    // Nothing is handed out after the stop.
    QCOMPARE(collected.paths, paths.mid(0, 3));
    QStringList written;
    for (const StampResult &result : collected.results) {
        QCOMPARE(result.outcome.kind == PictureOutcome::Discarded, result.outcome.output.isEmpty());
        if (result.outcome.written()) {
            written << QFileInfo(result.outcome.output).fileName();
            QCOMPARE(QImage(result.outcome.output).size(), QSize(1500, 1000));
        }
    }
    QCOMPARE(namesIn(dir.filePath("out")), written);
}

QTEST_GUILESS_MAIN(TstBatchFiles)
#include "tst_batchfiles.moc"
