// The stamping run, driven by pressing Start and answering its dialogs as a user would.
#include "engine/batch/outcometexts.h"
#include "engine/batch/stampjob.h"
#include "engine/read/imageload.h"
#include "engine/stamp/placement.h"
#include "support/dialoganswerer.h"
#include "support/hostilefiles.h"
#include "support/profiledfiles.h"
#include "support/testenv.h"
#include "support/testfiles.h"
#include "support/watchdog.h"
#include "support/windowfixture.h"
#include "ui_mainwindow.h"
#include "window/widgets/qclickablelabel.h"

#include <QColorSpace>
#include <QtTest>
#include <QtWidgets>

#include <csignal>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
    void stampPastTheEdgeIsWarnedOnce();
    void stopDuringAPicture_data();
    void stopDuringAPicture();
    void windowCloseDuringARun_data();
    void windowCloseDuringARun();
    void stopAndCloseDoNotWaitForADecode_data();
    void stopAndCloseDoNotWaitForADecode();
    void failedWriteIsLoggedAndTheRunGoesOn();
    void entriesAreReadWhenHandedOut_data();
    void entriesAreReadWhenHandedOut();
    void hostileEntriesAreNamedAndTheRunGoesOn();
    void outputEqualsThePreview_data();
    void outputEqualsThePreview();
    void transparentPictureShowsAsWritten_data();
    void transparentPictureShowsAsWritten();
    void qualityIsApplied_data();
    void qualityIsApplied();
    void mixedFormatsAndOrientation();
    void colourSpaceIsKept_data();
    void colourSpaceIsKept();
    void windowAnswersDuringARun();
    void sameStampAtAnyScreenResolution();
    void stampAtThisScreenResolution();
    void logKeepsTheNewestLineInView_data();
    void logKeepsTheNewestLineInView();
    void folderDialogStartsWhereTheLastRunWrote();
    void photoInformationBoxesReachTheJob_data();
    void photoInformationBoxesReachTheJob();

private:
    // Presses Start; the answers for the dialogs on the way are queued beforehand.
    void pressStart() { QTest::mouseClick(ui->start_btn, Qt::LeftButton); }
    // Runs `action` when the `picture`-th picture (from 1) is shown, before its lines are logged.
    void duringPicture(int picture, const std::function<void()> &action);
    // The names of the output files the log reports as written.
    QStringList writtenInLog() const;
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
    // A stamp that fits the small pictures below, so that their logs hold no edge warnings.
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(6);
    MainWindowProbe::watermarkFont(*window) = small;
    ui->txt_x_spin->setValue(0);
    ui->txt_y_spin->setValue(0);
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
        action();
    });
}

QStringList TstStampRun::writtenInLog() const
{
    QStringList written;
    for (const QString &line : log()) {
        if (line.contains(QLatin1String(" ... OK! (")))
            written << line.section(QLatin1Char(' '), 0, 0);
    }
    return written;
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
    QCOMPARE(answerer->seenDialogs().at(1).informativeText, QString());
    QCOMPARE(buttonDuringRun, QStringLiteral("Stop"));
    QCOMPARE(modeDuringRun, Qt::SmoothTransformation);
    QCOMPARE(MainWindowProbe::transformMode(*window), Qt::FastTransformation);
    QCOMPARE(ui->start_btn->text(), QStringLiteral("Start Stamping"));
    QVERIFY(!MainWindowProbe::stamping(*window));
    QCOMPARE(ui->main_tab->currentIndex(), 1);
    QCOMPARE(ui->prog_bar->minimum(), 0);
    QCOMPARE(ui->prog_bar->maximum(), 2);
    QCOMPARE(ui->prog_bar->value(), 2);
    // The preview keeps the last picture, ready to be stamped again as the user changes settings.
    QCOMPARE(MainWindowProbe::previewImage(*window), readWorkingCopy(inputs.last()).image);
}

