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
    // The ink, or the advance where it is wider (as a label measures), at the screen's resolution;
    // measured again after each step, since hinting does not shrink it exactly with the size.
    const auto drawnWidth = [&text](const QFont &drawnFont) {
        const QFontMetricsF metrics(drawnFont);
        return qMax(metrics.boundingRect(text).width(), metrics.horizontalAdvance(text));
    };
    QFont fitted = font;
    for (qreal drawn = drawnWidth(fitted); drawn > width; drawn = drawnWidth(fitted)) {
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
