#include "support/Access.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>

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

}  // namespace

QStringList tabWalk(QWidget* first, int limit) {
    QWidget* window = first->window();
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    first->setFocus(Qt::TabFocusReason);
    QWidget* home = first;
    while (home->focusProxy()) home = home->focusProxy();
    QList<QWidget*> seen;
    bool back = false;
    for (int i = 0; i < limit && !back; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus) break;
        if (!seen.contains(focus)) seen << focus;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
        QApplication::sendEvent(focus, &press);
        QApplication::sendEvent(focus, &release);
        back = QApplication::focusWidget() == home;
    }
    QStringList names;
    for (QWidget* w : seen) names << nameOf(w);
    if (!back) names << QStringLiteral("(stuck)");
    return names;
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

QStringList unnamedControls(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // A list box's own text box is part of it.
        if (!w->isVisibleTo(window) || nameOf(w).startsWith(QLatin1String("qt_")) ||
            qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        // A control whose focus goes to a part of it is named by that part.
        if (w->focusProxy()) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a) continue;
        const bool pressable = a->actionInterface() && !a->actionInterface()->actionNames().isEmpty();
        if (!(w->focusPolicy() & Qt::TabFocus) && !pressable) continue;
        const bool labelled =
            a->role() == QAccessible::ComboBox && !a->relations(QAccessible::Label).isEmpty();
        if (a->text(QAccessible::Name).trimmed().isEmpty() && !labelled) out << nameOf(w);
    }
    return out;
}

}  // namespace wktest