// A stamp cut off by the picture's edge is still written, and its log says so once per stamp,
// after the picture's written line and in the warning's colour; a stamp that fits says nothing.
void TstStampRun::stampPastTheEdgeIsWarnedOnce()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    MainWindowProbe::watermarkFont(*window) = font;
    const QString text = QStringLiteral("Past the edge");
    ui->wtrmark_edit->setText(text);
    ui->x_spin->setValue(95); // the 12 x 8 logo ends 7 pixels past a 100-pixel-wide picture
    ui->files_list->addItems({writePicture(inputPath("small.png"), QSize(100, 60)),
                              writePicture(inputPath("fits.png"), QSize(400, 300))});
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(namesIn(output()), QStringList({"fits.png", "small.png"}));
    const QSize textBox = measureText(text, font, 3780, 3780).size();
    QVERIFY(textBox.width() > 100 && textBox.width() < 400);
    const QString edge = QString::fromUtf8("Warning - the %1 runs past the edge of small.png (its "
                                           "box %2 × %3 on a 100 × 60 picture)");
    QCOMPARE(log(),
             runLog({{"small.png ... OK! (1 of 2)",
                      edge.arg("text").arg(textBox.width()).arg(textBox.height()),
                      edge.arg("logo").arg(12).arg(8)},
                     {"fits.png ... OK! (2 of 2)"}},
                    "Stamping Completed!"));
    int coloured = 0;
    for (QTextBlock block = ui->log_plain->document()->begin(); block.isValid();
         block = block.next()) {
        if (!block.text().startsWith(QLatin1String("Warning - the ")))
            continue;
        const QTextFragment first = block.begin().fragment();
        coloured += first.text() == QLatin1String("Warning")
            && first.charFormat().foreground().color() == QColor(QStringLiteral("#ffc90e"));
    }
    QCOMPARE(coloured, 2);
}

void TstStampRun::stopDuringAPicture_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes stops after the picture") << int(QMessageBox::Yes);
    QTest::newRow("No goes on") << int(QMessageBox::No);
}

// While the question is open no picture starts. After Yes no picture starts, nothing appears in
// the folder, and the pictures in flight are in place whole or discarded whole: the log names
// exactly the files written, a first part of the list.
void TstStampRun::stopDuringAPicture()
{
    QFETCH(int, answer);
    QStringList names;
    for (int i = 1; i <= 9; ++i) {
        names << QStringLiteral("p%1.png").arg(i);
        ui->files_list->addItem(writePicture(inputPath(names.last()), QSize(900, 700)));
    }

    QString buttonAfterStop;
    QStringList writtenAtYes;
    int writtenWhenAsked = 0;
    int writtenWhileAsked = 0;
    // Pressed from the event loop, as a user does, not while a picture is being shown.
    duringPicture(2, [&] {
        QTimer::singleShot(0, this, [&] {
            pressStart();
            buttonAfterStop = ui->start_btn->text();
        });
    });
    answerer->choosePath(output());
    answerer->answer([&](QWidget *box) {
        // The pictures in flight come back while the user decides; no other picture starts.
        writtenWhenAsked = writtenInLog().size();
        QElapsedTimer asked;
        asked.start();
        while (asked.elapsed() < 1000 && writtenWhileAsked <= QThread::idealThreadCount() + 1) {
            QTest::qWait(20);
            writtenWhileAsked = writtenInLog().size() - writtenWhenAsked;
        }
        writtenAtYes = namesIn(output());
        static_cast<QMessageBox *>(box)->button(QMessageBox::StandardButton(answer))->click();
    });
    if (answer == QMessageBox::No)
        answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    QTRY_VERIFY(ui->start_btn->isEnabled());

    const SeenDialog &question = answerer->seenDialogs().at(1);
    QCOMPARE(question.title, QStringLiteral("Warning"));
    QCOMPARE(question.text, QStringLiteral("Are you you want to stop stamping?"));
    const QStringList written = namesIn(output());
    QCOMPARE(writtenInLog(), written);
    QVERIFY(writtenWhileAsked <= QThread::idealThreadCount() + 1);
    if (answer == QMessageBox::Yes) {
        QCOMPARE(buttonAfterStop, QStringLiteral("Start Stamping"));
        QCOMPARE(written, writtenAtYes.filter(QRegularExpression("^p\\d\\.png$")));
        // The press is served once the pictures already back are shown, which under load can be
        // more than two; after it only those in flight are written.
        QVERIFY(written.size() >= 2);
        QVERIFY(written.size() <= writtenWhenAsked + QThread::idealThreadCount() + 1);
        QCOMPARE(written, names.mid(0, written.size()));
        QCOMPARE(log().mid(log().size() - 2), QStringList({rule, "Stamping interrupted!"}));
        QCOMPARE(answerer->seenDialogs().size(), 2);
    } else {
        QCOMPARE(buttonAfterStop, QStringLiteral("Stop"));
        QCOMPARE(written, names);
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
    // The question stays open for as long as the whole run would take: the run's end, and its
    // box, wait for the answer.
    QTest::addColumn<bool>("answerLast");
    QTest::newRow("confirmed") << int(QMessageBox::Yes) << false;
    QTest::newRow("refused") << int(QMessageBox::No) << false;
    QTest::newRow("confirmed late") << int(QMessageBox::Yes) << true;
    QTest::newRow("refused late") << int(QMessageBox::No) << true;
}

void TstStampRun::windowCloseDuringARun()
{
    QFETCH(int, answer);
    QFETCH(bool, answerLast);
    QStringList names;
    for (int i = 1; i <= 8; ++i) {
        names << QStringLiteral("p%1.png").arg(i);
        ui->files_list->addItem(writePicture(inputPath(names.last()), QSize(900, 700)));
    }

    // A box that comes up over the question is noted, and closed so that the test goes on.
    bool boxOverTheQuestion = false;
    QTimer overlapWatch;
    connect(&overlapWatch, &QTimer::timeout, this, [&] {
        QMessageBox *question = nullptr;
        QMessageBox *other = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto box = qobject_cast<QMessageBox *>(widget);
            if (box && box->isVisible())
                (box->windowTitle() == QLatin1String("Confirm") ? question : other) = box;
        }
        if (question && other) {
            boxOverTheQuestion = true;
            other->close();
        }
    });
    overlapWatch.start(10);
    // Closed from the event loop, as a user does, not while a picture is being shown.
    duringPicture(2, [&] { QTimer::singleShot(0, window.get(), [&] { window->close(); }); });
    answerer->choosePath(output());
    answerer->answer([&](QWidget *box) {
        QElapsedTimer asked;
        asked.start();
        while (answerLast && asked.elapsed() < 3000 && writtenInLog().size() < names.size())
            QTest::qWait(20);
        static_cast<QMessageBox *>(box)->button(QMessageBox::StandardButton(answer))->click();
    });
    if (answer == QMessageBox::No)
        answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    QTRY_VERIFY(!MainWindowProbe::stamping(*window) && ui->start_btn->isEnabled());

    QCOMPARE(answerer->seenDialogs().at(1).title, QStringLiteral("Confirm"));
    QVERIFY(!boxOverTheQuestion);
    const QStringList written = namesIn(output());
    QCOMPARE(writtenInLog(), written);
    if (answer == QMessageBox::Yes) {
        QVERIFY(!window->isVisible());
        QVERIFY(written.size() < names.size());
        QCOMPARE(written, names.mid(0, written.size()));
        QCOMPARE(log().mid(log().size() - 2), QStringList({rule, "Stamping interrupted!"}));
        QCOMPARE(answerer->seenDialogs().size(), 2);
    } else {
        QVERIFY(window->isVisible());
        QCOMPARE(written, names);
        QCOMPARE(log().last(), QStringLiteral("Stamping Completed!"));
        QCOMPARE(answerer->seenTitles(),
                 QStringList({"Select Output Folder", "Confirm", "Tessaro"}));
    }
}

