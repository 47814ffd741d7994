#include "batch/stamppool.h"

#include <QScopedValueRollback>

StampPool::StampPool(int workers, QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<StampResult>();
    this->workers.setMaxThreadCount(qMax(1, workers));
}

StampPool::~StampPool()
{
    stop();
    workers.waitForDone();
}

int StampPool::capacity() const
{
    // One picture more than workers: it is read as soon as a worker is free.
    return workers.maxThreadCount() + 1;
}

int StampPool::inFlight() const
{
    return given - handedBack;
}

void StampPool::stamp(const QString &path, const StampJob &job)
{
    const int ticket = given++;
    workers.start([this, ticket, path, job] {
        StampResult result = stampFile(path, job, SaveTurn {&gate, ticket});
        if (ticket + 1 < given)
            result.picture.image = QImage();
        // Queued to this object's thread; dropped if the pool is gone by then.
        QMetaObject::invokeMethod(
            this, [this, ticket, path, result] { deliver(ticket, path, result); },
            Qt::QueuedConnection);
    });
}

void StampPool::stop()
{
    gate.close();
}

void StampPool::deliver(int ticket, const QString &path, const StampResult &result)
{
    waiting.emplace(ticket, std::make_pair(path, result));
    // A receiver that serves events (a message box) gets the next results after it returns, in
    // order, from the loop below.
    if (handingBack)
        return;
    const QScopedValueRollback<bool> handing(handingBack, true);
    for (auto next = waiting.find(handedBack); next != waiting.end();
         next = waiting.find(handedBack)) {
        const auto [nextPath, nextResult] = std::move(next->second);
        waiting.erase(next);
        ++handedBack;
        emit stamped(nextPath, nextResult);
    }
}
