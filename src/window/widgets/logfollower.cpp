#include "window/widgets/logfollower.h"

#include <QPlainTextEdit>
#include <QScrollBar>

void LogFollower::follow(QPlainTextEdit *log)
{
    new LogFollower(log);
}

LogFollower::LogFollower(QPlainTextEdit *log)
    : QObject(log)
    , scrollBar(log->verticalScrollBar())
{
    // A new line grows the range first and moves nothing; only a move the user makes (or the
    // follower's own) changes whether the end is in view.
    connect(scrollBar, &QScrollBar::rangeChanged, this, [this](int, int maximum) {
        if (following)
            scrollBar->setValue(maximum);
    });
    connect(scrollBar, &QScrollBar::valueChanged, this,
            [this](int value) { following = value == scrollBar->maximum(); });
}
