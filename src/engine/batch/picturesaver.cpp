#include "engine/batch/picturesaver.h"

#include "engine/batch/batchtexts.h"
#include "engine/batch/outputnaming.h"
#include "engine/batch/pictureencoder.h"
#include "engine/read/pictureguards.h"

#include <QFileInfo>
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

// Why writing to `file` failed. When the system takes only part of a write (a disk that fills
// up, a file size limit), the toolkit knows no reason ("Unknown error"); one more byte written
// at the end then fails with the system's own.
QString writeFailureReason(const QFileDevice &file)
{
    struct stat status;
    const char byte = 0;
    if (::fstat(file.handle(), &status) == 0
        && ::pwrite(file.handle(), &byte, 1, status.st_size) < 0)
        return qt_error_string(errno);
    return file.errorString();
}
#else
const QFileDevice::Permissions newFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
    | QFileDevice::WriteOther;

bool syncToDisk(QFileDevice &file)
{
    return file.flush();
}

QString writeFailureReason(const QFileDevice &file)
{
    return file.errorString();
}
#endif

SavedPicture failure(const QString &fileName, const QString &dir, const QString &reason)
{
    return {QString(), unwritableLine(fileName, dir, reason)};
}

SavedPicture fileFailure(const QString &fileName, const QString &dir, const QFileDevice &file)
{
    return failure(fileName, dir, file.errorString());
}

// A file as the encoders see it, remembering whether it ever refused a write: the toolkit's TIFF
// writer ignores a failed write and reports success, which on a disk that fills up leaves a
// cut-off picture.
class CheckedWrites : public QIODevice
{
public:
    explicit CheckedWrites(QFileDevice &file)
        : file(file)
    {
        open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    }

    bool refusedAWrite() const { return refused; }
    bool isSequential() const override { return false; }
    qint64 size() const override { return file.size(); }
    bool seek(qint64 position) override { return file.seek(position) && QIODevice::seek(position); }

protected:
    qint64 readData(char *data, qint64 maxSize) override { return file.read(data, maxSize); }
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 written = file.write(data, size);
        refused = refused || written != size;
        return written;
    }

private:
    QFileDevice &file;
    bool refused = false;
};

// Why encoding into `file` failed: the file's refusal (a full disk, a size limit), of which the
// encoder only knows that writing failed; else the reason it gave as a warning; else its own
// text, `encoderReason`.
QString encodingFailure(const QString &encoderReason, const CheckedWrites &checked,
                        const QFileDevice &file, const QStringList &warnings)
{
    if (checked.refusedAWrite() || file.error() != QFileDevice::NoError)
        return writeFailureReason(file);
    if (!warnings.isEmpty())
        return warnings.constFirst();
    return encoderReason;
}

SavedPicture discarded()
{
    SavedPicture saved;
    saved.discarded = true;
    return saved;
}

// Encodes `picture` into a temporary file in `dir`, then gives the file the name `chooseTarget`
// returns, by a move that never replaces a file, in its turn at the gate. `finishFile` completes
// the written file before it is synced. `*nameTaken` tells that the move failed because the name
// was taken since it was chosen. A failure names the picture by `fileName`.
SavedPicture writeAndMove(const QImage &picture, const PictureEncoder &encoder, const QString &dir,
                          const QString &fileName, const std::function<QString()> &chooseTarget,
                          const SaveTurn &turn, const FinishFile &finishFile, bool *nameTaken)
{
    if (turn.gate && !turn.gate->isOpen())
        return discarded();
    // A hidden name, so that a folder walk never picks up a picture still being written.
    QTemporaryFile temporary(dir + QStringLiteral("/.tessaro-XXXXXX.part"));
    if (!temporary.open())
        return fileFailure(fileName, dir, temporary);
    CheckedWrites checked(temporary);
    const ThreadWarnings encoderWarnings;
    QString encoderReason;
    if (!encoder.encode(picture, &checked, &encoderReason) || checked.refusedAWrite())
        return failure(
            fileName, dir,
            encodingFailure(encoderReason, checked, temporary, encoderWarnings.messages()));
    if (!temporary.flush())
        return failure(fileName, dir, writeFailureReason(temporary));
    const QString finishNote = finishFile ? finishFile(temporary.fileName()) : QString();
    if (!syncToDisk(temporary))
        return failure(fileName, dir, writeFailureReason(temporary));
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
        return fileFailure(fileName, dir, temporary);
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

SavedPicture savePicture(const QImage &picture, const PictureEncoder &encoder, const QString &dir,
                         const QString &baseName, const QString &format,
                         const std::function<QDateTime()> &now,
                         const std::function<bool(const QString &)> &isTaken, const SaveTurn &turn,
                         const FinishFile &finishFile)
{
    const QString fileName = baseName + QLatin1Char('.') + format;
    QStringList refused;
    const auto taken = [&](const QString &path) { return refused.contains(path) || isTaken(path); };
    QString target;
    const auto chooseTarget
        = [&] { return target = freeOutputPath(dir, baseName, format, now, taken); };
    for (;;) {
        bool nameTaken = false;
        SavedPicture saved = writeAndMove(picture, encoder, dir, fileName, chooseTarget, turn,
                                          finishFile, &nameTaken);
        if (!nameTaken) {
            saved.renamed
                = !saved.path.isEmpty() && saved.path != outputPath(dir, baseName, format);
            return saved;
        }
        // Rare: another program took the name meanwhile; write again under the next name.
        refused << target;
    }
}
