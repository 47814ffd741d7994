#ifndef TESSARO_RUNTIMEFOLDER_H
#define TESSARO_RUNTIMEFOLDER_H

#include <QByteArray>

// Whether `path` is a runtime folder the toolkit takes without a word: an absolute path to an
// existing folder owned by this user, readable, writable and searchable by this user alone
// (mode 0700).
bool isUsableRuntimeFolder(const QByteArray &path);

// For as long as it lives, gives the process a private runtime folder when XDG_RUNTIME_DIR names
// none it can use (cron, ssh, schedulers and CI set none), so that the toolkit neither warns
// nor makes one of its own: a fresh folder of mode 0700 in the temporary folder, removed again
// with its contents at the end. Made before the application object, which reads the variable.
class PrivateRuntimeFolder
{
public:
    PrivateRuntimeFolder();
    ~PrivateRuntimeFolder();
    // Removes the folder it made now, as its end does.
    void remove();
    PrivateRuntimeFolder(const PrivateRuntimeFolder &) = delete;
    PrivateRuntimeFolder &operator=(const PrivateRuntimeFolder &) = delete;

private:
    QByteArray made; // empty when the environment's own is used
};

#endif // TESSARO_RUNTIMEFOLDER_H
