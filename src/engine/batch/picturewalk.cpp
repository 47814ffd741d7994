#include "engine/batch/picturewalk.h"

#include "engine/batch/picturetypes.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

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

QFileInfoList naturallySorted(QFileInfoList entries)
{
    std::sort(entries.begin(), entries.end(), [](const QFileInfo &left, const QFileInfo &right) {
        return naturallyBefore(left.fileName(), right.fileName());
    });
    return entries;
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

bool walkFolder(const QString &folder, const std::function<bool(const QString &)> &take,
                const std::function<bool()> &goOn)
{
    // One reading of the folder, every entry seen by `goOn`, the pictures sorted afterwards.
    QFileInfoList files;
    QFileInfoList folders;
    QDirIterator entries(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo entry = entries.fileInfo();
        if (entry.isDir()) {
            if (!entry.isSymLink())
                folders << entry;
        } else if (entry.isFile() && matchesFolderPatterns(entry.fileName())) {
            files << entry;
        }
        if (goOn && !goOn())
            return false;
    }
    for (const QFileInfo &file : naturallySorted(files)) {
        if (!take(file.filePath()))
            return false;
    }
    for (const QFileInfo &subfolder : naturallySorted(folders)) {
        if (!walkFolder(subfolder.filePath(), take, goOn))
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
              const std::function<bool()> &goOn)
{
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            if (!walkFolder(path, take, goOn))
                return;
        } else if (info.isFile() && isDroppedPicture(path) && !take(path)) {
            return;
        }
    }
}

QStringList picturesInDrop(const QStringList &paths)
{
    QStringList pictures;
    walkDrop(paths, [&pictures](const QString &picture) {
        pictures << picture;
        return true;
    });
    return pictures;
}
