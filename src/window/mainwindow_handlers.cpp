#include "window/mainwindow.h"

#include "engine/read/imageload.h"
#include "engine/setup/logoscale.h"
#include "ui_mainwindow.h"
#include "window/widgets/credits.h"
#include "window/widgets/startfolder.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>

namespace {

const char smoothPreviewCaution[]
    = "Turning this on might make Tessaro work slower,<br>because it will use more CPU power "
      "for smooth resizing!<br>I recommend keeping this off because it only affects preview "
      "mode.<br>You will have high quality images produced regardless of this option.";

} // namespace

// Choosing a position starts the stamp from the position's own anchor: the reset button's handler
// zeroes the offset (rendering through the offset spin boxes), then the new position is drawn.
void MainWindow::resetOffsetAndRender(QAbstractButton *resetButton)
{
    emit resetButton->pressed();
    renderStamp();
    updatePreview();
}

// The controls of the stamp's size are served here, not by slots bound by name.
void MainWindow::connectStampSizeControls()
{
    connect(ui->noenlarge_check, &QCheckBox::toggled, this, [this] { renderTwice(); });
    connect(ui->scalestamp_check, &QCheckBox::toggled, this, [this](bool checked) {
        ui->referenceside_spin->setEnabled(checked);
        if (checked) {
            // The previewed picture is the one the stamp was designed on: it keeps its stamp.
            const QSignalBlocker blocker(ui->referenceside_spin);
            const QSize shown = stampedSize(previewImage.size(), stampSettings());
            ui->referenceside_spin->setValue(
                previewImage.isNull() ? 1080 : qMin(shown.width(), shown.height()));
        }
        renderTwice();
    });
    connect(ui->referenceside_spin, qOverload<int>(&QSpinBox::valueChanged), this,
            [this] { renderTwice(); });
    ui->referenceside_spin->setEnabled(ui->scalestamp_check->isChecked());
}

void MainWindow::on_browse_logo_btn_pressed()
{
    const QString path
        = QFileDialog::getOpenFileName(this, QStringLiteral("Open Logo"), pictureStartFolder(),
                                       pictureDialogFilter(), nullptr, {});
    // A cancelled dialog keeps the current logo and the path it came from.
    if (path.isEmpty())
        return;
    logoFileName = path;
    if (!QFileInfo::exists(path))
        return;
    logoImage = readPicture(path);
    // A file that does not decode removes the logo; the thumbnail must not go on showing it.
    if (logoImage.isNull())
        ui->logo_label->clear();
    renderStamp();
    updatePreview();
}

void MainWindow::on_top_radio_toggled(bool)
{
    renderStamp();
}

void MainWindow::on_bottom_radio_toggled(bool)
{
    renderStamp();
}

void MainWindow::on_light_radio_toggled(bool)
{
    renderStamp();
}

void MainWindow::on_dark_radio_toggled(bool)
{
    renderStamp();
}

void MainWindow::on_x_spin_valueChanged(int)
{
    renderStamp();
}

void MainWindow::on_y_spin_valueChanged(int)
{
    renderStamp();
}

void MainWindow::on_scale_spin_valueChanged(double value)
{
    ui->scale_slider->setValue(scaleSliderPosition(value));
    renderStamp();
}

void MainWindow::on_resize_check_toggled(bool checked)
{
    ui->width_spin->setEnabled(checked);
    ui->height_spin->setEnabled(checked);
    ui->aspect_check->setEnabled(checked);
    ui->noenlarge_check->setEnabled(checked);
    renderTwice();
}

void MainWindow::on_width_spin_valueChanged(int)
{
    renderTwice();
}

void MainWindow::on_aspect_check_toggled(bool)
{
    renderTwice();
}

void MainWindow::on_shadow_spin_valueChanged(int value)
{
    ui->shadow_slider->setValue(value);
    renderStamp();
    updatePreview();
}

void MainWindow::on_height_spin_valueChanged(int value)
{
    if (value <= ui->shadow_spin->value())
        return;
    renderTwice();
}

void MainWindow::on_font_color_btn_pressed()
{
    const QColor chosen = QColorDialog::getColor(Qt::white, this, QString(), {});
    // A cancelled dialog gives an invalid colour; the text keeps the colour it had.
    if (chosen.isValid())
        fontColor = chosen;
    renderStamp();
    updatePreview();
}

void MainWindow::on_font_btn_pressed()
{
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, watermarkFont, this, QString(), {});
    if (accepted)
        watermarkFont = chosen;
    renderStamp();
    updatePreview();
}

void MainWindow::on_actual_radio_toggled(bool)
{
    updatePreview();
}

void MainWindow::on_fit_radio_toggled(bool)
{
    updatePreview();
}

