#include "engine/batch/stamprun.h"

#include <QScopedValueRollback>

StampRun::StampRun(const NextEntry &next, int workers, QObject *parent)
    : QObject(parent)
    , pool(workers)
    , next(next)
{
    connect(&pool, &StampPool::stamped, this, &StampRun::receive);
}

void StampRun::start()
{
    handOut();
}

void StampRun::hold()
{
    held = true;
}

void StampRun::resume()
{
    held = false;
    handOut();
}

void StampRun::stop()
{
    stopped = true;
    pool.stop();
}

void StampRun::handOut()
{
    if (held || finishedRun)
        return;
    // One picture more than workers: a worker takes it as soon as it is free.
    while (!stopped && given - handedBack <= pool.workers()) {
        const std::optional<RunEntry> entry = next();
        if (!entry)
            break;
        pool.stamp(given++, entry->path, entry->job);
    }
    if (given == handedBack) {
        finishedRun = true;
        emit finished();
    }
}

void StampRun::receive(int ticket, const QString &path, const StampResult &result)
{
    waiting.emplace(ticket, std::make_pair(path, result));
    // A client that serves events (a message box) gets the next results after it returns, in
    // order, from the loop below.
    if (handingBack)
        return;
    const QScopedValueRollback<bool> handing(handingBack, true);
    for (auto done = waiting.find(handedBack); done != waiting.end();
         done = waiting.find(handedBack)) {
        const auto [donePath, doneResult] = std::move(done->second);
        waiting.erase(done);
        emit stamped(handedBack++, donePath, doneResult);
        handOut();
    }
}
