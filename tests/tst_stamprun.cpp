// The stamping run, driven by pressing Start and answering its dialogs as a user would.
#include "batch/batchtexts.h"
#include "stamp/imageload.h"
#include "support/dialoganswerer.h"
#include "support/testenv.h"
#include "support/watchdog.h"
#include "support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QColorSpace>
#include <QtTest>
#include <QtWidgets>

#include <sys/stat.h>

namespace {

const QString done = QStringLiteral("Done");
const QString rule = QStringLiteral("<hr>");

QString writePicture(const QString &path, const QSize &size = QSize(48, 32),
                     QRgb color = qRgb(90, 120, 150), const char *format = nullptr)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(color);
    if (!picture.save(path, format))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList namesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The log as lines: "<hr>" for a horizontal rule, the shown text for any other line. Appended as
// HTML, a rule makes an empty line and an empty line with a ruler; the lines after it take over
// the ruler property, so only the empty pair tells a rule.
QStringList logLines(const QPlainTextEdit *log)
{
    QStringList lines;
    for (QTextBlock block = log->document()->begin(); block.isValid(); block = block.next()) {
        const QTextBlock next = block.next();
        if (block.text().isEmpty() && next.isValid() && next.text().isEmpty()
            && next.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)) {
            lines << rule;
            block = next;
        } else {
            lines << block.text();
        }
    }
    if (lines == QStringList {QString()})
        return {};
    return lines;
}

// The shown text of the warning for a picture saved as `savedName` in `folder`: the taken file is
// named by its name up to the first dot, the new one without its extension.
QString renamedText(const QString &folder, const QString &takenBaseName, const QString &savedName)
{
    return QStringLiteral("Warning - File %1/%2.png saved with new name %1/%3 to avoid overwrite "
                          "because it already existed!")
        .arg(folder, takenBaseName, QFileInfo(savedName).completeBaseName());
}

// A complete run's log of entries whose lines are given, one list per entry.
QStringList runLog(const QList<QStringList> &entries, const QString &end)
{
    QStringList lines {QStringLiteral("Stamping Started ...")};
    for (const QStringList &entry : entries)
        lines << rule << entry;
    return lines << rule << end;
}

} // namespace

class TstStampRun : public QObject, private WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void emptyListShowsABox();
    void cancelledFolderDialogDoesNothing();
    void missingFolderShowsABox();
    void missingTextAndLogoAreAsked_data();
    void missingTextAndLogoAreAsked();
    void completeRunWithCollisions();
    void stopDuringAPicture_data();
    void stopDuringAPicture();
    void windowCloseDuringARun_data();
    void windowCloseDuringARun();
    void failedWriteIsLoggedAndTheRunGoesOn();
    void undecodableFileAndVanishingEntries();
    void hostileEntriesAreNamedAndTheRunGoesOn();
    void changedFileIsReadAgain();
    void outputEqualsThePreview();
    void jpegQualityIsApplied();
    void mixedFormatsAndOrientation();
    void colourSpaceIsKept_data();
    void colourSpaceIsKept();

private:
    // Presses Start; the answers for the dialogs on the way are queued beforehand.
    void pressStart() { QTest::mouseClick(ui->start_btn, Qt::LeftButton); }
    // Runs `action` while the run serves events for the `picture`-th picture (from 1).
    void duringPicture(int picture, const std::function<void()> &action);
    QStringList log() const { return logLines(ui->log_plain); }
    QString inputPath(const QString &name) const { return dir->filePath("in/" + name); }
    QString outputPath(const QString &name) const { return dir->filePath("out/" + name); }
    QString output() const { return dir->filePath("out"); }

    DialogAnswerer *answerer = nullptr;
};

void TstStampRun::initTestCase()
{
    initTestApplication();
    // A confirmed close hides the last window; the test program must go on.
    QApplication::setQuitOnLastWindowClosed(false);
}

void TstStampRun::init()
{
    createWindow();
    QVERIFY(QDir(dir->path()).mkpath("out"));
    answerer = new DialogAnswerer(window.get());
    ui->resize_check->setChecked(false);
    ui->wtrmark_edit->setText(QStringLiteral("Run"));
    ui->outpng_radio->setChecked(true);
    QImage logo(12, 8, QImage::Format_ARGB32);
    logo.fill(qRgba(255, 255, 0, 160));
    MainWindowProbe::logoImage(*window) = logo;
    QVERIFY(showWindow());
}