void TstStampRun::stopAndCloseDoNotWaitForADecode_data()
{
    QTest::addColumn<bool>("close");
    QTest::newRow("Stop") << false;
    QTest::newRow("window closed") << true;
}

// Stop, or a confirmed close, while a picture is being decoded ends the run at once: the picture
// has nothing on disk, and its decoder is left to finish on its own.
void TstStampRun::stopAndCloseDoNotWaitForADecode()
{
    QFETCH(bool, close);
    // Seconds of decoding: 281 scans, each a pass over the whole picture.
    QDir().mkpath(inputPath(QString()));
    QFile slow(inputPath("slow.jpg"));
    QVERIFY(slow.open(QIODevice::WriteOnly));
    slow.write(jpegScanBomb(QSize(4096, 4096), 281));
    slow.close();
    ui->files_list->addItems({slow.fileName(), writePicture(inputPath("p2.png"))});
    const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(inotify >= 0);
    const auto closeInotify = qScopeGuard([inotify] { ::close(inotify); });
    QVERIFY(::inotify_add_watch(inotify, QFile::encodeName(inputPath(QString())).constData(),
                                IN_CLOSE_NOWRITE)
            >= 0);

    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Yes);
    pressStart();
    // Read whole, the file is closed: its decoding begins.
    QStringList closed;
    QTRY_VERIFY_WITH_TIMEOUT((closed << inotifyNames(inotify)).contains("slow.jpg"), 60000);
    if (close)
        window->close();
    else
        pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    QTRY_COMPARE(log().mid(log().size() - 2), QStringList({rule, "Stamping interrupted!"}));
    QVERIFY(busyOtherThreads(300) > 0);
    QCOMPARE(namesIn(output()), QStringList());
    QVERIFY(ui->start_btn->isEnabled());
}

