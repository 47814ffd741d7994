// The control handlers: paired controls, positions, resizing, the dialogs and the credits.
#include "support/dialoganswerer.h"
#include "support/testenv.h"
#include "support/watchdog.h"
#include "support/windowfixture.h"
#include "ui_mainwindow.h"
#include "window/widgets/qclickablelabel.h"
#include "window/widgets/startfolder.h"

#include <QtTest>
#include <QtWidgets>
#include <qtestspontaneevent.h>

#include <sys/stat.h>

namespace {

QString writePicture(const QTemporaryDir &dir, const QString &name, const QSize &size,
                     QRgb color = qRgb(90, 120, 150))
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(color);
    const QString path = dir.filePath(name);
    if (!picture.save(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Every href of a rich text.
QStringList linkTargets(const QString &richText)
{
    QStringList targets;
    QRegularExpressionMatchIterator links
        = QRegularExpression(QStringLiteral("href=\"([^\"]*)\"")).globalMatch(richText);
    while (links.hasNext())
        targets << links.next().captured(1);
    return targets;
}

// Turns the wheel one notch down over the middle of `control`, as the platform delivers it: to the
// innermost widget under the pointer, from where the toolkit passes it on to the parents.
void turnWheelOver(QWidget *control)
{
    const QPoint inWindow = control->mapTo(control->window(), control->rect().center());
    QWidget *under = control->window()->childAt(inWindow);
    const QPoint local = under->mapFrom(control->window(), inWindow);
    QWheelEvent wheel(local, under->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    // As the toolkit's own test functions do: sendEvent() would mark the event as synthetic.
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(under, &wheel);
}

} // namespace

class TstHandlers : public QObject, private WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyScaleSliderPositionSettles();
    void scaleAboveTheSliderNeedsASecondEntry();
    void shadowPairAgrees_data();
    void shadowPairAgrees();
    void positionClickResetsTheOffset_data();
    void positionClickResetsTheOffset();
    void heightIsComparedWithTheShadow_data();
    void heightIsComparedWithTheShadow();
    void resizeControlsPlaceForTheNewSize_data();
    void resizeControlsPlaceForTheNewSize();
    void resizeCheckEnablesTheSizeControls();
    void cautionEveryTimeSmoothIsTurnedOn();
    void logoDialogAndClearingTheLogo();
    void cancelledDialogsChangeNothing();
    void undecodableLogoRemovesTheThumbnail_data();
    void undecodableLogoRemovesTheThumbnail();
    void colourAndFontDialogs();
    void creditsBoxes();
    void startFolderIsPicturesWhenItExists();
    void wheelChangesOnlyAFocusedControl_data();
    void wheelChangesOnlyAFocusedControl();
    void shortcutsPressTheButtons();

private:
    void selectPicture(const QSize &size);
    QImage &stamped() { return MainWindowProbe::stampedImage(*window); }
    QPixmap previewPixmap()
    {
        return MainWindowProbe::previewLabel(*window)->pixmap(Qt::ReturnByValue);
    }
};

void TstHandlers::initTestCase()
{
    initTestApplication();
}

void TstHandlers::init()
{
    createWindow();
    ui->resize_check->setChecked(false);
    ui->wtrmark_edit->setText(QStringLiteral("Handlers"));
    QVERIFY(showWindow());
}

void TstHandlers::cleanup()
{
    destroyWindow();
}

void TstHandlers::selectPicture(const QSize &size)
{
    ui->files_list->addItem(writePicture(*dir, QStringLiteral("picture.png"), size));
    ui->files_list->setCurrentRow(ui->files_list->count() - 1);
}

// Truncating the scale back to hundredths lowers some positions once or more before the
// exchange between slider and spin box comes to rest.
void TstHandlers::everyScaleSliderPositionSettles()
{
    QMap<int, int> settlesAt;
    for (int position : {29, 57, 113, 201, 203, 205, 207, 226, 228, 230, 232, 251, 253, 255})
        settlesAt[position] = position - 1;
    settlesAt[58] = 56;
    for (int position : {114, 115, 116})
        settlesAt[position] = 112;

    for (int position = 1; position <= 400; ++position) {
        ui->scale_slider->setValue(position);
        const int expected = settlesAt.value(position, position);
        QVERIFY2(ui->scale_slider->value() == expected,
                 qPrintable(QStringLiteral("position %1 settled at %2")
                                .arg(position)
                                .arg(ui->scale_slider->value())));
        QCOMPARE(ui->scale_spin->value(), expected / 100.0);
    }
}

void TstHandlers::scaleAboveTheSliderNeedsASecondEntry()
{
    ui->scale_spin->setValue(5.0);
    QCOMPARE(ui->scale_slider->value(), 400);
    QCOMPARE(ui->scale_spin->value(), 4.0);
    ui->scale_spin->setValue(5.0);
    QCOMPARE(ui->scale_slider->value(), 400);
    QCOMPARE(ui->scale_spin->value(), 5.0);
}

void TstHandlers::shadowPairAgrees_data()
{
    QTest::addColumn<bool>("moveSlider");
    QTest::addColumn<int>("value");
    QTest::newRow("slider to 0") << true << 0;
    QTest::newRow("slider to 321") << true << 321;
    QTest::newRow("slider to 1000") << true << 1000;
    QTest::newRow("spin to 0") << false << 0;
    QTest::newRow("spin to 77") << false << 77;
    QTest::newRow("spin to 1000") << false << 1000;
}

void TstHandlers::shadowPairAgrees()
{
    QFETCH(bool, moveSlider);
    QFETCH(int, value);
    if (moveSlider)
        ui->shadow_slider->setValue(value);
    else
        ui->shadow_spin->setValue(value);
    QCOMPARE(ui->shadow_spin->value(), value);
    QCOMPARE(ui->shadow_slider->value(), value);
}

// A click on the bottom-right button resets the offset to (0, 0) and leaves the stamp flush with
// the picture's bottom-right corner.
void TstHandlers::positionClickResetsTheOffset_data()
{
    QTest::addColumn<bool>("logo");
    QTest::newRow("text") << false;
    QTest::newRow("logo") << true;
}

void TstHandlers::positionClickResetsTheOffset()
{
    QFETCH(bool, logo);
    QImage logoImage(40, 30, QImage::Format_ARGB32);
    logoImage.fill(Qt::red);
    MainWindowProbe::logoImage(*window) = logoImage;
    selectPicture(QSize(400, 300));
    QSpinBox *xSpin = logo ? ui->x_spin : ui->txt_x_spin;
    QSpinBox *ySpin = logo ? ui->y_spin : ui->txt_y_spin;
    xSpin->setValue(25);
    ySpin->setValue(40);

    QTest::mouseClick(logo ? ui->logo_botright_btn : ui->txt_botright_btn, Qt::LeftButton);

    QCOMPARE(xSpin->value(), 0);
    QCOMPARE(ySpin->value(), 0);
    const QSize box = logo ? logoImage.size() : MainWindowProbe::textRect(*window).size();
    const QPoint topLeft
        = logo ? MainWindowProbe::logoPos(*window) : MainWindowProbe::textPos(*window);
    QCOMPARE(topLeft, QPoint(400 - box.width(), 300 - box.height()));
}

void TstHandlers::heightIsComparedWithTheShadow_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("renders");
    QTest::newRow("below the band") << 400 << false;
    QTest::newRow("equal to the band") << 500 << false;
    QTest::newRow("above the band") << 501 << true;
}

void TstHandlers::heightIsComparedWithTheShadow()
{
    QFETCH(int, height);
    QFETCH(bool, renders);
    selectPicture(QSize(64, 48));
    ui->shadow_spin->setValue(500);
    const QImage untouched(3, 3, QImage::Format_ARGB32);
    stamped() = untouched;

    ui->height_spin->setValue(height);

    QCOMPARE(stamped() != untouched, renders);
}

// Each of these changes the picture's size, so it renders twice: the second pass places the
// stamp by the size the first one produced.
void TstHandlers::resizeControlsPlaceForTheNewSize_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QSize>("size");
    QTest::newRow("resize_check") << "resize_check" << QSize(800, 640);
    QTest::newRow("width_spin") << "width_spin" << QSize(1000, 640);
    QTest::newRow("height_spin") << "height_spin" << QSize(800, 900);
    QTest::newRow("aspect_check") << "aspect_check" << QSize(800, 600);
    QTest::newRow("noenlarge_check") << "noenlarge_check" << QSize(400, 300);
    // The text drawn twice as large is placed by its new box.
    QTest::newRow("referenceside_spin") << "referenceside_spin" << QSize(800, 640);
}

