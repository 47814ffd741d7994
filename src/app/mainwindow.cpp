#include "app/mainwindow.h"

#include "app/settingsstore.h"
#include "ui/qclickablelabel.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QMessageBox>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    loadHelpPages();
    startBannerRotation();
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("Tessaro v2.6.6"));
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
    const auto answer = QMessageBox::information(this, QStringLiteral("Confirm"),
                                                 QStringLiteral("Are you sure you want to exit?"),
                                                 QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        stamping = false;
        event->accept();
    } else {
        event->ignore();
    }
}
