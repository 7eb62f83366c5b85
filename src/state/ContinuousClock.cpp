#include "ContinuousClock.h"

#include <ctime>

std::chrono::milliseconds ContinuousClock::now()
{
#if defined(CLOCK_BOOTTIME) || defined(__APPLE__)
#if defined(CLOCK_BOOTTIME)
    constexpr clockid_t clock = CLOCK_BOOTTIME;
#else
    constexpr clockid_t clock = CLOCK_MONOTONIC; // counts the time asleep on macOS
#endif
    timespec now{};
    if (clock_gettime(clock, &now) == 0)
        return std::chrono::seconds(now.tv_sec) +
               std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::nanoseconds(now.tv_nsec));
#endif
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}
