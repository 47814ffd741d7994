#include "app/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::on_open_btn_pressed()
{
}

void MainWindow::on_remove_btn_pressed()
{
}

void MainWindow::on_clear_btn_pressed()
{
}

void MainWindow::dragEnterEvent(QDragEnterEvent *)
{
}

void MainWindow::dropEvent(QDropEvent *)
{
}
