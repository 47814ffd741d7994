#include "support/testfiles.h"

#include <QDir>
#include <QFile>

#include <sys/inotify.h>
#include <unistd.h>

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList namesIn(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QString testDataPath(const QString &name)
{
    return QStringLiteral(TESSARO_TEST_DATA_DIR "/") + name;
}

QStringList inotifyNames(int inotify)
{
    QStringList names;
    alignas(inotify_event) char events[8192];
    ssize_t size;
    while ((size = ::read(inotify, events, sizeof events)) > 0) {
        for (char *at = events; at < events + size;) {
            const auto event = reinterpret_cast<const inotify_event *>(at);
            if (event->len > 0)
                names << QFile::decodeName(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    return names;
}
