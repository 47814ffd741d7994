#include "engine/batch/picturesaver.h"

#include "engine/batch/outputnaming.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <memory>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

// Files without a name are given one through their entry in /proc.
const bool canNameUnnamedFiles = QFileInfo(QStringLiteral("/proc/self/fd")).isDir();

// Writes all of `bytes` to `descriptor` and puts them on the disk, so that a crash never leaves
// an empty or partial picture under an output name. A write the system takes only in part (a
// disk that fills up, a file size limit) is followed by one that fails with the system's reason.
bool writeToDisk(int descriptor, const QByteArray &bytes, QString *reason)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, data, size_t(qMin<qint64>(left, 1 << 30)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            *reason = qt_error_string(errno);
            return false;
        }
        data += written;
        left -= written;
    }
    if (::fdatasync(descriptor) != 0) {
        *reason = qt_error_string(errno);
        return false;
    }
    return true;
}

// Moves the file at `from` to `to` unless anything holds `to`: by a rename that refuses to
// replace, or by a hard link where the file system has no such rename, or, where it has no hard
// links either, by a rename after a check.
bool moveWithoutReplacing(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return false;
    if (isOccupied(QFile::decodeName(to))) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

// A complete picture file in its folder, without an output name yet: a file without any name, or
// where the file system has none such, a hidden temporary file, so that a folder walk never picks
// up a picture still being written. A file that never gets its name leaves nothing behind.
class PendingFile
{
public:
    ~PendingFile()
    {
        if (unnamed >= 0)
            ::close(unnamed);
    }

    // Writes `bytes` into a new file in `dir` and puts them on the disk.
    bool write(const QString &dir, const QByteArray &bytes, QString *reason)
    {
        if (canNameUnnamedFiles) {
            unnamed = ::open(QFile::encodeName(dir).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                             0666);
            if (unnamed >= 0)
                return writeToDisk(unnamed, bytes, reason);
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
                *reason = qt_error_string(errno);
                return false;
            }
        }
        hidden = std::make_unique<QTemporaryFile>(dir + QStringLiteral("/.tessaro-XXXXXX.part"));
        if (!hidden->open()) {
            *reason = hidden->errorString();
            return false;
        }
        if (!writeToDisk(hidden->handle(), bytes, reason))
            return false;
        hidden->setPermissions(newFilePermissions);
        hidden->close();
        return true;
    }

    // Gives the file the name `path` unless anything holds it. `*taken`: it did not, because the
    // name was taken.
    bool giveName(const QString &path, bool *taken, QString *reason)
    {
        const QByteArray target = QFile::encodeName(path);
        bool named;
        if (unnamed >= 0) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(unnamed);
            named = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, target.constData(),
                             AT_SYMLINK_FOLLOW)
                == 0;
        } else {
            named = moveWithoutReplacing(QFile::encodeName(hidden->fileName()), target);
            if (named)
                hidden->setAutoRemove(false);
        }
        *taken = !named && errno == EEXIST;
        if (!named)
            *reason = qt_error_string(errno);
        return named;
    }

private:
    int unnamed = -1;
    std::unique_ptr<QTemporaryFile> hidden;
};

SavedPicture failed(const QString &reason)
{
    SavedPicture saved;
    saved.error = reason;
    return saved;
}

SavedPicture discarded()
{
    SavedPicture saved;
    saved.discarded = true;
    return saved;
}

} // namespace

SaveGate::SaveGate(std::function<void(bool)> waiting)
    : waiting(std::move(waiting))
{
}

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

bool SaveGate::beginSaving(int ticket)
{
    const std::lock_guard<std::mutex> lock(mutex);
    if (open)
        saving.insert(ticket);
    return open;
}

bool SaveGate::isSettled(int ticket) const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return saving.count(ticket) > 0 || turns.isOver(ticket);
}

bool SaveGate::passInTurn(int ticket, const std::function<void()> &move)
{
    std::unique_lock<std::mutex> lock(mutex);
    const auto mayPass = [&] { return turns.isTurnOf(ticket) || !open; };
    if (!mayPass()) {
        if (waiting)
            waiting(true);
        turnTaken.wait(lock, mayPass);
        if (waiting)
            waiting(false);
    }
    if (open)
        move();
    turns.end(ticket);
    turnTaken.notify_all();
    return open;
}

void SaveGate::endTurn(int ticket)
{
    const std::lock_guard<std::mutex> lock(mutex);
    turns.end(ticket);
    turnTaken.notify_all();
}

bool isOccupied(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

SavedPicture savePicture(const QByteArray &bytes, const QString &dir, const QString &baseName,
                         const QString &format, const std::function<QDateTime()> &now,
                         const std::function<bool(const QString &)> &isTaken, const SaveTurn &turn)
{
    if (turn.gate && !turn.gate->beginSaving(turn.ticket))
        return discarded();
    PendingFile file;
    QString reason;
    if (!file.write(dir, bytes, &reason))
        return failed(reason);

    const long folderNameMax = ::pathconf(QFile::encodeName(dir).constData(), _PC_NAME_MAX);
    const int maxNameBytes
        = folderNameMax > 0 ? int(qMin<long>(folderNameMax, INT_MAX)) : MaxFileNameBytes;
    QStringList refused;
    const auto taken = [&](const QString &path) { return refused.contains(path) || isTaken(path); };
    QString target;
    bool named = false;
    const auto giveName = [&] {
        for (;;) {
            target = freeOutputPath(dir, baseName, format, now, taken, maxNameBytes);
            bool nameTaken = false;
            named = file.giveName(target, &nameTaken, &reason);
            if (!nameTaken)
                return;
            // Rare: another program took the name meanwhile; the same bytes take the next one.
            refused << target;
        }
    };
    if (!turn.gate)
        giveName();
    else if (!turn.gate->passInTurn(turn.ticket, giveName))
        return discarded();
    if (!named)
        return failed(reason);
    SavedPicture saved;
    saved.path = target;
    saved.renamed = target != plainOutputPath(dir, baseName, format, maxNameBytes);
    return saved;
}
