#ifndef TESSARO_BUTTONSHORTCUT_H
#define TESSARO_BUTTONSHORTCUT_H

#include <QKeySequence>
#include <QString>

class QAbstractButton;
class QWidget;

// A button's tooltip with its shortcut in the platform's own notation: "Add Pictures (Ctrl+O)".
QString toolTipWithShortcut(const QString &toolTip, const QKeySequence &keys);

// Makes `keys` press `button` (as a click does, so its pressed() handler runs) while the focus is
// on `scope` (a widget shortcut) or anywhere in its window (a window shortcut), and names the keys
// in the button's tooltip. The shortcut is a child of `scope`.
void addButtonShortcut(QAbstractButton *button, const QKeySequence &keys, QWidget *scope,
                       Qt::ShortcutContext context);

#endif // TESSARO_BUTTONSHORTCUT_H
