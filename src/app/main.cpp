#include "app/mainwindow.h"
#include "batch/memorypolicy.h"
#include "batch/photoinformation.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepFreedMemory();
    preparePhotoInformation();
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("fusion"));
    MainWindow window;
    window.showMaximized();
    return app.exec();
}
