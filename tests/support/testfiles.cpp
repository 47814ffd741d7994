#include "support/testfiles.h"

#include <QDir>
#include <QFile>

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