void MainWindow::on_wtrmark_edit_textChanged(const QString &)
{
    renderStamp();
    updatePreview();
}

void MainWindow::on_comp_slider_valueChanged(int value)
{
    ui->comp_label->setText(QString::number(value) + QLatin1Char('%'));
}

void MainWindow::on_txt_y_spin_valueChanged(int)
{
    renderStamp();
    updatePreview();
}

void MainWindow::on_txt_x_spin_valueChanged(int)
{
    renderStamp();
    updatePreview();
}

void MainWindow::on_shadow_slider_valueChanged(int value)
{
    ui->shadow_spin->setValue(value);
}

void MainWindow::on_rst_txt_pos_btn_pressed()
{
    ui->txt_x_spin->setValue(0);
    ui->txt_y_spin->setValue(0);
}

void MainWindow::on_scale_slider_valueChanged(int value)
{
    ui->scale_spin->setValue(scaleOfSliderPosition(value));
}

void MainWindow::on_smooth_check_toggled(bool checked)
{
    transformMode = checked ? Qt::SmoothTransformation : Qt::FastTransformation;
    if (checked)
        QMessageBox::information(this, QStringLiteral("Caution"),
                                 QString::fromLatin1(smoothPreviewCaution), QMessageBox::Ok);
    updatePreview();
}

void MainWindow::on_reset_logo_btn_pressed()
{
    ui->x_spin->setValue(0);
    ui->y_spin->setValue(0);
}

void MainWindow::on_clear_logo_btn_pressed()
{
    logoFileName.clear();
    logoImage = QImage();
    ui->logo_label->clear();
    renderStamp();
    updatePreview();
}

void MainWindow::on_credits_btn_pressed()
{
    QMessageBox::aboutQt(this);
    QMessageBox::information(this, QStringLiteral("Icons"), iconCreditsText(), QMessageBox::Ok);
    QMessageBox::information(this, sponsorCreditsTitle(), sponsorCreditsText(), QMessageBox::Ok);
}

void MainWindow::on_clear_log_btn_pressed()
{
    ui->log_plain->clear();
}

void MainWindow::on_txt_topleft_btn_toggled(bool)
{
    resetOffsetAndRender(ui->rst_txt_pos_btn);
}

void MainWindow::on_txt_top_btn_toggled(bool)
{
    resetOffsetAndRender(ui->rst_txt_pos_btn);
}

void MainWindow::on_txt_topright_btn_toggled(bool)
{
    resetOffsetAndRender(ui->rst_txt_pos_btn);
}

void MainWindow::on_txt_left_btn_toggled(bool)
{
    resetOffsetAndRender(ui->rst_txt_pos_btn);
}

void MainWindow::on_txt_center_btn_toggled(bool)
{
    resetOffsetAndRender(ui->rst_txt_pos_btn);
}

void MainWindow::on_txt_right_btn_toggled(bool)
{
    resetOffsetAndRender(ui->rst_txt_pos_btn);
}

void MainWindow::on_txt_botleft_btn_toggled(bool)
{
    resetOffsetAndRender(ui->rst_txt_pos_btn);
}

void MainWindow::on_txt_bot_btn_toggled(bool)
{
    resetOffsetAndRender(ui->rst_txt_pos_btn);
}

void MainWindow::on_txt_botright_btn_toggled(bool)
{
    resetOffsetAndRender(ui->rst_txt_pos_btn);
}

void MainWindow::on_logo_topleft_btn_toggled(bool)
{
    resetOffsetAndRender(ui->reset_logo_btn);
}

void MainWindow::on_logo_top_btn_toggled(bool)
{
    resetOffsetAndRender(ui->reset_logo_btn);
}

void MainWindow::on_logo_topright_btn_toggled(bool)
{
    resetOffsetAndRender(ui->reset_logo_btn);
}

void MainWindow::on_logo_left_btn_toggled(bool)
{
    resetOffsetAndRender(ui->reset_logo_btn);
}

void MainWindow::on_logo_center_btn_toggled(bool)
{
    resetOffsetAndRender(ui->reset_logo_btn);
}

void MainWindow::on_logo_right_btn_toggled(bool)
{
    resetOffsetAndRender(ui->reset_logo_btn);
}

void MainWindow::on_logo_botleft_btn_toggled(bool)
{
    resetOffsetAndRender(ui->reset_logo_btn);
}

void MainWindow::on_logo_bot_btn_toggled(bool)
{
    resetOffsetAndRender(ui->reset_logo_btn);
}

void MainWindow::on_logo_botright_btn_toggled(bool)
{
    resetOffsetAndRender(ui->reset_logo_btn);
}
