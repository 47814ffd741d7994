#include "window/mainwindow.h"

#include "engine/batch/outcometexts.h"
#include "engine/batch/stamprun.h"
#include "engine/setup/savedsetup.h"
#include "engine/setup/settingskeys.h"
#include "ui_mainwindow.h"
#include "window/widgets/startfolder.h"
#include "window/windowtexts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRadioButton>

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
    const QStringList buttons = formatButtonNames();
    for (int i = 0; i < buttons.size(); ++i) {
        if (findChild<QRadioButton *>(buttons.at(i))->isChecked())
            return outputFormats().at(i);
    }
    return outputFormats().constFirst();
}

void MainWindow::confirmStop()
{
    // No picture is handed out while the user decides.
    run.driver->hold();
    const auto answer = QMessageBox::warning(this, QStringLiteral("Warning"),
                                             QStringLiteral("Are you you want to stop stamping?"),
                                             QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        stopRun();
        ui->start_btn->setText(QStringLiteral("Start Stamping"));
    }
    if (run.driver)
        run.driver->resume();
}

void MainWindow::stopRun()
{
    stamping = false;
    if (!run.driver)
        return;
    run.driver->stop();
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
    run.unwritten = 0;
    run.vanished = 0;
    run.driver = new StampRun([this] { return nextRunEntry(); }, QThread::idealThreadCount(), this);
    connect(run.driver, &StampRun::stamped, this,
            [this](int index, const QString &, const StampResult &result) {
                showStampResult(index, result);
            });
    connect(run.driver, &StampRun::finished, this, [this] { finishRun(); });

    ui->prog_bar->setRange(0, ui->files_list->count() - 1);
    ui->prog_bar->setValue(0);
    ui->main_tab->setCurrentIndex(1);
    ui->log_plain->appendPlainText(QStringLiteral("Stamping Started ..."));
    transformMode = Qt::SmoothTransformation;
    stamping = true;
    ui->start_btn->setText(QStringLiteral("Stop"));
    run.driver->start();
}

StampJob MainWindow::stampJob() const
{
    StampJob job;
    job.stamp = stampSettings();
    job.logo = logoImage;
    job.outputFolder = run.folder;
    job.format = run.format;
    job.quality = run.quality;
    job.keepMetadata = ui->keepinfo_check->isChecked();
    job.keepLocation = !ui->dropgps_check->isChecked();
    return job;
}

// Each entry is looked at, and the settings read, when its picture is handed out.
std::optional<RunEntry> MainWindow::nextRunEntry()
{
    if (run.nextEntry >= ui->files_list->count())
        return std::nullopt;
    return RunEntry {ui->files_list->item(run.nextEntry++)->text(), stampJob()};
}

void MainWindow::showStampResult(int index, const StampResult &result)
{
    const PictureOutcome &outcome = result.outcome;
    if (outcome.kind == PictureOutcome::Discarded)
        return;
    ui->log_plain->appendHtml(QStringLiteral("<hr>"));
    if (outcome.kind == PictureOutcome::Missing) {
        ++run.vanished;
        return;
    }
    if (!outcome.written())
        ++run.unwritten;
    ui->prog_bar->setValue(index);
    const QVector<OutcomeLine> lines
        = outcomeLines(outcome, run.folder, run.format, index + 1, ui->files_list->count());
    for (const OutcomeLine &line : lines) {
        if (line.warning)
            ui->log_plain->appendHtml(warningHtml(line.text));
        else
            ui->log_plain->appendPlainText(line.text);
    }
    if (!result.stamped.image.isNull()) {
        // Null while later pictures are on their way: their own copies come with the last one.
        previewImage = result.picture.image;
        previewOpaque = result.picture.opaque && !previewImage.isNull();
        previewPath = outcome.source;
        previewDecoding = result.picture.decoding;
        stampedImage = result.stamped.image;
        stampedOpaque = result.stamped.opaque;
        textRect = result.stamped.textRect.isNull() ? textRect : result.stamped.textRect;
        textPos = result.placement.text;
        logoPos = result.placement.logo;
        updatePreview();
    }
}

void MainWindow::finishRun()
{
    run.driver->deleteLater();
    run.driver = nullptr;
    ui->start_btn->setEnabled(true);
    transformMode
        = ui->smooth_check->isChecked() ? Qt::SmoothTransformation : Qt::FastTransformation;
    ui->log_plain->appendHtml(QStringLiteral("<hr>"));
    const QString notWritten = notWrittenText(run.unwritten, run.vanished, run.nextEntry);
    if (!notWritten.isEmpty())
        ui->main_tab->setCurrentIndex(1);
    if (stamping) {
        ui->log_plain->appendPlainText(QStringLiteral("Stamping Completed!"));
        QMessageBox done(QMessageBox::Information, QStringLiteral("Tessaro"),
                         QStringLiteral("Done"), QMessageBox::Ok, this);
        done.setInformativeText(notWritten);
        done.exec();
        stamping = false;
    } else {
        ui->log_plain->appendPlainText(QStringLiteral("Stamping interrupted!"));
    }
    ui->start_btn->setText(QStringLiteral("Start Stamping"));
}
