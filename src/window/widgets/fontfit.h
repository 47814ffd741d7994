#ifndef TESSARO_FONTFIT_H
#define TESSARO_FONTFIT_H

#include <QFont>
#include <QList>

class QAbstractButton;
class QScrollArea;

// Lets each button grow past its maximum width where its contents (indicator, icon and text, all
// sized by the font's resolution) need more, so that nothing of it is cut at large font sizes.
void widenToContents(const QList<QAbstractButton *> &buttons);

// Makes a vertically scrolling area at least wide enough for its contents beside its vertical
// scroll bar, so that the contents never need a horizontal one.
void fitWidthToContents(QScrollArea *area);

// `font`, made smaller where `text` drawn in it on the screen would be wider than `width` pixels,
// so that a sample of the font shows whole at any font resolution; `font` itself where it fits.
QFont fontFittingWidth(const QFont &font, const QString &text, int width);

#endif // TESSARO_FONTFIT_H
