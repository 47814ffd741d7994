// The picture list: the "Add Image Files" dialog, drops of files and folders, remove and clear.
#include "engine/batch/picturewalk.h"
#include "support/dialoganswerer.h"
#include "support/hostilefiles.h"
#include "support/testenv.h"
#include "support/windowfixture.h"
#include "ui_mainwindow.h"
#include "window/widgets/qclickablelabel.h"
#include "window/widgets/startfolder.h"
#include "window/windowtexts.h"

#include <QtTest>
#include <QtWidgets>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

QString writePicture(const QString &path, QRgb color = qRgb(90, 120, 150))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage picture(QSize(24, 16), QImage::Format_RGB32);
    picture.fill(color);
    if (!picture.save(path, "png"))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void writeEmptyFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
}

QList<QUrl> localUrls(const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

// Watches named pipes from a thread for as long as it lives. Opening a pipe for writing without
// blocking succeeds only while someone holds it open for reading; the watch then notes the pipe
// and closes it again, which also frees a reader blocked on it, so a fault fails instead of
// hanging the test.
class PipeWatch
{
public:
    explicit PipeWatch(const QStringList &pipes)
        : watcher([this, pipes] {
            while (!done) {
                for (const QString &pipe : pipes) {
                    const int fd
                        = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        ++opened;
                        ::close(fd);
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        })
    {
    }
    ~PipeWatch()
    {
        done = true;
        watcher.join();
    }
    int openedByOthers() const { return opened; }

private:
    std::atomic<bool> done {false};
    std::atomic<int> opened {0};
    std::thread watcher;
};

} // namespace

class TstIntake : public QObject, private WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addImageFilesDialog();
    void cancelledDialogStillSelectsTheLastEntry();
    void dragNeedsUrls_data();
    void dragNeedsUrls();
    void droppedFolderIsWalked();
    void pipesAreLeftOut();
    void leftOutPartsAreLogged();
    void droppedItems_data();
    void droppedItems();
    void abortKeepsWhatWasAdded();
    void removeTakesTheCurrentEntry();
    void clearEmptiesListAndPreview();

private:
    QStringList entries() const;
    void drop(const QList<QUrl> &urls);
};

void TstIntake::initTestCase()
{
    initTestApplication();
}

void TstIntake::init()
{
    createWindow();
    QVERIFY(showWindow());
}

void TstIntake::cleanup()
{
    destroyWindow();
}

QStringList TstIntake::entries() const
{
    QStringList texts;
    for (int row = 0; row < ui->files_list->count(); ++row)
        texts << ui->files_list->item(row)->text();
    return texts;
}

void TstIntake::drop(const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    QDropEvent event(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &event);
}

void TstIntake::addImageFilesDialog()
{
    // The toolkit writes no GIF; the dialog only needs the file to be there.
    const QString gif = dir->filePath("b.gif");
    writeEmptyFile(gif);
    const QString png = writePicture(dir->filePath("a.png"));

    QString title;
    QStringList filters;
    QString startFolder;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    DialogAnswerer answerer;
    answerer.answer([&](QWidget *dialog) {
        auto fileDialog = qobject_cast<QFileDialog *>(dialog);
        title = fileDialog->windowTitle();
        filters = fileDialog->nameFilters();
        startFolder = fileDialog->directory().absolutePath();
        mode = fileDialog->fileMode();
        fileDialog->setDirectory(dir->path());
        fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("\"b.gif\" \"a.png\""));
        static_cast<QDialog *>(fileDialog)->accept();
    });
    QTest::mouseClick(ui->open_btn, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(title, QStringLiteral("Add Image Files"));
    QCOMPARE(filters,
             QStringList({"Images (*.bmp *.gif *.jpeg *.jpg *.jp2 *.png *.webp *.pgm *.pbm *.ppm "
                          "*.xbm *.xpm *.tiff *.tif *.heic *.heif *.avif *.jxl)",
                          "HEIC, AVIF and JPEG XL (*.heic *.heif *.avif *.jxl)"}));
    QCOMPARE(startFolder, QDir(pictureStartFolder()).absolutePath());
    QCOMPARE(mode, QFileDialog::ExistingFiles);
    QCOMPARE(entries(), QStringList({gif, png}));
    QCOMPARE(ui->files_list->currentRow(), 1);
    QCOMPARE(MainWindowProbe::previewImage(*window).size(), QSize(24, 16));
}

void TstIntake::cancelledDialogStillSelectsTheLastEntry()
{
    DialogAnswerer answerer;
    answerer.cancelDialog();
    QTest::mouseClick(ui->open_btn, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(ui->files_list->count(), 0);
    QCOMPARE(ui->files_list->currentRow(), -1);

    ui->files_list->addItems({dir->filePath("x.png"), dir->filePath("y.png")});
    ui->files_list->setCurrentRow(0);
    answerer.cancelDialog();
    QTest::mouseClick(ui->open_btn, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(ui->files_list->count(), 2);
    QCOMPARE(ui->files_list->currentRow(), 1);
}

void TstIntake::dragNeedsUrls_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("text only") << QList<QUrl>() << false;
    QTest::newRow("local file") << QList<QUrl> {QUrl::fromLocalFile("/nowhere/a.png")} << true;
    QTest::newRow("web link") << QList<QUrl> {QUrl("http://127.0.0.1/a.png")} << true;
}

void TstIntake::dragNeedsUrls()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, accepted);
    QMimeData data;
    data.setText(QStringLiteral("some text"));
    if (!urls.isEmpty())
        data.setUrls(urls);
    QDragEnterEvent event(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &event);
    QCOMPARE(event.isAccepted(), accepted);
}

