#include "platform/forms/Timer.h"

#include "platform/Error.h"

namespace forms {

Timer::Timer(QObject* parent, int interval, bool enabled) : QObject(parent), enabled_(enabled) {
    connect(&timer_, &QTimer::timeout, this, [this] {
        emit fired();
        if (onTimer) onTimer();
    });
    setInterval(interval);
}

void Timer::setInterval(int ms) {
    if (ms < 0) throw wk::Error(380, QStringLiteral("Invalid property value"));
    interval_ = ms;
    update();
}

void Timer::setEnabled(bool on) {
    enabled_ = on;
    update();
}

void Timer::update() {
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);  // restarts a running count
    else
        timer_.stop();
}

}  // namespace forms
