#pragma once
// A full disk for the length of a scope: no file of this process may grow
// beyond `bytes`. The kernel refuses such writes with EFBIG, as a full disk
// refuses them with ENOSPC; it needs no root and no file system of its own.
// (The kernel's signal for it is the program's to handle: see
// dao::KeepRunningAtFileSizeLimit, which the tests' main calls as the
// program's does.)
#include <sys/resource.h>

namespace wktest {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ok_ = ::getrlimit(RLIMIT_FSIZE, &old_) == 0;
        rlimit lower = old_;
        lower.rlim_cur = bytes;
        ok_ = ok_ && bytes <= old_.rlim_max && ::setrlimit(RLIMIT_FSIZE, &lower) == 0;
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return ok_; }

private:
    rlimit old_{};
    bool ok_ = false;
};

}  // namespace wktest
