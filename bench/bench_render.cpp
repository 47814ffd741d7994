// How long one render plus show takes on a 12-megapixel photo: what every drag step and every
// control change costs. Prints the median of many renders for three display set-ups, next to
// one plain copy of the photo as the yardstick.
//
// Usage: bench_render PHOTO [LOGO]   (a 4000 x 3000 photo; run with QT_QPA_PLATFORM=offscreen)
#include "support/testenv.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QtWidgets>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Rounds = 40;

double median(QVector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.at(samples.size() / 2);
}

double copyMilliseconds(const QImage &photo)
{
    QVector<double> samples;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        QImage copy = photo.copy();
        samples << timer.nsecsElapsed() / 1e6;
        Q_UNUSED(copy)
    }
    return median(samples);
}

// One drag step of the text: a new offset, then render and show, as the offset handler does.
double renderMilliseconds(MainWindow &window)
{
    Ui::MainWindow *ui = MainWindowProbe::ui(window);
    QVector<double> samples;
    for (int round = 0; round < Rounds; ++round) {
        const QSignalBlocker blocker(ui->txt_x_spin);
        ui->txt_x_spin->setValue(20 + round % 7);
        QElapsedTimer timer;
        timer.start();
        MainWindowProbe::renderStamp(window);
        MainWindowProbe::updatePreview(window);
        samples << timer.nsecsElapsed() / 1e6;
    }
    return median(samples);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    initTestApplication();
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PHOTO [LOGO]\n", argv[0]);
        return 2;
    }
    const QString photoPath = QString::fromLocal8Bit(argv[1]);
    QImageReader reader(photoPath);
    const QImage photo = reader.read();
    if (photo.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }

    IsolatedSettings store;
    MainWindow window;
    Ui::MainWindow *ui = MainWindowProbe::ui(window);
    window.resize(1600, 1000);
    window.show();
    QApplication::processEvents();
    if (argc > 2)
        MainWindowProbe::logoImage(window) = QImage(QString::fromLocal8Bit(argv[2]));
    ui->wtrmark_edit->setText(QStringLiteral("(c) Tessaro bench"));
    ui->files_list->addItem(photoPath);
    ui->files_list->setCurrentRow(0);

    std::printf("photo %dx%d, %d renders each, median milliseconds\n", photo.width(),
                photo.height(), Rounds);
    const double yardstick = copyMilliseconds(MainWindowProbe::previewImage(window));
    std::printf("  QImage::copy() of the photo (yardstick): %7.2f\n", yardstick);

    const struct
    {
        const char *name;
        bool resize;
        bool fit;
    } setups[] = {
        {"resize to 1920x1920 on, fit mode", true, true},
        {"resize off, fit mode", false, true},
        {"resize off, actual size", false, false},
    };
    for (const auto &setup : setups) {
        ui->resize_check->setChecked(setup.resize);
        (setup.fit ? ui->fit_radio : ui->actual_radio)->setChecked(true);
        MainWindowProbe::renderStamp(window);
        const double render = renderMilliseconds(window);
        std::printf("  %-34s %7.2f  (%.2f x the copy)\n", setup.name, render, render / yardstick);
    }
    return 0;
}
