#include "window/widgets/qclickablelabel.h"

QClickableLabel::QClickableLabel(QWidget *parent)
    : QLabel(parent)
{
}

void QClickableLabel::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event);
}

void QClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseReleased(event);
}

void QClickableLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event);
}