void TstStampRun::cleanup()
{
    destroyWindow();
}

void TstStampRun::duringPicture(int picture, const std::function<void()> &action)
{
    auto watch = std::make_shared<QMetaObject::Connection>();
    *watch = connect(ui->log_plain, &QPlainTextEdit::textChanged, this, [=] {
        if (logLines(ui->log_plain).count(rule) < picture)
            return;
        disconnect(*watch);
        // Delivered by the event processing that follows the picture's rule.
        QTimer::singleShot(0, this, action);
    });
}

void TstStampRun::emptyListShowsABox()
{
    ui->prog_bar->setRange(0, 10);
    ui->prog_bar->setValue(4);
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(answerer->seenDialogs().size(), 1);
    QCOMPARE(answerer->seenDialogs().at(0).title, QStringLiteral("No pictures to stamp!"));
    QCOMPARE(answerer->seenDialogs().at(0).text,
             QStringLiteral("First add some pictures using Add Pictures button."));
    QCOMPARE(log(), QStringList());
    QCOMPARE(ui->prog_bar->maximum(), 10);
    QCOMPARE(ui->prog_bar->value(), 4);
}

void TstStampRun::cancelledFolderDialogDoesNothing()
{
    ui->files_list->addItem(writePicture(inputPath("a.png")));
    const QString buttonText = ui->start_btn->text();
    answerer->cancelDialog();
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(answerer->seenDialogs().size(), 1);
    QCOMPARE(answerer->seenDialogs().at(0).className, QStringLiteral("QFileDialog"));
    QCOMPARE(answerer->seenDialogs().at(0).title, QStringLiteral("Select Output Folder"));
    QCOMPARE(log(), QStringList());
    QCOMPARE(ui->start_btn->text(), buttonText);
    QCOMPARE(ui->main_tab->currentIndex(), 0);
    QVERIFY(!MainWindowProbe::stamping(*window));
    QCOMPARE(namesIn(output()), QStringList());
}

void TstStampRun::missingFolderShowsABox()
{
    ui->files_list->addItem(writePicture(inputPath("a.png")));
    const QString vanishing = dir->filePath("vanishing");
    QVERIFY(QDir().mkpath(vanishing));
    answerer->answer([&](QWidget *dialog) {
        auto fileDialog = qobject_cast<QFileDialog *>(dialog);
        // The folder goes away right after it was chosen.
        connect(fileDialog, &QFileDialog::fileSelected,
                [&] { QDir(vanishing).removeRecursively(); });
        fileDialog->setDirectory(vanishing);
        static_cast<QDialog *>(fileDialog)->accept();
    });
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(answerer->seenDialogs().size(), 2);
    QCOMPARE(answerer->seenDialogs().at(1).title, QStringLiteral("Error"));
    QCOMPARE(answerer->seenDialogs().at(1).text, QStringLiteral("What's goin on here?!"));
    QCOMPARE(log(), QStringList());
}

void TstStampRun::missingTextAndLogoAreAsked_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("logo");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<bool>("runs");

    const QString noText
        = QStringLiteral("Are you going to go on stamping without any watermarks?");
    const QString noLogo = QStringLiteral("Are you going to go on stamping without a logo?");
    QTest::newRow("blanks only, No")
        << "   " << true << QList<int> {QMessageBox::No} << QStringList {noText} << false;
    QTest::newRow("blanks only, Yes")
        << "   " << true << QList<int> {QMessageBox::Yes} << QStringList {noText} << true;
    QTest::newRow("no logo, No") << "Run" << false << QList<int> {QMessageBox::No}
                                 << QStringList {noLogo} << false;
    QTest::newRow("neither, No to the first")
        << "" << false << QList<int> {QMessageBox::No} << QStringList {noText} << false;
    QTest::newRow("neither, Yes then No")
        << "" << false << QList<int> {QMessageBox::Yes, QMessageBox::No}
        << QStringList {noText, noLogo} << false;
    QTest::newRow("neither, Yes to both")
        << "" << false << QList<int> {QMessageBox::Yes, QMessageBox::Yes}
        << QStringList {noText, noLogo} << true;
}

