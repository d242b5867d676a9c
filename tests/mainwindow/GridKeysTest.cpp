// The grid as a keyboard user works it, with real key events: the menu key
// and Shift+F10 open the grid's menu at the current cell, Esc leaves an
// in-place edit without writing, Enter writes it.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

#include "mainwindow/RoadFixture.h"
#include "platform/grid/Grid.h"

using namespace roadtest;
using mainwindow::MainForm;
using wktest::CallKind;

namespace {

class GridKeys : public Road {
protected:
    QString path;

    mainwindow::frmMain& open() {
        path = makeVokDB("kurs.wkd");
        auto db = openVok(path);
        auto rs = db->OpenRecordset("VOK");
        for (const char* q : {"Haus", "Baum"}) {
            rs->AddNew();
            rs->SetValue("Q", q);
            rs->SetValue("A1", QString(q) + "-a");
            rs->SetValue("T", "Dinge");
            rs->Update();
        }
        db->Close();
        makeUsers({{1, "Anna"}});
        startup::FrmBenutzer f;
        startAs(f, 1, path);
        EXPECT_TRUE(runstate::bDBOffen);
        auto& m = MainForm();
        m.imgBarOverview_Click();
        QApplication::processEvents();
        return m;
    }

    grid::Grid& g() { return *MainForm().vg1; }

    QVariant stored(const QString& q, const QString& field) {
        auto db = openVok(path);
        auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {q});
        const QVariant v = rs->Eof() ? QVariant(QStringLiteral("<none>")) : rs->Value(field);
        db->Close();
        return v;
    }

    // Selects the cell by a click, as a user would, and gives the grid the
    // keyboard focus.
    void selectCell(long row, const QString& key) {
        QApplication::setActiveWindow(&MainForm());
        QTableView* v = g().view();
        const QRect rc = v->visualRect(v->model()->index(int(row - 1), int(g().ColumnIndex(key) - 1)));
        QMouseEvent press(QEvent::MouseButtonPress, rc.center(), v->viewport()->mapToGlobal(rc.center()),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, rc.center(), v->viewport()->mapToGlobal(rc.center()),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &release);
        v->setFocus();
        ASSERT_TRUE(v->hasFocus());
        ASSERT_EQ(g().SelectedRow(), row);
    }

    // Presses and releases a key as a person does: both go to the control
    // that has the focus at that moment.
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
        auto target = []() -> QWidget* { return QApplication::focusWidget(); };
        ASSERT_TRUE(target());
        QKeyEvent press(QEvent::KeyPress, k, mods, text);
        QApplication::sendEvent(target(), &press);
        ASSERT_TRUE(target());
        QKeyEvent release(QEvent::KeyRelease, k, mods, text);
        QApplication::sendEvent(target(), &release);
    }
    void type(const QString& text) {
        for (const QChar c : text) key(c.toUpper().unicode(), Qt::NoModifier, QString(c));
    }
    // A key that opens or closes a window: its release goes wherever the
    // focus is then, if anywhere in the program.
    static void tap(int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
        for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(type, k, mods, text);
            if (QWidget* w = QApplication::focusWidget()) QApplication::sendEvent(w, &e);
        }
    }
};

TEST_F(GridKeys, MenuKeyAndShiftF10OpenTheGridMenuAtTheCurrentCell) {
    auto& m = open();
    selectCell(2, "Q");
    const QRect cell = g().CellBoundary(2, g().ColumnIndex("Q"));
    for (auto [k, mods] : {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers(Qt::NoModifier)},
                           std::pair{Qt::Key_F10, Qt::KeyboardModifiers(Qt::ShiftModifier)}}) {
        SCOPED_TRACE(k);
        const int before = ui.count(CallKind::PopupMenu);
        ui.pushPopupDismiss();
        key(k, mods);
        ASSERT_EQ(ui.count(CallKind::PopupMenu), before + 1);
        const auto& popup = ui.last(CallKind::PopupMenu);
        EXPECT_EQ(popup.formName, "mnuVGrid");
        // Prepared for the item as a right click prepares it.
        EXPECT_TRUE(popup.entries.contains("mnuVGrid_Markieren"));
        EXPECT_EQ(m.menuItem("mnuVGrid_Markieren")->text(), "&Check");
        EXPECT_TRUE(
            QRect(g().mapToGlobal(cell.topLeft()), cell.size()).adjusted(0, 0, 1, 1).contains(popup.at))
            << popup.at.x() << "," << popup.at.y();
    }
    // F10 alone is no menu key.
    key(Qt::Key_F10);
    EXPECT_EQ(ui.count(CallKind::PopupMenu), 2);
}

