#include "window/mainwindow.h"

#include "engine/batch/stamprun.h"
#include "engine/setup/settingsstore.h"
#include "engine/version.h"
#include "ui_mainwindow.h"
#include "window/widgets/qclickablelabel.h"

#include <QCloseEvent>
#include <QMessageBox>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    fitForDesktop();
    // The location can be removed only from photo information that is kept.
    connect(ui->keepinfo_check, &QCheckBox::toggled, ui->dropgps_check, &QWidget::setEnabled);
    connectStampSizeControls();
    loadHelpPages();
    startBannerRotation();
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("Tessaro v" TESSARO_VERSION));
    startUpdateCheck();
    textPos = QPoint(0, 0);
    logoPos = QPoint(0, 0);
    textRect = QRect();
    settings = openSettingsStore(this);
    stamping = false;
    transformMode = Qt::FastTransformation;
    textDragging = false;
    logoDragging = false;
    loadSettings();
    buildPreviewSurface();
    reloadLogo();
}

MainWindow::~MainWindow()
{
    stamping = false;
    delete run.driver; // stops the run and waits for the pictures in flight
    saveSettings();
    delete ui;
    ui = nullptr;
    updateChecker.stop();
}

void MainWindow::resizeEvent(QResizeEvent *)
{
    updatePreview();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A run neither hands out a picture nor ends while the user decides, so that its end-of-run
    // box never comes up over the question.
    if (run.driver)
        run.driver->hold();
    const auto answer = QMessageBox::information(this, QStringLiteral("Confirm"),
                                                 QStringLiteral("Are you sure you want to exit?"),
                                                 QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        stopRun();
        event->accept();
    } else {
        event->ignore();
    }
    if (run.driver)
        run.driver->resume();
}
