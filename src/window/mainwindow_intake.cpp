#include "window/mainwindow.h"

#include "engine/batch/outcometexts.h"
#include "engine/batch/picturetypes.h"
#include "engine/batch/picturewalk.h"
#include "ui_mainwindow.h"
#include "window/widgets/startfolder.h"
#include "window/windowtexts.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>

namespace {

// The longest a drop goes without a turn of the event loop, where the progress dialog is drawn and
// Abort is served, in milliseconds.
constexpr int DropServeInterval = 50;

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

    // `counted` advances once per picture found in a folder and once per dropped item; the label
    // shows it before its last step. Found pictures join the list only once they are at least as
    // many as its entries, so that laying out the list again after each addition stays linear
    // over the whole drop; and the list lays itself out a batch of entries at a time meanwhile, so
    // that no turn of the event loop waits for the whole list.
    ui->files_list->setLayoutMode(QListView::Batched);
    int counted = 0;
    QStringList found;
    QElapsedTimer sinceServed;
    const auto serve = [&] {
        if (found.size() >= ui->files_list->count()) {
            ui->files_list->addItems(found);
            found.clear();
        }
        if (counted > 0)
            progress.setLabelText(dropProgressLabel(counted - 1));
        sinceServed.start(); // from the start of a turn to the start of the next
        QCoreApplication::processEvents();
    };
    const auto serveInTime = [&] {
        if (sinceServed.elapsed() >= DropServeInterval)
            serve();
    };
    serve();
    // Abort ends the drop after the picture or item in hand; what was found joins the list.
    bool walkingFolder = false;
    const auto take = [&](const QString &picture) {
        found << picture;
        if (walkingFolder)
            ++counted;
        if (progress.wasCanceled())
            return false;
        serveInTime();
        return true;
    };
    const auto goOn = [&] {
        serveInTime();
        return !progress.wasCanceled();
    };
    // What a walk has to leave out is told in the results log, shown at once.
    const auto leaveOut = [this](const LeftOut &left) {
        ui->log_plain->appendPlainText(leftOutLine(left));
        ui->main_tab->setCurrentIndex(1);
    };
    for (const QString &path : paths) {
        walkingFolder = QFileInfo(path).isDir();
        walkDrop({path}, take, goOn, leaveOut);
        ++counted;
        if (progress.wasCanceled())
            break;
        serveInTime();
    }
    if (!progress.wasCanceled())
        serve();
    progress.close();
    ui->files_list->addItems(found);
    ui->files_list->setLayoutMode(QListView::SinglePass); // whole, to show the last entry
    makeLastEntryCurrent(ui->files_list);
}