// Writing fails for the second picture (it is larger than the files the process may write); the
// reason is logged, no OK line follows, the bar still moves and the other pictures are written.
// The end of the run counts the failure and shows the Results tab, wherever the user was
// meanwhile.
void TstStampRun::failedWriteIsLoggedAndTheRunGoesOn()
{
    QDir().mkpath(inputPath(QString()));
    QVERIFY(noisePicture(QSize(300, 300)).save(inputPath("big.png")));
    ui->files_list->addItems({writePicture(inputPath("p1.png")), inputPath("big.png"),
                              writePicture(inputPath("p3.png"))});
    // Files of more than 16 KiB cannot be written.
    rlimit fileSizeLimit {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &fileSizeLimit), 0);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit small {16 * 1024, fileSizeLimit.rlim_max};
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto restore = qScopeGuard([&] { ::setrlimit(RLIMIT_FSIZE, &fileSizeLimit); });
    int barAfterFailure = -1;
    int tabAtTheEnd = -1;
    duringPicture(3, [&] {
        barAfterFailure = ui->prog_bar->value();
        ui->main_tab->setCurrentIndex(0);
    });
    answerer->choosePath(output());
    answerer->answer([&](QWidget *box) {
        tabAtTheEnd = ui->main_tab->currentIndex();
        static_cast<QMessageBox *>(box)->button(QMessageBox::Ok)->click();
    });
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QCOMPARE(answerer->seenDialogs().at(1).text, done);
    QCOMPARE(answerer->seenDialogs().at(1).informativeText,
             QStringLiteral("1 of 3 pictures was not written. The Results tab lists it."));
    QCOMPARE(tabAtTheEnd, 1);
    QCOMPARE(log(),
             runLog({{"p1.png ... OK! (1 of 3)"},
                     {"Cannot write big.png to " + output() + ": " + qt_error_string(EFBIG)},
                     {"p3.png ... OK! (3 of 3)"}},
                    "Stamping Completed!"));
    QCOMPARE(barAfterFailure, 1);
    QCOMPARE(namesIn(output()), QStringList({"p1.png", "p3.png"}));
}

void TstStampRun::entriesAreReadWhenHandedOut_data()
{
    QTest::addColumn<bool>("clear");
    QTest::newRow("entries changed and removed") << false;
    QTest::newRow("list cleared") << true;
}

// A file that does not decode is reported and skipped, a missing one only separated. An entry
// is looked at when its picture is handed out, at most one per worker and one more ahead: a
// later entry changed, removed or cleared meanwhile is read as it is then, or not at all.
void TstStampRun::entriesAreReadWhenHandedOut()
{
    QFETCH(bool, clear);
    const QString bad = inputPath("bad.png");
    QDir().mkpath(QFileInfo(bad).absolutePath());
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    QString reason;
    QVERIFY(readPicture(bad, &reason).isNull());
    ui->files_list->addItems({writePicture(inputPath("p1.png")), bad, inputPath("missing.png")});
    const int inFlight = QThread::idealThreadCount() + 1;
    for (int i = 4; i <= inFlight + 4; ++i)
        ui->files_list->addItem(writePicture(inputPath(QStringLiteral("p%1.png").arg(i))));
    const int count = ui->files_list->count();
    const QString changed = inputPath(QStringLiteral("p%1.png").arg(count - 1));
    const QString other = writePicture(inputPath("other.png"), QSize(20, 10), qRgb(0, 0, 255));

    duringPicture(1, [&] {
        if (clear) {
            ui->files_list->clear();
            return;
        }
        writePicture(changed, QSize(30, 30), qRgb(0, 255, 0));
        ui->files_list->item(count - 3)->setText(other);
        delete ui->files_list->item(count - 1);
    });
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QStringList expected {"p1.png"};
    for (int i = 4; i <= qMin(inFlight, count); ++i)
        expected << QStringLiteral("p%1.png").arg(i);
    if (!clear) {
        for (int i = inFlight + 1; i <= count - 3; ++i)
            expected << QStringLiteral("p%1.png").arg(i);
        expected << "other.png" << QFileInfo(changed).fileName();
    }
    expected.sort();
    QCOMPARE(namesIn(output()), expected);
    const QStringList lines = log();
    QCOMPARE(lines.mid(0, 7),
             runLog({{"p1.png ... OK! (1 of " + QString::number(clear ? 0 : count - 1) + ")"},
                     {unreadableLine(bad, reason)},
                     {}},
                    QString())
                 .mid(0, 7));
    QCOMPARE(lines.last(), QStringLiteral("Stamping Completed!"));
    const QString notWritten = answerer->seenDialogs().at(1).informativeText;
    QVERIFY2(notWritten.startsWith("2 of ")
                 && notWritten.endsWith(" pictures were not written. The Results tab lists those "
                                        "that could not be read or written; 1 no longer existed."),
             qPrintable(notWritten));
    if (!clear) {
        QCOMPARE(notWritten.section(QLatin1Char(' '), 2, 2).toInt(), count - 1);
        QCOMPARE(QImage(outputPath("other.png")).size(), QSize(20, 10));
        QCOMPARE(QImage(outputPath(QFileInfo(changed).fileName())).size(), QSize(30, 30));
    }
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

void TstStampRun::outputEqualsThePreview_data()
{
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QSize>("sourceSize");
    QTest::newRow("top left") << "topleft"
                              << "png" << QSize(160, 120);
    // The stamps' places depend on the resized picture's size here.
    QTest::newRow("bottom right") << "botright"
                                  << "png" << QSize(160, 120);
    // Read at the first box's size when selected, then again at the second's, as the run reads it.
    QTest::newRow("jpeg much larger than the box") << "botright"
                                                   << "jpg" << QSize(1600, 1200);
}

// What is written is what the preview showed, once the preview scales smoothly as the run does,
// with the stamps where the position puts them on the resized picture.
void TstStampRun::outputEqualsThePreview()
{
    QFETCH(QString, position);
    QFETCH(QString, source);
    QFETCH(QSize, sourceSize);
    QImage photo(sourceSize, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y,
                           qRgb(x * 255 / photo.width(), y * 255 / photo.height(), (x * y) % 256));
    }
    const QString path = inputPath("photo." + source);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(photo.save(path, nullptr, 95));
    QImage logo(12, 8, QImage::Format_ARGB32);
    logo.fill(qRgb(0, 255, 0));
    MainWindowProbe::logoImage(*window) = logo;
    window->findChild<QAbstractButton *>("txt_" + position + "_btn")->setChecked(true);
    window->findChild<QAbstractButton *>("logo_" + position + "_btn")->setChecked(true);
    ui->txt_x_spin->setValue(position == "topleft" ? 20 : -3);
    ui->txt_y_spin->setValue(position == "topleft" ? 20 : -2);
    ui->resize_check->setChecked(true);
    ui->aspect_check->setChecked(true);
    ui->width_spin->setValue(50);
    ui->height_spin->setValue(50);
    ui->shadow_spin->setValue(9);
    ui->wtrmark_edit->setText(QStringLiteral("Preview = output"));
    answerer->pressButton(QMessageBox::Ok);
    ui->smooth_check->setChecked(true);
    QVERIFY(answerer->waitUntilAnswered());
    ui->files_list->addItem(path);
    ui->files_list->setCurrentRow(0);
    // A box of another size after the picture is shown.
    ui->width_spin->setValue(100);
    ui->height_spin->setValue(100);

    const QImage preview = MainWindowProbe::stampedImage(*window).copy();
    QCOMPARE(preview.size(), QSize(100, 75));

    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    const QImage written = QImage(outputPath("photo.png")).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(written, preview.convertToFormat(QImage::Format_ARGB32));
    const QPoint logoCorner = position == "topleft" ? QPoint(0, 0) : QPoint(88, 67);
    QCOMPARE(written.pixel(logoCorner), qRgb(0, 255, 0));
    QCOMPARE(written.pixel(logoCorner + QPoint(11, 7)), qRgb(0, 255, 0));
}

