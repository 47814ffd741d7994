#ifndef TESSARO_STARTFOLDER_H
#define TESSARO_STARTFOLDER_H

#include <QString>

// Where the picture and logo dialogs open: the user's Pictures folder when it exists, otherwise
// the home folder.
QString pictureStartFolder();

// The type filter shared by the picture and logo dialogs.
QString pictureDialogFilter();

#endif // TESSARO_STARTFOLDER_H
