#ifndef TESSARO_STAMPCOMMAND_H
#define TESSARO_STAMPCOMMAND_H

#include <QString>
#include <QStringList>

struct StampResult;

// The exit statuses of tessaro-stamp besides 128 + the signal that stopped it.
enum StampExitStatus { AllWritten = 0, SomeFailed = 1, BadUsage = 2 };

// What tessaro-stamp prints for the picture at `path`, the `position`-th of `count` (from 1),
// stamped into `format`: the log's lines in plain text, then the log's line of a written file. A
// picture gone since it was found reads as unreadable.
QStringList resultLines(const QString &path, const StampResult &result, const QString &format,
                        int position, int count);

// The progress line after `done` of `count` pictures in `elapsedMs`, with the time left at the
// pace so far once there is a pace.
QString progressLine(int done, int count, qint64 elapsedMs);

// Runs tessaro-stamp with `arguments`, the program's name first, inside a running application
// object; returns the exit status.
int runStampCommand(const QStringList &arguments);

#endif // TESSARO_STAMPCOMMAND_H
