// What hostile input costs: for each kind, the time until readPicture gives up and the peak
// memory of the process meanwhile (the resident high-water mark, set back before each row).
// The window rows time a start with a named pipe stored as the logo. The command line rows run
// tessaro-stamp on files made to exhaust its memory or its time, each as a process of its own,
// and give its time and peak memory; the signal row gives the time from SIGTERM to its end.
//
// Usage: bench_hostile [TESSARO-STAMP]   (run with QT_QPA_PLATFORM=offscreen; the program
//        defaults to the one built beside this benchmark, another build can be measured instead)
#include "engine/read/imageload.h"
#include "engine/setup/settingsstore.h"
#include "support/hostilefiles.h"
#include "support/testenv.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void makePipe(const QString &path)
{
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        qFatal("cannot make the pipe %s", qPrintable(path));
}

// Runs `work` and prints its time, the peak memory meanwhile and what it says.
void measure(const char *row, const std::function<QString()> &work)
{
    if (!resetPeakMemory())
        qFatal("cannot set the peak memory back");
    QElapsedTimer timer;
    timer.start();
    const QString outcome = work();
    const double milliseconds = timer.nsecsElapsed() / 1e6;
    std::printf("%-34s %9.1f ms %8.1f MB  %s\n", row, milliseconds, peakMemoryKiB() / 1024.0,
                qPrintable(outcome));
}

QString readingOutcome(const QString &path)
{
    QString error;
    const QImage picture = readPicture(path, &error);
    return picture.isNull()
        ? error
        : QStringLiteral("read, %1 x %2").arg(picture.width()).arg(picture.height());
}

// How a process ended: its status (128 + the signal that ended it), its time (from the signal,
// when one was sent), its peak resident memory and the first line it printed.
struct ChildRun
{
    int status = -1;
    double milliseconds = 0;
    double peakMB = 0;
    QString firstLine;
};

