#pragma once
// The original's timer control: it fires every Interval milliseconds while
// Enabled is true and Interval is above 0. Interval 0 stops it without
// changing Enabled; setting Enabled to true (again) starts the count anew,
// as does a new Interval while it runs.
//
//   forms::Timer tmrBar{this, 50, false};
//   tmrBar.onTimer = [this] { tmrBar_Timer(); };
//   tmrBar.setEnabled(true);

#include <QObject>
#include <QTimer>
#include <functional>

namespace forms {

class Timer : public QObject {
    Q_OBJECT
public:
    // The original's defaults: Interval 0, Enabled true.
    explicit Timer(QObject* parent = nullptr, int interval = 0, bool enabled = true);

    int Interval() const { return interval_; }
    // A negative interval raises wk::Error 380 (invalid property value).
    void setInterval(int ms);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    // Whether it is counting now (Enabled and Interval > 0).
    bool isRunning() const { return timer_.isActive(); }

    // The Timer event: the handler, called after the signal.
    std::function<void()> onTimer;

signals:
    void fired();

private:
    void update();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = true;
};

}  // namespace forms
