#include "window/widgets/buttonshortcut.h"

#include <QAbstractButton>
#include <QShortcut>

QString toolTipWithShortcut(const QString &toolTip, const QKeySequence &keys)
{
    return QStringLiteral("%1 (%2)").arg(toolTip, keys.toString(QKeySequence::NativeText));
}

void addButtonShortcut(QAbstractButton *button, const QKeySequence &keys, QWidget *scope,
                       Qt::ShortcutContext context)
{
    auto shortcut = new QShortcut(keys, scope);
    shortcut->setContext(context);
    QObject::connect(shortcut, &QShortcut::activated, button, [button] { button->animateClick(); });
    const QString toolTip
        = button->toolTip().isEmpty() ? button->text().trimmed() : button->toolTip();
    button->setToolTip(toolTipWithShortcut(toolTip, keys));
}
