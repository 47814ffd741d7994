#include "window/widgets/wheelguard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QWidget>

void WheelGuard::guardControlsIn(QWidget *area)
{
    auto guard = new WheelGuard(area);
    const QList<QWidget *> widgets = area->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!qobject_cast<QAbstractSpinBox *>(widget) && !qobject_cast<QAbstractSlider *>(widget)
            && !qobject_cast<QComboBox *>(widget))
            continue;
        // With wheel focus, the wheel itself would hand the control the focus it needs here.
        widget->setFocusPolicy(Qt::StrongFocus);
        widget->installEventFilter(guard);
    }
}

bool WheelGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel || static_cast<QWidget *>(watched)->hasFocus())
        return false;
    // Ignored, the event travels on to the parents, up to the scroll area's viewport.
    event->ignore();
    return true;
}
