#include "support/ReaderBus.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>
#include <functional>

#include "support/VirtualDisplay.h"

namespace wktest {

namespace {

const char* const kChild = "WK_READER_BUS_CHILD";
const QString kMarks = QStringLiteral("org.wortkiste.TestMark");
const QString kLauncher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");

using wktest::waitFor;

// A helper process ended with the object, asked first: the launcher then
// ends the bus it started.
struct Helper : QProcess {
    ~Helper() override {
        if (state() == NotRunning) return;
        terminate();
        if (!waitForFinished(5000)) kill();
        waitForFinished();
    }
};

// The accessibility bus, at the address the session names.
QDBusConnection accessBus() {
    const QDBusMessage ask =
        QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress");
    const QString address = QDBusConnection::sessionBus().call(ask).arguments().value(0).toString();
    return QDBusConnection::connectToBus(address, QStringLiteral("wk-bus-tool"));
}

}  // namespace

QString busToolsMissing() {
    QString missing;
    for (const char* tool : {"Xvfb", "dbus-daemon"})
        if (QStandardPaths::findExecutable(tool).isEmpty()) missing += QString(tool) + ' ';
    if (!QFile::exists(kLauncher)) missing += "at-spi2-core";
    return missing.trimmed();
}

int runOnBus(const QString& folder, QString& log) {
    VirtualDisplay display;
    Helper daemon, launcher, child;  // ended in the reverse order
    QFile config(folder + "/session.conf");
    if (display.name().isEmpty() || !config.open(QIODevice::WriteOnly)) {
        log = "no display";
        return -1;
    }
    config.write(
        QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                       "<policy context=\"default\"><allow send_destination=\"*\"/><allow "
                       "eavesdrop=\"true\"/><allow own=\"*\"/>"
                       "</policy></busconfig>\n")
            .arg(folder)
            .toUtf8());
    config.close();
    daemon.start(QStandardPaths::findExecutable("dbus-daemon"),
                 {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    QByteArray line;
    while (!line.contains('\n') && daemon.waitForReadyRead(10000)) line += daemon.readAllStandardOutput();
    const QString session = QString::fromUtf8(line).trimmed();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("AT_SPI_BUS_ADDRESS");
    env.remove("WAYLAND_DISPLAY");
    env.insert("DBUS_SESSION_BUS_ADDRESS", session);
    env.insert("DISPLAY", display.name());
    env.insert("XDG_RUNTIME_DIR", folder);
    env.insert("HOME", folder);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    env.insert(kChild, "1");
    for (QProcess* p : {&launcher, &child}) {
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::MergedChannels);
    }
    // The desktop's launcher of the accessibility bus names that bus on the
    // session bus, where Qt asks for it.
    launcher.start(kLauncher, {"--launch-immediately"});
    const QDBusConnection probe = QDBusConnection::connectToBus(session, QStringLiteral("wk-bus-probe"));
    const bool up = waitFor(
        [&] { return probe.isConnected() && probe.interface()->isServiceRegistered("org.a11y.Bus").value(); },
        10000);
    QDBusConnection::disconnectFromBus(QStringLiteral("wk-bus-probe"));
    if (!up) {
        log = "the bus did not start";
        return -1;
    }
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
    const bool ended = child.waitForFinished(120000);
    log = QString::fromLocal8Bit(child.readAll());
    return ended && child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

bool isBusChild() {
    return qEnvironmentVariableIsSet(kChild);
}

BusTool::BusTool() : tool_(accessBus()) {
    // Qt joins the bus as its event loop runs.
    waitFor([] { return QAccessible::isActive() && QDBusConnection(QStringLiteral("a11y")).isConnected(); },
            10000);
    program_ = QDBusConnection(QStringLiteral("a11y")).baseService();
    if (!tool_.isConnected() || program_.isEmpty()) return;
    for (const QString& kind : {QStringLiteral("org.a11y.atspi.Event.Object"), kMarks})
        tool_.connect(QString(), QString(), kind, QString(), this, SLOT(received(QDBusMessage)));
    // As a screen reader does: the registry tells every program to send these.
    for (const char* kind : {"object:", "focus:"}) {
        QDBusMessage join =
            QDBusMessage::createMethodCall("org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
                                           "org.a11y.atspi.Registry", "RegisterEvent");
        join << QString(kind) << QStringList() << QString();
        if (tool_.call(join).type() == QDBusMessage::ErrorMessage) return;
    }
    // The program has heard of it once an event only its bridge sends arrives.
    ready_ = waitFor(
        [this] {
            QAccessibleEvent probe(qApp, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&probe);
            return sync() && std::any_of(events_.begin(), events_.end(),
                                         [](const BusEvent& e) { return e.kind == QLatin1String("probe"); });
        },
        10000);
    events_.clear();
}

BusTool::~BusTool() {
    QDBusConnection::disconnectFromBus(QStringLiteral("wk-bus-tool"));
}

QList<BusEvent> BusTool::take() {
    sync();
    // Whether a control is seen is judged as the step ends: while working,
    // the program may hide one for a moment.
    for (BusEvent& e : events_)
        if (e.kind == QLatin1String("state") && e.control && !e.control->isVisible() &&
            e.control->window()->isVisible())
            e.kind = QStringLiteral("hidden");
    return std::exchange(events_, {});
}

// A mark sent after everything else on the program's connection arrives
// after it: the bus keeps the order of one sender's messages.
bool BusTool::sync() {
    QDBusMessage mark = QDBusMessage::createSignal(QStringLiteral("/org/wortkiste/mark"), kMarks, "Mark");
    mark << ++sent_;
    if (!QDBusConnection(QStringLiteral("a11y")).send(mark)) return false;
    return waitFor([this] { return marked_ == sent_; }, 10000);
}

void BusTool::received(const QDBusMessage& m) {
    if (m.service() != program_) return;
    const QVariantList args = m.arguments();
    if (m.interface() == kMarks) {
        marked_ = args.value(0).toInt();
        return;
    }
    if (args.size() < 4) return;
    const QString what = args.at(0).toString();
    if (m.path().endsWith(QLatin1String("/root"))) {
        if (m.member() == QLatin1String("PropertyChange") && what == QLatin1String("accessible-name"))
            events_ << BusEvent{QStringLiteral("probe"), nullptr, QString(), false};
        return;
    }
    BusEvent e;
    e.id = m.path().section('/', -1).toUInt();
    QAccessibleInterface* iface = QAccessible::accessibleInterface(e.id);
    QAccessibleInterface* own = iface;  // the control, for an entry the list or table it is in
    while (own && !qobject_cast<QWidget*>(own->object())) own = own->parent();
    if (own) known_[e.id] = static_cast<QWidget*>(own->object());
    e.control = known_.value(e.id);
    if (m.member() == QLatin1String("PropertyChange") && what == QLatin1String("accessible-description")) {
        const QVariant data = qvariant_cast<QDBusVariant>(args.at(3)).variant();
        e.kind = QStringLiteral("description");
        e.object = data.metaType() != QMetaType::fromType<QString>();
        e.words = data.toString();
    } else if (m.member() == QLatin1String("StateChanged") && what == QLatin1String("focused") &&
               args.at(1).toInt() == 1) {
        e.kind = QStringLiteral("focus");
        if (own != iface) e.words = iface->text(QAccessible::Name);
    } else if (m.member() == QLatin1String("TextCaretMoved")) {
        e.kind = QStringLiteral("caret");
    } else if (m.member() == QLatin1String("StateChanged") && what == QLatin1String("checked")) {
        e.kind = QStringLiteral("ticked");
        e.words = args.at(1).toInt() ? QStringLiteral("checked") : QStringLiteral("not checked");
    } else if (m.member() == QLatin1String("StateChanged") && what != QLatin1String("showing") &&
               what != QLatin1String("focused")) {
        e.kind = QStringLiteral("state");
    } else {
        return;
    }
    events_ << e;
}

}  // namespace wktest