void TstIntake::droppedFolderIsWalked()
{
    const QString root = dir->filePath("drop");
    const QStringList pictures = {
        writePicture(root + "/a.png"),
        writePicture(root + "/UPPER.JPG"),
        writePicture(root + "/nested/deeper/c.tif"),
        writePicture(root + "/nested/d.Bmp"),
        writePicture(root + "/nested/e.ras"),
    };
    writeEmptyFile(root + "/notes.txt");
    writeEmptyFile(root + "/anim.gif");
    writeEmptyFile(root + "/nested/icon.xpm");
    writeEmptyFile(root + "/.hidden.png");
    writeEmptyFile(root + "/nested/.also-hidden.jpg");

    drop(localUrls({root}));

    QCOMPARE(entries(),
             QStringList(
                 {pictures.at(0), pictures.at(1), pictures.at(3), pictures.at(4), pictures.at(2)}));
    QCOMPARE(ui->files_list->currentRow(), pictures.size() - 1);
    QVERIFY(window->findChildren<QProgressDialog *>().isEmpty());
}

// A pipe, or a link to one, is never added and never opened: neither dropped in a folder,
// dropped by itself nor chosen in the dialog.
void TstIntake::pipesAreLeftOut()
{
    const QString root = dir->filePath("drop");
    const QString inFolder = root + "/pipe.png";
    const QString alone = dir->filePath("alone.jpg");
    QVERIFY(QDir().mkpath(root));
    QCOMPARE(mkfifo(QFile::encodeName(inFolder).constData(), 0600), 0);
    QCOMPARE(mkfifo(QFile::encodeName(alone).constData(), 0600), 0);
    QVERIFY(QFile::link(inFolder, root + "/z.jpg"));
    const QString picture = writePicture(root + "/a.png");
    PipeWatch watch({inFolder, alone});

    drop(localUrls({root, alone}));
    QCOMPARE(entries(), QStringList {picture});

    const QString besidePipe = writePicture(dir->filePath("beside.png"));
    DialogAnswerer answerer;
    answerer.choosePaths({besidePipe, alone});
    QTest::mouseClick(ui->open_btn, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(entries(), QStringList({picture, besidePipe}));
    QCOMPARE(watch.openedByOthers(), 0);
}

// What a dropped folder's walk leaves out, a folder it cannot read or a name that is not valid
// UTF-8, is one line each in the results log, which is shown; the rest is added.
void TstIntake::leftOutPartsAreLogged()
{
    const QString root = dir->filePath("drop");
    const QString picture = writePicture(root + "/a.png");
    QVERIFY(QDir().mkpath(root + "/locked"));
    writeRawNamedFile(QFile::encodeName(root) + "/caf\xe9.png", QByteArray());
    QCOMPARE(::chmod(QFile::encodeName(root + "/locked").constData(), 0), 0);
    const auto unlock
        = qScopeGuard([&] { ::chmod(QFile::encodeName(root + "/locked").constData(), 0755); });
    ui->main_tab->setCurrentIndex(0);

    {
        const PermissionsBind bind;
        drop(localUrls({root}));
    }
    QCOMPARE(entries(), QStringList {picture});
    QCOMPARE(ui->log_plain->toPlainText(),
             "Left out " + root + "/caf\\xe9.png: its name is not valid UTF-8\nLeft out the folder "
                 + root + "/locked: Permission denied");
    QCOMPARE(ui->main_tab->currentIndex(), 1);
}

void TstIntake::droppedItems_data()
{
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("added");
    // The count the label shows last: one per picture found in a folder and one per dropped item,
    // less one.
    QTest::addColumn<int>("lastCount");

    QTest::newRow("gif refused") << QStringList {"a.gif"} << QStringList() << 0;
    QTest::newRow("dib, sr and ras taken")
        << QStringList {"a.dib", "b.sr", "c.ras"} << QStringList {"a.dib", "b.sr", "c.ras"} << 2;
    QTest::newRow("upper-case suffix")
        << QStringList {"PHOTO.JPG"} << QStringList {"PHOTO.JPG"} << 0;
    QTest::newRow("missing file") << QStringList {"missing.png"} << QStringList() << 0;
    QTest::newRow("web link") << QStringList {"http://127.0.0.1/a.png"} << QStringList() << 0;
    QTest::newRow("same picture twice")
        << QStringList {"a.png", "a.png"} << QStringList {"a.png", "a.png"} << 1;
    QTest::newRow("picture and its folder")
        << QStringList {"sub/a.png", "sub"} << QStringList {"sub/a.png", "sub/a.png"} << 2;
    QTest::newRow("three pictures and their folder")
        << QStringList {"sub/a.png", "sub/b.png", "sub/c.png", "sub"}
        << QStringList {"sub/a.png", "sub/b.png", "sub/c.png",
                        "sub/a.png", "sub/b.png", "sub/c.png"}
        << 6;
}

void TstIntake::droppedItems()
{
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, added);
    QFETCH(int, lastCount);

    QList<QUrl> urls;
    for (const QString &name : dropped) {
        if (name.startsWith("http:")) {
            urls << QUrl(name);
            continue;
        }
        const QString path = dir->filePath(name);
        if (name != "missing.png" && name != "sub" && !QFileInfo::exists(path))
            writeEmptyFile(path);
        urls << QUrl::fromLocalFile(path);
    }
    // The labels as the event loop shows them, ending with the count after the last item.
    QStringList labels;
    QTimer watcher;
    watcher.setInterval(0);
    connect(&watcher, &QTimer::timeout, [&] {
        if (auto progress = window->findChild<QProgressDialog *>()) {
            if (labels.isEmpty() || labels.last() != progress->labelText())
                labels << progress->labelText();
        }
    });
    watcher.start();
    drop(urls);

    QStringList expected;
    for (const QString &name : added)
        expected << dir->filePath(name);
    QCOMPARE(entries(), expected);
    QCOMPARE(ui->files_list->currentRow(), expected.size() - 1);
    QVERIFY(!labels.isEmpty());
    QCOMPARE(labels.last(), dropProgressLabel(lastCount));
}

