#ifndef TESSARO_WATCHDOG_H
#define TESSARO_WATCHDOG_H

#include <condition_variable>
#include <mutex>
#include <thread>

// Ends the test program with a message when it is still alive `seconds` after being created, so
// that a test that hangs (on a pipe, say) fails at once instead of blocking the suite.
class Watchdog
{
public:
    Watchdog(const char *what, int seconds);
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    std::mutex mutex;
    std::condition_variable stopped;
    bool done = false;
    std::thread thread;
};

#endif // TESSARO_WATCHDOG_H