void TstStampRun::missingTextAndLogoAreAsked()
{
    QFETCH(QString, text);
    QFETCH(bool, logo);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, questions);
    QFETCH(bool, runs);

    ui->files_list->addItem(writePicture(inputPath("a.png")));
    ui->wtrmark_edit->setText(text);
    if (!logo)
        MainWindowProbe::logoImage(*window) = QImage();
    answerer->choosePath(output());
    for (int answer : answers)
        answerer->pressButton(QMessageBox::StandardButton(answer));
    if (runs)
        answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QStringList asked;
    for (const SeenDialog &seen : answerer->seenDialogs().mid(1, questions.size())) {
        QCOMPARE(seen.title, QStringLiteral("Warning"));
        asked << seen.text;
    }
    QCOMPARE(asked, questions);
    QCOMPARE(answerer->seenDialogs().size(), 1 + questions.size() + (runs ? 1 : 0));
    QCOMPARE(namesIn(output()), runs ? QStringList {"a.png"} : QStringList());
    QCOMPARE(log().isEmpty(), !runs);
}

// Pictures named alike from two folders and one already in the output folder: nothing is
// overwritten, the later ones get time-stamped names, and the log says so.
void TstStampRun::completeRunWithCollisions()
{
    const QStringList inputs = {writePicture(inputPath("holiday.2020.png"), QSize(40, 30)),
                                writePicture(inputPath("beach.jpg"), QSize(30, 40)),
                                writePicture(dir->filePath("other/beach.bmp"), QSize(20, 20))};
    ui->files_list->addItems(inputs);
    const QString existing = outputPath("holiday.2020.png");
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    QString buttonDuringRun;
    Qt::TransformationMode modeDuringRun = Qt::FastTransformation;
    duringPicture(2, [&] {
        buttonDuringRun = ui->start_btn->text();
        modeDuringRun = MainWindowProbe::transformMode(*window);
    });
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    const QStringList written = namesIn(output());
    QCOMPARE(written.size(), 4);
    const QRegularExpression stamped(QStringLiteral("^(holiday\\.2020|beach)_\\d{17}\\.png$"));
    QStringList renamed;
    for (const QString &name : written) {
        if (stamped.match(name).hasMatch())
            renamed << name;
    }
    QCOMPARE(renamed.size(), 2);
    QVERIFY(renamed.at(0).startsWith("beach_"));
    QVERIFY(renamed.at(1).startsWith("holiday.2020_"));
    QVERIFY(written.contains("beach.png"));
    QCOMPARE(fileBytes(existing), QByteArray("keep me"));

    const QString out = output();
    QCOMPARE(
        log(),
        runLog({{renamedText(out, "holiday", renamed.at(1)), "holiday.2020.png ... OK! (1 of 3)"},
                {"beach.png ... OK! (2 of 3)"},
                {renamedText(out, "beach", renamed.at(0)), "beach.png ... OK! (3 of 3)"}},
               "Stamping Completed!"));
    QVERIFY(!ui->log_plain->toPlainText().contains(rule));
    // The warning's first word is bold and coloured.
    const QTextBlock warning
        = ui->log_plain->document()->find(QStringLiteral("Warning - File")).block();
    QTextCharFormat warningFormat;
    for (auto fragment = warning.begin(); !fragment.atEnd(); ++fragment) {
        if (fragment.fragment().text() == QLatin1String("Warning"))
            warningFormat = fragment.fragment().charFormat();
    }
    QCOMPARE(warningFormat.fontWeight(), int(QFont::Bold));
    QCOMPARE(warningFormat.foreground().color(), QColor(QStringLiteral("#ffc90e")));

    QCOMPARE(answerer->seenTitles(), QStringList({"Select Output Folder", "Tessaro"}));
    QCOMPARE(answerer->seenDialogs().at(1).text, done);
    QCOMPARE(buttonDuringRun, QStringLiteral("Stop"));
    QCOMPARE(modeDuringRun, Qt::SmoothTransformation);
    QCOMPARE(MainWindowProbe::transformMode(*window), Qt::FastTransformation);
    QCOMPARE(ui->start_btn->text(), QStringLiteral("Start Stamping"));
    QVERIFY(!MainWindowProbe::stamping(*window));
    QCOMPARE(ui->main_tab->currentIndex(), 1);
    QCOMPARE(ui->prog_bar->minimum(), 0);
    QCOMPARE(ui->prog_bar->maximum(), 2);
    QCOMPARE(ui->prog_bar->value(), 2);
}

void TstStampRun::stopDuringAPicture_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes stops after the picture") << int(QMessageBox::Yes);
    QTest::newRow("No goes on") << int(QMessageBox::No);
}

