#include "support/Access.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMap>
#include <QRegularExpression>
#include <algorithm>
#include <tuple>

#include <dlfcn.h>

#include "support/ReaderBus.h"

namespace wktest {

namespace {

// A control's own name, or that of the nearest named control it belongs to
// (a grid's view is the grid's focus proxy).
QString nameOf(const QWidget* w) {
    const QString suffix = qobject_cast<const QHeaderView*>(w) && w->objectName().isEmpty() ? ".header" : "";
    for (; w; w = w->parentWidget())
        if (!w->objectName().isEmpty()) return w->objectName() + suffix;
    return {};
}

// The controls Tab (or Shift+Tab) takes the focus to from `first`, until
// it comes back; "(stuck)" at the end when it does not.
QStringList walk(QWidget* first, int limit, bool backwards) {
    QWidget* window = first->window();
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    first->setFocus(Qt::TabFocusReason);
    QWidget* home = first;
    while (home->focusProxy()) home = home->focusProxy();
    const Qt::Key key = backwards ? Qt::Key_Backtab : Qt::Key_Tab;
    const Qt::KeyboardModifiers modifiers = backwards ? Qt::ShiftModifier : Qt::NoModifier;
    QList<QWidget*> seen;
    bool round = false;
    for (int i = 0; i < limit && !round; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus) break;
        if (!seen.contains(focus)) seen << focus;
        QKeyEvent press(QEvent::KeyPress, key, modifiers, QStringLiteral("\t"));
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, QStringLiteral("\t"));
        QApplication::sendEvent(focus, &press);
        QApplication::sendEvent(focus, &release);
        round = QApplication::focusWidget() == home;
    }
    QStringList names;
    for (QWidget* w : seen) names << nameOf(w);
    if (!round) names << QStringLiteral("(stuck)");
    return names;
}

}  // namespace

QStringList tabWalk(QWidget* first, int limit) {
    QStringList order = walk(first, limit, false);
    const QStringList back = walk(first, limit, true);
    QStringList mirrored{order.value(0)};
    for (qsizetype i = order.size() - 1; i > 0; --i) mirrored << order[i];
    if (!order.contains(QStringLiteral("(stuck)")) && back != mirrored)
        order << QStringLiteral("(Shift+Tab: %1)").arg(back.join(QStringLiteral(", ")));
    return order;
}

QString focusedControl(const QWidget* window) {
    const QWidget* f = window->focusWidget();
    return f && f->isVisible() && f->isEnabled() ? nameOf(f) : QString();
}

void keyTo(QWidget* w, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

QStringList missedByTab(QWidget* first, const QStringList& names) {
    const QStringList walk = tabWalk(first);
    QStringList missed;
    for (const QString& name : names)
        for (QWidget* w : first->window()->findChildren<QWidget*>(name))
            if (w->isVisible() && w->isEnabled() && !walk.contains(name) && !missed.contains(name))
                missed << name;
    return missed;
}

namespace {

QString roleWords(QAccessible::Role role) {
    static const QMap<QAccessible::Role, QString> roles = {
        {QAccessible::PushButton, "button"},  {QAccessible::Button, "button"},
        {QAccessible::CheckBox, "check box"}, {QAccessible::RadioButton, "option"},
        {QAccessible::ComboBox, "list box"},  {QAccessible::EditableText, "text"},
        {QAccessible::Table, "table"},        {QAccessible::List, "list"},
        {QAccessible::Graphic, "picture"},    {QAccessible::Client, "panel"},
        {QAccessible::Grouping, "group"},     {QAccessible::Window, "window"},
        {QAccessible::Dialog, "dialog"},      {QAccessible::Tree, "tree"},
        {QAccessible::ListItem, "entry"},     {QAccessible::TreeItem, "entry"},
        {QAccessible::Cell, "cell"},          {QAccessible::Border, "frame"},
        {QAccessible::Separator, "line"},
    };
    return roles.value(role, QString::number(int(role), 16));
}

}  // namespace

QString heard(QWidget* w) {
    QAccessibleInterface* a = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    if (!a) return {};
    return roleWords(a->role()) + ": " + a->text(QAccessible::Name);
}

QStringList framedControls(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy()) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        for (a = a ? a->parent() : nullptr; a && a->object() != window; a = a->parent())
            if (a->role() == QAccessible::Border || a->role() == QAccessible::Window) {
                out << nameOf(w);
                break;
            }
    }
    return out;
}

