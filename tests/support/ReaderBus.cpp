#include "support/ReaderBus.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QWidget>
#include <functional>

namespace wktest {

namespace {

const char* const kChild = "WK_READER_BUS_CHILD";
const QString kMarks = QStringLiteral("org.wortkiste.TestMark");

// Runs the event loop until done() holds or ms have passed.
bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (!p.waitForFinished(5000)) p.kill();
    p.waitForFinished();
}

}  // namespace

AccessBus::AccessBus(const QString& folder) : folder_(folder) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    const QString launcher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
    for (const auto& [what, found] :
         {std::pair{QStringLiteral("Xvfb"), !QStandardPaths::findExecutable("Xvfb").isEmpty()},
          std::pair{QStringLiteral("dbus-daemon"), !daemon.isEmpty()},
          std::pair{QStringLiteral("at-spi2-core"), QFile::exists(launcher)}})
        if (!found) missing_ += what + QLatin1Char(' ');
    if (!missing_.isEmpty()) return;
    display_ = std::make_unique<VirtualDisplay>();
    if (display_->name().isEmpty()) return;
    // A session bus, its socket in the folder.
    QFile config(folder_ + "/session.conf");
    if (!config.open(QIODevice::WriteOnly)) return;
    config.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                       "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                       "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
            .arg(folder_)
            .toUtf8());
    config.close();
    daemon_.start(daemon, {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    if (!daemon_.waitForStarted(10000)) return;
    QByteArray line;
    while (!line.contains('\n') && daemon_.waitForReadyRead(10000)) line += daemon_.readAllStandardOutput();
    const QString session = QString::fromUtf8(line).trimmed();
    if (session.isEmpty()) return;
    // The desktop's launcher of the accessibility bus: it starts the bus
    // (its socket in the runtime folder) and names it on the session bus,
    // where Qt asks for it; the bus starts AT-SPI's registry when asked.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", session);
    env.insert("DISPLAY", display_->name());
    env.insert("XDG_RUNTIME_DIR", folder_);
    env.insert("HOME", folder_);
    env.remove("AT_SPI_BUS_ADDRESS");
    launcher_.setProcessEnvironment(env);
    launcher_.setProcessChannelMode(QProcess::MergedChannels);
    launcher_.start(launcher, {"--launch-immediately"});
    if (!launcher_.waitForStarted(10000)) return;
    const QDBusConnection probe = QDBusConnection::connectToBus(session, QStringLiteral("wk-bus-probe"));
    const bool up = waitFor(
        [&] {
            return probe.isConnected() &&
                   probe.interface()->isServiceRegistered(QStringLiteral("org.a11y.Bus")).value();
        },
        10000);
    QDBusConnection::disconnectFromBus(QStringLiteral("wk-bus-probe"));
    if (up) address_ = session;
}

AccessBus::~AccessBus() {
    stop(launcher_);
    stop(daemon_);
}

int AccessBus::runChild(const QString& test, QString& log) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", display_->name());
    env.remove("WAYLAND_DISPLAY");
    env.remove("AT_SPI_BUS_ADDRESS");
    env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    env.insert(kChild, "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + test});
    const bool ended = child.waitForStarted(10000) && child.waitForFinished(120000);
    if (!ended) stop(child);
    log = QString::fromLocal8Bit(child.readAll());
    return ended && child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

bool isBusChild() {
    return qEnvironmentVariableIsSet(kChild);
}

namespace {

// The accessibility bus's address, as the session names it.
QString accessBusAddress() {
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    return QDBusConnection::sessionBus().call(ask).arguments().value(0).toString();
}

}  // namespace

BusTool::BusTool() : tool_(QDBusConnection::connectToBus(accessBusAddress(), QStringLiteral("wk-bus-tool"))) {
    // Qt joins the bus as its event loop runs.
    waitFor([] { return QAccessible::isActive() && QDBusConnection(QStringLiteral("a11y")).isConnected(); },
            10000);
    program_ = QDBusConnection(QStringLiteral("a11y")).baseService();
    if (!tool_.isConnected() || program_.isEmpty()) return;
    for (const QString& kind : {QStringLiteral("org.a11y.atspi.Event.Object"), kMarks})
        tool_.connect(QString(), QString(), kind, QString(), this, SLOT(received(QDBusMessage)));
    // As a screen reader does: the registry tells the program, which from
    // then on sends these.
    for (const QString& kind : {QStringLiteral("object:"), QStringLiteral("focus:")}) {
        QDBusMessage join = QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
        join << kind << QStringList() << QString();  // from every program
        if (tool_.call(join).type() == QDBusMessage::ErrorMessage) return;
    }
    // The program hears of it over the bus: an event only the program's
    // bridge sends shows that it listens.
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
    return std::exchange(events_, {});
}

// A mark sent after everything else on the program's connection comes to
// the tool after it: the bus keeps the order of one sender's messages.
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
    QAccessibleInterface* iface = QAccessible::accessibleInterface(m.path().section('/', -1).toUInt());
    QAccessibleInterface* own = iface;  // the control, for an entry the list or table it is in
    while (own && !qobject_cast<QWidget*>(own->object())) own = own->parent();
    BusEvent e;
    e.control = own ? static_cast<QWidget*>(own->object()) : nullptr;
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
    } else {
        return;
    }
    events_ << e;
}

}  // namespace wktest