void TstHandlers::resizeControlsPlaceForTheNewSize()
{
    QFETCH(QString, control);
    QFETCH(QSize, size);
    ui->txt_botright_btn->setChecked(true);
    selectPicture(QSize(400, 300));
    ui->width_spin->setValue(800);
    ui->height_spin->setValue(640);
    if (control != QLatin1String("resize_check"))
        ui->resize_check->setChecked(true);

    if (control == QLatin1String("resize_check"))
        ui->resize_check->setChecked(true);
    else if (control == QLatin1String("width_spin"))
        ui->width_spin->setValue(1000);
    else if (control == QLatin1String("height_spin"))
        ui->height_spin->setValue(900);
    else if (control == QLatin1String("noenlarge_check"))
        ui->noenlarge_check->setChecked(true);
    else if (control == QLatin1String("referenceside_spin")) {
        ui->scalestamp_check->setChecked(true);
        ui->referenceside_spin->setValue(320);
    } else
        ui->aspect_check->setChecked(true);

    QCOMPARE(stamped().size(), size);
    const QSize text = MainWindowProbe::textRect(*window).size();
    QCOMPARE(MainWindowProbe::textPos(*window),
             QPoint(size.width() - text.width(), size.height() - text.height()));
}

void TstHandlers::resizeCheckEnablesTheSizeControls()
{
    const QList<QWidget *> sizeControls
        = {ui->width_spin, ui->height_spin, ui->aspect_check, ui->noenlarge_check};
    for (QWidget *control : sizeControls)
        QVERIFY(!control->isEnabled());
    ui->resize_check->setChecked(true);
    for (QWidget *control : sizeControls)
        QVERIFY(control->isEnabled());
}

