#ifndef TESSARO_PICTURESAVER_H
#define TESSARO_PICTURESAVER_H

#include "engine/batch/ticketturns.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>

// Where a picture went: `path` is empty when it was not written, and `error` is then the system's
// reason. `renamed`: the plain name was taken, so the picture took a time-stamped one.
// `discarded`: the gate was closed before the picture could take its name, so nothing was written.
struct SavedPicture
{
    QString path;
    QString error;
    bool renamed = false;
    bool discarded = false;
};

// Orders the moments pictures take their names, and lets a run stop them all at one instant.
// Pictures stamped at once take their names in the order of their tickets (0, 1, 2, ...), so a
// name two of them want goes to the earlier one, as in a one-at-a-time run; once close()
// returns, no picture saved through the gate appears under an output name, and none begins to be
// saved. Every ticket must have its turn, in passInTurn or endTurn. Shared by threads.
class SaveGate
{
public:
    // `waiting(true)` and `waiting(false)` bracket, on its thread, every wait of a picture for an
    // earlier one's turn: a pool of threads can let another picture go on meanwhile.
    explicit SaveGate(std::function<void(bool)> waiting = {});

    void close();
    bool isOpen() const;
    // Marks `ticket` as being saved, a file of it in the output folder; false, when closed.
    bool beginSaving(int ticket);
    // Whether `ticket` is being saved, or its turn is over: what becomes of it is settled, and is
    // about to be told.
    bool isSettled(int ticket) const;
    // Waits until every earlier ticket has had its turn, then runs `move` unless the gate is
    // closed, and ends the turn. False, without running `move`, when closed.
    bool passInTurn(int ticket, const std::function<void()> &move);
    // Ends `ticket`'s turn without a move, if it has not had it yet.
    void endTurn(int ticket);

private:
    const std::function<void(bool)> waiting;
    mutable std::mutex mutex;
    std::condition_variable turnTaken;
    bool open = true;
    TicketTurns turns;
    std::set<int> saving;
};

// Where a picture stamped under a gate is in the gate's order.
struct SaveTurn
{
    SaveGate *gate = nullptr;
    int ticket = 0;
};

// Writes `bytes` into `dir` as a new file named by `baseName` and `format`, taking the first name
// `freeOutputPath` gives for `now` and `isTaken`. The bytes are written once, into a file without a
// name (or a hidden temporary one where the file system has no such files), put on the disk, and
// only then given their name, by a link that never replaces a file: a name taken between the check
// and the link gets the next time-stamped name. A name too long for the folder's file system is
// shortened. With a `turn`, the name is given in the picture's
// turn at the gate. A failure, or a gate closed before the name is given, leaves no file behind.
SavedPicture savePicture(const QByteArray &bytes, const QString &dir, const QString &baseName,
                         const QString &format, const std::function<QDateTime()> &now,
                         const std::function<bool(const QString &)> &isTaken,
                         const SaveTurn &turn = {});

// Whether anything, even a dangling link, already holds `path`.
bool isOccupied(const QString &path);

#endif // TESSARO_PICTURESAVER_H
