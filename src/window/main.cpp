#include "engine/batch/memorypolicy.h"
#include "engine/batch/photoinformation.h"
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
    MainWindow window;
    window.showMaximized();
    // Files handed over by the desktop ("Open with") join the list as a drop would add them.
    QStringList opened;
    for (const QString &argument : QCoreApplication::arguments().mid(1))
        opened << QFileInfo(argument).absoluteFilePath();
    if (!opened.isEmpty())
        window.addDroppedPaths(opened);
    return app.exec();
}
