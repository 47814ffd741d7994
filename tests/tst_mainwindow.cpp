// The window's life: the program's arguments, construction, its slot table, the close
// confirmation.
#include "support/dialoganswerer.h"
#include "support/testenv.h"
#include "ui_mainwindow.h"
#include "window/startarguments.h"

#include <QtTest>
#include <QtWidgets>

namespace {

QStringList capturedWarnings;
QtMessageHandler previousHandler = nullptr;

void captureWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg)
        capturedWarnings << message;
    previousHandler(type, context, message);
}

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everySlotIsBoundByName();
    void slotTable();
    void titleAndInitialState();
    void closeConfirmation_data();
    void closeConfirmation();
    void startArguments_data();
    void startArguments();
    void helpAndVersionNeedNoDisplay_data();
    void helpAndVersionNeedNoDisplay();

private:
    std::unique_ptr<IsolatedSettings> store;
};

void TstMainWindow::initTestCase()
{
    initTestApplication();
}

void TstMainWindow::init()
{
    store = std::make_unique<IsolatedSettings>();
}

void TstMainWindow::cleanup()
{
    store.reset();
}

// Renaming a control silently detaches its handler; the connect-by-name pass warns about it.
void TstMainWindow::everySlotIsBoundByName()
{
    capturedWarnings.clear();
    previousHandler = qInstallMessageHandler(captureWarnings);
    {
        MainWindow window;
    }
    qInstallMessageHandler(previousHandler);
    for (const QString &warning : qAsConst(capturedWarnings))
        QVERIFY2(!warning.contains(QLatin1String("No matching signal")), qPrintable(warning));
}

void TstMainWindow::slotTable()
{
    const QStringList expected = {
        "previewMouseClicked(QMouseEvent*)",
        "previewMouseMoved(QMouseEvent*)",
        "previewMouseReleased(QMouseEvent*)",
        "adRefresh()",
        "onUpdateAvailable(QString)",
        "on_browse_logo_btn_pressed()",
        "on_open_btn_pressed()",
        "on_top_radio_toggled(bool)",
        "on_bottom_radio_toggled(bool)",
        "on_light_radio_toggled(bool)",
        "on_dark_radio_toggled(bool)",
        "on_x_spin_valueChanged(int)",
        "on_y_spin_valueChanged(int)",
        "on_scale_spin_valueChanged(double)",
        "on_files_list_currentRowChanged(int)",
        "on_resize_check_toggled(bool)",
        "on_width_spin_valueChanged(int)",
        "on_aspect_check_toggled(bool)",
        "on_shadow_spin_valueChanged(int)",
        "on_height_spin_valueChanged(int)",
        "on_font_color_btn_pressed()",
        "on_font_btn_pressed()",
        "on_actual_radio_toggled(bool)",
        "on_fit_radio_toggled(bool)",
        "on_wtrmark_edit_textChanged(QString)",
        "on_remove_btn_pressed()",
        "on_clear_btn_pressed()",
        "on_start_btn_pressed()",
        "on_comp_slider_valueChanged(int)",
        "on_txt_y_spin_valueChanged(int)",
        "on_txt_x_spin_valueChanged(int)",
        "on_shadow_slider_valueChanged(int)",
        "on_rst_txt_pos_btn_pressed()",
        "on_scale_slider_valueChanged(int)",
        "on_smooth_check_toggled(bool)",
        "on_reset_logo_btn_pressed()",
        "on_clear_logo_btn_pressed()",
        "on_credits_btn_pressed()",
        "on_clear_log_btn_pressed()",
        "on_txt_topleft_btn_toggled(bool)",
        "on_txt_top_btn_toggled(bool)",
        "on_txt_topright_btn_toggled(bool)",
        "on_txt_left_btn_toggled(bool)",
        "on_txt_center_btn_toggled(bool)",
        "on_txt_right_btn_toggled(bool)",
        "on_txt_botleft_btn_toggled(bool)",
        "on_txt_bot_btn_toggled(bool)",
        "on_txt_botright_btn_toggled(bool)",
        "on_logo_topleft_btn_toggled(bool)",
        "on_logo_top_btn_toggled(bool)",
        "on_logo_topright_btn_toggled(bool)",
        "on_logo_left_btn_toggled(bool)",
        "on_logo_center_btn_toggled(bool)",
        "on_logo_right_btn_toggled(bool)",
        "on_logo_botleft_btn_toggled(bool)",
        "on_logo_bot_btn_toggled(bool)",
        "on_logo_botright_btn_toggled(bool)",
    };
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 57);
    for (int index = 0; index < expected.size(); ++index) {
        const QMetaMethod method = meta.method(meta.methodOffset() + index);
        QCOMPARE(QString::fromLatin1(method.methodSignature()), expected.at(index));
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), index < 5 ? QMetaMethod::Public : QMetaMethod::Private);
    }
}

