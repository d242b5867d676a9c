#pragma once
// A named pipe that no one writes to: opening it for reading waits for good.
// So that a test of code that should never open it that way fails instead
// of hanging, a watchdog opens the writing end once `patience` has passed:
// that lets a waiting reader go on, and waited() tells the test.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace wktest {

class StuckPipe {
public:
    explicit StuckPipe(QString path, std::chrono::milliseconds patience = std::chrono::seconds(20))
        : path_(std::move(path)), native_(QFile::encodeName(path_)) {
        made_ = ::mkfifo(native_.constData(), 0600) == 0;
        if (made_) watchdog_ = std::thread([this, patience] { watch(patience); });
    }
    ~StuckPipe() {
        {
            std::lock_guard g(m_);
            stop_ = true;
        }
        cv_.notify_all();
        if (watchdog_.joinable()) watchdog_.join();
        ::unlink(native_.constData());
    }
    StuckPipe(const StuckPipe&) = delete;
    StuckPipe& operator=(const StuckPipe&) = delete;

    bool made() const { return made_; }
    const QString& path() const { return path_; }
    // Whether something was still waiting to read it after the patience.
    bool waited() const { return waited_; }

private:
    void watch(std::chrono::milliseconds patience) {
        std::unique_lock lock(m_);
        if (cv_.wait_for(lock, patience, [this] { return stop_; })) return;
        while (!stop_) {
            // Succeeds only while a reader has it open.
            const int fd = ::open(native_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                waited_ = true;
                ::close(fd);  // the reader sees the end of the data
            }
            cv_.wait_for(lock, std::chrono::milliseconds(20), [this] { return stop_; });
        }
    }

    QString path_;
    QByteArray native_;
    bool made_ = false;
    std::atomic<bool> waited_{false};
    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread watchdog_;
};

}  // namespace wktest