void TstHandlers::cautionEveryTimeSmoothIsTurnedOn()
{
    const QString caution = QStringLiteral(
        "Turning this on might make Tessaro work slower,<br>because it will use more CPU "
        "power for smooth resizing!<br>I recommend keeping this off because it only affects "
        "preview mode.<br>You will have high quality images produced regardless of this "
        "option.");
    for (int round = 0; round < 2; ++round) {
        DialogAnswerer onAnswerer;
        onAnswerer.pressButton(QMessageBox::Ok);
        ui->smooth_check->setChecked(true);
        QVERIFY(onAnswerer.waitUntilAnswered());
        QCOMPARE(onAnswerer.seenDialogs().size(), 1);
        QCOMPARE(onAnswerer.seenDialogs().first().title, QStringLiteral("Caution"));
        QCOMPARE(onAnswerer.seenDialogs().first().text, caution);
        QCOMPARE(MainWindowProbe::transformMode(*window), Qt::SmoothTransformation);

        // Would close a box if one came up; none may.
        DialogAnswerer offGuard;
        offGuard.closeWindow();
        ui->smooth_check->setChecked(false);
        QVERIFY(offGuard.seenDialogs().isEmpty());
        QCOMPARE(MainWindowProbe::transformMode(*window), Qt::FastTransformation);
    }
}

