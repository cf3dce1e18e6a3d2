#pragma once

#include <sys/resource.h>

namespace halvane::bench {

// CPU time (user + system) this process has used so far, in seconds.
inline double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace halvane::bench
