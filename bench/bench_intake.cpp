// Time to add a large folder of pictures to the list: by a drop on the window and by the
// "Add Image Files" dialog; then, over a tree of 20,000 pictures, the longest the window waits for
// a turn of its event loop during a drop, and how soon after a click Abort ends the drop. The
// pictures are empty files; only their names are read.
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
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <thread>

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

// The longest time, in seconds, between two turns of the event loop during a whole drop of
// `folder`.
double longestWaitForEvents(MainWindow &window, const QString &folder)
{
    QElapsedTimer sinceTurn;
    qint64 longest = 0;
    QTimer turns;
    turns.setInterval(0);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        longest = qMax(longest, sinceTurn.nsecsElapsed());
        sinceTurn.start();
    });
    sinceTurn.start();
    turns.start();
    dropSeconds(window, folder);
    return longest / 1e9;
}

// Hands the time a watched widget is hidden to `hiddenAt`.
class HideWatch : public QObject
{
public:
    HideWatch(const QElapsedTimer &clock, std::atomic<qint64> &hiddenAt)
        : clock(clock)
        , hiddenAt(hiddenAt)
    {
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && hiddenAt == 0)
            hiddenAt = clock.nsecsElapsed();
        return false;
    }

private:
    const QElapsedTimer &clock;
    std::atomic<qint64> &hiddenAt;
};

// Seconds from a click on Abort, `afterMs` into a drop of `folder` (posted from another thread, as
// the user's click arrives whatever the window is doing), to the progress dialog's closing; with
// the share of the pictures that were added. Negative when the drop had ended before the click.
std::pair<double, double> abortSeconds(MainWindow &window, const QString &folder, int count,
                                       int afterMs)
{
    MainWindowProbe::ui(window)->files_list->clear();
    QCoreApplication::processEvents();
    std::atomic<qint64> clickedAt {0};
    std::atomic<qint64> closedAt {0};
    QElapsedTimer clock;
    clock.start();
    HideWatch watch(clock, closedAt);
    QTimer watcher; // puts the watch on the dialog as soon as there is one
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto progress = window.findChild<QProgressDialog *>()) {
            progress->installEventFilter(&watch);
            watcher.stop();
        }
    });
    watcher.start();
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
        clickedAt = clock.nsecsElapsed();
        QMetaObject::invokeMethod(
            &window,
            [&window] {
                if (auto progress = window.findChild<QProgressDialog *>())
                    progress->cancel();
            },
            Qt::QueuedConnection);
    });
    dropSeconds(window, folder);
    user.join();
    QCoreApplication::processEvents(); // a click that came too late
    const int added = MainWindowProbe::ui(window)->files_list->count();
    return {(closedAt - clickedAt) / 1e9, double(added) / count};
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

    QTemporaryDir tree;
    const int treeFiles = 20000;
    for (int folder = 0; folder < 20; ++folder) {
        const QString path = QStringLiteral("%1/f%2").arg(tree.path()).arg(folder);
        QDir().mkpath(path);
        writeEmptyPictures(path, treeFiles / 20);
    }
    std::printf("tree of %d files: longest wait for the event loop during a drop %.3f s\n",
                treeFiles, longestWaitForEvents(window, tree.path()));
    for (int afterMs : {10, 30, 60, 90}) {
        const auto [seconds, share] = abortSeconds(window, tree.path(), treeFiles, afterMs);
        std::printf("  Abort clicked %d ms into the drop: dialog closed %.3f s later, %.0f %% "
                    "added\n",
                    afterMs, seconds, share * 100);
    }
    std::fflush(stdout);
    return 0;
}
