#include "cli/runtimefolder.h"
#include "cli/stampcommand.h"
#include "engine/batch/memorypolicy.h"
#include "engine/batch/stamppool.h"
#include "engine/version.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    keepFreedMemory();
    PrivateRuntimeFolder runtimeFolder;
    // Text is drawn without a display, on the platform that needs none, whatever the environment
    // names.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit takes the arguments it knows out of the list it is given, even after "--": it
    // is given the program's name alone, and every argument is the command's.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int toolkitArgc = 1;
    QGuiApplication app(toolkitArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaro-stamp"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSARO_VERSION));
    const int status = runStampCommand(arguments);
    // After a signal, the pictures still being decoded have nothing on disk: they are not waited
    // for.
    if (picturesAbandoned()) {
        runtimeFolder.remove();
        exitWithoutWaiting(status);
    }
    return status;
}
