#include "engine/batch/memorypolicy.h"
#include "engine/batch/photoinformation.h"
#include "engine/batch/stamppool.h"
#include "window/mainwindow.h"
#include "window/startarguments.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The help and the version are printed before the toolkit starts, so that they need no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const StartRequest asked = parseStartArguments(arguments);
    if (asked.action != StartRequest::OpenWindow) {
        const QString text
            = asked.action == StartRequest::ShowHelp ? startHelpText() : startVersionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    keepFreedMemory();
    preparePhotoInformation();
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("fusion"));
    int status;
    {
        MainWindow window;
        window.showMaximized();
        // Files handed over by the desktop ("Open with") join the list as a drop would add them;
        // the toolkit has taken its own options out of the arguments by now.
        QStringList opened;
        for (const QString &file : parseStartArguments(QCoreApplication::arguments().mid(1)).files)
            opened << QFileInfo(file).absoluteFilePath();
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
