#ifndef TESSARO_BATCHTEXTS_H
#define TESSARO_BATCHTEXTS_H

#include <QString>

// The progress dialog's label during a drop, with the running count of files and items.
QString dropProgressLabel(int count);

// `name` with its control characters and line or paragraph separators shown as escapes ("\n",
// "\t", "\x1b", "\u2028"), so that a file name can neither split a log line nor restyle it.
QString visibleName(const QString &name);

// The log line of a written picture: its input name with the output extension, and its
// position in the list of `count` entries.
QString writtenLine(const QString &baseName, const QString &format, int position, int count);

// The log's HTML warning for a picture written as `newBaseName` in `folder` because its name was
// taken. The taken file is named by `takenBaseName` (the input's name up to its first dot) and the
// format, the new one without its extension. Names are escaped, so "&" or "<" shows as it is.
QString renamedWarningLine(const QString &folder, const QString &takenBaseName,
                           const QString &format, const QString &newBaseName);

// The log line of a picture that exists but does not decode.
QString unreadableLine(const QString &path, const QString &reason);

// The log line of a picture written without the photo information of its source at `path`,
// which could not be read or written.
QString informationNotKeptLine(const QString &path);

// The log line of a picture that could not be written as `fileName` into `folder`.
QString unwritableLine(const QString &fileName, const QString &folder, const QString &reason);

#endif // TESSARO_BATCHTEXTS_H
