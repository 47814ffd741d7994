#ifndef TESSARO_STAMPPOOL_H
#define TESSARO_STAMPPOOL_H

#include "engine/batch/stampjob.h"

#include <QObject>

#include <map>
#include <memory>

class QThreadPool;

// Stamps pictures with stampFile on threads of its own and hands each result back on its own
// thread, through a queued signal, as each is done. A picture is given with a ticket (0, 1, 2,
// ... in the order they are given), and the pictures take their names in ticket order, as in a
// one-at-a-time run. A picture is decoded once the memory its header asks for fits the budget
// beside the pictures before it; the number of workers bounds how many are stamped at once, not
// their memory. A result keeps its working copy and its stamped picture only when no later
// picture had been given by the time it was drawn and done: they are the size of the whole photo,
// and only the newest one can be the picture a viewer keeps. A worker whose picture waits for an
// earlier one's turn to take its name lends its place to the next picture meanwhile.
class StampPool : public QObject
{
    Q_OBJECT

public:
    // `memoryBudget`: the bytes the pictures may hold at once; by default three quarters of the
    // memory available when the pool is made.
    explicit StampPool(int workers, qint64 memoryBudget = -1, QObject *parent = nullptr);
    // Stops (see stop()); waits for no picture still being read, decoded or drawn.
    ~StampPool() override;

    int workers() const;

    void stamp(int ticket, const QString &path, const StampJob &job);
    // No picture in flight takes its name from now on: each is either in place already or
    // discarded whole, and is still handed back. A picture not yet being saved (being read,
    // decoded, drawn or encoded, with nothing on disk) is handed back as discarded at once, and
    // left to end on its own.
    void stop();

signals:
    void stamped(int ticket, const QString &path, const StampResult &result);

private:
    struct Shared;

    void receive(int ticket, const QString &path, const StampResult &result);

    QThreadPool *threads;
    std::shared_ptr<Shared> shared; // also held by each picture's thread
    std::map<int, QString> inFlight; // given, not handed back, not abandoned
    bool abandonedPictures = false;
};

// Whether pictures of a stopped run are still being decoded, on threads nothing waits for.
bool picturesAbandoned();

// Ends the process at once with `status`, its output flushed, without waiting for the threads of
// abandoned pictures as the end of main() would.
[[noreturn]] void exitWithoutWaiting(int status);

#endif // TESSARO_STAMPPOOL_H
