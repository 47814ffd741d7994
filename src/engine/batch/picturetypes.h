#ifndef TESSARO_PICTURETYPES_H
#define TESSARO_PICTURETYPES_H

#include <QString>
#include <QStringList>

// The suffixes of the picture files a drop takes, in lower case.
QStringList droppedPictureSuffixes();

// The suffixes of the newer photo formats, which a drop and the "Add Image Files" dialog take
// after the others: HEIC and HEIF, AVIF, JPEG XL.
QStringList boxedPictureSuffixes();

// The name patterns a dropped folder is searched with, one per suffix, in the same order.
QStringList droppedFolderPatterns();

// Whether a dropped file is taken: its suffix (after the last dot), trimmed of blanks, is one of
// the dropped picture suffixes without regard to case.
bool isDroppedPicture(const QString &path);

// The suffixes the "Add Image Files" dialog offers, in lower case and in its filter's order.
QStringList dialogPictureSuffixes();

// The suffixes of the picture files a name on the command line takes: those of the dialog, then
// those only a drop takes.
QStringList namedPictureSuffixes();

// Whether a file named on the command line is taken: its suffix, read as isDroppedPicture reads
// it, is one that a drop or the "Add Image Files" dialog takes.
bool isNamedPicture(const QString &path);

// Whether pictures written in `format` (an output format's name, such as "jpg" or "png") keep
// their transparency; where they do not, what is transparent is written over white.
bool formatKeepsTransparency(const QString &format);

#endif // TESSARO_PICTURETYPES_H
