#include "window/mainwindow.h"

#include "engine/batch/batchtexts.h"
#include "engine/batch/stamppool.h"
#include "engine/setup/savedsetup.h"
#include "ui_mainwindow.h"
#include "window/widgets/startfolder.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void MainWindow::on_start_btn_pressed()
{
    if (stamping) {
        confirmStop();
        return;
    }
    const QString folder = checkedOutputFolder();
    if (folder.isEmpty())
        return;
    lastOutputFolder = folder;
    stampPictures(folder);
}

QString MainWindow::outputFormat() const
{
    if (ui->outjpg_radio->isChecked())
        return QStringLiteral("jpg");
    if (ui->outpng_radio->isChecked())
        return QStringLiteral("png");
    if (ui->outtif_radio->isChecked())
        return QStringLiteral("tif");
    return QStringLiteral("jpg");
}

void MainWindow::confirmStop()
{
    run.askingToStop = true;
    const auto answer = QMessageBox::warning(this, QStringLiteral("Warning"),
                                             QStringLiteral("Are you you want to stop stamping?"),
                                             QMessageBox::Yes | QMessageBox::No);
    run.askingToStop = false;
    if (answer == QMessageBox::Yes) {
        stopRun();
        ui->start_btn->setText(QStringLiteral("Start Stamping"));
    }
    if (run.pool)
        handOutPictures();
}

void MainWindow::stopRun()
{
    stamping = false;
    if (!run.pool)
        return;
    run.pool->stop();
    // Until the pictures in flight are back, in place or discarded, a new run cannot start.
    ui->start_btn->setEnabled(false);
}

QString MainWindow::checkedOutputFolder()
{
    if (ui->files_list->count() == 0) {
        QMessageBox::warning(this, QStringLiteral("No pictures to stamp!"),
                             QStringLiteral("First add some pictures using Add Pictures button."));
        return QString();
    }
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Select Output Folder"), outputStartFolder(lastOutputFolder),
        QFileDialog::ShowDirsOnly);
    if (folder.trimmed().isEmpty())
        return QString();
    if (!QFileInfo(folder).isDir()) {
        QMessageBox::warning(this, QStringLiteral("Error"),
                             QStringLiteral("What's goin on here?!"));
        return QString();
    }
    const auto goOnWithout = [this](const QString &question) {
        return QMessageBox::warning(this, QStringLiteral("Warning"), question,
                                    QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::No;
    };
    if (ui->wtrmark_edit->text().trimmed().isEmpty()
        && !goOnWithout(QStringLiteral("Are you going to go on stamping without any watermarks?")))
        return QString();
    if (logoImage.isNull()
        && !goOnWithout(QStringLiteral("Are you going to go on stamping without a logo?")))
        return QString();
    return folder;
}

void MainWindow::stampPictures(const QString &folder)
{
    run.folder = folder;
    run.format = outputFormat();
    run.quality = writerQuality(run.format, ui->comp_slider->value());
    run.nextEntry = 0;
    run.entriesInFlight.clear();
    run.pool = new StampPool(QThread::idealThreadCount(), this);
    connect(run.pool, &StampPool::stamped, this,
            [this](const QString &path, const StampResult &result) {
                showStampResult(path, result);
                handOutPictures();
            });

    ui->prog_bar->setRange(0, ui->files_list->count() - 1);
    ui->prog_bar->setValue(0);
    ui->main_tab->setCurrentIndex(1);
    ui->log_plain->appendPlainText(QStringLiteral("Stamping Started ..."));
    transformMode = Qt::SmoothTransformation;
    stamping = true;
    ui->start_btn->setText(QStringLiteral("Stop"));
    handOutPictures();
}

StampJob MainWindow::stampJob() const
{
    StampJob job;
    job.stamp = stampSettings();
    job.logo = logoImage;
    job.textAlignment = textAlignment();
    job.textOffset = QPoint(ui->txt_x_spin->value(), ui->txt_y_spin->value());
    job.logoAlignment = logoAlignment();
    job.logoOffset = QPoint(ui->x_spin->value(), ui->y_spin->value());
    job.outputFolder = run.folder;
    job.format = run.format;
    job.quality = run.quality;
    job.keepMetadata = ui->keepinfo_check->isChecked();
    job.keepLocation = !ui->dropgps_check->isChecked();
    return job;
}

// Keeps the pool full: each entry is looked at, and the settings read, when its picture is
// handed out. The run ends when nothing is in flight and nothing more is to be handed out.
void MainWindow::handOutPictures()
{
    if (run.askingToStop)
        return;
    while (stamping && run.pool->inFlight() < run.pool->capacity()
           && run.nextEntry < ui->files_list->count()) {
        run.entriesInFlight.enqueue(run.nextEntry);
        run.pool->stamp(ui->files_list->item(run.nextEntry)->text(), stampJob());
        ++run.nextEntry;
    }
    if (run.pool->inFlight() == 0)
        finishRun();
}

void MainWindow::showStampResult(const QString &path, const StampResult &result)
{
    const int index = run.entriesInFlight.dequeue();
    if (result.discarded)
        return;
    ui->log_plain->appendHtml(QStringLiteral("<hr>"));
    if (result.missing)
        return;
    for (const LogLine &line : result.lines) {
        if (line.html)
            ui->log_plain->appendHtml(line.text);
        else
            ui->log_plain->appendPlainText(line.text);
    }
    ui->prog_bar->setValue(index);
    if (!result.outputPath.isEmpty())
        ui->log_plain->appendPlainText(writtenLine(QFileInfo(path).completeBaseName(), run.format,
                                                   index + 1, ui->files_list->count()));
    if (!result.stamped.image.isNull()) {
        // Null while later pictures are on their way: their own copies come with the last one.
        previewImage = result.picture.image;
        previewOpaque = result.picture.opaque && !previewImage.isNull();
        stampedImage = result.stamped.image;
        stampedOpaque = result.stamped.opaque;
        textRect = result.stamped.textRect.isNull() ? textRect : result.stamped.textRect;
        textPos = result.textPos;
        logoPos = result.logoPos;
        updatePreview();
    }
}

void MainWindow::finishRun()
{
    run.pool->deleteLater();
    run.pool = nullptr;
    ui->start_btn->setEnabled(true);
    transformMode
        = ui->smooth_check->isChecked() ? Qt::SmoothTransformation : Qt::FastTransformation;
    ui->log_plain->appendHtml(QStringLiteral("<hr>"));
    if (stamping) {
        ui->log_plain->appendPlainText(QStringLiteral("Stamping Completed!"));
        QMessageBox::information(this, QStringLiteral("Tessaro"), QStringLiteral("Done"));
        stamping = false;
    } else {
        ui->log_plain->appendPlainText(QStringLiteral("Stamping interrupted!"));
    }
    ui->start_btn->setText(QStringLiteral("Start Stamping"));
}