void TstMainWindow::titleAndInitialState()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Tessaro v2.6.6"));
    // The application's icon, drawn for every size a desktop asks for.
    QCOMPARE(
        window.windowIcon().availableSizes(),
        QList<QSize>({{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}}));
    QVERIFY(window.acceptDrops());
    QVERIFY(!MainWindowProbe::stamping(window));
    QCOMPARE(MainWindowProbe::settings(window)->organizationName(), QStringLiteral("Korvath"));
    QCOMPARE(MainWindowProbe::settings(window)->applicationName(), QStringLiteral("Tessaro"));
    QCOMPARE(MainWindowProbe::settings(window)->parent(), &window);
    QLabel *previewLabel = reinterpret_cast<QLabel *>(MainWindowProbe::previewLabel(window));
    QVERIFY(previewLabel);
    QCOMPARE(previewLabel->parentWidget(), MainWindowProbe::ui(window)->image_scroll_contents);
    QVERIFY(MainWindowProbe::stampedImage(window).isNull());
}

void TstMainWindow::closeConfirmation_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Yes") << "yes" << true;
    QTest::newRow("No") << "no" << false;
    QTest::newRow("Escape") << "escape" << false;
    QTest::newRow("box closed") << "close" << false;
}

void TstMainWindow::closeConfirmation()
{
    QFETCH(QString, answer);
    QFETCH(bool, closes);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe::stamping(window) = true;

    DialogAnswerer answerer;
    if (answer == QLatin1String("yes"))
        answerer.pressButton(QMessageBox::Yes);
    else if (answer == QLatin1String("no"))
        answerer.pressButton(QMessageBox::No);
    else if (answer == QLatin1String("escape"))
        answerer.pressEscape();
    else
        answerer.closeWindow();
    QCOMPARE(window.close(), closes);
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(answerer.seenDialogs().size(), 1);
    const SeenDialog box = answerer.seenDialogs().first();
    QCOMPARE(box.title, QStringLiteral("Confirm"));
    QCOMPARE(box.text, QStringLiteral("Are you sure you want to exit?"));
    QCOMPARE(window.isVisible(), !closes);
    QCOMPARE(MainWindowProbe::stamping(window), !closes);
}

void TstMainWindow::startArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("none") << QStringList() << int(StartRequest::OpenWindow) << QStringList();
    QTest::newRow("files") << QStringList {"/p/a.jpg", "b", "-x"} << int(StartRequest::OpenWindow)
                           << QStringList {"/p/a.jpg", "b", "-x"};
    QTest::newRow("help among files")
        << QStringList {"a.jpg", "--help"} << int(StartRequest::ShowHelp) << QStringList();
    QTest::newRow("short help") << QStringList {"-h"} << int(StartRequest::ShowHelp)
                                << QStringList();
    QTest::newRow("version first")
        << QStringList {"-v", "--help"} << int(StartRequest::ShowVersion) << QStringList();
    QTest::newRow("files after --")
        << QStringList {"a.jpg", "--", "--help", "-v", "--"} << int(StartRequest::OpenWindow)
        << QStringList {"a.jpg", "--help", "-v", "--"};
}

void TstMainWindow::startArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QStringList, files);
    const StartRequest request = parseStartArguments(arguments);
    QCOMPARE(int(request.action), action);
    QCOMPARE(request.files, files);
}

void TstMainWindow::helpAndVersionNeedNoDisplay_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("printed");
    QTest::newRow("--help") << "--help" << startHelpText();
    QTest::newRow("-h") << "-h" << startHelpText();
    QTest::newRow("--version") << "--version" << startVersionText();
    QTest::newRow("-v") << "-v" << startVersionText();
}

// Printed, with status 0, by the program itself where no display can be reached: no window is
// opened for them.
void TstMainWindow::helpAndVersionNeedNoDisplay()
{
    QFETCH(QString, argument);
    QFETCH(QString, printed);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TESSARO_PATH), {argument});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()), printed);
    QCOMPARE(program.readAllStandardError(), QByteArray());
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
