#include "window/widgets/fontfit.h"

#include <QAbstractButton>
#include <QScrollArea>
#include <QScrollBar>

void widenToContents(const QList<QAbstractButton *> &buttons)
{
    for (QAbstractButton *button : buttons)
        button->setMaximumWidth(qMax(button->maximumWidth(), button->sizeHint().width()));
}

void fitWidthToContents(QScrollArea *area)
{
    const int contents = area->widget()->minimumSizeHint().width();
    const int scrollBar = area->verticalScrollBar()->sizeHint().width();
    area->setMinimumWidth(contents + scrollBar + 2 * area->frameWidth());
}
