#pragma once
// How much more memory this process may take. Linux hands out memory it may
// not have and ends the process later, so work that grows with a file asks
// here first rather than waiting for std::bad_alloc, which a limit of the
// process (ulimit -v) raises but a full machine does not.

#include <sys/resource.h>

#include <QtGlobal>
#include <algorithm>
#include <fstream>
#include <limits>
#include <string>

namespace wk {

// The most the process may take from now on, in bytes, when a test sets
// it (-1: no such bound).
inline qint64 MemoryCeilingForTests = -1;

namespace detail {

// A "Key:   123 kB" line of a /proc file, in bytes; -1 when it is missing.
inline qint64 procKb(const char* file, const std::string& key) {
    std::ifstream s(file);
    std::string line;
    while (std::getline(s, line))
        if (line.rfind(key, 0) == 0) return qint64(std::stoll(line.substr(key.size()))) * 1024;
    return -1;
}

// What a limit of the process leaves beside what it has taken already.
inline qint64 leftUnder(int resource, qint64 taken) {
    rlimit l{};
    if (::getrlimit(resource, &l) != 0 || l.rlim_cur == RLIM_INFINITY || taken < 0)
        return std::numeric_limits<qint64>::max();
    return std::max<qint64>(0, qint64(l.rlim_cur) - taken);
}

}  // namespace detail

// What the system has free (MemAvailable) and what the process's own
// limits (RLIMIT_AS, RLIMIT_DATA) still allow, whichever is least.
inline qint64 AvailableMemory() {
    qint64 free = detail::procKb("/proc/meminfo", "MemAvailable:");
    if (free < 0) free = std::numeric_limits<qint64>::max();
    free = std::min(free, detail::leftUnder(RLIMIT_AS, detail::procKb("/proc/self/status", "VmSize:")));
    free = std::min(free, detail::leftUnder(RLIMIT_DATA, detail::procKb("/proc/self/status", "VmData:")));
    if (MemoryCeilingForTests >= 0) free = std::min(free, MemoryCeilingForTests);
    return free;
}

}  // namespace wk