// Runs `arguments` as a process with standard output and error in `log`; with `signalAfterMs`,
// sends it SIGTERM that long after it starts and times its end from the signal. A process still
// running after `timeoutSeconds` is killed.
ChildRun runChild(const QStringList &arguments, const QString &log, int signalAfterMs = -1,
                  int timeoutSeconds = 300)
{
    std::vector<QByteArray> encoded;
    for (const QString &argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const QByteArray logName = QFile::encodeName(log);

    QElapsedTimer timer;
    timer.start();
    const pid_t child = ::fork();
    if (child == 0) {
        const int output = ::open(logName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage {};
    for (int waited = 0;; ++waited) {
        if (::wait4(child, &status, WNOHANG, &usage) == child)
            break;
        if (signalAfterMs >= 0 && waited * 10 >= signalAfterMs) {
            ::kill(child, SIGTERM);
            timer.restart();
            signalAfterMs = -1;
        }
        if (waited * 10 > timeoutSeconds * 1000)
            ::kill(child, SIGKILL);
        ::usleep(10000);
    }
    ChildRun run;
    run.milliseconds = timer.nsecsElapsed() / 1e6;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.peakMB = usage.ru_maxrss / 1024.0;
    QFile printed(log);
    if (printed.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : printed.readAll().split('\n')) {
            if (!line.isEmpty() && !line.startsWith("QStandardPaths")) {
                run.firstLine = QString::fromUtf8(line);
                break;
            }
        }
    }
    return run;
}

void printChild(const char *row, const ChildRun &run)
{
    std::printf("%-44s %9.1f ms %8.1f MB  status %d: %s\n", row, run.milliseconds, run.peakMB,
                run.status, qPrintable(run.firstLine.left(100)));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    initTestApplication();
    QTemporaryDir dir;
    const auto file = [&dir](const QString &name, const QByteArray &bytes) {
        writeFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    };

    const QString pipe = dir.filePath(QStringLiteral("pipe.jpg"));
    makePipe(pipe);
    const QString link = dir.filePath(QStringLiteral("z.jpg"));
    QFile::link(pipe, link);
    const QString png = file(QStringLiteral("bomb.png"), pngBomb(QSize(30000, 30000)));
    const QString tiff = file(QStringLiteral("bomb.tif"), tiffBomb(QSize(30000, 30000)));
    const QString jpeg = file(QStringLiteral("bomb.jpg"), jpegBomb(QSize(65500, 65500)));
    const QByteArray photo = encoded(noisePicture(QSize(4000, 3000)), "jpg");
    const QString cut = file(QStringLiteral("cut.jpg"), photo.left(photo.size() / 2));

    std::printf("%-34s %12s %11s  %s\n", "input", "time", "peak", "outcome");
    measure("named pipe", [&] { return readingOutcome(pipe); });
    measure("link z.jpg to a named pipe", [&] { return readingOutcome(link); });
    measure("png 30000 x 30000, 1 bit", [&] { return readingOutcome(png); });
    measure("tiff 30000 x 30000, 1 bit", [&] { return readingOutcome(tiff); });
    measure("jpeg 65500 x 65500", [&] { return readingOutcome(jpeg); });
    measure("jpeg 4000 x 3000 cut off halfway", [&] { return readingOutcome(cut); });

    const IsolatedSettings store;
    {
        std::unique_ptr<QSettings> settings(openSettingsStore());
        settings->setValue(QStringLiteral("logo_file_name"), pipe);
    }
    measure("window start, pipe as the logo", [] {
        MainWindow window;
        return QStringLiteral("started");
    });

    const QString stamp
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TESSARO_STAMP_PATH);
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString log = dir.filePath(QStringLiteral("log"));
    const QString config = dir.filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    // Runs the program on `inputs` with the settings `settings`; the output folder starts empty.
    const auto stampRun = [&](const QStringList &limits, const QByteArray &settings,
                              const QStringList &options, const QStringList &inputs,
                              int signalAfterMs = -1) {
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        const QString settingsFile = file(QStringLiteral("bench.conf"), "[General]\n" + settings);
        return runChild(limits
                            + QStringList {stamp, QStringLiteral("--settings"), settingsFile,
                                           QStringLiteral("--output"), out}
                            + options + inputs,
                        log, signalAfterMs);
    };
    const QByteArray plain
        = "wtrmark_edit=\nresize_check=false\noutpng_radio=true\noutjpg_radio=false\n";

    std::printf("\n%s\n%-44s %12s %11s  %s\n", qPrintable(stamp), "tessaro-stamp on", "time",
                "peak", "outcome");
    const QString one = dir.filePath(QStringLiteral("one.png"));
    QImage(1, 1, QImage::Format_RGB32).save(one);
    printChild("resize box 20000 x 20000 on 1 x 1",
               stampRun({},
                        "wtrmark_edit=\nresize_check=true\naspect_check=false\nwidth_spin=20000\n"
                        "height_spin=20000\noutpng_radio=true\noutjpg_radio=false\n",
                        {}, {one}));

    QImage logo(3000, 3000, QImage::Format_ARGB32);
    logo.fill(qRgba(250, 20, 30, 200));
    const QString logoFile = dir.filePath(QStringLiteral("logo.png"));
    logo.save(logoFile);
    QStringList small;
    for (int i = 0; i < 4; ++i) {
        small << dir.filePath(QStringLiteral("small%1.png").arg(i));
        QImage(64, 48, QImage::Format_RGB32).save(small.last());
    }
    printChild("logo 3000 x 3000 x 9 on four 64 x 48, jobs 2",
               stampRun({}, plain + "scale_spin=9\n",
                        {QStringLiteral("--logo"), logoFile, QStringLiteral("--jobs"),
                         QStringLiteral("2")},
                        small));

    // A smooth 100-megapixel colour photo, listed sixteen times, in 4 GB of address space.
    QImage gradient(10000, 10000, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y) {
        auto line = reinterpret_cast<QRgb *>(gradient.scanLine(y));
        for (int x = 0; x < gradient.width(); ++x)
            line[x] = qRgb(x * 255 / 10000, y * 255 / 10000, 128);
    }
    const QString photo100 = dir.filePath(QStringLiteral("photo100.jpg"));
    gradient.save(photo100, "jpg", 90);
    gradient = QImage();
    QStringList sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen << photo100;
    const QStringList fourGigabytes
        = {QStringLiteral("prlimit"), QStringLiteral("--as=%1").arg(qint64(4) << 30)};
    const QStringList sixteenJobs = {QStringLiteral("--jobs"), QStringLiteral("16")};
    printChild(
        "16 x 100 MP, jobs 16, fit 1920, 4 GB space",
        stampRun(fourGigabytes,
                 "wtrmark_edit=Bench\nresize_check=true\naspect_check=true\nwidth_spin=1920\n"
                 "height_spin=1920\n",
                 sixteenJobs, sixteen));
    printChild(
        "16 x 100 MP, jobs 16, no resize, 4 GB space",
        stampRun(fourGigabytes, "wtrmark_edit=Bench\nresize_check=false\n", sixteenJobs, sixteen));

    const QString scanBomb = file(QStringLiteral("scans.jpg"), jpegScanBomb(QSize(8192, 8192)));
    printChild("progressive jpeg 8192 x 8192, 883 scans", stampRun({}, plain, {}, {scanBomb}));

    const QString slow = file(QStringLiteral("slow.jpg"), jpegScanBomb(QSize(8192, 8192), 281));
    printChild("SIGTERM 500 ms into a decode (time to end)",
               stampRun({}, plain, {}, {slow, slow}, 500));
    return 0;
}
