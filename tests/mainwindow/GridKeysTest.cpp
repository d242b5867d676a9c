// The grid as a keyboard user works it, with real key events: the menu key
// and Shift+F10 open the grid's menu at the current cell, Esc leaves an
// in-place edit without writing, Enter writes it.
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <map>

#include "editor/frmEditVok.h"
#include "exchange/frmImport.h"
#include "mainwindow/RoadFixture.h"
#include "overview/frmGridOptions.h"
#include "overview/frmSearch.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"
#include "support/QtPrinters.h"

using namespace roadtest;
using mainwindow::MainForm;
using wktest::CallKind;

namespace {

class GridKeys : public Road {
protected:
    QString path;

    mainwindow::frmMain& open(const QStringList& questions = {"Haus", "Baum"}, const QByteArray& sound = {}) {
        path = makeVokDB("kurs.wkd");
        auto db = openVok(path);
        auto rs = db->OpenRecordset("VOK");
        for (const QString& q : questions) {
            rs->AddNew();
            rs->SetValue("Q", q);
            rs->SetValue("A1", q + "-a");
            rs->SetValue("T", "Dinge");
            if (!sound.isEmpty()) rs->SetValue("Sound", sound);
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
        QCoreApplication::processEvents();  // it starts on its first entry, so a reader speaks it
        ASSERT_NE(m.mnuVGrid->activeAction(), nullptr);
        EXPECT_EQ(m.mnuVGrid->activeAction()->objectName(), popup.entries.value(0));
        m.mnuVGrid->setActiveAction(nullptr);
    }
    ui.pushPopupDismiss();
    m.vg1_MouseUp(2, 0, 5, 5);  // one opened by the mouse starts on none
    QCoreApplication::processEvents();
    EXPECT_EQ(m.mnuVGrid->activeAction(), nullptr);
    // F10 alone is no menu key.
    key(Qt::Key_F10);
    EXPECT_EQ(ui.count(CallKind::PopupMenu), 3);
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

// Whatever moved the current item, the row the grid shows as current is the
// item that Space and the menu's Check act on; with no row current, Space
// changes nothing.
enum class Way {
    Search,
    EditorOnRow,
    EditorAdds,
    TestRun,
    TestRunWithNoRowCurrent,
    Import,
    CheckAll,
    UncheckAll,
    DeleteChecked,
    DeleteStatistics,
    DeleteCheckedStatistics,
    FindDuplicates,
    HeaderSort,
    GridOptions,
    EveryCharacterTyped
};

class RowActedOn : public GridKeys, public ::testing::WithParamInterface<Way> {
protected:
    std::map<QString, bool> marks() {
        std::map<QString, bool> out;
        auto db = openVok(path);
        for (auto rs = db->OpenRecordset("VOK"); !rs->Eof(); rs->MoveNext())
            out[rs->Value("Q").toString()] = rs->Value("Markiert").toBool();
        db->Close();
        return out;
    }
    QStringList changedSince(const std::map<QString, bool>& before) {
        QStringList out;
        for (const auto& [q, on] : marks())
            if (!before.count(q) || before.at(q) != on) out << q;
        return out;
    }
    long rowOf(const QString& q) {
        for (long r = 1; r <= g().Rows(); ++r)
            if (g().CellText(r, g().ColumnIndex("Q")) == q) return r;
        return 0;
    }
    QString currentQuestion() {
        const long r = g().SelectedRow();
        return r >= 1 ? g().CellText(r, g().ColumnIndex("Q")) : QString();
    }
    void menu(const char* entry) {
        ui.pushPopupChoice(entry);
        tap(Qt::Key_Menu);
    }
    void gridOptionsOK() {
        ui.pushModal([](QWidget& w) { dynamic_cast<overview::frmGridOptions&>(w).cmdOK_Click(); });
        tap(Qt::Key_F8);
    }
};

TEST_P(RowActedOn, IsTheRowShownAsCurrent) {
    const Way way = GetParam();
    QStringList questions{"apple", "bleu", "mango", "rouge", "zebra"};
    if (way == Way::FindDuplicates) questions << "Rouge";
    auto& m = open(questions);
    overview::SearchRow = 0;
    overview::SearchCol = 0;
    selectCell(rowOf("mango"), "Q");
    key(Qt::Key_Space, Qt::NoModifier, " ");
    ASSERT_TRUE(marks()["mango"]);
    selectCell(rowOf("bleu"), "Q");

    switch (way) {
        case Way::Search:
            ui.pushModal([&](QWidget& w) {
                auto& s = dynamic_cast<overview::frmSearch&>(w);
                QApplication::setActiveWindow(&s);
                s.txtS->setFocus();
                for (const QChar c : QString("zebra")) tap(c.toUpper().unicode(), Qt::NoModifier, QString(c));
                tap(Qt::Key_Return, Qt::NoModifier, "\r");
                tap(Qt::Key_Escape, Qt::NoModifier, "\x1b");
            });
            tap(Qt::Key_F, Qt::ControlModifier);
            EXPECT_EQ(currentQuestion(), QString("zebra"));
            break;
        case Way::EditorOnRow:
            ui.pushModal([](QWidget& w) {
                auto& e = dynamic_cast<editor::frmEditVok&>(w);
                e.txtA(1)->setText("blue");
                e.cmdOK_Click();
            });
            menu("mnuVGrid_Edit");
            break;
        case Way::EditorAdds:
            ui.pushModal([](QWidget& w) {
                auto& e = dynamic_cast<editor::frmEditVok&>(w);
                e.txtQ->setText("kiwi");
                e.txtA(1)->setText("kiwi-a");
                e.cboThema->setEditText("Dinge");
                e.cmdOK_Click();
                e.cmdCancel_Click();
            });
            m.cmdOverview1_New_Click();
            ASSERT_EQ(g().Rows(), 6);
            break;
        case Way::TestRunWithNoRowCurrent:
            gridOptionsOK();  // a rebuild: no row current
            ASSERT_EQ(g().SelectedRow(), 0);
            [[fallthrough]];
        case Way::TestRun:
            m.imgBarStartTest_Click();
            ASSERT_TRUE(m.TestActive);
            m.txtTestA(1)->setText(m.lblTestQ->text() + "-a");
            ASSERT_EQ(m.lblTestXvonX->text(), "2 / 5");  // judged right: its statistics change
            m.imgTestBarCancel_Click();
            m.imgBarOverview_Click();
            break;
        case Way::Import: {
            const QString file = home.path() + "/kiwi.txt";
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("kiwi;kiwi-a;Dinge\r\n");
            f.close();
            ui.pushModal([&](QWidget& w) {
                auto& wiz = dynamic_cast<exchange::frmImport&>(w);
                wiz.optChoice_DblClick(2);
                wiz.cboB_TXTImport_Separator->setCurrentIndex(2);  // ";"
                wiz.txtB_TXTImport_FileName->setText(file);
                wiz.cmdWeiter_Click();
                wiz.cmdWeiter_Click();
            });
            m.OpenImportWizard();
            ASSERT_EQ(g().Rows(), 6);
            break;
        }
        case Way::CheckAll:
            menu("mnuVGrid_CheckAll");
            break;
        case Way::UncheckAll:
            menu("mnuVGrid_UncheckAll");
            break;
        case Way::DeleteChecked:
            ui.pushMsgBox(forms::vbYes);
            menu("mnuVGrid_Markierte_Del");
            ASSERT_EQ(rowOf("mango"), 0);
            break;
        case Way::DeleteStatistics:
            menu("mnuVGrid_DelStat");
            break;
        case Way::DeleteCheckedStatistics:
            menu("mnuVGrid_Markierte_DelStat");
            break;
        case Way::FindDuplicates:
            menu("mnuVGrid_FindDuplicates");
            EXPECT_EQ(currentQuestion(), QString("rouge"));
            break;
        case Way::HeaderSort:
            m.vg1_ColumnClick(g().ColumnIndex("Q"));
            m.vg1_ColumnClick(g().ColumnIndex("Q"));
            ASSERT_EQ(g().CellText(1, g().ColumnIndex("Q")), "zebra");
            break;
        case Way::GridOptions:
            gridOptionsOK();
            break;
        case Way::EveryCharacterTyped: {
            // Both keyboards, plain, shifted and with AltGr; Space marks.
            const auto before = marks();
            ui.answerAllMsgBoxes(forms::vbYes);  // a box's default button
            type(
                "^1234567890ß´qwertzuiopü+asdfghjklöä#<yxcvbnm,.-°!\"§$%&/()=?`QWERTZUIOPÜ*ASDFGHJKLÖÄ'>"
                "YXCVBNM;:_²³{[]}\\@€~|µ`1234567890-=qwertyuiop[]\\asdfghjkl;'zxcvbnm,./~!@#$%^&*()_+"
                "QWERTYUIOP{}|ASDFGHJKL:\"ZXCVBNM<>?");
            ui.answerAllMsgBoxes(0);
            EXPECT_EQ(marks(), before);
            EXPECT_EQ(currentQuestion(), QString("bleu"));
            break;
        }
    }

    QApplication::setActiveWindow(&m);
    g().view()->setFocus();
    ASSERT_TRUE(g().view()->hasFocus());
    const QString shown = currentQuestion();
    // Assistive tools hear the same row as current (none with none shown).
    const auto heardRow = [&] {
        QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(g().view())->focusChild();
        return cell && cell->tableCellInterface() ? long(cell->tableCellInterface()->rowIndex()) + 1 : 0L;
    };
    EXPECT_EQ(heardRow(), g().SelectedRow());
    auto before = marks();
    key(Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(changedSince(before), shown.isEmpty() ? QStringList() : QStringList{shown}) << "Space";

    before = marks();
    ui.pushPopupChoice("mnuVGrid_Markieren");
    key(Qt::Key_Menu);
    const long r = g().SelectedRow();
    ASSERT_GE(r, 1);
    EXPECT_EQ(changedSince(before), QStringList{currentQuestion()}) << "Menu, Check";
    EXPECT_EQ(heardRow(), r);
    // The row shows the mark that was stored.
    EXPECT_EQ(m.IL->ItemKey(g().CellIcon(r, 1)).startsWith("Checked"), marks()[currentQuestion()]);
}

INSTANTIATE_TEST_SUITE_P(GridKeys, RowActedOn,
                         ::testing::Values(Way::Search, Way::EditorOnRow, Way::EditorAdds, Way::TestRun,
                                           Way::TestRunWithNoRowCurrent, Way::Import, Way::CheckAll,
                                           Way::UncheckAll, Way::DeleteChecked, Way::DeleteStatistics,
                                           Way::DeleteCheckedStatistics, Way::FindDuplicates, Way::HeaderSort,
                                           Way::GridOptions, Way::EveryCharacterTyped));

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
    key(Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, "!");  // Ctrl+Shift+1, +ß: Spanish marks
    key(Qt::Key_Question, Qt::ControlModifier | Qt::ShiftModifier, "?");
    EXPECT_EQ(ui.count(CallKind::SendKeys), 2);
    EXPECT_EQ(ui.last(CallKind::SendKeys).keys, QString::fromUtf8("¿"));
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

class NamedKeys : public RowActedOn {};  // its helpers, without a parameter

// Each named key, plain, with Shift and with Ctrl, on the 20th of 40 rows in
// column A1: what became of the items and the current cell, where the focus
// went and what was asked for ("" for nothing at all).
TEST_F(NamedKeys, ActAsTheirNamesSay) {
    QStringList qs;
    for (int i = 1; i <= 40; ++i) qs << QString("q%1").arg(i, 2, 10, QChar('0'));
    auto& m = open(qs, QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
    const char* del = "MsgBox Do you really want to delete this question ? | current deleted | column Q";
    const struct {
        int key;
        const char* after[3];  // plain, Shift, Ctrl
    } keys[] = {
        {Qt::Key_Insert, {"", "", ""}},
        {Qt::Key_Delete, {del, del, del}},
        {Qt::Key_Home, {"column Q", "column Q", "first row"}},
        {Qt::Key_End, {"column FQ1", "column FQ1", "last row"}},
        {Qt::Key_PageUp, {"rows up", "rows up", "rows up"}},
        {Qt::Key_PageDown, {"rows down", "rows down", "rows down"}},
        {Qt::Key_Backspace, {"", "", ""}},
        {Qt::Key_Tab, {"focus QHeaderView", "focus cmdOverview1_GridOptions", ""}},
        {Qt::Key_F1, {"", "", ""}},
        {Qt::Key_F2, {"focus txtEdit", "focus txtEdit", "focus txtEdit"}},
        // Ctrl with a key is its code's character on release: F4 is "s".
        {Qt::Key_F3, {"ShowModal frmSearch", "ShowModal frmSearch", "ShowModal frmSearch"}},
        {Qt::Key_F4, {"ShowModal frmEditVok", "ShowModal frmEditVok", "focus txtTestA(1) | test | sound"}},
        {Qt::Key_F5, {"sound", "sound", "sound"}},
        {Qt::Key_F6, {"ShowOpen Import soundfile", "ShowOpen Import soundfile", ""}},
        {Qt::Key_F7, {"ShowOpen Import picture", "ShowOpen Import picture", ""}},
        {Qt::Key_F8, {"ShowModal frmGridOptions", "ShowModal frmGridOptions", ""}},
        {Qt::Key_F9, {"", "", ""}},
        {Qt::Key_F10, {"", "PopupMenu mnuVGrid", ""}},
        {Qt::Key_F11, {"", "", ""}},
        {Qt::Key_F12, {"", "", ""}},
    };
    const Qt::KeyboardModifiers mods[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier};
    const QMap<int, QString> texts{{Qt::Key_Tab, "\t"}, {Qt::Key_Backspace, "\b"}, {Qt::Key_Delete, "\x7f"}};
    const auto items = [&] {  // in the grid's order, a marked one with "*"
        QStringList out;
        auto marked = marks();
        for (long r = 1, q = g().ColumnIndex("Q"); r <= g().Rows(); ++r)
            out << g().CellText(r, q) + (marked[g().CellText(r, q)] ? "*" : "");
        return out;
    };
    const auto temp = [] { return QDir(modMain::GetTempPath()).entryList(QDir::Files).size(); };
    ui.allowUnusedAnswers();
    for (const auto& k : keys)
        for (int i = 0; i < 3; ++i) {
            const int key = k.key == Qt::Key_Tab && i == 1 ? int(Qt::Key_Backtab) : k.key;
            SCOPED_TRACE(QKeySequence(key | mods[i]).toString().toStdString());
            selectCell(20, "A1");
            const QStringList before = items();
            const auto sounds = temp();
            ui.clearCalls();
            ui.pushMsgBox(forms::vbYes);
            ui.pushModal([](QWidget& w) { w.hide(); });
            ui.pushOpenCancel();
            ui.pushPopupDismiss();
            // A window that comes up takes the key's release.
            for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent e(type, key, mods[i], texts.value(key));
                if (QWidget* w = QApplication::focusWidget(); w && ui.calls().empty())
                    QApplication::sendEvent(w, &e);
            }
            QStringList what;
            for (const auto& c : ui.calls())
                what << wktest::toString(c.kind) + (" " + c.prompt) + c.formName + c.dialog.DialogTitle;
            const QStringList now = items();
            if (now != before)
                what << (now == before.mid(0, 19) + before.mid(20) ? "current deleted" : "items changed");
            const QMap<long, QString> rows{
                {1, "first row"}, {19, "row 19"}, {21, "row 21"}, {g().Rows(), "last row"}};
            if (const long r = g().SelectedRow(); r != 20)
                what << rows.value(r, r > 20 ? "rows down" : "rows up");
            if (g().SelectedColumn() != g().ColumnIndex("A1"))
                what << "column " + g().ColumnKey(g().SelectedColumn());
            if (QWidget* f = QApplication::focusWidget(); f != g().view())
                what << "focus " + (!f                          ? QString("none")
                                    : f->objectName().isEmpty() ? f->metaObject()->className()
                                                                : f->objectName());
            if (m.TestActive) what << "test";
            if (temp() > sounds) what << "sound";
            EXPECT_EQ(what.join(" | "), QString(k.after[i]));
            if (m.TestActive) m.imgTestBarCancel_Click(), m.imgBarOverview_Click();
            m.vg1_CancelEdit();
        }
}

}  // namespace
