// Throughput and memory of a stamping run over a folder of photos, against the floor of plain
// decode, smooth resize and JPEG encode on one thread.
//
// Usage: bench_run CORPUS_DIR [ROUNDS]   (CORPUS_DIR from make-corpus.sh: photos/*.jpg, logo.png)
#include "stamp/imageload.h"
#include "support/dialoganswerer.h"
#include "support/testenv.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

const QSize outputBox(1920, 1920);
const int jpegQuality = 90;

double mebibytes(qint64 bytes)
{
    return bytes / (1024.0 * 1024.0);
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

qint64 peakResidentBytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

// The run as a user starts it: the settings of the benchmark, the photos in the list, Start
// pressed, the output folder chosen in the dialog and the "Done" box closed. Timed from the
// log's first line to its last.
double runImagesPerSecond(MainWindow &window, const QStringList &photos)
{
    Ui::MainWindow *ui = MainWindowProbe::ui(window);
    ui->log_plain->clear();
    ui->files_list->clear();
    ui->files_list->addItems(photos);

    QTemporaryDir output;
    QElapsedTimer clock;
    qint64 elapsedNs = 0;
    const auto connection = QObject::connect(ui->log_plain, &QPlainTextEdit::textChanged, [&] {
        const QString line = ui->log_plain->document()->lastBlock().text();
        if (line == QLatin1String("Stamping Started ..."))
            clock.start();
        else if (line == QLatin1String("Stamping Completed!"))
            elapsedNs = clock.nsecsElapsed();
    });
    DialogAnswerer answerer;
    answerer.choosePath(output.path());
    answerer.pressButton(QMessageBox::Ok);
    QTest::mouseClick(ui->start_btn, Qt::LeftButton);
    QObject::disconnect(connection);

    const int written = ui->log_plain->toPlainText().count(QStringLiteral(" ... OK! ("));
    if (written != photos.size() || elapsedNs == 0) {
        std::fprintf(stderr, "run wrote %d of %d photos\n", written, int(photos.size()));
        return 0;
    }
    return photos.size() / (elapsedNs / 1e9);
}

double floorImagesPerSecond(const QStringList &photos)
{
    QTemporaryDir output;
    QElapsedTimer clock;
    clock.start();
    for (const QString &photo : photos) {
        QImageReader reader(photo);
        const QImage decoded = reader.read();
        const QImage resized
            = decoded.scaled(outputBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QImageWriter writer(output.filePath(QFileInfo(photo).completeBaseName() + ".jpg"), "jpg");
        writer.setQuality(jpegQuality);
        writer.write(resized);
    }
    return photos.size() / (clock.nsecsElapsed() / 1e9);
}

void applyBenchmarkSettings(MainWindow &window, const QString &logoPath)
{
    Ui::MainWindow *ui = MainWindowProbe::ui(window);
    ui->resize_check->setChecked(true);
    ui->width_spin->setValue(outputBox.width());
    ui->height_spin->setValue(outputBox.height());
    ui->aspect_check->setChecked(true);
    ui->outjpg_radio->setChecked(true);
    ui->comp_slider->setValue(jpegQuality);
    ui->wtrmark_edit->setText(QStringLiteral("Tessaro benchmark \u00a9 2024"));
    ui->shadow_spin->setValue(15);
    // The preview at actual size, the default and the dearer way to show each picture.
    ui->actual_radio->setChecked(true);
    MainWindowProbe::logoFileName(window) = logoPath;
    MainWindowProbe::logoImage(window) = readPicture(logoPath);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_run CORPUS_DIR [ROUNDS]\n");
        return 2;
    }
    const QDir corpus(args.at(1));
    const int rounds = qMax(1, args.value(2, QStringLiteral("3")).toInt());
    QStringList photos;
    qint64 largestBytes = 0;
    QSize largest;
    for (const QFileInfo &photo : QDir(corpus.filePath(QStringLiteral("photos")))
                                      .entryInfoList({"*.jpg"}, QDir::Files, QDir::Name)) {
        photos << photo.absoluteFilePath();
        const QSize size = QImageReader(photo.absoluteFilePath()).size();
        if (qint64(size.width()) * size.height() * 4 > largestBytes) {
            largestBytes = qint64(size.width()) * size.height() * 4;
            largest = size;
        }
    }
    if (photos.isEmpty()) {
        std::fprintf(stderr, "no photos in %s/photos\n", qPrintable(corpus.path()));
        return 2;
    }

    initTestApplication();
    IsolatedSettings store;
    MainWindow window;
    window.show();
    applyBenchmarkSettings(window, corpus.filePath(QStringLiteral("logo.png")));
    QTest::qWait(500);
    const qint64 idleBytes = residentBytes();

    std::printf("photos: %d, largest %dx%d (32-bit size %.1f MiB)\n", int(photos.size()),
                largest.width(), largest.height(), mebibytes(largestBytes));
    double bestRun = 0;
    double bestFloor = 0;
    for (int round = 1; round <= rounds; ++round) {
        const double run = runImagesPerSecond(window, photos);
        const double floor = floorImagesPerSecond(photos);
        std::printf("round %d: run %.2f images/s, floor %.2f images/s, ratio %.2f\n", round, run,
                    floor, run / floor);
        bestRun = std::max(bestRun, run);
        bestFloor = std::max(bestFloor, floor);
    }
    const qint64 peakBytes = peakResidentBytes();
    const qint64 limitBytes = idleBytes + 5 * largestBytes;
    std::printf("run (best of %d): %.2f images/s\n", rounds, bestRun);
    std::printf("floor (best of %d): %.2f images/s\n", rounds, bestFloor);
    std::printf("ratio run / floor: %.2f (target >= 1.40)\n", bestRun / bestFloor);
    std::printf("idle window RSS: %.1f MiB; peak RSS: %.1f MiB; limit idle + 5 x largest: %.1f "
                "MiB (%s)\n",
                mebibytes(idleBytes), mebibytes(peakBytes), mebibytes(limitBytes),
                peakBytes <= limitBytes ? "within" : "over");
    return 0;
}