// Whatever took the focus from the grid for a while, the menu key works as
// soon as the grid has it back, without a click or an arrow key first.
enum class Away { CellEditEsc, SearchEsc, NoDuplicatesEnter, GridOptionsEsc, LastRowDeleted };

class MenuKeyAfter : public GridKeys, public ::testing::WithParamInterface<Away> {};

TEST_P(MenuKeyAfter, FocusCameBack) {
    auto& m = open();
    selectCell(1, "Q");
    QWidget messageBox;  // a real message box takes the focus while it is up
    messageBox.show();
    ui.setWhileAsking([&] { QApplication::setActiveWindow(&messageBox); });
    // So does a dialog, and Esc closes it.
    auto escFromDialog = [&] {
        ui.pushModal([&](QWidget& dialog) {
            QApplication::setActiveWindow(&dialog);
            tap(Qt::Key_Escape, Qt::NoModifier, "\x1b");
        });
    };
    switch (GetParam()) {
        case Away::CellEditEsc:
            key(Qt::Key_F2);
            type("x");
            key(Qt::Key_Escape, Qt::NoModifier, "\x1b");
            break;
        case Away::SearchEsc:
            escFromDialog();
            tap(Qt::Key_F, Qt::ControlModifier);
            break;
        case Away::NoDuplicatesEnter:
            ui.pushPopupChoice("mnuVGrid_FindDuplicates");
            ui.pushMsgBox(forms::vbOK);
            tap(Qt::Key_Menu);
            EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, "No duplicates found!");
            break;
        case Away::GridOptionsEsc:
            escFromDialog();
            tap(Qt::Key_F8);
            break;
        case Away::LastRowDeleted:
            // One item left and no row current: the key takes that one.
            selectCell(2, "Q");
            ui.pushMsgBox(forms::vbYes);
            tap(Qt::Key_Delete);
            ASSERT_EQ(g().Rows(), 1);
            ASSERT_EQ(g().SelectedRow(), 0);
            break;
    }
    ui.setWhileAsking(nullptr);
    QApplication::setActiveWindow(&m);  // the window system hands the focus back
    ASSERT_TRUE(g().view()->hasFocus());
    const int before = ui.count(CallKind::PopupMenu);
    ui.pushPopupDismiss();
    key(Qt::Key_Menu);
    EXPECT_EQ(ui.count(CallKind::PopupMenu), before + 1);
}

INSTANTIATE_TEST_SUITE_P(GridKeys, MenuKeyAfter,
                         ::testing::Values(Away::CellEditEsc, Away::SearchEsc, Away::NoDuplicatesEnter,
                                           Away::GridOptionsEsc, Away::LastRowDeleted));

TEST_F(GridKeys, EscLeavesAnEditWithoutWritingAndEnterWrites) {
    open();
    const long r = g().CellText(1, g().ColumnIndex("Q")) == "Haus" ? 1 : 2;
    selectCell(r, "A1");
    key(Qt::Key_F2);
    QLineEdit* edit = MainForm().txtEdit;
    ASSERT_FALSE(edit->isHidden());
    ASSERT_TRUE(edit->hasFocus());
    type("x");
    EXPECT_EQ(edit->text(), "x");
    key(Qt::Key_Escape, Qt::NoModifier, "\x1b");
    EXPECT_TRUE(edit->isHidden());
    EXPECT_TRUE(g().view()->hasFocus());
    EXPECT_EQ(stored("Haus", "A1").toString(), "Haus-a");
    EXPECT_EQ(g().CellText(r, g().ColumnIndex("A1")), "Haus-a");

    // Enter after Esc still commits: the keys are in step again.
    key(Qt::Key_F2);
    ASSERT_FALSE(edit->isHidden());
    type("y");
    key(Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_TRUE(edit->isHidden());
    EXPECT_EQ(stored("Haus", "A1").toString(), "y");
    EXPECT_EQ(g().CellText(r, g().ColumnIndex("A1")), "y");

    // The theme's list box: Esc leaves it too.
    selectCell(r, "T");
    key(Qt::Key_F2);
    QComboBox* combo = MainForm().cboVGSubject;
    ASSERT_FALSE(combo->isHidden());
    combo->setEditText("Welt");
    key(Qt::Key_Escape, Qt::NoModifier, "\x1b");
    EXPECT_TRUE(combo->isHidden());
    EXPECT_EQ(stored("Haus", "T").toString(), "Dinge");
    // And Enter there stores.
    key(Qt::Key_F2);
    ASSERT_FALSE(combo->isHidden());
    combo->setEditText("Welt");
    key(Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_TRUE(combo->isHidden());
    EXPECT_EQ(stored("Haus", "T").toString(), "Welt");
}

}  // namespace
