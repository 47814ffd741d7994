// The floors of the run benchmark: plain programs doing the stamping job's heavy steps (decode,
// smooth resize, JPEG encode) and nothing else, for bench_run to time. The photos are JPEG, and the
// reader is told so, as a program written for them would.
//
// Usage: stamp_floor cold|warm|shrink|shrink-process PHOTO...
//   cold: one thread, whole decodes, the C library's allocator defaults; warm: the same with
//   keepFreedMemory(), as every entry point of ours, and the photos' memory touched once before
//   the timed pass; shrink: two threads, each photo decoded at the size that covers the box, warm;
//   shrink-process: the same without the untimed first pass, for timing the process whole.
// Prints the seconds of the timed pass, and then its CPU seconds.
#include "benchsetup.h"
#include "engine/batch/memorypolicy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <thread>

namespace {

double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// The floor's work on `photos`: read, smooth resize, JPEG encode, on this thread.
void stampPlainly(const QStringList &photos, const QString &outputDir)
{
    for (const QString &photo : photos) {
        QImageReader reader(photo, "jpeg");
        const QImage decoded = reader.read();
        const QImage resized
            = decoded.scaled(outputBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QImageWriter writer(outputDir + '/' + QFileInfo(photo).completeBaseName() + ".jpg", "jpg");
        writer.setQuality(jpegQuality);
        writer.write(resized);
    }
}

// The shrink-on-load floor's work on `photos`: each decoded at the size that covers the box
// (libjpeg's DCT scaling, the rest scaled smoothly by the reader), JPEG encoded; two threads, each
// on every other photo.
void stampShrunk(const QStringList &photos, const QString &outputDir)
{
    const auto stampEvery = [&](int first) {
        for (int i = first; i < photos.size(); i += 2) {
            QImageReader reader(photos.at(i), "jpeg");
            reader.setScaledSize(reader.size().scaled(outputBox, Qt::KeepAspectRatio));
            const QImage resized = reader.read();
            QImageWriter writer(
                outputDir + '/' + QFileInfo(photos.at(i)).completeBaseName() + ".jpg", "jpg");
            writer.setQuality(jpegQuality);
            writer.write(resized);
        }
    };
    std::thread second(stampEvery, 1);
    stampEvery(0);
    second.join();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: stamp_floor cold|warm|shrink|shrink-process PHOTO...\n");
        return 2;
    }
    if (qstrcmp(argv[1], "cold") != 0)
        keepFreedMemory();
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.at(1);
    const QStringList photos = args.mid(2);
    const auto stamp = mode.startsWith(QLatin1String("shrink")) ? stampShrunk : stampPlainly;
    QTemporaryDir output;
    if (mode == QLatin1String("warm") || mode == QLatin1String("shrink"))
        stamp(photos.mid(0, 3), output.path()); // touches the memory a photo needs
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = processCpuSeconds();
    stamp(photos, output.path());
    std::printf("%.6f %.6f\n", clock.nsecsElapsed() / 1e9, processCpuSeconds() - cpuStart);
    return 0;
}
