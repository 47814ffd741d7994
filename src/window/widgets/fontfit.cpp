#include "window/widgets/fontfit.h"

#include <QAbstractButton>
#include <QFontMetricsF>
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

QFont fontFittingWidth(const QFont &font, const QString &text, int width)
{
    QFont fitted = font;
    // The drawn width does not shrink exactly with the size (hinting), so it is measured again.
    for (qreal drawn = QFontMetricsF(fitted).boundingRect(text).width(); drawn > width;
         drawn = QFontMetricsF(fitted).boundingRect(text).width()) {
        const qreal scale = qMin(0.95, width / drawn);
        if (fitted.pointSizeF() * scale >= 1)
            fitted.setPointSizeF(fitted.pointSizeF() * scale);
        else if (fitted.pixelSize() * scale >= 1)
            fitted.setPixelSize(int(fitted.pixelSize() * scale));
        else
            break;
    }
    return fitted;
}
