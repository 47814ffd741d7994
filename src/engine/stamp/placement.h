#ifndef TESSARO_PLACEMENT_H
#define TESSARO_PLACEMENT_H

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

// The nine places of a stamp, numbered in reading order.
enum class StampAlignment {
    TopLeft = 1,
    Top,
    TopRight,
    Left,
    Center,
    Right,
    BottomLeft,
    Bottom,
    BottomRight
};

// The place of the first checked button of a group of nine given in reading order;
// TopLeft when none is checked.
StampAlignment alignmentOfFirstChecked(const QVector<bool> &checkedInReadingOrder);

// Top-left corner of a text box of `textSize` at `alignment` on a picture of `pictureSize`,
// moved by `offset`. Integer arithmetic throughout: both halves are truncated.
QPoint textTopLeft(StampAlignment alignment, const QSize &pictureSize, const QSize &textSize,
                   const QPoint &offset);

// Top-left corner of a logo of unscaled `logoSize` drawn at `scale`. The logo's extent is taken
// unrounded (scale × size) and every expression involving it is truncated toward zero, while the
// picture's half size is an integer half.
QPoint logoTopLeft(StampAlignment alignment, const QSize &pictureSize, const QSize &logoSize,
                   double scale, const QPoint &offset);

// The box that drawing `text` at (0, 0) with `font` and no flags covers on a picture with the
// given resolution (dots per metre), as QPainter::drawText reports it.
QRect measureText(const QString &text, const QFont &font, int dotsPerMeterX, int dotsPerMeterY);

#endif // TESSARO_PLACEMENT_H