// Abort during a long walk (a folder of 200 pictures dropped 1000 times) ends the whole drop after
// the file in hand; what was found stays, a first part of the walk. The window is served by time
// while it walks, so Abort is taken within a turn of the event loop wherever the walk is (how soon
// is measured by bench_intake).
void TstIntake::abortKeepsWhatWasAdded()
{
    const QString root = dir->filePath("many");
    for (int folder = 0; folder < 5; ++folder) {
        for (int i = 0; i < 40; ++i)
            writeEmptyFile(QStringLiteral("%1/f%2/%3.png").arg(root).arg(folder).arg(i));
    }
    QStringList roots;
    for (int i = 0; i < 1000; ++i)
        roots << root;
    const QString later = writePicture(dir->filePath("later.png"));

    int addedAtAbort = -1;
    QString labelAtAbort;
    QString cancelText;
    Qt::WindowModality modality = Qt::NonModal;
    QPair<int, int> range;
    QTimer watcher;
    watcher.setInterval(0);
    connect(&watcher, &QTimer::timeout, [&] {
        auto progress = window->findChild<QProgressDialog *>();
        if (!progress || ui->files_list->count() < 5)
            return;
        watcher.stop();
        addedAtAbort = ui->files_list->count();
        labelAtAbort = progress->labelText();
        modality = progress->windowModality();
        range = {progress->minimum(), progress->maximum()};
        const auto buttons = progress->findChildren<QPushButton *>();
        for (QPushButton *button : buttons) {
            cancelText = button->text();
            QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    watcher.start();
    drop(localUrls(roots + QStringList {later}));

    QVERIFY2(addedAtAbort >= 5, "the walk was never served before its end");
    QCOMPARE(cancelText, QStringLiteral("Abort"));
    QCOMPARE(modality, Qt::WindowModal);
    QCOMPARE(range, qMakePair(0, 0));
    // The label counts the pictures found and the folders walked so far.
    QVERIFY(labelAtAbort.startsWith(QStringLiteral("Please wait while your files are added. (")));
    QVERIFY(labelAtAbort.section(QLatin1Char('('), 1).section(QLatin1Char(' '), 0, 0).toInt()
            >= addedAtAbort - 1);
    const QStringList added = entries();
    QVERIFY(added.size() >= addedAtAbort);
    const QStringList once = picturesInDrop({root});
    QVERIFY(added.size() < roots.size() * once.size());
    QStringList walked;
    while (walked.size() < added.size())
        walked << once;
    QCOMPARE(added, walked.mid(0, added.size()));
    QCOMPARE(ui->files_list->currentRow(), added.size() - 1);
    QVERIFY(window->findChildren<QProgressDialog *>().isEmpty());
}

void TstIntake::removeTakesTheCurrentEntry()
{
    const QStringList paths
        = {writePicture(dir->filePath("a.png")), writePicture(dir->filePath("b.png")),
           writePicture(dir->filePath("c.png"))};
    ui->files_list->addItems(paths);
    ui->files_list->setCurrentRow(-1);
    QTest::mouseClick(ui->remove_btn, Qt::LeftButton);
    QCOMPARE(entries(), paths);

    ui->files_list->setCurrentRow(1);
    QTest::mouseClick(ui->remove_btn, Qt::LeftButton);
    QCOMPARE(entries(), QStringList({paths.at(0), paths.at(2)}));
    QVERIFY(ui->files_list->currentRow() >= 0);
}

void TstIntake::clearEmptiesListAndPreview()
{
    QTest::mouseClick(ui->clear_btn, Qt::LeftButton);
    QCOMPARE(ui->files_list->count(), 0);

    ui->files_list->addItem(writePicture(dir->filePath("a.png")));
    ui->files_list->setCurrentRow(0);
    QVERIFY(!MainWindowProbe::previewLabel(*window)->pixmap(Qt::ReturnByValue).isNull());
    QTest::mouseClick(ui->clear_btn, Qt::LeftButton);
    QCOMPARE(ui->files_list->count(), 0);
    QCOMPARE(ui->files_list->currentRow(), -1);
    QVERIFY(MainWindowProbe::previewLabel(*window)->pixmap(Qt::ReturnByValue).isNull());
}

QTEST_MAIN(TstIntake)
#include "tst_intake.moc"
