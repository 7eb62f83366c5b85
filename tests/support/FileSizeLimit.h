#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, no file of this process grows past the size: a write beyond fails as on a
// full disk, with the signal that would end the process ignored.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved{};
};