void TstStampRun::stopDuringAPicture()
{
    QFETCH(int, answer);
    for (const char *name : {"p1.png", "p2.png", "p3.png", "p4.png"})
        ui->files_list->addItem(writePicture(inputPath(name)));

    QString buttonAfterStop;
    duringPicture(2, [&] {
        pressStart();
        buttonAfterStop = ui->start_btn->text();
    });
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::StandardButton(answer));
    if (answer == QMessageBox::No)
        answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    const SeenDialog &question = answerer->seenDialogs().at(1);
    QCOMPARE(question.title, QStringLiteral("Warning"));
    QCOMPARE(question.text, QStringLiteral("Are you you want to stop stamping?"));
    if (answer == QMessageBox::Yes) {
        QCOMPARE(buttonAfterStop, QStringLiteral("Start Stamping"));
        QCOMPARE(namesIn(output()), QStringList({"p1.png", "p2.png"}));
        QCOMPARE(log(),
                 runLog({{"p1.png ... OK! (1 of 4)"}, {"p2.png ... OK! (2 of 4)"}},
                        "Stamping interrupted!"));
        QCOMPARE(answerer->seenDialogs().size(), 2);
        QCOMPARE(ui->prog_bar->value(), 1);
    } else {
        QCOMPARE(buttonAfterStop, QStringLiteral("Stop"));
        QCOMPARE(namesIn(output()).size(), 4);
        QCOMPARE(log().last(), QStringLiteral("Stamping Completed!"));
        QCOMPARE(answerer->seenTitles(),
                 QStringList({"Select Output Folder", "Warning", "Tessaro"}));
    }
    QCOMPARE(ui->start_btn->text(), QStringLiteral("Start Stamping"));
    QVERIFY(!MainWindowProbe::stamping(*window));
}

void TstStampRun::windowCloseDuringARun_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("confirmed") << int(QMessageBox::Yes);
    QTest::newRow("refused") << int(QMessageBox::No);
}

void TstStampRun::windowCloseDuringARun()
{
    QFETCH(int, answer);
    for (const char *name : {"p1.png", "p2.png", "p3.png"})
        ui->files_list->addItem(writePicture(inputPath(name)));

    duringPicture(2, [&] { window->close(); });
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::StandardButton(answer));
    if (answer == QMessageBox::No)
        answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(answerer->seenDialogs().at(1).title, QStringLiteral("Confirm"));
    if (answer == QMessageBox::Yes) {
        QVERIFY(!window->isVisible());
        QCOMPARE(namesIn(output()), QStringList({"p1.png", "p2.png"}));
        QCOMPARE(log().mid(log().size() - 2), QStringList({rule, "Stamping interrupted!"}));
        QCOMPARE(answerer->seenDialogs().size(), 2);
    } else {
        QVERIFY(window->isVisible());
        QCOMPARE(namesIn(output()).size(), 3);
        QCOMPARE(log().last(), QStringLiteral("Stamping Completed!"));
    }
}

// Writing fails for the second picture (its output folder is gone, which stops root too); the
// reason is logged, no OK line follows, the bar still moves and the third picture is written.
void TstStampRun::failedWriteIsLoggedAndTheRunGoesOn()
{
    for (const char *name : {"p1.png", "p2.png", "p3.png"})
        ui->files_list->addItem(writePicture(inputPath(name)));
    int barAfterFailure = -1;
    duringPicture(2, [&] { QVERIFY(QDir(output()).removeRecursively()); });
    duringPicture(3, [&] {
        barAfterFailure = ui->prog_bar->value();
        QVERIFY(QDir().mkpath(output()));
    });
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(log(),
             runLog({{"p1.png ... OK! (1 of 3)"},
                     {"Cannot write p2.png to " + output() + ": No such file or directory"},
                     {"p3.png ... OK! (3 of 3)"}},
                    "Stamping Completed!"));
    QCOMPARE(barAfterFailure, 1);
    QCOMPARE(namesIn(output()), QStringList {"p3.png"});
}

