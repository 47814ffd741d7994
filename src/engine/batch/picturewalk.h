#ifndef TESSARO_PICTUREWALK_H
#define TESSARO_PICTUREWALK_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// Whether `path` is a regular file once links are followed: never a folder, a named pipe, a
// socket or a device. Only the file's status is read; nothing is opened.
bool isRegularFile(const QString &path);

// The order a file manager lists names in: letters without regard to case, and each run of digits
// by its value, so "p2" comes before "p10". Names that differ only in case or in leading zeros
// still get a fixed order.
bool naturallyBefore(const QString &left, const QString &right);

// What a folder walk had to leave out: a folder it could not read (`name` empty), or a picture
// or folder in `folder` whose name the system cannot give back (it is not valid in the file
// names' encoding, UTF-8), with `name` shown with its stray bytes as "\xNN".
struct LeftOut
{
    QString folder;
    QString name;
    QString reason; // the system's words for an unreadable folder
};

// Walks dropped paths in their order and hands every picture to `take`, which returns false to end
// the walk. A dropped file is taken when it is a regular file with a dropped picture suffix. A
// dropped folder gives its pictures (regular files matching the folder patterns) in natural order,
// then each subfolder in natural order, depth first; hidden files, hidden folders and links to
// folders inside it are left out without a word, and what could not be walked is told to
// `leaveOut`. `goOn`, when given, is asked after each entry read from a folder, picture or not,
// so that a client can serve its user while a large or slow folder is read; false ends the walk.
void walkDrop(const QStringList &paths, const std::function<bool(const QString &)> &take,
              const std::function<bool()> &goOn = {},
              const std::function<void(const LeftOut &)> &leaveOut = {});

// Every picture of a drop, in the walk's order; what had to be left out goes to `leftOut`.
QStringList picturesInDrop(const QStringList &paths, QVector<LeftOut> *leftOut = nullptr);

#endif // TESSARO_PICTUREWALK_H
