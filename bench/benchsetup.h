#ifndef TESSARO_BENCHSETUP_H
#define TESSARO_BENCHSETUP_H

#include <QSize>

// What the run benchmark stamps its photos with, and its floors too: resized into this box, the
// ratio kept, written as JPG at this quality.
const QSize outputBox(1920, 1920);
const int jpegQuality = 90;

#endif // TESSARO_BENCHSETUP_H