// A file that does not decode is reported and skipped; entries that vanish while the run serves
// events are never read.
void TstStampRun::undecodableFileAndVanishingEntries()
{
    const QString bad = inputPath("bad.png");
    QDir().mkpath(QFileInfo(bad).absolutePath());
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    QString reason;
    QVERIFY(readPicture(bad, &reason).isNull());
    ui->files_list->addItems({writePicture(inputPath("p1.png")), bad, inputPath("missing.png"),
                              writePicture(inputPath("p4.png")), writePicture(inputPath("p5.png")),
                              writePicture(inputPath("p6.png"))});

    duringPicture(4, [&] { delete ui->files_list->item(4); });
    duringPicture(5, [&] { ui->files_list->clear(); });
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(log(),
             runLog({{"p1.png ... OK! (1 of 6)"},
                     {unreadableLine(bad, reason)},
                     {},
                     {"p4.png ... OK! (4 of 5)"},
                     {}},
                    "Stamping Completed!"));
    QCOMPARE(namesIn(output()), QStringList({"p1.png", "p4.png"}));
}

// A named pipe is refused without being opened and a JPEG cut off halfway is named damaged; a
// line break in a name shows as "\n" instead of starting a line of its own. The good pictures
// around them are written.
void TstStampRun::hostileEntriesAreNamedAndTheRunGoesOn()
{
    const QString pipe = inputPath("z.jpg");
    QDir().mkpath(QFileInfo(pipe).absolutePath());
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString whole = writePicture(inputPath("whole.jpg"), QSize(64, 48), qRgb(1, 2, 3));
    const QByteArray jpeg = fileBytes(whole);
    const QString cut = inputPath("cut.jpg");
    QFile cutFile(cut);
    QVERIFY(cutFile.open(QIODevice::WriteOnly));
    cutFile.write(jpeg.left(jpeg.size() / 2));
    cutFile.close();
    const QRegularExpression jpegWarning(QStringLiteral("JPEG"));
    QTest::ignoreMessage(QtWarningMsg, jpegWarning);
    QString damaged;
    QVERIFY(readPicture(cut, &damaged).isNull());
    QVERIFY2(damaged.startsWith("The picture is damaged ("), qPrintable(damaged));
    const QString brokenName = QStringLiteral("p4\nStamping Completed!");
    ui->files_list->addItems({writePicture(inputPath("p1.png")), pipe, cut,
                              writePicture(inputPath(brokenName + ".png"))});

    QTest::ignoreMessage(QtWarningMsg, jpegWarning);
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    const Watchdog watchdog("a run over a pipe", 60);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(log(),
             runLog({{"p1.png ... OK! (1 of 4)"},
                     {"Cannot read " + pipe + ": It is a named pipe, not a picture file"},
                     {"Cannot read " + cut + ": " + damaged},
                     {"p4\\nStamping Completed!.png ... OK! (4 of 4)"}},
                    "Stamping Completed!"));
    QCOMPARE(namesIn(output()), QStringList({"p1.png", brokenName + ".png"}));
}

// An entry whose file changes, or which names another file, while the run serves events is read
// as it is when the run reaches it, not as it was read ahead.
void TstStampRun::changedFileIsReadAgain()
{
    const QString second = writePicture(inputPath("p2.png"), QSize(48, 32), qRgb(255, 0, 0));
    const QString third = writePicture(inputPath("p3.png"), QSize(48, 32), qRgb(255, 0, 0));
    const QString other = writePicture(inputPath("other.png"), QSize(20, 10), qRgb(0, 0, 255));
    ui->files_list->addItems({writePicture(inputPath("p1.png")), second, third});
    ui->wtrmark_edit->setText(QString());
    MainWindowProbe::logoImage(*window) = QImage();
    ui->shadow_spin->setValue(0);

    duringPicture(2, [&] { writePicture(second, QSize(30, 30), qRgb(0, 255, 0)); });
    duringPicture(3, [&] { ui->files_list->item(2)->setText(other); });
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(QImage(outputPath("p2.png")).convertToFormat(QImage::Format_ARGB32),
             workingCopy(readPicture(second)));
    QCOMPARE(QImage(outputPath("other.png")).convertToFormat(QImage::Format_ARGB32),
             workingCopy(readPicture(other)));
}

// What is written is what the preview showed, once the preview scales smoothly as the run does.
void TstStampRun::outputEqualsThePreview()
{
    QImage photo(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 255 / 160, y * 255 / 120, (x * y) % 256));
    }
    const QString path = inputPath("photo.png");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(photo.save(path));
    ui->resize_check->setChecked(true);
    ui->aspect_check->setChecked(true);
    ui->width_spin->setValue(100);
    ui->height_spin->setValue(100);
    ui->shadow_spin->setValue(9);
    ui->wtrmark_edit->setText(QStringLiteral("Preview = output"));
    answerer->pressButton(QMessageBox::Ok);
    ui->smooth_check->setChecked(true);
    QVERIFY(answerer->waitUntilAnswered());

    ui->files_list->addItem(path);
    ui->files_list->setCurrentRow(0);
    const QImage preview = MainWindowProbe::stampedImage(*window).copy();
    QCOMPARE(preview.size(), QSize(100, 75));

    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    QCOMPARE(QImage(outputPath("photo.png")).convertToFormat(QImage::Format_ARGB32),
             preview.convertToFormat(QImage::Format_ARGB32));
}

