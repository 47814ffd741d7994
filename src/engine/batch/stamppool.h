#ifndef TESSARO_STAMPPOOL_H
#define TESSARO_STAMPPOOL_H

#include "engine/batch/picturesaver.h"
#include "engine/batch/stampjob.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>

// Stamps pictures with stampFile on threads of its own and hands each result back on its own
// thread, through a queued signal, as each is done. A picture is given with a ticket (0, 1, 2,
// ... in the order they are given), and the pictures take their names in ticket order, as in a
// one-at-a-time run. A result keeps its working copy only when no later picture had been given by
// the time it was done: the copy is the size of the whole photo, and only the newest one can be
// the picture a viewer keeps.
class StampPool : public QObject
{
    Q_OBJECT

public:
    explicit StampPool(int workers, QObject *parent = nullptr);
    // Stops (see stop()) and waits for the pictures in flight.
    ~StampPool() override;

    int workers() const;

    void stamp(int ticket, const QString &path, const StampJob &job);
    // No picture in flight takes its name from now on: each is either in place already or
    // discarded whole, and is still handed back.
    void stop();

signals:
    void stamped(int ticket, const QString &path, const StampResult &result);

private:
    QThreadPool threads;
    SaveGate gate;
    std::atomic<int> latestTicket {-1};
};

#endif // TESSARO_STAMPPOOL_H