void TstStampRun::transparentPictureShowsAsWritten_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("jpg, over white") << "jpg";
    QTest::newRow("png, transparency kept") << "png";
    QTest::newRow("tif, transparency kept") << "tif";
    QTest::newRow("webp, transparency kept") << "webp";
    QTest::newRow("avif, transparency kept") << "avif";
}

// What a picture leaves transparent (here its left half, black under the transparency) shows as
// the chosen format writes it: over white where the format keeps no transparency, and written so;
// over a light checkerboard where it keeps it. Switching the format shows the change at once.
void TstStampRun::transparentPictureShowsAsWritten()
{
    QFETCH(QString, format);
    QImage source(64, 48, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 32; x < source.width(); ++x)
            source.setPixel(x, y, qRgb(30, 140, 60));
    }
    const QString path = inputPath("clear.png");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(source.save(path));
    ui->shadow_spin->setValue(0);
    ui->actual_radio->setChecked(true);
    (format == "jpg" ? ui->outpng_radio : ui->outjpg_radio)->setChecked(true);
    ui->files_list->addItem(path);
    ui->files_list->setCurrentRow(0);
    window->findChild<QRadioButton *>("out" + format + "_radio")->setChecked(true);
    QApplication::processEvents();

    auto previewLabel = MainWindowProbe::previewLabel(*window);
    const QImage shown = previewLabel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), source.size());
    QSet<QRgb> underTransparency; // below the logo and above the text
    for (int y = 10; y < 18; ++y) {
        for (int x = 0; x < 16; ++x)
            underTransparency << shown.pixel(x, y);
    }
    QCOMPARE(shown.pixel(48, 8), qRgb(30, 140, 60));
    if (format == "jpg") {
        QCOMPARE(underTransparency, QSet<QRgb> {qRgb(255, 255, 255)});
    } else {
        QCOMPARE(underTransparency.size(), 2);
        for (QRgb colour : underTransparency)
            QVERIFY(qRed(colour) >= 0xd0 && qRed(colour) == qGreen(colour));
    }

    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    const QImage written(outputPath("clear." + format));
    QCOMPARE(written.size(), source.size());
    if (format == "png" || format == "tif")
        QCOMPARE(written.pixel(48, 8), qRgb(30, 140, 60));
    else
        QVERIFY(isNearColor(written.pixel(48, 8), shown.pixel(48, 8), 6));
    if (format == "jpg")
        QVERIFY(isNearColor(written.pixel(4, 14), shown.pixel(4, 14), 6));
    else
        QCOMPARE(qAlpha(written.pixel(4, 14)), 0);
}

