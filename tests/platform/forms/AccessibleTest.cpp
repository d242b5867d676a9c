// What assistive tools are told of the focus: only where it is.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTreeWidget>
#include <functional>

#include "platform/forms/Accessible.h"
#include "support/Access.h"

namespace {

// Tells of a view's first entry taking the focus, as Qt does.
void toldOfEntry(QWidget* view) {
    QAccessibleEvent e(view, QAccessible::Focus);
    e.setChild(0);
    QAccessible::updateAccessibility(&e);
}

// An item view taking the focus makes an entry current and tells of it
// before Qt tells of the view.
class EntryFirst : public QObject {
protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::FocusIn) toldOfEntry(static_cast<QWidget*>(o));
        return false;
    }
};

// Qt tells of a focus a control does not have (one cleared, one given it
// while hidden, a tree whose current entry code sets): the tools hear of the
// focus only on the shown control that has it, once while it stays there,
// of a list's or tree's entry only after the list itself, and of a menu's
// entries as Qt tells them.
TEST(Heard, TheFocusIsToldOnlyWhereItIs) {
    forms::installAccessibility();
    QWidget window;
    auto* first = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    auto* hidden = new QLineEdit(&window);
    auto* tree = new QTreeWidget(&window);
    first->setObjectName("first");
    second->setObjectName("second");
    tree->setObjectName("tree");
    tree->addTopLevelItem(new QTreeWidgetItem(QStringList{"page"}));
    EntryFirst entryFirst;
    QMenu menu;
    menu.setObjectName("menu");
    menu.addAction("entry");
    window.show();
    hidden->hide();
    QApplication::setActiveWindow(&window);
    first->setFocus();
    const struct {
        const char* what;
        std::function<void()> act;
        QStringList heard;
    } cases[] = {
        {"to a shown control", [&] { second->setFocus(); }, {"second"}},
        {"cleared", [&] { second->clearFocus(); }, {}},
        {"given back", [&] { second->setFocus(); }, {}},
        {"to a hidden control", [&] { hidden->setFocus(); }, {}},
        {"a tree's entry set by code", [&] { toldOfEntry(tree); }, {}},
        {"to a menu's entry",
         [&] {
             menu.popup(window.mapToGlobal(QPoint(5, 5)));
             toldOfEntry(&menu);
             menu.close();
         },
         {"menu/cell"}},
        {"to a tree, which makes its entry current",
         [&] {
             tree->installEventFilter(&entryFirst);
             tree->setFocus();
         },
         {"tree"}},
        {"to the tree's entry", [&] { toldOfEntry(tree); }, {"tree/cell"}},
    };
    for (const auto& c : cases) {
        wktest::ReaderLog log;
        c.act();
        EXPECT_EQ(log.focus(), c.heard) << c.what;
    }
}

// A list entry is heard as a check box only where it shows one: Qt lets
// the user tick every entry of a QListWidget, ticked or not, whether it
// shows a box or not (the font list, the questions to revise).
TEST(Heard, AListEntryIsACheckBoxOnlyWhereItShowsOne) {
    forms::installAccessibility();
    QListWidget list;
    list.addItem("plain");
    for (Qt::CheckState state : {Qt::Checked, Qt::Unchecked})
        (new QListWidgetItem("box", &list))->setCheckState(state);
    list.show();
    QAccessibleTableInterface* entries = QAccessible::queryAccessibleInterface(&list)->tableInterface();
    ASSERT_NE(entries, nullptr);
    const struct {
        QAccessible::Role role;
        bool checkable, checked;
    } rows[] = {{QAccessible::ListItem, false, false},
                {QAccessible::CheckBox, true, true},
                {QAccessible::CheckBox, true, false}};
    for (int r = 0; r < 3; ++r) {
        QAccessibleInterface* entry = entries->cellAt(r, 0);
        ASSERT_NE(entry, nullptr) << r;
        EXPECT_EQ(entry->role(), rows[r].role) << r;
        EXPECT_EQ(entry->state().checkable, rows[r].checkable) << r;
        EXPECT_EQ(entry->state().checked, rows[r].checked) << r;
        EXPECT_EQ(entry->actionInterface() != nullptr, rows[r].checkable) << r;
    }
}

}  // namespace
