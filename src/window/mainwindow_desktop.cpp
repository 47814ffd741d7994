#include "window/mainwindow.h"

#include "ui_mainwindow.h"
#include "window/widgets/buttonshortcut.h"
#include "window/widgets/fontfit.h"
#include "window/widgets/logfollower.h"
#include "window/widgets/wheelguard.h"

#include <QIcon>
#include <QRadioButton>

// What makes the window at home on a desktop: its icon, a settings column that the wheel only
// scrolls and that fits its contents at any font size, a log that follows its newest line, and
// keyboard shortcuts for the main buttons.
void MainWindow::fitForDesktop()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/AppIcon/tessaro-%1.png").arg(size));
    setWindowIcon(icon);
    QList<QAbstractButton *> positionButtons;
    for (QRadioButton *button : ui->groupBox_11->findChildren<QRadioButton *>())
        positionButtons << button;
    for (QRadioButton *button : ui->groupBox_12->findChildren<QRadioButton *>())
        positionButtons << button;
    widenToContents(positionButtons);
    fitWidthToContents(ui->settings_scroll);
    WheelGuard::guardControlsIn(ui->settings_scroll->widget());
    LogFollower::follow(ui->log_plain);
    addButtonShortcut(ui->open_btn, QKeySequence(Qt::CTRL | Qt::Key_O), this, Qt::WindowShortcut);
    addButtonShortcut(ui->remove_btn, QKeySequence(Qt::Key_Delete), ui->files_list,
                      Qt::WidgetShortcut);
    addButtonShortcut(ui->start_btn, QKeySequence(Qt::CTRL | Qt::Key_Return), this,
                      Qt::WindowShortcut);
}
