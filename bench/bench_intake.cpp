// Time to add a large folder of pictures to the list: by a drop on the window and by the
// "Add Image Files" dialog. The pictures are empty files; only their names are read.
//
// Usage: bench_intake [COUNT...]   (default: 2000 10000)
#include "support/dialoganswerer.h"
#include "support/testenv.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QListView>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

QStringList writeEmptyPictures(const QString &folder, int count)
{
    QStringList paths;
    for (int i = 1; i <= count; ++i) {
        const QString path = QStringLiteral("%1/p%2.png").arg(folder).arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        paths << path;
    }
    return paths;
}

double dropSeconds(MainWindow &window, const QString &folder)
{
    MainWindowProbe::ui(window)->files_list->clear();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(folder)});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent event(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QElapsedTimer clock;
    clock.start();
    QApplication::sendEvent(&window, &event);
    return clock.nsecsElapsed() / 1e9;
}

// From the dialog's accept to the return of the button's handler.
double dialogSeconds(MainWindow &window, const QString &folder, int count)
{
    Ui::MainWindow *ui = MainWindowProbe::ui(window);
    ui->files_list->clear();
    QElapsedTimer clock;
    DialogAnswerer answerer;
    answerer.answer([&](QWidget *dialog) {
        auto fileDialog = qobject_cast<QFileDialog *>(dialog);
        fileDialog->setDirectory(folder);
        // Typing thousands of names is slow in the dialog itself; selecting all is not.
        auto view = fileDialog->findChild<QListView *>(QStringLiteral("listView"));
        QElapsedTimer waited;
        waited.start();
        while (view->model()->rowCount(view->rootIndex()) < count && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        view->selectAll();
        clock.start();
        static_cast<QDialog *>(fileDialog)->accept();
    });
    QTest::mouseClick(ui->open_btn, Qt::LeftButton);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (ui->files_list->count() != count)
        std::fprintf(stderr, "dialog added %d of %d\n", ui->files_list->count(), count);
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> counts;
    for (const QString &arg : QCoreApplication::arguments().mid(1))
        counts << arg.toInt();
    if (counts.isEmpty())
        counts = {2000, 10000};

    initTestApplication();
    IsolatedSettings store;
    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    for (int count : counts) {
        QTemporaryDir folder;
        writeEmptyPictures(folder.path(), count);
        const double drop = dropSeconds(window, folder.path());
        const int dropped = MainWindowProbe::ui(window)->files_list->count();
        const double dialog = dialogSeconds(window, folder.path(), count);
        std::fflush(stdout);
        std::printf("%d files: drop %.3f s (%d added, %.1f us per file), dialog %.3f s\n", count,
                    drop, dropped, drop * 1e6 / count, dialog);
    }
    return 0;
}
