#pragma once
// What a screen reader receives over the accessibility bus, not only that Qt
// raised an event. Qt's offscreen platform has no bridge to the bus, so the
// test runs a copy of itself on a display and buses of its own (runOnBus),
// where the program talks to the bus as the shipped one does and a BusTool
// in the same copy hears what arrives.

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class QDBusMessage;
class QWidget;

namespace wktest {

// Which of Xvfb, dbus-daemon and at-spi2-core is not installed, "" when all
// are (./wk installs them).
QString busToolsMissing();
// Runs the current test again in a copy of this program on a display, a
// session bus and an accessibility bus of its own, their sockets in
// `folder`: the copy's exit code, -1 when it did not run or end within two
// minutes; its output, or what did not start, in `log`.
int runOnBus(const QString& folder, QString& log);
bool isBusChild();  // true in that copy

// An event as a screen reader receives it: "focus" (for an entry of a list,
// on the list, `words` the entry's name), "description" (its `words`, or
// `object` where Qt sent an object in their place), "caret", "ticked"
// (`words` "checked" or "not checked"), "state" for another state (other
// than showing and losing the focus), "hidden" for one of a control not
// shown, in a window that is, as the step ends.
// `id` is the object the reader knows the control as.
struct BusEvent {
    QString kind;
    QWidget* control = nullptr;
    QString words;
    bool object = false;
    uint id = 0;
};

// A screen reader's ear on this program's own bus, registered for the events
// a reader listens to.
class BusTool : public QObject {
    Q_OBJECT
public:
    BusTool();
    ~BusTool() override;
    bool ready() const { return ready_; }  // false when the program is not on the bus
    // What arrived since the last call, in order, up to all the program sent.
    QList<BusEvent> take();

private slots:
    void received(const QDBusMessage& m);

private:
    bool sync();
    QDBusConnection tool_;
    QString program_;
    QList<BusEvent> events_;
    QHash<uint, QPointer<QWidget>> known_;  // a control by the objects it was, for those made anew since
    int sent_ = 0, marked_ = 0;
    bool ready_ = false;
};

}  // namespace wktest
