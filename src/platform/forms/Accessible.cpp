#include "platform/forms/Accessible.h"
#include "platform/forms/ItemViewAccessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

namespace forms {
namespace {

// A list box as Qt shows it to assistive tools (its list and its text box
// as children, the pop-up as its action), named by its name rather than
// by the entry it shows; the entry is its value.
class ComboBoxAccessible : public QAccessibleWidget {
public:
    explicit ComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value || (t == QAccessible::Name && box()->accessibleName().isEmpty()))
            return box()->isEditable() ? box()->lineEdit()->text() : box()->currentText();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return box()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0) return QAccessible::queryAccessibleInterface(box()->view());
        if (index == 1 && box()->isEditable())
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        if (child->object() == box()->view()) return 0;
        if (box()->isEditable() && child->object() == box()->lineEdit()) return 1;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (!box()->isEditable()) return nullptr;
        const QLineEdit* edit = box()->lineEdit();
        return QRect(edit->mapToGlobal(QPoint(0, 0)), edit->size()).contains(x, y) ? child(1) : nullptr;
    }
    // The text box hands its focus to the list box, yet is what is typed in.
    QAccessibleInterface* focusChild() const override { return box()->isEditable() ? child(1) : nullptr; }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) return;
        if (box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

// A box whose focus goes to an inner part: that part reports the focus, and
// lends its name when the box has none.
class FocusHandingAccessible : public QAccessibleWidget {
public:
    FocusHandingAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (widget()->focusProxy()) s.focused = false;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty() && widget()->focusProxy())
            s = widget()->focusProxy()->accessibleName();
        return s;
    }
};

// A picture that is pressed like a button (the property wkPictureButton
// set, and a slot press()).
class PictureButtonAccessible : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction() && widget()->isEnabled()) QMetaObject::invokeMethod(widget(), "press");
    }
};

// A header that takes the focus as one control (the property
// wkColumnHeader set): a column header named after the column it is on, not
// a table of its own whose parts never hold the focus.
class ColumnHeaderAccessible : public QAccessibleWidget {
public:
    explicit ColumnHeaderAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::ColumnHeader) {}
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

QAccessibleInterface* factory(const QString& className, QObject* o) {
    if (!o || !o->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(o);
    if (className == QLatin1String("QComboBox")) return new ComboBoxAccessible(static_cast<QComboBox*>(w));
    if (className == QLatin1String("grid::Grid")) return new FocusHandingAccessible(w, QAccessible::Client);
    if (className == QLatin1String("QDialogButtonBox"))
        return new FocusHandingAccessible(w, QAccessible::Grouping);
    if (className == QLatin1String(o->metaObject()->className()) && o->property("wkPictureButton").toBool())
        return new PictureButtonAccessible(w);
    if (className == QLatin1String("QHeaderView") && o->property("wkColumnHeader").toBool())
        return new ColumnHeaderAccessible(w);
    return itemViewAccessible(className, o);
}

// The control (and its entry) the tools last heard had the focus.
struct Told {
    QPointer<QObject> control;
    int child = -1;
};
Told g_told;

// Qt tells the tools of a focus that a control does not have: one that
// loses it (cleared, or disabled with its window), one given it while
// hidden, a tree whose current entry is set by code. The tools announce each
// as if the user had gone there. They hear of the focus only where it is,
// on a shown control, and once for as long as it stays there (the focus
// cleared and given back on the way is no news); of a list's or table's
// entry once they have heard of the list (Qt tells of the entry a list
// makes current as it takes the focus before it tells of the list); of a
// pop-up menu's entries as Qt says.
void tellTools(QAccessibleEvent* event) {
    if (event->type() == QAccessible::Focus) {
        if (auto* w = qobject_cast<QWidget*>(event->object()); w && w->window()->windowType() != Qt::Popup) {
            if (w != QApplication::focusWidget() || !w->isVisible()) return;
            if (g_told.control == w && g_told.child == event->child()) return;
            if (event->child() >= 0 && g_told.control != w) return;
        }
        g_told = {event->object(), event->child()};
    }
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&tellTools);
}

}  // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        QAccessible::installUpdateHandler(&tellTools);
        // Back from another program the focus is news again.
        QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp, [](Qt::ApplicationState s) {
            if (s != Qt::ApplicationActive) g_told = {};
        });
        return true;
    }();
    (void)installed;
}

void nameBox(QWidget* box, const QString& name) {
    if (!box) return;
    box->setAccessibleName(name);
    if (QWidget* inner = box->focusProxy()) inner->setAccessibleName(name);
    if (auto* list = qobject_cast<QComboBox*>(box); list && list->lineEdit())
        list->lineEdit()->setAccessibleName(name);
}

}  // namespace forms
