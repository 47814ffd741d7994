#ifndef TESSARO_MEMORYBUDGET_H
#define TESSARO_MEMORYBUDGET_H

#include "engine/batch/ticketturns.h"

#include <QImage>
#include <QSize>

#include <condition_variable>
#include <mutex>

// The memory this process may still take, in bytes: the least of the machine's available memory,
// what its control group's limit leaves, and what its address space limit leaves; -1 when none of
// them can be read.
qint64 availableMemory();

// The memory stamping a picture takes at its peak, estimated from what its file's header says
// before any pixel is decoded: `fileSize` bytes read whole, `pixels` decoded into `format`, a
// 32-bit working copy, and `stampedPixels` stamped and encoded.
qint64 pictureMemory(qint64 fileSize, qint64 pixels, QImage::Format format, qint64 stampedPixels);

// The memory the pictures of a run may hold at once. Pictures are admitted in the order of their
// tickets (0, 1, 2, ...), each when its estimate fits beside what the earlier ones still hold, so
// that the earliest picture is never kept waiting by a later one. Shared by threads.
class MemoryBudget
{
public:
    enum Admission { Admitted, NeverFits, Closed };

    explicit MemoryBudget(qint64 bytes);

    qint64 size() const { return total; }
    // Waits for `ticket`'s turn and for `bytes` to fit, and takes them. NeverFits at once when
    // they exceed the whole budget; Closed once close() is called. Either way the turn ends.
    Admission admit(int ticket, qint64 bytes);
    // Ends `ticket`'s turn without taking memory, if it has not ended yet.
    void endTurn(int ticket);
    void release(qint64 bytes);
    // Every picture waiting, and every later one, is refused.
    void close();

private:
    const qint64 total;
    std::mutex mutex;
    std::condition_variable changed;
    TicketTurns turns;
    qint64 taken = 0;
    bool open = true;
};

// The memory one picture holds in a budget: taken when the picture is admitted, given back when
// the reservation goes.
class MemoryReservation
{
public:
    MemoryReservation(MemoryBudget *budget, int ticket);
    ~MemoryReservation();
    MemoryReservation(const MemoryReservation &) = delete;
    MemoryReservation &operator=(const MemoryReservation &) = delete;

    // Takes `bytes` in the picture's turn; always Admitted without a budget.
    MemoryBudget::Admission admit(qint64 bytes);

private:
    MemoryBudget *const budget;
    const int ticket;
    qint64 held = 0;
};

#endif // TESSARO_MEMORYBUDGET_H
