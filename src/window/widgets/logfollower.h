#ifndef TESSARO_LOGFOLLOWER_H
#define TESSARO_LOGFOLLOWER_H

#include <QObject>

class QPlainTextEdit;
class QScrollBar;

// Keeps the newest line of a log in view as lines come in, for as long as the user has not
// scrolled away from the end; scrolling back to the end follows again.
class LogFollower : public QObject
{
    Q_OBJECT

public:
    // The follower is a child of `log`.
    static void follow(QPlainTextEdit *log);

private:
    explicit LogFollower(QPlainTextEdit *log);

    QScrollBar *scrollBar;
    bool following = true;
};

#endif // TESSARO_LOGFOLLOWER_H
