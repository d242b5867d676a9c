// What assistive tools are told of the focus: only where it is.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>
#include <QWindow>
#include <functional>

#include "platform/forms/Accessible.h"
#include "support/Access.h"

namespace {

// Tells of a view's entry (by Qt's number) taking the focus, as Qt does.
void toldOfEntry(QWidget* view, int child = 0) {
    QAccessibleEvent e(view, QAccessible::Focus);
    e.setChild(child);
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
// of a list's or tree's current entry right after the list itself, and of
// a menu's entries as Qt tells them.
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
         {"tree", "tree/cell"}},
        {"to the tree's entry again", [&] { toldOfEntry(tree, 1); }, {}},  // 0 is the header
    };
    for (const auto& c : cases) {
        wktest::ReaderLog log;
        c.act();
        EXPECT_EQ(log.focus(), c.heard) << c.what;
    }
}

// A control nobody sees tells the tools nothing while hidden (a reader
// worked through seconds of it as a database opened); shown, it tells the
// states that differ from what the tools heard, after it is shown, once,
// and its value is read afresh. A window's activation is told as it comes.
// So are its name and description, where they changed.
TEST(Heard, AHiddenControlTellsWhatChangedOnceShown) {
    forms::installAccessibility();
    wktest::ReaderRunning reader;
    QWidget window, other;
    auto* box = new QCheckBox("Tick", &window);
    auto* list = new QListWidget(&window);
    auto* panel = new QWidget(&window);
    auto* slider = new QSlider(panel);
    auto* label = new QLabel(panel);
    list->setAccessibleName("List");
    list->addItems({"one", "two", "three"});
    list->item(2)->setCheckState(Qt::Unchecked);
    QAccessible::queryAccessibleInterface(list)->tableInterface()->cellAt(2, 0);  // the tools know it
    slider->setAccessibleName("Slider");
    other.setAccessibleName("Other");
    window.show();
    const auto tick = [&](Qt::CheckState state) { list->item(2)->setCheckState(state); };
    const auto describe = [&](const char* words) { box->setAccessibleDescription(words); };
    const struct {
        const char* what;
        QWidget* hidden;  // while it acts
        QString name;
        std::function<void()> act;
        QStringList told;
    } cases[] = {
        {"ticked", box, "Tick", [&] { box->setChecked(true); }, {"shown", "states +checked"}},
        {"cleared, ticked", box, "Tick", [&] { box->setChecked(false), box->setChecked(true); }, {"shown"}},
        {"disabled, enabled", box, "Tick", [&] { box->setEnabled(false), box->setEnabled(true); }, {"shown"}},
        {"disabled, cleared",
         box,
         "Tick",
         [&] { box->setEnabled(false), box->setChecked(false); },
         {"shown", "states +disabled", "states -checked"}},
        {"shown again", box, "Tick", [] {}, {"shown"}},
        {"an entry chosen", list, "List", [&] { list->setCurrentRow(1); }, {"shown", "entry 1 chosen"}},
        {"shown again", list, "List", [] {}, {"shown"}},
        // An entry's tick is told on the entry.
        {"entry ticked", list, "List", [&] { tick(Qt::Checked); }, {"shown", "entry 2 ticked"}},
        {"entry cleared", list, "List", [&] { tick(Qt::Unchecked); }, {"shown", "entry 2 cleared"}},
        {"entry ticked, cleared", list, "List", [&] { tick(Qt::Checked), tick(Qt::Unchecked); }, {"shown"}},
        {"moved, its panel hidden", panel, "Slider", [&] { slider->setValue(5); }, {"shown"}},
        {"renamed twice", panel, "b", [&] { label->setText("a"), label->setText("b"); }, {"shown", "name"}},
        {"described twice", box, "Tick", [&] { describe("a"), describe("b"); }, {"shown", "description"}},
        {"a window deactivated once hidden",
         &other,
         "Other",
         [&] {
             other.show();
             other.hide();
             QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);  // the desktop, after
             QCoreApplication::sendEvent(other.windowHandle(), &out);
         },
         {"shown", "states -active", "shown"}},
    };
    for (const auto& c : cases) {
        wktest::ReaderLog log;
        c.hidden->hide();
        c.act();
        c.hidden->show();
        EXPECT_EQ(log.toldOf(c.name), c.told) << c.name.toStdString() << ": " << c.what;
    }
}

