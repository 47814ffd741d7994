#ifndef TESSARO_CREDITS_H
#define TESSARO_CREDITS_H

#include <QString>

// The rich texts of the credits boxes: who made the icons and under which licence, and who
// sponsors the application. Every link points at the project's or the sponsor's .example site.
QString iconCreditsText();
QString sponsorCreditsTitle();
QString sponsorCreditsText();

#endif // TESSARO_CREDITS_H
