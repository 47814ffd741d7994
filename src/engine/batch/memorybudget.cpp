#include "engine/batch/memorybudget.h"

#include <QFile>
#include <QStringList>

#include <sys/resource.h>

namespace {

// The number in the file at `path`, or -1 when there is none ("max" says there is no limit).
qint64 numberInFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const qint64 number = file.readAll().trimmed().toLongLong(&ok);
    return ok ? number : -1;
}

// The value of `key` in /proc/self/status or /proc/meminfo, in bytes; -1 when missing.
qint64 kilobytesLine(const QString &file, const QByteArray &key)
{
    QFile lines(file);
    if (!lines.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : lines.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').constFirst().toLongLong() * 1024;
    }
    return -1;
}

// What the limits of this process's control group and of each group above it leave, in bytes;
// -1 when no group limits its memory.
qint64 controlGroupRoom()
{
    QFile groups(QStringLiteral("/proc/self/cgroup"));
    if (!groups.open(QIODevice::ReadOnly))
        return -1;
    qint64 room = -1;
    for (const QByteArray &line : groups.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(':'); // id, controllers, path
        if (fields.size() < 3)
            continue;
        const bool unified = fields.at(0) == "0" && fields.at(1).isEmpty();
        if (!unified && !fields.at(1).split(',').contains("memory"))
            continue;
        const QString root
            = unified ? QStringLiteral("/sys/fs/cgroup") : QStringLiteral("/sys/fs/cgroup/memory");
        QString group = QString::fromUtf8(fields.at(2));
        for (;;) {
            const QString dir = root + group;
            const qint64 limit
                = numberInFile(dir
                               + (unified ? QStringLiteral("/memory.max")
                                          : QStringLiteral("/memory.limit_in_bytes")));
            const qint64 usage
                = numberInFile(dir
                               + (unified ? QStringLiteral("/memory.current")
                                          : QStringLiteral("/memory.usage_in_bytes")));
            // Version 1 says "no limit" with a number near 2^63.
            if (limit >= 0 && usage >= 0 && limit < (qint64(1) << 60))
                room = room < 0 ? limit - usage : qMin(room, limit - usage);
            if (group.isEmpty() || group == QLatin1String("/"))
                break;
            group.truncate(group.lastIndexOf(QLatin1Char('/')));
        }
    }
    return room;
}

// What the limit on this process's address space leaves, in bytes; -1 without a limit.
qint64 addressSpaceRoom()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return -1;
    const qint64 used = kilobytesLine(QStringLiteral("/proc/self/status"), "VmSize");
    return qint64(limit.rlim_cur) - qMax<qint64>(used, 0);
}

} // namespace

qint64 availableMemory()
{
    qint64 available = kilobytesLine(QStringLiteral("/proc/meminfo"), "MemAvailable");
    for (const qint64 room : {controlGroupRoom(), addressSpaceRoom()}) {
        if (room >= 0)
            available = available < 0 ? room : qMin(available, room);
    }
    return available < 0 ? -1 : qMax<qint64>(available, 0);
}

qint64 pictureMemory(qint64 fileSize, qint64 pixels, QImage::Format format, qint64 stampedPixels)
{
    const int decodedBytes = format == QImage::Format_Invalid
        ? 8
        : qMax(QImage::toPixelFormat(format).bitsPerPixel() / 8, 1);
    return fileSize + pixels * (decodedBytes + 4) + stampedPixels * 8;
}

MemoryBudget::MemoryBudget(qint64 bytes)
    : total(bytes)
{
}

MemoryBudget::Admission MemoryBudget::admit(int ticket, qint64 bytes)
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return !open || turns.isTurnOf(ticket); });
    Admission admission = !open ? Closed : bytes > total ? NeverFits : Admitted;
    if (admission == Admitted) {
        changed.wait(lock, [&] { return !open || taken + bytes <= total; });
        if (open)
            taken += bytes;
        else
            admission = Closed;
    }
    turns.end(ticket);
    changed.notify_all();
    return admission;
}

void MemoryBudget::endTurn(int ticket)
{
    const std::lock_guard<std::mutex> lock(mutex);
    turns.end(ticket);
    changed.notify_all();
}

void MemoryBudget::release(qint64 bytes)
{
    const std::lock_guard<std::mutex> lock(mutex);
    taken -= bytes;
    changed.notify_all();
}

void MemoryBudget::close()
{
    const std::lock_guard<std::mutex> lock(mutex);
    open = false;
    changed.notify_all();
}

MemoryReservation::MemoryReservation(MemoryBudget *budget, int ticket)
    : budget(budget)
    , ticket(ticket)
{
}

MemoryReservation::~MemoryReservation()
{
    if (!budget)
        return;
    budget->endTurn(ticket);
    if (held > 0)
        budget->release(held);
}

MemoryBudget::Admission MemoryReservation::admit(qint64 bytes)
{
    if (!budget)
        return MemoryBudget::Admitted;
    const MemoryBudget::Admission admission = budget->admit(ticket, bytes);
    if (admission == MemoryBudget::Admitted)
        held = bytes;
    return admission;
}
