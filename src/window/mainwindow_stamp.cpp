#include "window/mainwindow.h"

#include "engine/setup/settingskeys.h"
#include "engine/stamp/placement.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>

namespace {

// The checked states of the nine position buttons of a group, in reading order.
QVector<bool> placementButtonStates(const QWidget *window, const QString &prefix)
{
    QVector<bool> states;
    for (const QString &name : placementButtonNames(prefix))
        states << window->findChild<QAbstractButton *>(name)->isChecked();
    return states;
}

} // namespace

StampAlignment MainWindow::textAlignment() const
{
    return alignmentOfFirstChecked(placementButtonStates(this, QStringLiteral("txt_")));
}

StampAlignment MainWindow::logoAlignment() const
{
    return alignmentOfFirstChecked(placementButtonStates(this, QStringLiteral("logo_")));
}

void MainWindow::placeStamps()
{
    if (stampedImage.isNull())
        return;
    const StampPlacement placement
        = placeStamp(stampSettings(), logoImage.size(), previewImage, textRect);
    textPos = placement.text;
    logoPos = placement.logo;
}

StampSettings MainWindow::stampSettings() const
{
    StampSettings settings;
    settings.resize = ui->resize_check->isChecked();
    settings.outputSize = QSize(ui->width_spin->value(), ui->height_spin->value());
    settings.keepAspectRatio = ui->aspect_check->isChecked();
    settings.neverEnlarge = ui->noenlarge_check->isChecked();
    settings.bandEdge = ui->top_radio->isChecked() ? BandEdge::Top
        : ui->bottom_radio->isChecked()            ? BandEdge::Bottom
                                                   : BandEdge::None;
    settings.bandRows = ui->shadow_spin->value();
    settings.bandTone = ui->dark_radio->isChecked() ? BandTone::Dark
        : ui->light_radio->isChecked()              ? BandTone::Light
                                                    : BandTone::None;
    settings.text = ui->wtrmark_edit->text();
    settings.font = watermarkFont;
    settings.color = fontColor;
    settings.logoScale = ui->scale_spin->value();
    settings.transformMode = transformMode;
    settings.textAlignment = textAlignment();
    settings.textOffset = QPoint(ui->txt_x_spin->value(), ui->txt_y_spin->value());
    settings.logoAlignment = logoAlignment();
    settings.logoOffset = QPoint(ui->x_spin->value(), ui->y_spin->value());
    settings.scaleWithPicture = ui->scalestamp_check->isChecked();
    settings.referenceShorterSide = ui->referenceside_spin->value();
    return settings;
}

void MainWindow::renderStamp()
{
    renderStampedImage();
    updatePreview();
}

void MainWindow::renderStampedImage()
{
    decodePreviewAsTheRun();
    placeStamps();
    const StampedPicture stamped = stampRenderer.render(previewImage, previewOpaque, logoImage,
                                                        stampSettings(), textPos, logoPos);
    stampedImage = stamped.image;
    stampedOpaque = stamped.opaque;
    if (!stamped.textRect.isNull())
        textRect = stamped.textRect;
}

// The first pass gives the picture its stamped size, the second places text and logo on it; only
// the second is shown.
void MainWindow::renderTwice()
{
    renderStampedImage();
    renderStampedImage();
    updatePreview();
}
