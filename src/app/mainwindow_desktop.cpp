#include "app/mainwindow.h"

#include "ui/buttonshortcut.h"
#include "ui/logfollower.h"
#include "ui/wheelguard.h"
#include "ui_mainwindow.h"

#include <QIcon>

// What makes the window at home on a desktop: its icon, a settings column that the wheel only
// scrolls, a log that follows its newest line, and keyboard shortcuts for the main buttons.
void MainWindow::fitForDesktop()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/AppIcon/tessaro-%1.png").arg(size));
    setWindowIcon(icon);
    WheelGuard::guardControlsIn(ui->settings_scroll->widget());
    LogFollower::follow(ui->log_plain);
    addButtonShortcut(ui->open_btn, QKeySequence(Qt::CTRL | Qt::Key_O), this, Qt::WindowShortcut);
    addButtonShortcut(ui->remove_btn, QKeySequence(Qt::Key_Delete), ui->files_list,
                      Qt::WidgetShortcut);
    addButtonShortcut(ui->start_btn, QKeySequence(Qt::CTRL | Qt::Key_Return), this,
                      Qt::WindowShortcut);
}
