#include "app/mainwindow.h"

#include "batch/batchtexts.h"
#include "batch/picturetypes.h"
#include "ui/startfolder.h"
#include "ui_mainwindow.h"

#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>

namespace {

// Shows the last entry in the preview, as after every addition.
void makeLastEntryCurrent(QListWidget *list)
{
    if (list->count() > 0)
        list->setCurrentRow(list->count() - 1);
}

} // namespace

void MainWindow::on_open_btn_pressed()
{
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Add Image Files"), pictureStartFolder(), pictureDialogFilter());
    ui->files_list->addItems(paths);
    makeLastEntryCurrent(ui->files_list);
}

void MainWindow::on_remove_btn_pressed()
{
    delete ui->files_list->item(ui->files_list->currentRow());
}

void MainWindow::on_clear_btn_pressed()
{
    ui->files_list->clear();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    QProgressDialog progress(QStringLiteral("Please wait ..."), QStringLiteral("Abort"), 0, 0, this,
                             Qt::Dialog);
    progress.setWindowModality(Qt::WindowModal);
    progress.show();

    // Counts the files found in folders and the dropped items, shown before each increment.
    int count = 0;
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl &url : urls) {
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        if (info.isDir()) {
            QDirIterator walk(path, droppedFolderPatterns(), QDir::Files,
                              QDirIterator::Subdirectories);
            while (walk.hasNext()) {
                ui->files_list->addItem(walk.next());
                progress.setLabelText(dropProgressLabel(count++));
                if (progress.wasCanceled())
                    break;
                QCoreApplication::processEvents();
            }
        } else if (info.exists() && isDroppedPicture(path)) {
            ui->files_list->addItem(path);
        }
        progress.setLabelText(dropProgressLabel(count++));
        if (progress.wasCanceled())
            break;
        QCoreApplication::processEvents();
    }
    makeLastEntryCurrent(ui->files_list);
    event->acceptProposedAction();
}
