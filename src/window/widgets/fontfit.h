#ifndef TESSARO_FONTFIT_H
#define TESSARO_FONTFIT_H

#include <QList>

class QAbstractButton;
class QScrollArea;

// Lets each button grow past its maximum width where its contents (indicator, icon and text, all
// sized by the font's resolution) need more, so that nothing of it is cut at large font sizes.
void widenToContents(const QList<QAbstractButton *> &buttons);

// Makes a vertically scrolling area at least wide enough for its contents beside its vertical
// scroll bar, so that the contents never need a horizontal one.
void fitWidthToContents(QScrollArea *area);

#endif // TESSARO_FONTFIT_H