// A progress passing in a shown label tells the tools nothing; as it ends,
// the text it ends on, once, where it differs from the one it began with.
TEST(Heard, AProgressTellsTheTextItEndsOnOnce) {
    forms::installAccessibility();
    wktest::ReaderRunning reader;
    QWidget window;
    auto* label = new QLabel("Kurs", &window);
    label->setObjectName("label");
    window.show();
    for (const auto& [end, renamed] :
         {std::pair{"Kurs", QStringList()}, std::pair{"Done", QStringList{"label"}}}) {
        wktest::ReaderLog log;
        {
            const forms::QuietProgress progress{label};
            for (int p = 0; p <= 100; p += 25) label->setText(QString::number(p) + "%");
            label->setText(end);
        }
        EXPECT_EQ(log.renamed(), renamed) << end;
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

// A plain frame around controls is a panel (as a frame, a screen reader
// took it for an inactive window and kept quiet in it), one drawn as a
// line a separator, a window of the dialog kind a dialog.
TEST(Heard, ContainersAreWhatTheyAre) {
    forms::installAccessibility();
    QFrame panel, line;
    line.setFrameShape(QFrame::HLine);
    QWidget dialog(nullptr, Qt::Dialog);
    const std::pair<QWidget*, QAccessible::Role> cases[] = {
        {&panel, QAccessible::Grouping}, {&line, QAccessible::Separator}, {&dialog, QAccessible::Dialog}};
    for (const auto& [w, role] : cases)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(w)->role(), role) << wktest::heard(w).toStdString();
}

// A tree numbers its children as Qt's own does: the header row, then each
// shown row's cells, none left over.
TEST(Heard, ATreeHasAChildForEachCellItShows) {
    forms::installAccessibility();
    QTreeWidget tree;
    tree.setColumnCount(2);
    for (const char* row : {"row 1", "row 2", "row 3"}) tree.addTopLevelItem(new QTreeWidgetItem({row, row}));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&tree);
    ASSERT_EQ(a->childCount(), 8);
    for (int i = 0; i < 8; ++i) EXPECT_NE(a->child(i), nullptr) << i;
    EXPECT_EQ(a->child(7)->text(QAccessible::Name), "row 3");
}

// A text box Tab reaches is heard taking the focus: the caret it moves and
// the text it selects on the way (a reader adopted the box quietly on
// them) are told once the focus has been; the selection it clears as the
// focus leaves is not news ("unselected").
TEST(Heard, ATextBoxIsHeardWhenTabReachesIt) {
    forms::installAccessibility();
    wktest::ReaderRunning reader;
    QWidget window;
    auto* first = new QPushButton("first", &window);
    auto* points = new QLineEdit("10", &window);
    points->setAccessibleName("Points");
    window.show();
    QApplication::setActiveWindow(&window);
    first->setFocus();
    const struct {
        const char* what;
        std::function<void()> act;
        QStringList carried;
    } cases[] = {
        {"Tab", [&] { wktest::keyTo(first, Qt::Key_Tab); }, {"focus: text 'Points'"}},
        {"End", [&] { wktest::keyTo(points, Qt::Key_End); }, {"selection: text 'Points'"}},
        {"Home", [&] { wktest::keyTo(points, Qt::Key_Home); }, {"caret: text 'Points'"}},
        {"Tab away", [&] { wktest::keyTo(points, Qt::Key_Tab); }, {"focus: button 'first'"}},
    };
    for (const auto& c : cases) {
        wktest::ReaderLog log;
        c.act();
        EXPECT_EQ(log.carried(), c.carried) << c.what;
    }
}

// A text box's and a list box's words are one run of the same attributes:
// a reader that reads a line run by run heard "Kurs" as "Kur" (Qt gave
// each letter an empty run of its own).
TEST(Heard, ATextIsReadToItsLastLetter) {
    forms::installAccessibility();
    QLineEdit box("Kurs");
    QComboBox list;
    list.addItems({"Ort", "Kurs"});  // the entry chosen is not the first, nor as long
    list.setCurrentIndex(1);
    for (QWidget* w : {static_cast<QWidget*>(&box), static_cast<QWidget*>(&list)}) {
        QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(w)->textInterface();
        ASSERT_NE(text, nullptr);
        for (int offset = 0; offset < 4; ++offset) {
            int start = -1, end = -1;
            text->attributes(offset, &start, &end);
            EXPECT_EQ(text->text(start, end), "Kurs") << w->metaObject()->className() << " at " << offset;
        }
    }
}

}  // namespace
