#ifndef TESSARO_PICTURESAVER_H
#define TESSARO_PICTURESAVER_H

#include <QDateTime>
#include <QImage>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>

class PictureEncoder;

// Where a picture went: `path` is empty when it was not written, and `error` is then the log line
// naming the picture, the folder and the reason (unwritableLine). `renamed`: the plain name was
// taken, so the picture took a time-stamped one. `discarded`: the gate was closed before the
// picture could take its name, so nothing was written. `finishNote`: what the step that finished
// the written file said it could not do.
struct SavedPicture
{
    QString path;
    QString error;
    bool renamed = false;
    bool discarded = false;
    QString finishNote = QString(); // initialized, so that {path, error} needs no third field
};

// A step run on the complete temporary file of a picture before it is synced and takes its name,
// for what the encoder cannot write: gets the file's path and returns, empty when all went well,
// a sentence saying what it could not do. The picture is written either way.
using FinishFile = std::function<QString(const QString &temporaryPath)>;

// Orders the moments pictures take their names, and lets a run stop them all at one instant.
// Pictures stamped at once take their names in the order of their tickets (0, 1, 2, ...), so a
// name two of them want goes to the earlier one, as in a one-at-a-time run; once close()
// returns, no picture saved through the gate appears under an output name. Every ticket must
// have its turn, in passInTurn or endTurn. Shared by threads.
class SaveGate
{
public:
    void close();
    bool isOpen() const;
    // Waits until every earlier ticket has had its turn, then runs `move` unless the gate is
    // closed. The turn ends unless `move` returns false, which keeps it for another try. False,
    // without running `move`, when closed.
    bool passInTurn(int ticket, const std::function<bool()> &move);
    // Ends `ticket`'s turn without a move, if it has not had it yet.
    void endTurn(int ticket);

private:
    void markDone(int ticket);

    mutable std::mutex mutex;
    std::condition_variable turnTaken;
    bool open = true;
    int nextTurn = 0;
    std::set<int> doneEarly; // tickets past nextTurn whose turn is over
};

// Where a picture stamped under a gate is in the gate's order.
struct SaveTurn
{
    SaveGate *gate = nullptr;
    int ticket = 0;
};

// Writes `picture` with `encoder` into `dir` as a new file named by `baseName` and `format`,
// taking the first name `freeOutputPath` gives for `now` and `isTaken`. The picture is encoded into
// a temporary file in `dir` and moved under its name only when complete, by a rename that refuses
// to replace a file: a name taken between the check and the move gets the next time-stamped name.
// With a `turn`, the move waits for the picture's turn at the gate; with `finishFile`, the file is
// finished by it before. A failure, or a gate closed before the move, leaves no file behind.
SavedPicture savePicture(const QImage &picture, const PictureEncoder &encoder, const QString &dir,
                         const QString &baseName, const QString &format,
                         const std::function<QDateTime()> &now,
                         const std::function<bool(const QString &)> &isTaken,
                         const SaveTurn &turn = {}, const FinishFile &finishFile = {});

// Whether anything, even a dangling link, already holds `path`.
bool isOccupied(const QString &path);

#endif // TESSARO_PICTURESAVER_H
