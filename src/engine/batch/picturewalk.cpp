#include "engine/batch/picturewalk.h"

#include "engine/batch/picturetypes.h"

#include <QDir>
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

bool walkFolder(const QString &folder, const std::function<bool(const QString &)> &take)
{
    const QDir dir(folder);
    const QFileInfoList files
        = naturallySorted(dir.entryInfoList(droppedFolderPatterns(), QDir::Files, QDir::NoSort));
    for (const QFileInfo &file : files) {
        if (file.isFile() && !take(file.filePath()))
            return false;
    }
    const QFileInfoList folders = naturallySorted(
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::NoSort));
    for (const QFileInfo &subfolder : folders) {
        if (!walkFolder(subfolder.filePath(), take))
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

void walkDrop(const QStringList &paths, const std::function<bool(const QString &)> &take)
{
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            if (!walkFolder(path, take))
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
