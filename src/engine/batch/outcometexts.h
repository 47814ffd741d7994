#ifndef TESSARO_OUTCOMETEXTS_H
#define TESSARO_OUTCOMETEXTS_H

#include "engine/batch/pictureoutcome.h"
#include "engine/batch/picturewalk.h"

#include <QString>
#include <QVector>

// `name` with its control characters and line or paragraph separators shown as escapes ("\n",
// "\t", "\x1b", "\u2028"), so that a file name can neither split a log line nor restyle it.
QString visibleName(const QString &name);

// The line of a written picture: its input name with the output extension, and its position in
// the list of `count` entries.
QString writtenLine(const QString &baseName, const QString &format, int position, int count);

// The sentence of a picture written as `newBaseName` in `folder` because its name was taken. The
// taken file is named by `takenBaseName` (the input's name up to its first dot) and the format,
// the new one without its extension.
QString renamedLine(const QString &folder, const QString &takenBaseName, const QString &format,
                    const QString &newBaseName);

// The sentence of a picture named `fileName` written into `folder` as `writtenFileName`, shortened
// because the whole name is too long for the file system.
QString shortenedLine(const QString &folder, const QString &fileName,
                      const QString &writtenFileName);

// The line of a picture that exists but does not decode.
QString unreadableLine(const QString &path, const QString &reason);

// The line of a picture written without photo information of its source at `path`, which could
// not be read or written: without any of it, or, when it is `partlyKept`, without the blocks
// named in `notKept` ("EXIF", "IPTC", "XMP").
QString informationNotKeptLine(const QString &path, const QStringList &notKept, bool partlyKept);

// The line of a picture that could not be written as `fileName` into `folder`.
QString unwritableLine(const QString &fileName, const QString &folder, const QString &reason);

// The line of what a folder walk left out: a folder it could not read, or a name it could not use.
QString leftOutLine(const LeftOut &leftOut);

// The sentence of a stamp of `fileName` whose box of `box` runs past the edges of the stamped
// picture of `pictureSize`.
QString pastEdgeLine(const StampPastEdge &stamp, const QString &fileName, const QSize &pictureSize);

// One line of what became of a picture; a warning is shown as one.
struct OutcomeLine
{
    bool warning = false;
    QString text;
};

// The lines that tell `outcome`, the `position`-th picture of `count` (from 1), stamped into
// `format` in `folder`: the renamed-file and shortened-name warnings and the line saying the photo
// information was not kept, then the written line, then a warning for each stamp that runs past
// the picture's edges; or the one line saying why nothing was written. Nothing for a missing or
// discarded picture. Both front ends tell a run in these words.
QVector<OutcomeLine> outcomeLines(const PictureOutcome &outcome, const QString &folder,
                                  const QString &format, int position, int count);

#endif // TESSARO_OUTCOMETEXTS_H