void TstStampRun::jpegQualityIsApplied()
{
    QImage photo(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb((x * 37) % 256, (y * 59) % 256, (x * y) % 256));
    }
    const QString path = inputPath("photo.png");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(photo.save(path));
    ui->files_list->addItem(path);
    ui->outjpg_radio->setChecked(true);
    ui->comp_slider->setValue(37);
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    const auto encoded = [&](int quality) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpg");
        writer.setQuality(quality);
        writer.write(MainWindowProbe::stampedImage(*window));
        return buffer.data();
    };
    const QByteArray written = fileBytes(outputPath("photo.jpg"));
    QCOMPARE(written, encoded(37));
    QVERIFY(written != encoded(90));
    QCOMPARE(ui->prog_bar->maximum(), 0);
    QCOMPARE(ui->prog_bar->value(), 0);
}

// Every format is read by its content, whatever the suffix says, and a photo taken on its side is
// written upright.
void TstStampRun::mixedFormatsAndOrientation()
{
    ui->wtrmark_edit->setText(QString());
    MainWindowProbe::logoImage(*window) = QImage();
    ui->shadow_spin->setValue(0);
    const QStringList inputs
        = {writePicture(inputPath("a.bmp"), QSize(20, 10), qRgb(255, 0, 0)),
           writePicture(inputPath("b.tif"), QSize(20, 10), qRgb(0, 255, 0)),
           writePicture(inputPath("c.jpeg"), QSize(20, 10), qRgb(0, 0, 255)),
           writePicture(inputPath("d.jpg"), QSize(20, 10), qRgb(9, 9, 9), "png")};
    QImage sideways(40, 20, QImage::Format_RGB32);
    sideways.fill(qRgb(0, 0, 255));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x)
            sideways.setPixel(x, y, qRgb(255, 0, 0));
    }
    QImageWriter tagged(inputPath("side.jpg"), "jpg");
    tagged.setTransformation(QImageIOHandler::TransformationRotate90);
    QVERIFY(tagged.write(sideways));
    ui->files_list->addItems(inputs);
    ui->files_list->addItem(inputPath("side.jpg"));
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(namesIn(output()), QStringList({"a.png", "b.png", "c.png", "d.png", "side.png"}));
    QCOMPARE(QImage(outputPath("a.png")).pixel(5, 5), qRgb(255, 0, 0));
    QCOMPARE(QImage(outputPath("b.png")).pixel(5, 5), qRgb(0, 255, 0));
    QCOMPARE(QImage(outputPath("d.png")).pixel(5, 5), qRgb(9, 9, 9));
    const QImage upright(outputPath("side.png"));
    QCOMPARE(upright.size(), QSize(20, 40));
    QVERIFY(qRed(upright.pixel(10, 5)) > 200 && qBlue(upright.pixel(10, 5)) < 50);
    QVERIFY(qBlue(upright.pixel(10, 35)) > 200 && qRed(upright.pixel(10, 35)) < 50);
}

void TstStampRun::colourSpaceIsKept_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    for (const char *input : {"png", "jpg"}) {
        for (const char *output : {"jpg", "png", "tif"})
            QTest::addRow("%s to %s", input, output) << input << output;
    }
}

void TstStampRun::colourSpaceIsKept()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QImage wide(32, 24, QImage::Format_RGB32);
    wide.fill(qRgb(200, 40, 30));
    wide.setColorSpace(QColorSpace::DisplayP3);
    const QString path = inputPath("wide." + input);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(wide.save(path));
    ui->files_list->addItem(path);
    ui->outjpg_radio->setChecked(output == "jpg");
    ui->outpng_radio->setChecked(output == "png");
    ui->outtif_radio->setChecked(output == "tif");
    answerer->choosePath(this->output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(QImage(outputPath("wide." + output)).colorSpace(),
             QColorSpace(QColorSpace::DisplayP3));
}

QTEST_MAIN(TstStampRun)
#include "tst_stamprun.moc"
