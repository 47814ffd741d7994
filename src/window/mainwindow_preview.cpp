#include "window/mainwindow.h"

#include "engine/batch/picturetypes.h"
#include "engine/read/imageload.h"
#include "ui_mainwindow.h"
#include "window/widgets/fontfit.h"
#include "window/widgets/qclickablelabel.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>

namespace {

// "color: #" and the colour's ARGB value as eight lowercase hexadecimal digits.
QString fontSampleStyleSheet(const QColor &color)
{
    return QStringLiteral("color: #") + QString::number(color.rgba(), 16);
}

bool insideScaledBox(const QPoint &point, double left, double top, double width, double height,
                     double scaleX, double scaleY)
{
    return left * scaleX <= point.x() && point.x() < (left + width) * scaleX
        && top * scaleY <= point.y() && point.y() < (top + height) * scaleY;
}

// The offset after a drag step of `mouseDelta` shown pixels at `scale` shown pixels per picture
// pixel, truncated toward zero.
int draggedOffset(int mouseDelta, double scale, int offset)
{
    return int(mouseDelta * (1 / scale) + offset);
}

// A pixmap over the pixels of an opaque 32-bit ARGB picture read as RGB32 (the same bits), which
// the toolkit shows as they are, where converting them would cost a pass over the whole picture.
// The pixmap holds a reference to the picture, so the pixels live as long as they are shown.
QPixmap sharedOpaquePixmap(const QImage &picture)
{
    auto kept = new QImage(picture);
    const QImage view(
        kept->constBits(), kept->width(), kept->height(), kept->bytesPerLine(),
        QImage::Format_RGB32, [](void *image) { delete static_cast<QImage *>(image); }, kept);
    return QPixmap::fromImage(view);
}

// `size` in pixels of a screen of device pixel ratio `ratio`.
QSize screenPixels(const QSize &size, qreal ratio)
{
    return (QSizeF(size) * ratio).toSize();
}

// `pixmap` shown with each of its pixels on one pixel of a screen of device pixel ratio `ratio`.
QPixmap atRatio(QPixmap pixmap, qreal ratio)
{
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

// One tile of the light checkerboard shown behind what a picture keeps transparent.
QPixmap checkerboardTile()
{
    const int square = 8;
    QPixmap tile(2 * square, 2 * square);
    tile.fill(Qt::white);
    QPainter painter(&tile);
    const QColor grey(0xe4, 0xe4, 0xe4);
    painter.fillRect(square, 0, square, square, grey);
    painter.fillRect(0, square, square, square, grey);
    return tile;
}

// The size a picture is drawn at with `settings`, as the run reads it.
DrawnSize drawnWith(const StampSettings &settings)
{
    return [settings](const QSize &upright) { return stampedSize(upright, settings); };
}

} // namespace

void MainWindow::buildPreviewSurface()
{
    auto layout = new QGridLayout(ui->image_scroll_contents);
    previewLabel = new QClickableLabel(this);
    layout->addWidget(previewLabel, 0, 0, Qt::AlignCenter);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(previewLabel, &QClickableLabel::mousePressed, this, &MainWindow::previewMouseClicked);
    connect(previewLabel, &QClickableLabel::mouseMoved, this, &MainWindow::previewMouseMoved);
    connect(previewLabel, &QClickableLabel::mouseReleased, this, &MainWindow::previewMouseReleased);
    // What the picture leaves transparent shows as the chosen format writes it: over white, or
    // over a checkerboard where the format keeps transparency.
    previewLabel->setAutoFillBackground(true);
    const auto formats = ui->groupBox_3->findChildren<QRadioButton *>();
    for (QRadioButton *format : formats)
        connect(format, &QRadioButton::toggled, this, [this] { showPreviewBackdrop(); });
    showPreviewBackdrop();
}

void MainWindow::reloadLogo()
{
    if (!QFileInfo::exists(logoFileName))
        return;
    logoImage = readPicture(logoFileName);
    updatePreview();
}

void MainWindow::updatePreview()
{
    const QString styleSheet = fontSampleStyleSheet(fontColor);
    if (ui->font_pr_label->styleSheet() != styleSheet)
        ui->font_pr_label->setStyleSheet(styleSheet);
    ui->font_pr_label->setFont(fontFittingWidth(watermarkFont, ui->font_pr_label->text(),
                                                ui->font_pr_label->maximumWidth()));

    // Pictures are drawn in the screen's own pixels: a box of the window holds its size times the
    // device pixel ratio of them.
    const qreal ratio = devicePixelRatioF();
    if (!logoImage.isNull()) {
        const QSize box = screenPixels(ui->logo_label->size() - QSize(2, 2), ratio);
        ui->logo_label->setPixmap(
            atRatio(QPixmap::fromImage(thumbnailCache.scaled(logoImage, false, box,
                                                             Qt::KeepAspectRatio, transformMode)),
                    ratio));
    }

    if (stampedImage.isNull())
        return;
    if (ui->actual_radio->isChecked()) {
        // The toolkit's own scan for transparency would copy an opaque picture once more.
        previewLabel->setPixmap(
            atRatio(stampedOpaque ? sharedOpaquePixmap(stampedImage)
                                  : QPixmap::fromImage(stampedImage, Qt::NoOpaqueDetection),
                    ratio));
    } else if (ui->fit_radio->isChecked()) {
        const QSize box = screenPixels(ui->image_scroll->size() - QSize(2, 2), ratio);
        previewLabel->setPixmap(
            atRatio(QPixmap::fromImage(previewCache.scaled(stampedImage, stampedOpaque, box,
                                                           Qt::KeepAspectRatio, transformMode)),
                    ratio));
    }
}

void MainWindow::showPreviewBackdrop()
{
    QPalette palette = previewLabel->palette();
    palette.setBrush(QPalette::Window,
                     formatKeepsTransparency(outputFormat()) ? QBrush(checkerboardTile())
                                                             : QBrush(Qt::white));
    previewLabel->setPalette(palette);
}

void MainWindow::showWorkingCopy(const WorkingCopy &copy)
{
    previewImage = copy.image;
    previewOpaque = copy.opaque;
    previewDecoding = copy.decoding;
    stampedImage = previewImage;
    stampedOpaque = previewOpaque;
    renderTwice();
}

// The run decodes a picture no larger than it is drawn where its reader can; the preview shows
// the same decode, and reads its picture again when a resize asks for another. Where that read
// fails, the picture shown stays.
void MainWindow::decodePreviewAsTheRun()
{
    if (previewImage.isNull() || previewPath.isEmpty())
        return;
    const StampSettings settings = stampSettings();
    const QSize drawn = stampedSize(previewDecoding.fullSize, settings);
    if (previewDecoding.decodedSize(drawn) == previewImage.size())
        return;
    const WorkingCopy copy = readWorkingCopy(previewPath, drawnWith(settings));
    if (copy.image.isNull()) {
        previewPath.clear();
        return;
    }
    previewImage = copy.image;
    previewOpaque = copy.opaque;
    previewDecoding = copy.decoding;
}

void MainWindow::on_files_list_currentRowChanged(int currentRow)
{
    if (currentRow < 0) {
        previewLabel->clear();
        previewImage = QImage();
        previewOpaque = false;
        previewPath.clear();
        return;
    }
    const QString path = ui->files_list->item(currentRow)->text();
    if (!QFileInfo::exists(path))
        return;
    previewPath = path;
    showWorkingCopy(readWorkingCopy(path, drawnWith(stampSettings())));
}

void MainWindow::previewMouseClicked(QMouseEvent *event)
{
    const QImage &reference = ui->resize_check->isChecked() ? stampedImage : previewImage;
    if (reference.isNull())
        return;
    previewScaleX = double(previewLabel->width()) / reference.width();
    previewScaleY = double(previewLabel->height()) / reference.height();
    const StampSettings settings = stampSettings();
    previewStampScale = stampScale(stampedImage.size(), settings);
    const double scale = drawnStamp(settings, stampedImage.size()).logoScale;
    if (insideScaledBox(event->pos(), logoPos.x(), logoPos.y(), scale * logoImage.width(),
                        scale * logoImage.height(), previewScaleX, previewScaleY)) {
        logoDragging = true;
        dragAnchor = event->pos();
    }
    if (insideScaledBox(event->pos(), textPos.x(), textPos.y(), textRect.width(), textRect.height(),
                        previewScaleX, previewScaleY)) {
        textDragging = true;
        dragAnchor = event->pos();
    }
}

void MainWindow::previewMouseMoved(QMouseEvent *event)
{
    QSpinBox *xSpin = nullptr;
    QSpinBox *ySpin = nullptr;
    if (logoDragging) {
        xSpin = ui->x_spin;
        ySpin = ui->y_spin;
    } else if (textDragging) {
        xSpin = ui->txt_x_spin;
        ySpin = ui->txt_y_spin;
    } else {
        return;
    }
    // The offsets are those of the stamp as designed: a shown pixel moves them less on a picture
    // where the stamp is drawn larger.
    const QPoint position = event->pos();
    xSpin->setValue(draggedOffset(position.x() - dragAnchor.x(), previewScaleX * previewStampScale,
                                  xSpin->value()));
    ySpin->setValue(draggedOffset(position.y() - dragAnchor.y(), previewScaleY * previewStampScale,
                                  ySpin->value()));
    dragAnchor = position;
}

void MainWindow::previewMouseReleased(QMouseEvent *)
{
    logoDragging = false;
    textDragging = false;
}
