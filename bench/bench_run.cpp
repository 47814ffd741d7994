// Throughput, memory and responsiveness of a stamping run over a folder of photos, against the
// floor of plain decode, smooth resize and JPEG encode on one thread.
//
// Usage: bench_run CORPUS_DIR [ROUNDS]   (CORPUS_DIR from make-corpus.sh: photos/*.jpg, logo.png)
//
// The floors run in child processes (this program again, with --floor), so that each starts with
// the allocator it is measured with: cold (the C library's defaults) or warm (keepFreedMemory(),
// as every entry point of ours, and the photos' memory touched once before the timed pass).
#include "engine/batch/memorypolicy.h"
#include "engine/read/imageload.h"
#include "support/dialoganswerer.h"
#include "support/testenv.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <sys/resource.h>
#include <sys/wait.h>
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

double median(QVector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.isEmpty() ? 0 : samples.at(samples.size() / 2);
}

// The floor's work on `photos`: read, smooth resize, JPEG encode, on this thread.
void stampPlainly(const QStringList &photos, const QString &outputDir)
{
    for (const QString &photo : photos) {
        QImageReader reader(photo);
        const QImage decoded = reader.read();
        const QImage resized
            = decoded.scaled(outputBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QImageWriter writer(outputDir + '/' + QFileInfo(photo).completeBaseName() + ".jpg", "jpg");
        writer.setQuality(jpegQuality);
        writer.write(resized);
    }
}

// The child's side: bench_run --floor cold|warm PHOTO...; prints the seconds of the timed pass.
int floorChild(const QStringList &args)
{
    const bool warm = args.at(2) == QLatin1String("warm");
    const QStringList photos = args.mid(3);
    QTemporaryDir output;
    if (warm)
        stampPlainly(photos.mid(0, 3), output.path()); // touches the memory a photo needs
    QElapsedTimer clock;
    clock.start();
    stampPlainly(photos, output.path());
    std::printf("%.6f\n", clock.nsecsElapsed() / 1e9);
    return 0;
}

struct Child
{
    pid_t pid = -1;
    int output = -1;
};

// Starts `program` with `args`, its standard output on a pipe; `environment` entries are added.
Child startChild(const QString &program, const QStringList &args,
                 const QStringList &environment = {})
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    const QByteArray path = program.toLocal8Bit();
    QList<QByteArray> argBytes {path};
    for (const QString &arg : args)
        argBytes << arg.toLocal8Bit();
    QList<QByteArray> envBytes;
    for (const QString &entry : environment)
        envBytes << entry.toLocal8Bit();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        for (const QByteArray &entry : envBytes)
            putenv(const_cast<char *>(entry.constData()));
        QVector<char *> argv;
        for (const QByteArray &arg : argBytes)
            argv << const_cast<char *>(arg.constData());
        argv << nullptr;
        execv(path.constData(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    return {pid, pipeEnds[0]};
}

struct ChildResult
{
    QByteArray output;
    qint64 peakBytes = 0;
    bool ok = false;
};

ChildResult waitForChild(const Child &child)
{
    ChildResult result;
    char buffer[4096];
    for (ssize_t n; (n = read(child.output, buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, int(n));
    close(child.output);
    int status = 0;
    rusage usage {};
    if (wait4(child.pid, &status, 0, &usage) == child.pid) {
        result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        result.peakBytes = qint64(usage.ru_maxrss) * 1024;
    }
    return result;
}

// Pictures per second of the floor in one child process; 0 when it failed.
double floorImagesPerSecond(const QStringList &photos, bool warm)
{
    const ChildResult result
        = waitForChild(startChild(QCoreApplication::applicationFilePath(),
                                  QStringList {"--floor", warm ? "warm" : "cold"} + photos));
    const double seconds = result.output.trimmed().toDouble();
    return result.ok && seconds > 0 ? photos.size() / seconds : 0;
}

// Pictures per second of two warm floors at once, each on half of the photos: what two
// independent processes reach on this machine.
double twoProcessCeiling(const QStringList &photos)
{
    const int half = photos.size() / 2;
    const QString self = QCoreApplication::applicationFilePath();
    const Child first = startChild(self, QStringList {"--floor", "warm"} + photos.mid(0, half));
    const Child second = startChild(self, QStringList {"--floor", "warm"} + photos.mid(half));
    const ChildResult firstResult = waitForChild(first);
    const ChildResult secondResult = waitForChild(second);
    const double seconds
        = qMax(firstResult.output.trimmed().toDouble(), secondResult.output.trimmed().toDouble());
    return firstResult.ok && secondResult.ok && seconds > 0 ? photos.size() / seconds : 0;
}

// The run as a user starts it: the photos in the list, Start pressed, the output folder chosen
// in the dialog and the "Done" box closed. Timed from the log's first line to its last.
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
    answerer.waitUntilAnswered(600000);
    QObject::disconnect(connection);

    const int written = ui->log_plain->toPlainText().count(QStringLiteral(" ... OK! ("));
    if (written != photos.size() || elapsedNs == 0) {
        std::fprintf(stderr, "run wrote %d of %d photos\n", written, int(photos.size()));
        return 0;
    }
    return photos.size() / (elapsedNs / 1e9);
}

// How long after a click on Stop the question appears, while full-size photos are stamped: the
// click is queued as the user's would be and served when the window's thread is free.
QVector<double> stopBoxMilliseconds(MainWindow &window, const QStringList &photos)
{
    Ui::MainWindow *ui = MainWindowProbe::ui(window);
    ui->resize_check->setChecked(false);
    ui->files_list->clear();
    // Enough photos that the run is still going after the last click.
    for (int copy = 0; copy < 3; ++copy)
        ui->files_list->addItems(photos);
    QTemporaryDir output;
    DialogAnswerer answerer;
    answerer.choosePath(output.path());
    QTest::mouseClick(ui->start_btn, Qt::LeftButton);
    answerer.waitUntilAnswered();

    QVector<double> samples;
    QElapsedTimer clock;
    while (MainWindowProbe::stamping(window) && samples.size() < 8) {
        QTest::qWait(150);
        clock.start();
        QTimer::singleShot(0, ui->start_btn, [&] {
            // The question is modal: its timer fires once it is shown.
            QTimer::singleShot(0, [&] {
                samples << clock.nsecsElapsed() / 1e6;
                if (auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                    box->button(QMessageBox::No)->click();
            });
            QTest::mouseClick(ui->start_btn, Qt::LeftButton);
        });
        QTest::qWait(50);
    }
    MainWindowProbe::stamping(window) = false; // ends the run after the pictures in flight
    while (!ui->start_btn->isEnabled() || ui->start_btn->text() != QLatin1String("Start Stamping"))
        QTest::qWait(50);
    ui->resize_check->setChecked(true);
    return samples;
}

// The command line over the photos with the benchmark's setup on every core, as a process of its
// own: pictures per second and its peak resident memory.
std::pair<double, qint64> commandLine(const QString &corpusDir, const QStringList &photos)
{
    QTemporaryDir work;
    const QString settingsFile = work.filePath("setup.conf");
    {
        QSettings setup(settingsFile, QSettings::IniFormat);
        setup.setValue("resize_check", true);
        setup.setValue("width_spin", outputBox.width());
        setup.setValue("height_spin", outputBox.height());
        setup.setValue("aspect_check", true);
        setup.setValue("outjpg_radio", true);
        setup.setValue("comp_slider", jpegQuality);
        setup.setValue("wtrmark_edit", QStringLiteral("Tessaro benchmark \u00a9 2024"));
        setup.setValue("shadow_spin", 15);
        setup.setValue("logo_file_name", corpusDir + "/logo.png");
    }
    QDir(work.path()).mkdir("out");
    QElapsedTimer clock;
    clock.start();
    const ChildResult result = waitForChild(
        startChild(QStringLiteral(TESSARO_STAMP_PATH),
                   {"--quiet", "--jobs", QString::number(QThread::idealThreadCount()), "--settings",
                    settingsFile, "--output", work.filePath("out"), corpusDir + "/photos"}));
    const double seconds = clock.nsecsElapsed() / 1e9;
    const int written = QDir(work.filePath("out")).entryList(QDir::Files).size();
    if (!result.ok || written != photos.size())
        return {0, result.peakBytes};
    return {photos.size() / seconds, result.peakBytes};
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
    if (argc > 3 && qstrcmp(argv[1], "--floor") == 0) {
        if (qstrcmp(argv[2], "warm") == 0)
            keepFreedMemory();
        QCoreApplication app(argc, argv);
        return floorChild(QCoreApplication::arguments());
    }
    keepFreedMemory();
    setvbuf(stdout, nullptr, _IOLBF, 0);
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

    std::printf("photos: %d, largest %dx%d (32-bit size %.1f MiB), %d cores\n", int(photos.size()),
                largest.width(), largest.height(), mebibytes(largestBytes),
                QThread::idealThreadCount());
    double bestRun = 0, bestCold = 0, bestWarm = 0, bestCeiling = 0, bestCommand = 0;
    qint64 commandPeakBytes = 0;
    for (int round = 1; round <= rounds; ++round) {
        const double run = runImagesPerSecond(window, photos);
        const double cold = floorImagesPerSecond(photos, false);
        const double warm = floorImagesPerSecond(photos, true);
        const double ceiling = twoProcessCeiling(photos);
        const auto [command, commandPeak] = commandLine(corpus.path(), photos);
        std::printf("round %d: run %.2f, command line %.2f, floor cold %.2f, floor warm %.2f, two "
                    "processes %.2f images/s\n",
                    round, run, command, cold, warm, ceiling);
        bestRun = std::max(bestRun, run);
        bestCommand = std::max(bestCommand, command);
        commandPeakBytes = std::max(commandPeakBytes, commandPeak);
        bestCold = std::max(bestCold, cold);
        bestWarm = std::max(bestWarm, warm);
        bestCeiling = std::max(bestCeiling, ceiling);
    }
    const qint64 peakBytes = peakResidentBytes();
    const qint64 limitBytes = idleBytes + 5 * largestBytes;
    std::printf("best of %d, images/s: run %.2f; floor cold %.2f, warm %.2f; two warm floors at "
                "once (ceiling) %.2f\n",
                rounds, bestRun, bestCold, bestWarm, bestCeiling);
    std::printf("run / warm floor: %.2f (target >= 1.45); run / cold floor: %.2f; ceiling / "
                "warm floor: %.2f; run / ceiling: %.2f\n",
                bestRun / bestWarm, bestRun / bestCold, bestCeiling / bestWarm,
                bestRun / bestCeiling);
    const int cores = QThread::idealThreadCount();
    std::printf("command line --jobs %d: %.2f images/s, %.2f x the warm floor (target >= 1.5); "
                "peak RSS %.1f MiB, limit %d x 3 x largest: %.1f MiB (%s)\n",
                cores, bestCommand, bestCommand / bestWarm, mebibytes(commandPeakBytes), cores,
                mebibytes(cores * 3 * largestBytes),
                commandPeakBytes <= cores * 3 * largestBytes ? "within" : "over");
    std::printf("idle window RSS: %.1f MiB; peak RSS: %.1f MiB; limit idle + 5 x largest: %.1f "
                "MiB (%s)\n",
                mebibytes(idleBytes), mebibytes(peakBytes), mebibytes(limitBytes),
                peakBytes <= limitBytes ? "within" : "over");

    const QVector<double> stopBox = stopBoxMilliseconds(window, photos);
    std::printf("Stop question shown after a click, full-size photos in the run: median %.1f ms, "
                "worst %.1f ms of %d (target <= 100 ms)\n",
                median(stopBox),
                stopBox.isEmpty() ? 0.0 : *std::max_element(stopBox.begin(), stopBox.end()),
                int(stopBox.size()));
    return 0;
}