void TstStampRun::qualityIsApplied_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("jpg") << "jpg";
    QTest::newRow("webp") << "webp";
    QTest::newRow("avif") << "avif";
}

// The slider's quality goes to the encoder of each format that takes one, which writes the
// stamped picture the preview shows.
void TstStampRun::qualityIsApplied()
{
    QFETCH(QString, format);
    QImage photo(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb((x * 37) % 256, (y * 59) % 256, (x * y) % 256));
    }
    const QString path = inputPath("photo.png");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(photo.save(path));
    ui->files_list->addItem(path);
    window->findChild<QRadioButton *>("out" + format + "_radio")->setChecked(true);
    ui->comp_slider->setValue(37);
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    const auto encoded = [&](int quality) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format.toLatin1());
        writer.setQuality(quality);
        writer.write(MainWindowProbe::stampedImage(*window));
        return buffer.data();
    };
    const QByteArray written = fileBytes(outputPath("photo." + format));
    QCOMPARE(written, encoded(37));
    QVERIFY(written != encoded(90));
    QCOMPARE(ui->prog_bar->maximum(), 0);
    QCOMPARE(ui->prog_bar->value(), 0);
}

// Every format is read by its content, whatever the suffix says, and a photo taken on its side is
// written upright. The pictures stamped at once come out byte for byte as stamped one at a time,
// a name two of them want going to the first.
void TstStampRun::mixedFormatsAndOrientation()
{
    ui->wtrmark_edit->setText(QString());
    MainWindowProbe::logoImage(*window) = QImage();
    ui->shadow_spin->setValue(0);
    QImage translucent(30, 20, QImage::Format_ARGB32);
    translucent.fill(qRgba(200, 100, 50, 90));
    QVERIFY(QDir().mkpath(inputPath(QString())));
    QVERIFY(translucent.save(inputPath("e.png")));
    const QStringList inputs
        = {writePicture(inputPath("a.bmp"), QSize(20, 10), qRgb(255, 0, 0)),
           writePicture(inputPath("b.tif"), QSize(20, 10), qRgb(0, 255, 0)),
           writePicture(inputPath("c.jpeg"), QSize(20, 10), qRgb(0, 0, 255)),
           writePicture(inputPath("d.jpg"), QSize(20, 10), qRgb(9, 9, 9), "png"),
           inputPath("e.png"),
           writePicture(dir->filePath("again/a.png"), QSize(20, 10), qRgb(1, 2, 3))};
    QImage sideways(40, 20, QImage::Format_RGB32);
    sideways.fill(qRgb(0, 0, 255));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x)
            sideways.setPixel(x, y, qRgb(255, 0, 0));
    }
    QVERIFY(writeJpegWithOrientation(inputPath("side.jpg"), sideways, 6));
    ui->files_list->addItems(inputs);
    ui->files_list->addItem(inputPath("side.jpg"));
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    const QStringList written = namesIn(output());
    QCOMPARE(written.size(), 7);
    QVERIFY(written.at(1).startsWith("a_"));
    QCOMPARE(written.mid(2), QStringList({"b.png", "c.png", "d.png", "e.png", "side.png"}));
    QCOMPARE(QImage(outputPath("a.png")).pixel(5, 5), qRgb(255, 0, 0));
    QCOMPARE(QImage(outputPath(written.at(1))).pixel(5, 5), qRgb(1, 2, 3));
    QCOMPARE(QImage(outputPath("b.png")).pixel(5, 5), qRgb(0, 255, 0));
    QCOMPARE(QImage(outputPath("d.png")).pixel(5, 5), qRgb(9, 9, 9));
    const QImage upright(outputPath("side.png"));
    QCOMPARE(upright.size(), QSize(20, 40));
    QVERIFY(qRed(upright.pixel(10, 5)) > 200 && qBlue(upright.pixel(10, 5)) < 50);
    QVERIFY(qBlue(upright.pixel(10, 35)) > 200 && qRed(upright.pixel(10, 35)) < 50);

    StampJob job = MainWindowProbe::stampJob(*window);
    job.stamp.transformMode = Qt::SmoothTransformation;
    job.outputFolder = dir->filePath("one-at-a-time");
    QVERIFY(QDir().mkpath(job.outputFolder));
    for (int i = 0; i < ui->files_list->count(); ++i)
        QVERIFY(!stampFile(ui->files_list->item(i)->text(), job).outcome.output.isEmpty());
    const QStringList alone = namesIn(job.outputFolder);
    QCOMPARE(alone.size(), written.size());
    for (int i = 0; i < written.size(); ++i)
        QCOMPARE(fileBytes(outputPath(written.at(i))),
                 fileBytes(job.outputFolder + "/" + alone.at(i)));
}

