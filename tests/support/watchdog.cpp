#include "support/watchdog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

Watchdog::Watchdog(const char *what, int seconds)
    : thread([this, what, seconds] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!stopped.wait_for(lock, std::chrono::seconds(seconds), [this] { return done; })) {
            std::fprintf(stderr, "FAIL: %s still running after %d s: it hangs\n", what, seconds);
            std::fflush(stderr);
            std::_Exit(EXIT_FAILURE);
        }
    })
{
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    stopped.notify_one();
    thread.join();
}
