#ifndef TESSARO_STAMPCOMMAND_H
#define TESSARO_STAMPCOMMAND_H

#include <QString>
#include <QStringList>

struct PictureOutcome;

// The exit statuses of tessaro-stamp besides 128 + the signal that stopped it.
enum StampExitStatus { AllWritten = 0, SomeFailed = 1, BadUsage = 2 };

// What tessaro-stamp prints for the picture at `path`, the `position`-th of `count` (from 1),
// stamped into `format` in `folder`: the lines that tell its outcome, a warning marked as one. A
// picture gone since it was found reads as unreadable.
QStringList resultLines(const QString &path, const PictureOutcome &outcome, const QString &folder,
                        const QString &format, int position, int count);

// The progress line after `done` of `count` pictures in `elapsedMs`, with the time left at the
// pace so far once there is a pace.
QString progressLine(int done, int count, qint64 elapsedMs);

// Runs tessaro-stamp with `arguments`, the program's name first, inside a running application
// object; returns the exit status.
int runStampCommand(const QStringList &arguments);

#endif // TESSARO_STAMPCOMMAND_H
