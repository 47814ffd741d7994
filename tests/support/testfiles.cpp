#include "support/testfiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

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

bool writeJpegWithOrientation(const QString &path, const QImage &picture, int orientation)
{
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    if (!picture.save(&encoded, "jpg", 95))
        return false;
    // An APP1 segment right after the start of the picture: "Exif", a little-endian TIFF header
    // and one directory holding the orientation alone.
    QByteArray exif = QByteArrayLiteral("\xff\xe1\x00\x22"
                                        "Exif\0\0II*\0\x08\0\0\0"
                                        "\x01\0"
                                        "\x12\x01\x03\0\x01\0\0\0\x00\0\0\0"
                                        "\0\0\0\0");
    exif[4 + 6 + 8 + 2 + 8] = char(orientation);
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(encoded.data().left(2) + exif + encoded.data().mid(2))
        == encoded.size() + exif.size();
}
