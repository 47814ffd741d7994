#include "app/mainwindow.h"

#include "stamp/placement.h"
#include "ui_mainwindow.h"

StampAlignment MainWindow::textAlignment() const
{
    return alignmentOfFirstChecked({ ui->txt_topleft_btn->isChecked(),
                                     ui->txt_top_btn->isChecked(),
                                     ui->txt_topright_btn->isChecked(),
                                     ui->txt_left_btn->isChecked(),
                                     ui->txt_center_btn->isChecked(),
                                     ui->txt_right_btn->isChecked(),
                                     ui->txt_botleft_btn->isChecked(),
                                     ui->txt_bot_btn->isChecked(),
                                     ui->txt_botright_btn->isChecked() });
}

StampAlignment MainWindow::logoAlignment() const
{
    return alignmentOfFirstChecked({ ui->logo_topleft_btn->isChecked(),
                                     ui->logo_top_btn->isChecked(),
                                     ui->logo_topright_btn->isChecked(),
                                     ui->logo_left_btn->isChecked(),
                                     ui->logo_center_btn->isChecked(),
                                     ui->logo_right_btn->isChecked(),
                                     ui->logo_botleft_btn->isChecked(),
                                     ui->logo_bot_btn->isChecked(),
                                     ui->logo_botright_btn->isChecked() });
}

void MainWindow::placeStamps()
{
    if (stampedImage.isNull())
        return;
    const QString text = ui->wtrmark_edit->text();
    if (textRect.width() == 0 && !text.isEmpty())
        textRect = measureText(text, watermarkFont, stampedImage.dotsPerMeterX(),
                               stampedImage.dotsPerMeterY());
    textPos = textTopLeft(textAlignment(), stampedImage.size(), textRect.size(),
                          QPoint(ui->txt_x_spin->value(), ui->txt_y_spin->value()));
    logoPos = logoTopLeft(logoAlignment(), stampedImage.size(), logoImage.size(),
                          ui->scale_spin->value(), QPoint(ui->x_spin->value(), ui->y_spin->value()));
}

StampSettings MainWindow::stampSettings() const
{
    StampSettings settings;
    settings.resize = ui->resize_check->isChecked();
    settings.outputSize = QSize(ui->width_spin->value(), ui->height_spin->value());
    settings.keepAspectRatio = ui->aspect_check->isChecked();
    settings.bandEdge = ui->top_radio->isChecked()  ? BandEdge::Top
            : ui->bottom_radio->isChecked()         ? BandEdge::Bottom
                                                    : BandEdge::None;
    settings.bandRows = ui->shadow_spin->value();
    settings.bandTone = ui->dark_radio->isChecked() ? BandTone::Dark
            : ui->light_radio->isChecked()          ? BandTone::Light
                                                    : BandTone::None;
    settings.text = ui->wtrmark_edit->text();
    settings.font = watermarkFont;
    settings.color = fontColor;
    settings.logoScale = ui->scale_spin->value();
    settings.transformMode = transformMode;
    return settings;
}

void MainWindow::renderStamp()
{
    placeStamps();
    const StampedPicture stamped =
            stampRenderer.render(previewImage, logoImage, stampSettings(), textPos, logoPos);
    stampedImage = stamped.image;
    if (!stamped.textRect.isNull())
        textRect = stamped.textRect;
    updatePreview();
}

void MainWindow::renderTwice()
{
    renderStamp();
    updatePreview();
    renderStamp();
    updatePreview();
}
