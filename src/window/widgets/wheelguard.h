#ifndef TESSARO_WHEELGUARD_H
#define TESSARO_WHEELGUARD_H

#include <QObject>

// Keeps the wheel from changing a value the user did not pick: a spin box, slider or combo box
// takes the wheel only while it has keyboard focus (from a click or Tab); otherwise the wheel
// goes on to the scroll area around it.
class WheelGuard : public QObject
{
    Q_OBJECT

public:
    // Guards every spin box, slider and combo box inside `area`; the guard is a child of `area`.
    static void guardControlsIn(QWidget *area);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};

#endif // TESSARO_WHEELGUARD_H
