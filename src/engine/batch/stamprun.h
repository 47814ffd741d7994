#ifndef TESSARO_STAMPRUN_H
#define TESSARO_STAMPRUN_H

#include "engine/batch/stamppool.h"

#include <QObject>
#include <QThread>

#include <functional>
#include <map>
#include <optional>

// One picture of a run: its file and the job it is stamped with.
struct RunEntry
{
    QString path;
    StampJob job;
};

// Drives a run for a client, the window or the command line: keeps the workers busy with the
// pictures the client gives, asking it for the next one (`next`) whenever one can be handed out,
// hands every result back in the order the pictures were given, and stops at once when told. At
// most one picture more than there are workers is in flight, which bounds the memory a run holds.
// The run ends when nothing is in flight and the client gives nothing more, or after a stop.
class StampRun : public QObject
{
    Q_OBJECT

public:
    // The next picture to stamp; nothing when there is none for now.
    using NextEntry = std::function<std::optional<RunEntry>()>;

    explicit StampRun(const NextEntry &next, int workers = QThread::idealThreadCount(),
                      QObject *parent = nullptr);

    void start();
    // No picture is handed out, and the run does not end, until resume(): the client asks its user
    // a question meanwhile.
    void hold();
    void resume();
    // No picture is handed out from now on; each in flight ends in place or discarded whole, and
    // is still handed back.
    void stop();
    bool isFinished() const { return finishedRun; }

signals:
    // The `position`-th picture given (from 0), in that order.
    void stamped(int position, const QString &path, const StampResult &result);
    void finished();

private:
    void handOut();
    void receive(int ticket, const QString &path, const StampResult &result);

    StampPool pool;
    const NextEntry next;
    int given = 0;
    int handedBack = 0;
    bool held = false;
    bool stopped = false;
    bool handingBack = false;
    bool finishedRun = false;
    std::map<int, std::pair<QString, StampResult>> waiting; // done, behind an earlier picture
};

#endif // TESSARO_STAMPRUN_H
