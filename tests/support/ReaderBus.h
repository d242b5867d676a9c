#pragma once
// What an assistive tool receives over the accessibility bus, for a test
// that checks the words that reach a screen reader, not only that Qt raised
// an event. A test process runs on Qt's offscreen platform, which has no
// bridge to the bus; so the test starts a copy of itself on a display and a
// bus of its own (AccessBus), where the copy's program talks to the bus as
// the shipped one does and a tool in the same copy (BusTool) hears what
// arrives. Needs Xvfb, dbus-daemon and at-spi2-core, which ./wk installs;
// where one is missing the test is skipped.

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

#include "support/VirtualDisplay.h"

class QDBusMessage;
class QWidget;

namespace wktest {

// A display (Xvfb), a session bus (dbus-daemon) and the desktop's launcher
// of the bus for assistive tools (at-spi2-core, which brings AT-SPI's
// registry), as a desktop session has them; the buses keep their sockets in
// `folder`, and all end with the object.
class AccessBus {
public:
    explicit AccessBus(const QString& folder);
    ~AccessBus();
    AccessBus(const AccessBus&) = delete;
    AccessBus& operator=(const AccessBus&) = delete;

    // What is not installed, "" when all is.
    QString missing() const { return missing_; }
    // The session bus's address, "" when it did not start.
    QString address() const { return address_; }

    // Runs this test program again for the one test `test`, on the display
    // and the bus, waiting up to two minutes: its exit code, -1 when it did
    // not end; its output in `log`.
    int runChild(const QString& test, QString& log);

private:
    QString folder_, missing_, address_;
    std::unique_ptr<VirtualDisplay> display_;
    QProcess daemon_, launcher_;
};

// True in the copy that AccessBus::runChild started.
bool isBusChild();

// One event an assistive tool received, as it came: what happened
// ("focus", "description", "caret"), to which control, and for a
// description, the words it carried (or that it carried an object in the
// place of the words, as Qt 6.4 sends it); for the focus on an entry of a
// list or table, the list or table and the entry's name.
struct BusEvent {
    QString kind;
    QWidget* control = nullptr;
    QString words;
    bool object = false;
};

// An assistive tool on the bus of this process's own program: registered
// with the registry for the events a screen reader listens to, it receives
// what the program sends, from the program's own connection.
class BusTool : public QObject {
    Q_OBJECT
public:
    BusTool();
    ~BusTool() override;

    // False when the program is not on a bus, or the tool could not join.
    bool ready() const { return ready_; }
    // What arrived since the last call, in order: everything the program
    // sent before the call has arrived when it returns.
    QList<BusEvent> take();

private slots:
    void received(const QDBusMessage& m);

private:
    bool sync();
    QDBusConnection tool_;
    QString program_;
    QList<BusEvent> events_;
    int sent_ = 0, marked_ = 0;
    bool ready_ = false;
};

}  // namespace wktest
