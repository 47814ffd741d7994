#include "engine/batch/memorypolicy.h"
#include "engine/batch/photoinformation.h"
#include "engine/batch/stamppool.h"
#include "window/mainwindow.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    keepFreedMemory();
    preparePhotoInformation();
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("fusion"));
    int status;
    {
        MainWindow window;
        window.showMaximized();
        // Files handed over by the desktop ("Open with") join the list as a drop would add them.
        QStringList opened;
        for (const QString &argument : QCoreApplication::arguments().mid(1))
            opened << QFileInfo(argument).absoluteFilePath();
        if (!opened.isEmpty())
            window.addDroppedPaths(opened);
        status = app.exec();
    }
    // Closed during a run, with the settings written: the pictures still being decoded have
    // nothing on disk, and are not waited for.
    if (picturesAbandoned())
        exitWithoutWaiting(status);
    return status;
}
