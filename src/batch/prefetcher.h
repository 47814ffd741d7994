#ifndef TESSARO_PREFETCHER_H
#define TESSARO_PREFETCHER_H

#include <QDateTime>
#include <QImage>
#include <QString>

#include <future>
#include <memory>

class PictureMemory;

// A picture read for stamping: its 32-bit ARGB working copy, or a null picture and the reader's
// reason.
struct LoadedPicture
{
    QImage workingCopy;
    QString error;
};

// Reads `path` with readPicture into memory from `memory` when it fits, and makes the working
// copy there.
LoadedPicture loadPicture(const QString &path, PictureMemory &memory);

// A file as it is on disk: size, modification time and status-change time (which, unlike the
// modification time, no tool can set back after rewriting the file); a missing file has size -1.
struct FileVersion
{
    qint64 size = -1;
    QDateTime modified;
    QDateTime changed;

    static FileVersion of(const QString &path);
    bool operator==(const FileVersion &other) const;
};

// Reads the next picture of a run on a second thread while the current one is stamped and
// written. The picture read ahead is handed out only for the same path whose file still has the
// size and modification time it had while it was read; otherwise the file is read again.
class PicturePrefetcher
{
public:
    PicturePrefetcher();
    ~PicturePrefetcher();

    // Starts reading `path`; a read still running for an earlier path is waited for and dropped.
    void start(const QString &path);
    // The picture at `path`: the one read ahead when it is still valid, else read now.
    LoadedPicture take(const QString &path);

private:
    struct Prefetched
    {
        QString path;
        FileVersion version; // size -1 when the file changed while it was read
        LoadedPicture picture;
    };
    static Prefetched prefetch(const QString &path, const std::shared_ptr<PictureMemory> &memory);

    std::shared_ptr<PictureMemory> memory;
    // Destroyed first: the destructor of a future from std::async waits for its thread.
    std::future<Prefetched> pending;
};

#endif // TESSARO_PREFETCHER_H
