#ifndef TESSARO_PICTURETYPES_H
#define TESSARO_PICTURETYPES_H

#include <QString>
#include <QStringList>

// The suffixes of the picture files a drop takes, in lower case.
QStringList droppedPictureSuffixes();

// The name patterns a dropped folder is searched with, one per suffix, in the same order.
QStringList droppedFolderPatterns();

// Whether a dropped file is taken: its suffix (after the last dot), trimmed of blanks, is one of
// the dropped picture suffixes without regard to case.
bool isDroppedPicture(const QString &path);

#endif // TESSARO_PICTURETYPES_H