void TstStampRun::colourSpaceIsKept_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QColorSpace>("space");
    QTest::addColumn<QColorSpace>("written");
    const QColorSpace wide(QColorSpace::DisplayP3);
    for (const char *input : {"png", "jpg"}) {
        for (const char *output : {"jpg", "png", "tif", "webp", "avif"})
            QTest::addRow("%s to %s", input, output) << input << output << wide << wide;
    }
    // An AVIF names the primaries of sRGB and Display P3 alone.
    QTest::newRow("Adobe RGB to avif, converted into sRGB")
        << "png"
        << "avif" << QColorSpace(QColorSpace::AdobeRgb) << QColorSpace(QColorSpace::SRgb);
}

// The written file states the picture's colour space, or one its format can state, and holds
// the colours the source shows.
void TstStampRun::colourSpaceIsKept()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QColorSpace, space);
    QFETCH(QColorSpace, written);
    QImage source(32, 24, QImage::Format_RGB32);
    source.fill(qRgb(200, 40, 30));
    source.setColorSpace(space);
    const QString path = inputPath("wide." + input);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(source.save(path));
    ui->files_list->addItem(path);
    window->findChild<QRadioButton *>("out" + output + "_radio")->setChecked(true);
    // No stamp over the colours.
    ui->wtrmark_edit->setText(QString());
    MainWindowProbe::logoImage(*window) = QImage();
    ui->shadow_spin->setValue(0);
    answerer->choosePath(this->output());
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    const QImage stamped(outputPath("wide." + output));
    QCOMPARE(stamped.colorSpace(), written);
    const QRgb shown = source.convertedToColorSpace(written).pixel(16, 12);
    const QRgb kept = stamped.pixel(16, 12);
    QVERIFY2(isNearColor(kept, shown, 6),
             qPrintable(QString::number(kept, 16) + " for " + QString::number(shown, 16)));
}

// The run happens beside the window's event loop: a click made while pictures are stamped is
// served at once, before the run ends.
void TstStampRun::windowAnswersDuringARun()
{
    for (int i = 1; i <= 6; ++i)
        ui->files_list->addItem(
            writePicture(inputPath(QStringLiteral("p%1.png").arg(i)), QSize(1800, 1200)));
    ui->actual_radio->setChecked(true);
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(MainWindowProbe::stamping(*window));
    QTest::mouseClick(ui->fit_radio, Qt::LeftButton);
    QVERIFY(ui->fit_radio->isChecked());
    QVERIFY(MainWindowProbe::stamping(*window));
    QVERIFY(!log().contains(QStringLiteral("Stamping Completed!")));
    QVERIFY(answerer->waitUntilAnswered());
    QCOMPARE(namesIn(output()).size(), 6);
}

// The text's size in pixels does not follow the screen: the preview and the written file are
// the same at 96 and at 192 dots per inch.
void TstStampRun::sameStampAtAnyScreenResolution()
{
    QByteArrayList previews;
    QByteArrayList outputs;
    for (const char *dpi : {"96", "192"}) {
        const QString out = dir->filePath(QStringLiteral("at-") + dpi);
        QVERIFY(QDir().mkpath(out));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_FONT_DPI", dpi);
        environment.insert("TESSARO_STAMP_TEST_OUTPUT", out);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"stampAtThisScreenResolution"});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
        previews << fileBytes(out + "/preview.png");
        outputs << fileBytes(out + "/output.png");
        QVERIFY(!previews.last().isEmpty() && !outputs.last().isEmpty());
    }
    QCOMPARE(previews.at(1), previews.at(0));
    QCOMPARE(outputs.at(1), outputs.at(0));
}

// Run by sameStampAtAnyScreenResolution in a process of its own, whose screen resolution the
// environment sets: saves the preview and runs the window into the folder it names.
void TstStampRun::stampAtThisScreenResolution()
{
    const QString out = qEnvironmentVariable("TESSARO_STAMP_TEST_OUTPUT");
    if (out.isEmpty())
        QSKIP("runs in a process of its own");
    // Test programs pin 96 dots per inch; this one is to follow the screen.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, false);
    ui->wtrmark_edit->setText(QStringLiteral("Same size at any resolution"));
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(qRgb(90, 120, 150));
    photo.setDotsPerMeterX(2835); // 72 dots per inch, whatever the screen
    photo.setDotsPerMeterY(2835);
    QVERIFY(photo.save(out + "/input.png"));
    ui->files_list->addItem(out + "/input.png");
    ui->files_list->setCurrentRow(0);
    QVERIFY(MainWindowProbe::stampedImage(*window).save(out + "/preview.png"));
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    QVERIFY(QFile::rename(outputPath("input.png"), out + "/output.png"));
}

