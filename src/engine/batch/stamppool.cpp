#include "engine/batch/stamppool.h"

#include "engine/batch/memorybudget.h"

#include <QThreadPool>

#include <atomic>
#include <cstdio>
#include <limits>
#include <mutex>
#include <vector>

#include <unistd.h>

struct StampPool::Shared
{
    Shared(qint64 memoryBudget, QThreadPool *threads)
        : gate([threads](bool waiting) {
            // A worker waiting for an earlier picture's turn lends its place to the next picture.
            if (waiting)
                threads->releaseThread();
            else
                threads->reserveThread();
        })
        , memory(memoryBudget)
    {
    }

    SaveGate gate;
    MemoryBudget memory;
    std::shared_ptr<ScaledLogos> logos = std::make_shared<ScaledLogos>();
    std::atomic<int> latestTicket {-1};
    std::mutex ownerMutex;
    StampPool *owner = nullptr; // null once the pool is gone
};

namespace {

// The thread pools of stopped runs whose pictures were still being decoded: nothing waits for
// them but the end of the process.
class AbandonedThreads
{
public:
    ~AbandonedThreads()
    {
        for (QThreadPool *threads : pools) {
            threads->waitForDone();
            delete threads;
        }
    }

    void keep(QThreadPool *threads)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        deleteIdle();
        pools.push_back(threads);
    }

    bool busy()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        deleteIdle();
        return !pools.empty();
    }

private:
    void deleteIdle()
    {
        for (auto pool = pools.begin(); pool != pools.end();) {
            if ((*pool)->waitForDone(0)) {
                delete *pool;
                pool = pools.erase(pool);
            } else {
                ++pool;
            }
        }
    }

    std::mutex mutex;
    std::vector<QThreadPool *> pools;
};

AbandonedThreads &abandonedThreads()
{
    static AbandonedThreads threads;
    return threads;
}

// Three quarters of the memory available, the rest left for the program and the threads; no
// limit when the system does not say.
qint64 defaultMemoryBudget()
{
    const qint64 available = availableMemory();
    return available < 0 ? std::numeric_limits<qint64>::max() : available / 4 * 3;
}

} // namespace

StampPool::StampPool(int workers, qint64 memoryBudget, QObject *parent)
    : QObject(parent)
    , threads(new QThreadPool)
    , shared(std::make_shared<Shared>(memoryBudget >= 0 ? memoryBudget : defaultMemoryBudget(),
                                      threads))
{
    qRegisterMetaType<StampResult>();
    threads->setMaxThreadCount(qMax(1, workers));
    shared->owner = this;
}

StampPool::~StampPool()
{
    {
        const std::lock_guard<std::mutex> lock(shared->ownerMutex);
        shared->owner = nullptr;
    }
    stop();
    if (abandonedPictures) {
        abandonedThreads().keep(threads);
    } else {
        threads->waitForDone();
        delete threads;
    }
}

int StampPool::workers() const
{
    return threads->maxThreadCount();
}

void StampPool::stamp(int ticket, const QString &path, const StampJob &job)
{
    shared->latestTicket = ticket;
    inFlight.emplace(ticket, path);
    threads->start([shared = shared, ticket, path, job] {
        // Only the newest picture's copies can be the ones a viewer keeps.
        const RunShare share {{&shared->gate, ticket},
                              &shared->memory,
                              shared->logos,
                              [&shared, ticket] { return ticket >= shared->latestTicket; }};
        StampResult result = stampFile(path, job, share);
        if (ticket < shared->latestTicket) {
            result.picture.image = QImage();
            result.stamped.image = QImage();
        }
        const std::lock_guard<std::mutex> lock(shared->ownerMutex);
        if (StampPool *pool = shared->owner)
            QMetaObject::invokeMethod(
                pool, [pool, ticket, path, result] { pool->receive(ticket, path, result); },
                Qt::QueuedConnection);
    });
}

void StampPool::stop()
{
    shared->gate.close();
    shared->memory.close();
    for (auto picture = inFlight.begin(); picture != inFlight.end();) {
        if (shared->gate.isSettled(picture->first)) {
            ++picture;
            continue;
        }
        StampResult discarded;
        discarded.outcome.kind = PictureOutcome::Discarded;
        discarded.outcome.source = picture->second;
        QMetaObject::invokeMethod(
            this,
            [this, ticket = picture->first, path = picture->second, discarded] {
                emit stamped(ticket, path, discarded);
            },
            Qt::QueuedConnection);
        picture = inFlight.erase(picture);
        abandonedPictures = true;
    }
}

void StampPool::receive(int ticket, const QString &path, const StampResult &result)
{
    // An abandoned picture was handed back when the pool stopped.
    if (inFlight.erase(ticket) == 1)
        emit stamped(ticket, path, result);
}

bool picturesAbandoned()
{
    return abandonedThreads().busy();
}

void exitWithoutWaiting(int status)
{
    std::fflush(nullptr);
    ::_exit(status);
}
