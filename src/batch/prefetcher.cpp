#include "batch/prefetcher.h"

#include "batch/pixelmemory.h"
#include "stamp/imageload.h"

#include <QFileInfo>

LoadedPicture loadPicture(const QString &path, PictureMemory &memory)
{
    QImage decoded = memory.reusable();
    const uchar *reusedPixels = decoded.constBits();
    LoadedPicture loaded;
    if (readPicture(path, &decoded, &loaded.error)) {
        const bool fromReusable = reusedPixels && decoded.constBits() == reusedPixels;
        loaded.workingCopy = memory.workingCopy(std::move(decoded), fromReusable);
    }
    return loaded;
}

FileVersion FileVersion::of(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return FileVersion();
    return {info.size(), info.lastModified(), info.metadataChangeTime()};
}

bool FileVersion::operator==(const FileVersion &other) const
{
    return size == other.size && modified == other.modified && changed == other.changed;
}

PicturePrefetcher::PicturePrefetcher()
    : memory(std::make_shared<PictureMemory>())
{
}

PicturePrefetcher::~PicturePrefetcher() = default;

void PicturePrefetcher::start(const QString &path)
{
    if (pending.valid())
        pending.wait();
    pending = std::async(std::launch::async, &PicturePrefetcher::prefetch, path, memory);
}

LoadedPicture PicturePrefetcher::take(const QString &path)
{
    if (pending.valid()) {
        Prefetched ready = pending.get();
        if (ready.path == path && ready.version.size >= 0 && ready.version == FileVersion::of(path))
            return ready.picture;
    }
    return loadPicture(path, *memory);
}

PicturePrefetcher::Prefetched
PicturePrefetcher::prefetch(const QString &path, const std::shared_ptr<PictureMemory> &memory)
{
    Prefetched prefetched;
    prefetched.path = path;
    const FileVersion before = FileVersion::of(path);
    prefetched.picture = loadPicture(path, *memory);
    if (FileVersion::of(path) == before)
        prefetched.version = before;
    return prefetched;
}
