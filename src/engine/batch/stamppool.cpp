#include "engine/batch/stamppool.h"

StampPool::StampPool(int workers, QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<StampResult>();
    threads.setMaxThreadCount(qMax(1, workers));
}

StampPool::~StampPool()
{
    stop();
    threads.waitForDone();
}

int StampPool::workers() const
{
    return threads.maxThreadCount();
}

void StampPool::stamp(int ticket, const QString &path, const StampJob &job)
{
    latestTicket = ticket;
    threads.start([this, ticket, path, job] {
        StampResult result = stampFile(path, job, SaveTurn {&gate, ticket});
        if (ticket < latestTicket)
            result.picture.image = QImage();
        // Queued to this object's thread; dropped if the pool is gone by then.
        QMetaObject::invokeMethod(
            this, [this, ticket, path, result] { emit stamped(ticket, path, result); },
            Qt::QueuedConnection);
    });
}

void StampPool::stop()
{
    gate.close();
}
