#ifndef TESSARO_STAMPPOOL_H
#define TESSARO_STAMPPOOL_H

#include "engine/batch/picturesaver.h"
#include "engine/batch/stampjob.h"

#include <QMutex>
#include <QObject>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <deque>
#include <map>

// Stamps pictures with stampFile on worker threads, one per core, and hands each result back on
// its own thread, through a queued signal, in the order the pictures were given. The owner keeps
// at most capacity() pictures in flight, which bounds the memory a run holds. A result keeps its
// working copy only when no later picture had been given by the time it was done: the copy is
// the size of the whole photo, and only the newest one can be the picture a viewer keeps.
//
// The workers are threads of the toolkit's global pool, which grows by their number while this
// pool lives. The toolkit splits a large scaling or conversion over that pool's threads, except
// when called from one of them: the workers already keep every core busy, and splitting their
// work would only add hand-offs between threads.
class StampPool : public QObject
{
    Q_OBJECT

public:
    explicit StampPool(int workers = QThread::idealThreadCount(), QObject *parent = nullptr);
    // Stops the run (see stop()) and waits for the pictures in flight.
    ~StampPool() override;

    int capacity() const;
    // Pictures given and not yet handed back.
    int inFlight() const;

    void stamp(const QString &path, const StampJob &job);
    // No picture in flight takes its name from now on: each is either in place already or
    // discarded whole, and is still handed back.
    void stop();

signals:
    void stamped(const QString &path, const StampResult &result);

private:
    struct Order
    {
        int ticket;
        QString path;
        StampJob job;
    };

    // A worker's loop: stamps the waiting orders until none is left.
    void work();
    void stampOrder(const Order &order);
    void deliver(int ticket, const QString &path, const StampResult &result);

    const int workers;
    SaveGate gate;
    QMutex ordersLock;
    QWaitCondition workersDone;
    std::deque<Order> orders; // given and not yet taken by a worker
    int working = 0; // workers started and not yet done
    std::atomic<int> given {0};
    int handedBack = 0;
    bool handingBack = false;
    std::map<int, std::pair<QString, StampResult>> waiting; // done, behind an earlier picture
};

#endif // TESSARO_STAMPPOOL_H
