#pragma once

#include <chrono>

// A clock that keeps running while the computer sleeps, so that a refresh that came due
// during a suspend is seen as due on resume. Where the system offers no such clock, the
// monotonic clock stands in.
class ContinuousClock
{
public:
    static std::chrono::milliseconds now();
};