QStringList focusedElsewhere(QWidget* window) {
    QStringList out;
    const QWidget* focus = QApplication::focusWidget();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // A part that hands its focus up to the control it belongs to (a
        // table's viewport) is that control to the tools.
        if (!w->isVisibleTo(window) || (w->focusProxy() && w->focusProxy()->isAncestorOf(w))) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a) continue;
        if (a->state().focused && w != focus) out << nameOf(w);
        // The entries of a list or table: the current one only while the
        // list has the focus.
        if (auto* t = a->tableInterface(); t && w != focus) {
            for (int r = 0; r < std::min(t->rowCount(), 50); ++r)
                for (int c = 0; c < std::min(t->columnCount(), 20); ++c)
                    if (QAccessibleInterface* cell = t->cellAt(r, c); cell && cell->state().focused) {
                        out << nameOf(w) + "/" + QString::number(r) + "," + QString::number(c);
                        r = 1 << 20;
                        break;
                    }
        }
    }
    return out;
}

QStringList unnamedControls(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || nameOf(w).startsWith(QLatin1String("qt_"))) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a) continue;
        const bool pressable = a->actionInterface() && !a->actionInterface()->actionNames().isEmpty();
        // A list box's text box takes no focus of its own, yet is what is typed in.
        const bool typedIn = qobject_cast<QComboBox*>(w->parentWidget()) != nullptr;
        if (!(w->focusPolicy() & Qt::TabFocus) && !pressable && !typedIn) continue;
        const QString name = a->text(QAccessible::Name);
        // A list box reads its entry as its value (a list or table gives its
        // name there too).
        const bool valueAsName = a->role() == QAccessible::ComboBox && !name.isEmpty() &&
                                 name == a->text(QAccessible::Value) && w->accessibleName().isEmpty();
        // No name, a value read as the name, signs (">>", "...") or a blank
        // or colon read aloud, or a picture the focus rests on.
        const bool signs = !name.contains(QRegularExpression(QStringLiteral("\\w")));
        if (name.trimmed().isEmpty() || valueAsName || signs || name != name.trimmed() ||
            name.endsWith(QLatin1Char(':')) || (a->role() == QAccessible::Graphic))
            out << nameOf(w);
    }
    return out;
}

namespace {
ReaderLog* g_log = nullptr;
bool g_readerRunning = false;
}  // namespace

ReaderRunning::ReaderRunning() {
    g_readerRunning = true;
}

ReaderRunning::~ReaderRunning() {
    g_readerRunning = false;
}

ReaderLog::ReaderLog() {
    g_log = this;
}

ReaderLog::~ReaderLog() {
    g_log = nullptr;
}

