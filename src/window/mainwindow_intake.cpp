#include "window/mainwindow.h"

#include "engine/batch/outcometexts.h"
#include "engine/batch/picturetypes.h"
#include "engine/batch/picturewalk.h"
#include "ui_mainwindow.h"
#include "window/widgets/startfolder.h"
#include "window/windowtexts.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>

namespace {

// How many pictures a drop finds between two turns of the event loop, where the progress dialog is
// drawn and Abort is served.
constexpr int DropBatchSize = 256;

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
    QStringList files;
    for (const QString &path : paths) {
        if (isRegularFile(path))
            files << path;
    }
    ui->files_list->addItems(files);
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
    QStringList dropped;
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl &url : urls)
        dropped << url.toLocalFile();
    addDroppedPaths(dropped);
    event->acceptProposedAction();
}

void MainWindow::addDroppedPaths(const QStringList &paths)
{
    QProgressDialog progress(QStringLiteral("Please wait ..."), QStringLiteral("Abort"), 0, 0, this,
                             Qt::Dialog);
    progress.setWindowModality(Qt::WindowModal);
    progress.show();

    // Abort ends the drop after the picture in hand; what was found joins the list either way.
    // Found pictures join the list only once they are at least as many as its entries, so that
    // laying out the list again after each addition stays linear over the whole drop.
    QStringList found;
    int taken = 0;
    // What the walk has to leave out is told in the results log, shown at once.
    const auto leaveOut = [this](const LeftOut &left) {
        ui->log_plain->appendPlainText(leftOutLine(left));
        ui->main_tab->setCurrentIndex(1);
    };
    walkDrop(
        paths,
        [&](const QString &picture) {
            found << picture;
            ++taken;
            if (progress.wasCanceled())
                return false;
            if (taken % DropBatchSize == 0) {
                if (found.size() >= ui->files_list->count()) {
                    ui->files_list->addItems(found);
                    found.clear();
                }
                progress.setLabelText(dropProgressLabel(taken - 1));
                QCoreApplication::processEvents();
            }
            return true;
        },
        leaveOut);
    ui->files_list->addItems(found);
    makeLastEntryCurrent(ui->files_list);
}
