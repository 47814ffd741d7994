#include "batch/picturesaver.h"

#include "batch/outputnaming.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The permissions open() gives a new file: read and write for all, less the file creation mask.
// Reading the mask means setting it, so this runs once at start-up, before any thread exists.
const QFileDevice::Permissions newFilePermissions = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = 0666 & ~mask;
    QFileDevice::Permissions permissions;
    permissions.setFlag(QFileDevice::ReadOwner, mode & S_IRUSR);
    permissions.setFlag(QFileDevice::WriteOwner, mode & S_IWUSR);
    permissions.setFlag(QFileDevice::ReadGroup, mode & S_IRGRP);
    permissions.setFlag(QFileDevice::WriteGroup, mode & S_IWGRP);
    permissions.setFlag(QFileDevice::ReadOther, mode & S_IROTH);
    permissions.setFlag(QFileDevice::WriteOther, mode & S_IWOTH);
    return permissions;
}();

// Puts the written bytes on the disk before the file takes its name, so that a crash never
// leaves an empty or partial picture under an output name.
bool syncToDisk(QFileDevice &file)
{
    return ::fdatasync(file.handle()) == 0;
}
#else
const QFileDevice::Permissions newFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
    | QFileDevice::WriteOther;

bool syncToDisk(QFileDevice &file)
{
    return file.flush();
}
#endif

SavedPicture failure(const QString &reason)
{
    return {QString(), reason};
}

SavedPicture fileFailure(const QString &path, const QFileDevice &file)
{
    return failure(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

SavedPicture discarded()
{
    SavedPicture saved;
    saved.discarded = true;
    return saved;
}

// Encodes `picture` into a temporary file in `dir`, then gives the file the name `chooseTarget`
// returns, by a move that never replaces a file, in its turn at the gate. `*nameTaken` tells that
// the move failed because the name was taken since it was chosen.
SavedPicture writeAndMove(const QImage &picture, QImageWriter &writer, const QString &dir,
                          const std::function<QString()> &chooseTarget, const SaveTurn &turn,
                          const FinishFile &finishFile, bool *nameTaken)
{
    // A hidden name, so that a folder walk never picks up a picture still being written.
    if (turn.gate && !turn.gate->isOpen())
        return discarded();
    QTemporaryFile temporary(dir + QStringLiteral("/.tessaro-XXXXXX.part"));
    if (!temporary.open())
        return fileFailure(dir, temporary);
    writer.setDevice(&temporary);
    const bool encoded = writer.write(picture);
    writer.setDevice(nullptr);
    if (!encoded)
        return failure(writer.errorString());
    if (!temporary.flush())
        return fileFailure(dir, temporary);
    const QString finishNote = finishFile ? finishFile(temporary.fileName()) : QString();
    if (!syncToDisk(temporary))
        return fileFailure(dir, temporary);
    temporary.setPermissions(newFilePermissions);

    // QTemporaryFile::rename never replaces the target, unlike QFile::rename, which falls back
    // to copying over it when the system's rename refuses. It closes the file either way.
    QString target;
    bool moved = false;
    const auto move = [&] {
        target = chooseTarget();
        moved = temporary.rename(target);
        *nameTaken = !moved && isOccupied(target);
        return !*nameTaken;
    };
    if (!turn.gate)
        move();
    else if (!turn.gate->passInTurn(turn.ticket, move))
        return discarded();
    if (!moved)
        return fileFailure(target, temporary);
    // The object now names the output file, which must outlive it.
    temporary.setAutoRemove(false);
    SavedPicture saved {target, QString()};
    saved.finishNote = finishNote;
    return saved;
}

} // namespace

void SaveGate::close()
{
    const std::lock_guard<std::mutex> lock(mutex);
    open = false;
    turnTaken.notify_all();
}

bool SaveGate::isOpen() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return open;
}

bool SaveGate::passInTurn(int ticket, const std::function<bool()> &move)
{
    std::unique_lock<std::mutex> lock(mutex);
    turnTaken.wait(lock, [&] { return nextTurn == ticket || !open; });
    if (!open) {
        markDone(ticket);
        return false;
    }
    if (move())
        markDone(ticket);
    return true;
}

void SaveGate::endTurn(int ticket)
{
    const std::lock_guard<std::mutex> lock(mutex);
    markDone(ticket);
}

void SaveGate::markDone(int ticket)
{
    if (ticket < nextTurn)
        return;
    doneEarly.insert(ticket);
    while (doneEarly.erase(nextTurn))
        ++nextTurn;
    turnTaken.notify_all();
}

bool isOccupied(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

SavedPicture savePicture(const QImage &picture, QImageWriter &writer, const QString &dir,
                         const QString &baseName, const QString &format,
                         const std::function<QDateTime()> &now,
                         const std::function<bool(const QString &)> &isTaken, const SaveTurn &turn,
                         const FinishFile &finishFile)
{
    QStringList refused;
    const auto taken = [&](const QString &path) { return refused.contains(path) || isTaken(path); };
    QString target;
    const auto chooseTarget
        = [&] { return target = freeOutputPath(dir, baseName, format, now, taken); };
    for (;;) {
        bool nameTaken = false;
        SavedPicture saved
            = writeAndMove(picture, writer, dir, chooseTarget, turn, finishFile, &nameTaken);
        if (!nameTaken) {
            saved.renamed
                = !saved.path.isEmpty() && saved.path != outputPath(dir, baseName, format);
            return saved;
        }
        // Rare: another program took the name meanwhile; write again under the next name.
        refused << target;
    }
}
