#ifndef TESSARO_STARTFOLDER_H
#define TESSARO_STARTFOLDER_H

#include <QString>

// Where the picture and logo dialogs open: the user's Pictures folder when it exists, otherwise
// the home folder.
QString pictureStartFolder();

// Where the output folder dialog opens: the last run's output folder while it exists, otherwise
// nowhere in particular (an empty path, which leaves the choice to the dialog).
QString outputStartFolder(const QString &lastOutputFolder);

// The type filter shared by the picture and logo dialogs.
QString pictureDialogFilter();

#endif // TESSARO_STARTFOLDER_H
