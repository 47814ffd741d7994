#include "cli/runtimefolder.h"
#include "cli/stampcommand.h"
#include "engine/batch/memorypolicy.h"
#include "engine/version.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    keepFreedMemory();
    const PrivateRuntimeFolder runtimeFolder;
    // Text is drawn without a display, on the platform that needs none, whatever the environment
    // names.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaro-stamp"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSARO_VERSION));
    return runStampCommand(QCoreApplication::arguments());
}