void ReaderLog::heard(QAccessibleEvent* event) {
    auto* w = qobject_cast<QWidget*>(event->object());
    if (!g_log || !w) return;
    if (QAccessibleInterface* a = event->accessibleInterface()) {
        const QString what = roleWords(a->role()) + " '" + a->text(QAccessible::Name) + "'";
        if (event->type() == QAccessible::Focus) g_log->carried_ << "focus: " + what;
        if (event->type() == QAccessible::TextCaretMoved) g_log->carried_ << "caret: " + what;
        if (event->type() == QAccessible::TextSelectionChanged) g_log->carried_ << "selection: " + what;
        if (event->type() == QAccessible::DescriptionChanged)
            g_log->carried_ << "described: " + what + ": " + a->text(QAccessible::Description);
        if (event->type() == QAccessible::StateChanged &&
            static_cast<QAccessibleStateChangeEvent*>(event)->changedStates().checked)
            g_log->carried_ << "ticked: " + what + (a->state().checked ? " on" : " off");
    }
    if (QAccessibleInterface* o = QAccessible::queryAccessibleInterface(w)) {
        QStringList& told = g_log->told_[o->text(QAccessible::Name)];
        const QAccessible::Event type = event->type();
        if (type == QAccessible::ObjectShow) told << "shown";
        if (type == QAccessible::NameChanged && event->child() < 0) {
            told << "name";
            g_log->renamed_ << nameOf(w) + (w->isVisible() ? QString() : QStringLiteral(" (hidden)"));
        }
        if (type == QAccessible::DescriptionChanged && event->child() < 0) told << "description";
        if (type == QAccessible::ValueChanged) told << "value";
        if (type == QAccessible::Selection || type == QAccessible::SelectionAdd ||
            type == QAccessible::SelectionRemove)
            told << QString("entry %1 chosen").arg(event->child());
        if (type == QAccessible::StateChanged && event->child() >= 0 && event->accessibleInterface())
            told << QString("entry %1 ").arg(event->child()) +
                        (event->accessibleInterface()->state().checked ? "ticked" : "cleared");
        if (type == QAccessible::StateChanged && event->child() < 0) {
            const QAccessible::State changed =
                                         static_cast<QAccessibleStateChangeEvent*>(event)->changedStates(),
                                     now = o->state();
            const std::tuple<const char*, bool, bool> named[] = {
                {"active", changed.active, now.active},
                {"checked", changed.checked, now.checked},
                {"disabled", changed.disabled, now.disabled}};
            QString states = "states";
            for (const auto& [name, isChanged, isNow] : named)
                if (isChanged) states += (isNow ? " +" : " -") + QString(name);
            told << (states == "states" ? "states (other)" : states);
        }
    }
    if (event->type() != QAccessible::Focus) return;
    g_log->focus_ << nameOf(w) + (event->child() >= 0 ? QStringLiteral("/cell") : QString()) +
                         (w->isVisible() ? QString() : QStringLiteral(" (hidden)"));
}

}  // namespace wktest

namespace {

// Qt's own function of this mangled name, the one these stand in front of,
// in a copy of the test on a bus of its own (ReaderBus.h): it tells the
// tools as the program does. Null elsewhere.
template <typename F>
F qtsOwn(const char* name) {
    return wktest::isBusChild() ? reinterpret_cast<F>(dlsym(RTLD_NEXT, name)) : nullptr;
}

}  // namespace

// Whether a screen reader listens: Qt's widgets ask before they tell of
// some changes. Found before Qt's own, which says no on the offscreen
// platform.
bool QAccessible::isActive() {
    static const auto qts = qtsOwn<bool (*)()>("_ZN11QAccessible8isActiveEv");
    return qts ? qts() : wktest::g_readerRunning;
}

// Qt hands every event for assistive tools to this function, which drops
// them on a platform without tools (offscreen). Found before Qt's own, this
// one does what Qt's does, with the log standing in for the tools.
void QAccessible::updateAccessibility(QAccessibleEvent* event) {
    static const auto qts =
        qtsOwn<void (*)(QAccessibleEvent*)>("_ZN11QAccessible19updateAccessibilityEP16QAccessibleEvent");
    if (qts) return qts(event);
    // As Qt's: the event's interface is asked for first (which makes the
    // interface of an entry the event names), and a table learns of its
    // model's changes.
    QAccessibleInterface* a = event->accessibleInterface();
    if (!a) return;
    if (event->type() == QAccessible::TableModelChanged && a->tableInterface())
        a->tableInterface()->modelChange(static_cast<QAccessibleTableModelChangeEvent*>(event));
    const UpdateHandler handler = installUpdateHandler(nullptr);
    installUpdateHandler(handler);
    if (handler)
        handler(event);
    else
        wktest::ReaderLog::heard(event);
}