void TstHandlers::logoDialogAndClearingTheLogo()
{
    ui->actual_radio->setChecked(true);
    ui->wtrmark_edit->clear();
    selectPicture(QSize(200, 100));
    const QString logoPath
        = writePicture(*dir, QStringLiteral("logo.png"), QSize(20, 10), qRgb(255, 0, 0));

    DialogAnswerer answerer;
    QString startFolder;
    QStringList filters;
    answerer.answer([&](QWidget *dialog) {
        auto fileDialog = qobject_cast<QFileDialog *>(dialog);
        startFolder = fileDialog->directory().absolutePath();
        filters = fileDialog->nameFilters();
        fileDialog->reject();
    });
    answerer.choosePath(logoPath);
    QTest::mouseClick(ui->browse_logo_btn, Qt::LeftButton);
    QTest::mouseClick(ui->browse_logo_btn, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(answerer.seenTitles(), QStringList({"Open Logo", "Open Logo"}));
    QCOMPARE(startFolder, QDir(pictureStartFolder()).absolutePath());
    QCOMPARE(filters, pictureDialogFilter().split(";;"));
    QCOMPARE(MainWindowProbe::logoFileName(*window), logoPath);
    QCOMPARE(MainWindowProbe::logoImage(*window).size(), QSize(20, 10));
    QVERIFY(!ui->logo_label->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(stamped().pixel(5, 5), qRgb(255, 0, 0));

    QTest::mouseClick(ui->clear_logo_btn, Qt::LeftButton);

    QVERIFY(MainWindowProbe::logoFileName(*window).isEmpty());
    QVERIFY(MainWindowProbe::logoImage(*window).isNull());
    QVERIFY(ui->logo_label->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(stamped().pixel(5, 5), qRgb(90, 120, 150));
    QCOMPARE(previewPixmap().toImage().pixel(5, 5), qRgb(90, 120, 150));
}

// Cancelling keeps what was there: the logo with its path, the colour, the font.
void TstHandlers::cancelledDialogsChangeNothing()
{
    const QString logoPath = writePicture(*dir, QStringLiteral("logo.png"), QSize(20, 10));
    MainWindowProbe::logoFileName(*window) = logoPath;
    MainWindowProbe::logoImage(*window) = QImage(logoPath);
    const QColor color = MainWindowProbe::fontColor(*window);
    const QFont font = MainWindowProbe::watermarkFont(*window);

    DialogAnswerer answerer;
    for (int dialog = 0; dialog < 3; ++dialog)
        answerer.cancelDialog();
    QTest::mouseClick(ui->browse_logo_btn, Qt::LeftButton);
    QTest::mouseClick(ui->font_color_btn, Qt::LeftButton);
    QTest::mouseClick(ui->font_btn, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(MainWindowProbe::logoFileName(*window), logoPath);
    QCOMPARE(MainWindowProbe::logoImage(*window).size(), QSize(20, 10));
    QCOMPARE(MainWindowProbe::fontColor(*window), color);
    QCOMPARE(MainWindowProbe::watermarkFont(*window), font);
}

void TstHandlers::undecodableLogoRemovesTheThumbnail_data()
{
    QTest::addColumn<bool>("namedPipe");
    QTest::newRow("not a picture") << false;
    // Opening a pipe for reading waits for a writer: it must not even be opened.
    QTest::newRow("named pipe") << true;
}

void TstHandlers::undecodableLogoRemovesTheThumbnail()
{
    QFETCH(bool, namedPipe);
    const QString logoPath = writePicture(*dir, QStringLiteral("logo.png"), QSize(20, 10));
    const QString broken = dir->filePath(QStringLiteral("broken.png"));
    if (namedPipe) {
        QCOMPARE(::mkfifo(QFile::encodeName(broken).constData(), 0600), 0);
    } else {
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
    }

    DialogAnswerer answerer;
    answerer.choosePath(logoPath);
    answerer.choosePath(broken);
    QTest::mouseClick(ui->browse_logo_btn, Qt::LeftButton);
    QVERIFY(!ui->logo_label->pixmap(Qt::ReturnByValue).isNull());
    const Watchdog watchdog("choosing an undecodable logo", 60);
    QTest::mouseClick(ui->browse_logo_btn, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(MainWindowProbe::logoFileName(*window), broken);
    QVERIFY(MainWindowProbe::logoImage(*window).isNull());
    QVERIFY(ui->logo_label->pixmap(Qt::ReturnByValue).isNull());
}

void TstHandlers::colourAndFontDialogs()
{
    MainWindowProbe::fontColor(*window) = QColor(10, 20, 30);
    MainWindowProbe::watermarkFont(*window) = QFont(QStringLiteral("DejaVu Sans"), 13);
    QColor initialColor;
    QFont initialFont;
    const QFont chosenFont(QStringLiteral("DejaVu Serif"), 31, QFont::Bold, true);

    DialogAnswerer answerer;
    answerer.answer([&](QWidget *dialog) {
        auto colorDialog = qobject_cast<QColorDialog *>(dialog);
        initialColor = colorDialog->currentColor();
        colorDialog->setCurrentColor(QColor(200, 40, 60));
        colorDialog->accept();
    });
    answerer.answer([&](QWidget *dialog) {
        auto fontDialog = qobject_cast<QFontDialog *>(dialog);
        initialFont = fontDialog->currentFont();
        fontDialog->setCurrentFont(chosenFont);
        fontDialog->accept();
    });
    QTest::mouseClick(ui->font_color_btn, Qt::LeftButton);
    QTest::mouseClick(ui->font_btn, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(initialColor, QColor(Qt::white));
    QCOMPARE(MainWindowProbe::fontColor(*window), QColor(200, 40, 60));
    QCOMPARE(ui->font_pr_label->styleSheet(), QStringLiteral("color: #ffc8283c"));
    QCOMPARE(initialFont.family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(initialFont.pointSize(), 13);
    QCOMPARE(MainWindowProbe::watermarkFont(*window).family(), chosenFont.family());
    QCOMPARE(MainWindowProbe::watermarkFont(*window).pointSize(), 31);
    QCOMPARE(ui->font_pr_label->font().pointSize(), 31);
}

void TstHandlers::creditsBoxes()
{
    DialogAnswerer answerer;
    for (int box = 0; box < 3; ++box)
        answerer.pressButton(QMessageBox::Ok);
    QTest::mouseClick(ui->credits_btn, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(answerer.seenTitles(), QStringList({"About Qt", "Icons", "Wayfarer"}));
    const QString icons = answerer.seenDialogs().at(1).text;
    QVERIFY2(
        QRegularExpression(QStringLiteral("^<div>Icons made by <a [^>]*>the Tessaro developers</a> "
                                          "from <a [^>]*>[^<]+</a> is licensed by <a "
                                          "[^>]*>CC BY 4.0</a></div>$"))
            .match(icons)
            .hasMatch(),
        qPrintable(icons));
    const QString sponsor = answerer.seenDialogs().at(2).text;
    QVERIFY(sponsor.startsWith(QLatin1String("This free application is sponsored by <a ")));
    QVERIFY(sponsor.endsWith(QLatin1String(">Wayfarer</a>")));
    QVERIFY(Qt::mightBeRichText(icons));
    QVERIFY(Qt::mightBeRichText(sponsor));
    const QStringList targets = linkTargets(icons) + linkTargets(sponsor);
    QCOMPARE(targets.size(), 4);
    for (const QString &target : targets)
        QVERIFY2(QUrl(target).host().endsWith(QLatin1String(".example")), qPrintable(target));
}

void TstHandlers::startFolderIsPicturesWhenItExists()
{
    const QByteArray home = qgetenv("HOME");
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir fakeHome;
    qputenv("HOME", fakeHome.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", fakeHome.filePath(QStringLiteral(".config")).toLocal8Bit());

    const QString withoutPictures = pictureStartFolder();
    QVERIFY(QDir(fakeHome.path()).mkdir(QStringLiteral("Pictures")));
    const QString withPictures = pictureStartFolder();

    qputenv("HOME", home);
    if (configHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", configHome);
    QCOMPARE(withoutPictures, fakeHome.path());
    QCOMPARE(withPictures, fakeHome.filePath(QStringLiteral("Pictures")));
}

void TstHandlers::wheelChangesOnlyAFocusedControl_data()
{
    QTest::addColumn<QString>("control");
    QTest::newRow("spin box") << "shadow_spin";
    QTest::newRow("double spin box") << "scale_spin";
    QTest::newRow("slider") << "comp_slider";
    QTest::newRow("offset spin box") << "txt_x_spin";
}

// Over a control without focus the wheel scrolls the settings column and leaves the value; once
// the control has the focus, the wheel changes its value and the column stays.
void TstHandlers::wheelChangesOnlyAFocusedControl()
{
    QFETCH(QString, control);
    window->resize(900, 420);
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    ui->main_tab->setCurrentIndex(0);
    auto widget = window->findChild<QWidget *>(control);
    const auto value = [widget] { return widget->metaObject()->userProperty().read(widget); };
    QScrollBar *column = ui->settings_scroll->verticalScrollBar();
    QVERIFY(column->maximum() > 0);
    ui->settings_scroll->ensureWidgetVisible(widget, 0, 0);
    column->setValue(qMin(column->value(), column->maximum() - 1));
    ui->settings_scroll->ensureWidgetVisible(widget, 0, 0);
    ui->wtrmark_edit->setFocus();

    const QVariant before = value();
    const int scrolled = column->value();
    turnWheelOver(widget);
    QCOMPARE(value(), before);
    QVERIFY(column->value() > scrolled);
    QVERIFY(!widget->hasFocus());

    ui->settings_scroll->ensureWidgetVisible(widget, 0, 0);
    widget->setFocus(Qt::TabFocusReason);
    QVERIFY(widget->hasFocus());
    const int kept = column->value();
    turnWheelOver(widget);
    QVERIFY(value() != before);
    QCOMPARE(column->value(), kept);
}

void TstHandlers::shortcutsPressTheButtons()
{
    // The window is active again after each dialog, as a window manager makes it.
    const auto activate = [this] {
        QApplication::setActiveWindow(window.get());
        return QTest::qWaitForWindowActive(window.get());
    };
    QVERIFY(activate());
    DialogAnswerer answerer;

    answerer.cancelDialog();
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.seenTitles(), QStringList {"Add Image Files"});

    QVERIFY(activate());
    answerer.pressButton(QMessageBox::Ok);
    QTest::keyClick(ui->wtrmark_edit, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.seenTitles().last(), QStringLiteral("No pictures to stamp!"));

    QVERIFY(activate());
    ui->files_list->addItems({"/nowhere/a.png", "/nowhere/b.png"});
    ui->files_list->setCurrentRow(0);
    ui->wtrmark_edit->setFocus();
    QTest::keyClick(ui->wtrmark_edit, Qt::Key_Delete);
    QCOMPARE(ui->files_list->count(), 2);
    ui->files_list->setFocus();
    QTest::keyClick(ui->files_list, Qt::Key_Delete);
    QCOMPARE(ui->files_list->count(), 1);
    QCOMPARE(ui->files_list->item(0)->text(), QStringLiteral("/nowhere/b.png"));

    QCOMPARE(ui->open_btn->toolTip(), QStringLiteral("Add Pictures (Ctrl+O)"));
    QCOMPARE(ui->remove_btn->toolTip(), QStringLiteral("Remove (Del)"));
    QCOMPARE(ui->start_btn->toolTip(), QStringLiteral("Start Stamping (Ctrl+Return)"));
}

QTEST_MAIN(TstHandlers)
#include "tst_handlers.moc"
