#include "app/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::loadHelpPages()
{
}

void MainWindow::startBannerRotation()
{
}

void MainWindow::startUpdateCheck()
{
}

void MainWindow::adRefresh()
{
}

void MainWindow::onUpdateAvailable(const QString &)
{
}
