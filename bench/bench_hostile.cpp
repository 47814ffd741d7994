// What hostile input costs: for each kind, the time until readPicture gives up and the peak
// memory of the process meanwhile (the resident high-water mark, set back before each row).
// The window rows time a start with a named pipe stored as the logo.
//
// Usage: bench_hostile   (run with QT_QPA_PLATFORM=offscreen)
#include "engine/read/imageload.h"
#include "engine/setup/settingsstore.h"
#include "support/hostilefiles.h"
#include "support/testenv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

#include <sys/stat.h>

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
    return 0;
}
