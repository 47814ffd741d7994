#include "engine/batch/stamppool.h"

#include <QScopedValueRollback>
#include <QThreadPool>

StampPool::StampPool(int workers, QObject *parent)
    : QObject(parent)
    , workers(qMax(1, workers))
{
    qRegisterMetaType<StampResult>();
    // The toolkit's own use of the pool keeps the threads it had.
    QThreadPool *toolkitPool = QThreadPool::globalInstance();
    toolkitPool->setMaxThreadCount(toolkitPool->maxThreadCount() + this->workers);
}

StampPool::~StampPool()
{
    stop();
    {
        QMutexLocker lock(&ordersLock);
        while (working > 0)
            workersDone.wait(&ordersLock);
    }
    QThreadPool *toolkitPool = QThreadPool::globalInstance();
    toolkitPool->setMaxThreadCount(toolkitPool->maxThreadCount() - workers);
}

int StampPool::capacity() const
{
    // One picture more than workers: a worker takes it as soon as it is free.
    return workers + 1;
}

int StampPool::inFlight() const
{
    return given - handedBack;
}

void StampPool::stamp(const QString &path, const StampJob &job)
{
    {
        QMutexLocker lock(&ordersLock);
        orders.push_back(Order {given++, path, job});
        if (working == workers)
            return;
        ++working;
    }
    QThreadPool::globalInstance()->start([this] { work(); });
}

void StampPool::work()
{
    forever {
        QMutexLocker lock(&ordersLock);
        if (orders.empty()) {
            --working;
            workersDone.wakeAll();
            return;
        }
        const Order order = std::move(orders.front());
        orders.pop_front();
        lock.unlock();
        stampOrder(order);
    }
}

void StampPool::stampOrder(const Order &order)
{
    StampResult result = stampFile(order.path, order.job, SaveTurn {&gate, order.ticket});
    if (order.ticket + 1 < given)
        result.picture.image = QImage();
    // Queued to this object's thread; dropped if the pool is gone by then.
    QMetaObject::invokeMethod(
        this,
        [this, ticket = order.ticket, path = order.path, result] { deliver(ticket, path, result); },
        Qt::QueuedConnection);
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