void TstStampRun::logKeepsTheNewestLineInView_data()
{
    QTest::addColumn<bool>("userLooksElsewhere");
    QTest::addColumn<bool>("userScrollsUp");
    QTest::newRow("follows") << false << false;
    QTest::newRow("follows after a look at the settings") << true << false;
    QTest::newRow("user scrolled up") << false << true;
}

// The log follows its newest line through a run, unless the user has scrolled away from it.
void TstStampRun::logKeepsTheNewestLineInView()
{
    QFETCH(bool, userLooksElsewhere);
    QFETCH(bool, userScrollsUp);
    window->resize(900, 500);
    for (int i = 1; i <= 30; ++i)
        ui->files_list->addItem(writePicture(inputPath(QStringLiteral("p%1.png").arg(i)), {8, 8}));
    QScrollBar *bar = ui->log_plain->verticalScrollBar();
    bool newestInViewDuringRun = false;
    if (userLooksElsewhere) {
        duringPicture(5, [this] { ui->main_tab->setCurrentIndex(0); });
        duringPicture(12, [this] { ui->main_tab->setCurrentIndex(1); });
    }
    // As the user would, between two lines, not while one is added.
    duringPicture(20, [&] {
        QTimer::singleShot(0, this, [&] {
            newestInViewDuringRun = bar->maximum() > 0 && bar->value() == bar->maximum();
            if (userScrollsUp)
                bar->triggerAction(QAbstractSlider::SliderToMinimum);
        });
    });
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());

    QVERIFY(newestInViewDuringRun);
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), userScrollsUp ? 0 : bar->maximum());
}

// The output folder dialog opens where the last run wrote, also after a restart, unless that
// folder is gone.
void TstStampRun::folderDialogStartsWhereTheLastRunWrote()
{
    ui->files_list->addItem(writePicture(inputPath("a.png")));
    QStringList startFolders;
    const auto noteStartAndCancel = [&startFolders](QWidget *dialog) {
        startFolders << qobject_cast<QFileDialog *>(dialog)->directory().absolutePath();
        static_cast<QDialog *>(dialog)->reject();
    };
    answerer->answer(noteStartAndCancel);
    pressStart();
    answerer->choosePath(output());
    answerer->pressButton(QMessageBox::Ok);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    answerer->answer(noteStartAndCancel);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    QCOMPARE(startFolders, QStringList({QDir::currentPath(), output()}));

    window.reset();
    QSettings store(QStringLiteral("Korvath"), QStringLiteral("Tessaro"));
    QCOMPARE(store.value(QStringLiteral("last_output_folder")).toString(), output());
    QDir(output()).removeRecursively();
    window = std::make_unique<MainWindow>();
    ui = MainWindowProbe::ui(*window);
    answerer = new DialogAnswerer(window.get());
    ui->files_list->addItem(inputPath("a.png"));
    answerer->answer(noteStartAndCancel);
    pressStart();
    QVERIFY(answerer->waitUntilAnswered());
    QVERIFY(startFolders.last() != output());
}

void TstStampRun::photoInformationBoxesReachTheJob_data()
{
    QTest::addColumn<bool>("clickKeep");
    QTest::addColumn<bool>("clickRemove");
    QTest::addColumn<bool>("keepMetadata");
    QTest::addColumn<bool>("keepLocation");
    QTest::addColumn<bool>("removeEnabled");
    QTest::newRow("defaults") << false << false << true << false << true;
    QTest::newRow("location kept") << false << true << true << true << true;
    QTest::newRow("information left out") << true << false << false << false << false;
    // A click on the disabled box changes nothing.
    QTest::newRow("left out, then the location box clicked")
        << true << true << false << false << false;
}

void TstStampRun::photoInformationBoxesReachTheJob()
{
    QFETCH(bool, clickKeep);
    QFETCH(bool, clickRemove);
    QFETCH(bool, keepMetadata);
    QFETCH(bool, keepLocation);
    QFETCH(bool, removeEnabled);
    // On the box itself: the widget is wider than its text.
    const auto click = [](QCheckBox *box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    };
    if (clickKeep)
        click(ui->keepinfo_check);
    if (clickRemove)
        click(ui->dropgps_check);

    QCOMPARE(ui->dropgps_check->isEnabled(), removeEnabled);
    const StampJob job = MainWindowProbe::stampJob(*window);
    QCOMPARE(job.keepMetadata, keepMetadata);
    QCOMPARE(job.keepLocation, keepLocation);
}

QTEST_MAIN(TstStampRun)
#include "tst_stamprun.moc"
