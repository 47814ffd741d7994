#include "engine/stamp/placement.h"

#include <QImage>
#include <QPainter>

#include <climits>

namespace {

int columnOf(StampAlignment alignment)
{
    return (int(alignment) - 1) % 3;
}

int rowOf(StampAlignment alignment)
{
    return (int(alignment) - 1) / 3;
}

// Start coordinate along one axis for a stamp whose extent is an integer.
int alignedStart(int place, int pictureExtent, int stampExtent)
{
    switch (place) {
    case 0:
        return 0;
    case 1:
        return pictureExtent / 2 - stampExtent / 2;
    default:
        return pictureExtent - stampExtent;
    }
}

// `value` truncated toward zero, within the range of an int.
int truncated(double value)
{
    return int(qBound(double(INT_MIN), value, double(INT_MAX)));
}

// Start coordinate along one axis for a logo whose scaled extent is a real number.
int alignedLogoStart(int place, int pictureExtent, double logoExtent, int offset)
{
    switch (place) {
    case 0:
        return offset;
    case 1:
        return truncated(offset + pictureExtent / 2 - 0.5 * logoExtent);
    default:
        return truncated(offset + pictureExtent - logoExtent);
    }
}

} // namespace

StampAlignment alignmentOfFirstChecked(const QVector<bool> &checkedInReadingOrder)
{
    const int first = checkedInReadingOrder.indexOf(true);
    return first < 0 ? StampAlignment::TopLeft : StampAlignment(first + 1);
}

QPoint textTopLeft(StampAlignment alignment, const QSize &pictureSize, const QSize &textSize,
                   const QPoint &offset)
{
    return QPoint(
        alignedStart(columnOf(alignment), pictureSize.width(), textSize.width()) + offset.x(),
        alignedStart(rowOf(alignment), pictureSize.height(), textSize.height()) + offset.y());
}

QPoint logoTopLeft(StampAlignment alignment, const QSize &pictureSize, const QSize &logoSize,
                   double scale, const QPoint &offset)
{
    return QPoint(alignedLogoStart(columnOf(alignment), pictureSize.width(),
                                   scale * logoSize.width(), offset.x()),
                  alignedLogoStart(rowOf(alignment), pictureSize.height(),
                                   scale * logoSize.height(), offset.y()));
}

QRect measureText(const QString &text, const QFont &font, int dotsPerMeterX, int dotsPerMeterY)
{
    QImage scratch(1, 1, QImage::Format_ARGB32);
    scratch.setDotsPerMeterX(dotsPerMeterX);
    scratch.setDotsPerMeterY(dotsPerMeterY);
    QPainter painter(&scratch);
    painter.setFont(font);
    QRect box;
    painter.drawText(QRect(0, 0, 99999, 99999), 0, text, &box);
    return box;
}
