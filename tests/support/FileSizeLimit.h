#pragma once
// A full disk for the length of a scope: no file of this process may grow
// beyond `bytes`. The kernel refuses such writes with EFBIG, as a full disk
// refuses them with ENOSPC; it needs no root and no file system of its own.
#include <csignal>

#include <signal.h>

#include <sys/resource.h>

namespace wktest {

class FileSizeLimit {
public:
    // ignoreSignal: without it the kernel ends the process instead, unless
    // the program itself ignores the signal.
    explicit FileSizeLimit(rlim_t bytes, bool ignoreSignal = true) {
        struct sigaction now {};
        ::sigaction(SIGXFSZ, nullptr, &now);
        oldHandler_ = now.sa_handler;
        if (ignoreSignal) std::signal(SIGXFSZ, SIG_IGN);
        ok_ = ::getrlimit(RLIMIT_FSIZE, &old_) == 0;
        rlimit lower = old_;
        lower.rlim_cur = bytes;
        ok_ = ok_ && bytes <= old_.rlim_max && ::setrlimit(RLIMIT_FSIZE, &lower) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return ok_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};

}  // namespace wktest
