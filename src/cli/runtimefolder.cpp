#include "cli/runtimefolder.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

bool isUsableRuntimeFolder(const QByteArray &path)
{
    struct stat status = {};
    return path.startsWith('/') && ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode)
        && status.st_uid == ::geteuid() && (status.st_mode & 0777) == 0700;
}

PrivateRuntimeFolder::PrivateRuntimeFolder()
{
    if (isUsableRuntimeFolder(qgetenv("XDG_RUNTIME_DIR")))
        return;
    // The toolkit's temporary folder is empty when TMPDIR names none that exists.
    const QString temporary = QDir::tempPath();
    QByteArray pattern = (temporary.isEmpty() ? QByteArray("/tmp") : QFile::encodeName(temporary))
        + "/tessaro-stamp-runtime-XXXXXX";
    // mkdtemp makes the folder with mode 0700.
    if (!::mkdtemp(pattern.data()))
        return;
    made = pattern;
    qputenv("XDG_RUNTIME_DIR", made);
}

PrivateRuntimeFolder::~PrivateRuntimeFolder()
{
    remove();
}

void PrivateRuntimeFolder::remove()
{
    if (!made.isEmpty())
        QDir(QFile::decodeName(made)).removeRecursively();
    made.clear();
}
