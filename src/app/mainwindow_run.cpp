#include "app/mainwindow.h"

#include "batch/batchtexts.h"
#include "batch/outputnaming.h"
#include "batch/picturesaver.h"
#include "batch/prefetcher.h"
#include "ui/startfolder.h"
#include "ui_mainwindow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
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
    const auto answer = QMessageBox::warning(this, QStringLiteral("Warning"),
                                             QStringLiteral("Are you you want to stop stamping?"),
                                             QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    stamping = false;
    ui->start_btn->setText(QStringLiteral("Start Stamping"));
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
    QImageWriter writer;
    writer.setFormat(outputFormat().toLatin1());
    if (ui->outjpg_radio->isChecked())
        writer.setQuality(ui->comp_slider->value());
    ui->prog_bar->setRange(0, ui->files_list->count() - 1);
    ui->prog_bar->setValue(0);
    ui->main_tab->setCurrentIndex(1);
    ui->log_plain->appendPlainText(QStringLiteral("Stamping Started ..."));
    transformMode = Qt::SmoothTransformation;
    stamping = true;
    ui->start_btn->setText(QStringLiteral("Stop"));

    {
        PicturePrefetcher prefetcher;
        for (int i = 0; i < ui->files_list->count() && stamping; ++i) {
            ui->log_plain->appendHtml(QStringLiteral("<hr>"));
            // The one point per picture where clicks, Stop and a window close are served.
            QCoreApplication::processEvents();
            stampEntry(i, folder, writer, prefetcher);
        }
    }

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

void MainWindow::stampEntry(int index, const QString &folder, QImageWriter &writer,
                            PicturePrefetcher &prefetcher)
{
    // The entry may have gone while events were served.
    const QListWidgetItem *entry = ui->files_list->item(index);
    if (!entry || !QFileInfo::exists(entry->text()))
        return;
    const QString path = entry->text();
    const LoadedPicture picture = prefetcher.take(path);
    const QListWidgetItem *next = ui->files_list->item(index + 1);
    if (stamping && next && QFileInfo::exists(next->text()))
        prefetcher.start(next->text());

    if (picture.workingCopy.isNull()) {
        ui->log_plain->appendPlainText(unreadableLine(path, picture.error));
        ui->prog_bar->setValue(index);
        return;
    }
    showWorkingCopy(picture.workingCopy);

    const QString baseName = QFileInfo(path).completeBaseName();
    const QString format = QString::fromLatin1(writer.format());
    const SavedPicture saved = savePicture(stampedImage, writer, folder, baseName, format,
                                           &QDateTime::currentDateTime, &isOccupied);
    const QString plainPath = outputPath(folder, baseName, format);
    if (saved.path.isEmpty())
        ui->log_plain->appendPlainText(saved.error);
    else if (saved.path != plainPath)
        ui->log_plain->appendHtml(renamedWarningLine(folder, QFileInfo(path).baseName(), format,
                                                     QFileInfo(saved.path).completeBaseName()));
    ui->prog_bar->setValue(index);
    if (!saved.path.isEmpty())
        ui->log_plain->appendPlainText(
            writtenLine(baseName, format, index + 1, ui->files_list->count()));
}
