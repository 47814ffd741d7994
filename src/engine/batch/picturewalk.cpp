#include "engine/batch/picturewalk.h"

#include "engine/batch/picturetypes.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Compares the digit runs starting at `left` and `right` by value: fewer significant digits is
// smaller, then the digits themselves. Moves both positions past their runs.
int compareNumbers(const QString &a, int &left, const QString &b, int &right)
{
    const auto skipZeros = [](const QString &text, int &at) {
        while (at < text.size() && text.at(at) == QLatin1Char('0'))
            ++at;
    };
    const auto runEnd = [](const QString &text, int at) {
        while (at < text.size() && text.at(at).isDigit())
            ++at;
        return at;
    };
    skipZeros(a, left);
    skipZeros(b, right);
    const int leftEnd = runEnd(a, left);
    const int rightEnd = runEnd(b, right);
    int order = (leftEnd - left) - (rightEnd - right);
    if (order == 0)
        order = QStringView(a)
                    .mid(left, leftEnd - left)
                    .compare(QStringView(b).mid(right, rightEnd - right));
    left = leftEnd;
    right = rightEnd;
    return order;
}

int naturalOrder(const QString &a, const QString &b)
{
    int left = 0;
    int right = 0;
    while (left < a.size() && right < b.size()) {
        int order;
        if (a.at(left).isDigit() && b.at(right).isDigit()) {
            order = compareNumbers(a, left, b, right);
        } else {
            order = a.at(left).toCaseFolded().unicode() - b.at(right).toCaseFolded().unicode();
            ++left;
            ++right;
        }
        if (order != 0)
            return order;
    }
    return (a.size() - left) - (b.size() - right);
}

void sortNaturally(QStringList &names)
{
    std::sort(names.begin(), names.end(), &naturallyBefore);
}

// Whether `fileName` matches one of the dropped folder patterns ("*." and a suffix), without
// regard to case.
bool matchesFolderPatterns(const QString &fileName)
{
    static const QStringList patterns = droppedFolderPatterns();
    for (const QString &pattern : patterns) {
        if (fileName.endsWith(QStringView(pattern).mid(1), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// `name` with each byte that is not part of a valid UTF-8 character shown as "\xNN".
QString nameWithStrayBytesShown(const QByteArray &name)
{
    QString shown;
    for (int at = 0; at < name.size();) {
        const uchar lead = uchar(name.at(at));
        const int length = lead < 0x80 ? 1
            : (lead >> 5) == 0x6       ? 2
            : (lead >> 4) == 0xe       ? 3
            : (lead >> 3) == 0x1e      ? 4
                                       : 0;
        const QByteArray character = name.mid(at, length);
        if (length > 0 && character.size() == length
            && QString::fromUtf8(character).toUtf8() == character) {
            shown += QString::fromUtf8(character);
            at += length;
        } else {
            shown += QStringLiteral("\\x%1").arg(lead, 2, 16, QLatin1Char('0'));
            ++at;
        }
    }
    return shown;
}

// The pictures and subfolders of one folder, by name, and those whose names cannot be used, shown
// with their stray bytes; hidden names and links to folders left out.
struct FolderEntries
{
    QStringList pictures;
    QStringList folders;
    QStringList unusableNames;
};

// Reads `folder` once into `entries`, asking `goOn` after each entry; false when it says to end
// the walk. A folder that cannot be read is told to `leaveOut` and gives no entries.
bool readFolder(const QString &folder, FolderEntries *entries, const std::function<bool()> &goOn,
                const std::function<void(const LeftOut &)> &leaveOut)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        leaveOut({folder, QString(), qt_error_string(errno)});
        return true;
    }
    const int descriptor = ::dirfd(dir);
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        const QByteArray rawName(entry->d_name);
        if (rawName.startsWith('.'))
            continue;
        // What the entry is: a folder (never through a link) or, links followed, a regular file.
        struct stat status;
        bool isFolder = entry->d_type == DT_DIR;
        bool isFile = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            isFolder = ::fstatat(descriptor, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISDIR(status.st_mode);
            isFile = !isFolder && ::fstatat(descriptor, entry->d_name, &status, 0) == 0
                && S_ISREG(status.st_mode);
        }
        const QString name = QFile::decodeName(rawName);
        if (isFolder || (isFile && matchesFolderPatterns(name))) {
            if (QFile::encodeName(name) != rawName)
                entries->unusableNames << nameWithStrayBytesShown(rawName);
            else
                (isFolder ? entries->folders : entries->pictures) << name;
        }
        if (goOn && !goOn()) {
            ::closedir(dir);
            return false;
        }
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0) {
        *entries = FolderEntries();
        leaveOut({folder, QString(), qt_error_string(readError)});
    }
    return true;
}

bool walkFolder(const QString &folder, const std::function<bool(const QString &)> &take,
                const std::function<bool()> &goOn,
                const std::function<void(const LeftOut &)> &leaveOut)
{
    FolderEntries entries;
    if (!readFolder(folder, &entries, goOn, leaveOut))
        return false;
    sortNaturally(entries.pictures);
    sortNaturally(entries.folders);
    sortNaturally(entries.unusableNames);
    for (const QString &name : qAsConst(entries.unusableNames))
        leaveOut({folder, name, QString()});
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const QString &picture : qAsConst(entries.pictures)) {
        if (!take(prefix + picture))
            return false;
    }
    for (const QString &subfolder : qAsConst(entries.folders)) {
        if (!walkFolder(prefix + subfolder, take, goOn, leaveOut))
            return false;
    }
    return true;
}

} // namespace

bool isRegularFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

bool naturallyBefore(const QString &left, const QString &right)
{
    const int order = naturalOrder(left, right);
    return order != 0 ? order < 0 : left < right;
}

void walkDrop(const QStringList &paths, const std::function<bool(const QString &)> &take,
              const std::function<bool()> &goOn,
              const std::function<void(const LeftOut &)> &leaveOut)
{
    const auto tell = [&leaveOut](const LeftOut &left) {
        if (leaveOut)
            leaveOut(left);
    };
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            if (!walkFolder(path, take, goOn, tell))
                return;
        } else if (info.isFile() && isDroppedPicture(path) && !take(path)) {
            return;
        }
    }
}

QStringList picturesInDrop(const QStringList &paths, QVector<LeftOut> *leftOut)
{
    QStringList pictures;
    walkDrop(
        paths,
        [&pictures](const QString &picture) {
            pictures << picture;
            return true;
        },
        {},
        [leftOut](const LeftOut &left) {
            if (leftOut)
                *leftOut << left;
        });
    return pictures;
}
