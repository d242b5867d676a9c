#include "platform/forms/Accessible.h"
#include "platform/forms/ItemViewAccessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

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

}  // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
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
