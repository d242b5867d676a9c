#include "platform/forms/DescriptionWords.h"

#include <QAccessible>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

// An object on the bus as AT-SPI names it: the sender's bus name and a path.
struct BusObject {
    QString service;
    QDBusObjectPath path;
};

QDBusArgument& operator<<(QDBusArgument& a, const BusObject& o) {
    a.beginStructure();
    a << o.service << o.path;
    a.endStructure();
    return a;
}

const QDBusArgument& operator>>(const QDBusArgument& a, BusObject& o) {
    a.beginStructure();
    a >> o.service >> o.path;
    a.endStructure();
    return a;
}

}  // namespace

Q_DECLARE_METATYPE(BusObject)

namespace forms {

bool sendDescriptionWords(QAccessibleInterface* control) {
    // Qt's bridge names its connection so; its paths are the accessible ids.
    const QDBusConnection bus(QStringLiteral("a11y"));
    if (!bus.isConnected() || !control || !control->isValid()) return false;
    static const QMetaType registered = qDBusRegisterMetaType<BusObject>();
    (void)registered;
    const QString path =
        QStringLiteral("/org/a11y/atspi/accessible/") + QString::number(QAccessible::uniqueId(control));
    QDBusMessage change = QDBusMessage::createSignal(path, QStringLiteral("org.a11y.atspi.Event.Object"),
                                                     QStringLiteral("PropertyChange"));
    // Kind, two numbers, the new value, and the program the control is in.
    change << QStringLiteral("accessible-description") << 0 << 0
           << QVariant::fromValue(QDBusVariant(control->text(QAccessible::Description)))
           << QVariant::fromValue(BusObject{
                  bus.baseService(), QDBusObjectPath(QStringLiteral("/org/a11y/atspi/accessible/root"))});
    return bus.send(change);
}

}  // namespace forms
