// What assistive tools hear of the main window: each control by what it is,
// in the user's language; the focus on the focused control alone; a locked
// bar button as disabled.
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <functional>
#include <vector>

#include "mainwindow/BarsFixture.h"
#include "platform/forms/MessageBoxes.h"
#include "support/Access.h"

using namespace barstest;

namespace {

class Heard : public BarsTest {
protected:
    // Starts as user 1 in `lang` (0 German, 1 English) on a database of
    // `items` items.
    mainwindow::frmMain& startIn(int lang, int items = 2) {
        makeUsers({{1, "Ben"}}, 1, {{1, lang}});
        path = makeVokDB("kurs.wkd");
        for (int i = 0; i < items; ++i) addItem(path, QStringLiteral("frage%1").arg(i), 0);
        start = std::make_unique<startup::FrmBenutzer>();
        startAs(*start, 1, path);
        return mainwindow::MainForm();
    }
};

class HeardIn : public Heard, public ::testing::WithParamInterface<int> {};

TEST_P(HeardIn, ControlsAreHeardByWhatTheyAreInTheUsersLanguage) {
    const int lang = GetParam();
    {
        auto& m = startIn(lang);
        m.imgBarOptions_Click();  // the settings fill their texts
        const struct {
            QWidget* w;
            QString en, de;
        } cases[] = {
            {m.vg1, "panel: Database View", "panel: Verwaltung"},
            {m.vg1->view(), "table: Database View", "table: Verwaltung"},
            {m.vgUmlaute, "panel: Special signs", "panel: Sonderzeichen"},
            {m.lstTestWrongWords, "list: The following questions should be revised",
             "list: Folgende Fragen sollten noch einmal bearbeitet werden"},
            {m.fraVerwaltung->chkRegFileType, "check box: Register *.wkd with Wortkiste",
             "check box: Datenbankendung *.wkd mit Wortkiste verknüpfen"},
            {m.fraVerwaltung->chkPlayWrong, "check box: Play sound if wrong",
             "check box: Spiele Sound, wenn falsch"},
            {m.imgBarStartTest, "button: Start test", "button: Abfrage starten"},
        };
        for (const auto& c : cases)
            EXPECT_EQ(wktest::heard(c.w), lang == 0 ? c.de : c.en) << c.w->objectName().toStdString();
        // The visible caption keeps its text as it stands.
        if (lang == 1) {
            EXPECT_EQ(m.fraVerwaltung->chkRegFileType->text(), "R&egister *.wkd with Wortkiste ");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, HeardIn, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "German" : "English"; });

// Only the control with the focus reports it: not the grid around its
// table, not the grid's current cell or the settings tree's current page
// once the focus has gone on, not the button row of a message box around
// its button.
TEST_F(Heard, OnlyTheFocusedControlReportsTheFocus) {
    auto& m = startIn(1);
    m.imgBarOverview_Click();
    m.show();
    QApplication::setActiveWindow(&m);
    m.vg1->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), m.vg1->view());
    EXPECT_EQ(wktest::focusedElsewhere(&m), QStringList());
    // Right after the rebuild no cell is current: the table itself is what
    // has the focus; Down makes the first row's cell current.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(m.vg1->view());
    ASSERT_EQ(m.vg1->SelectedRow(), 0);
    EXPECT_EQ(table->focusChild(), nullptr);
    EXPECT_TRUE(table->state().focused);
    wktest::keyTo(m.vg1->view(), Qt::Key_Down);
    ASSERT_NE(table->focusChild(), nullptr);
    EXPECT_TRUE(table->focusChild()->state().focused);
    EXPECT_EQ(table->focusChild()->tableCellInterface()->rowIndex(), 0);
    // The column header, reached by Tab, is heard as the column it is on.
    QWidget* header = m.vg1->view()->horizontalHeader();
    header->setFocus(Qt::TabFocusReason);
    QAccessibleInterface* heardHeader = QAccessible::queryAccessibleInterface(header);
    EXPECT_EQ(heardHeader->role(), QAccessible::ColumnHeader);
    EXPECT_TRUE(heardHeader->state().focused);
    EXPECT_FALSE(heardHeader->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(heardHeader->text(QAccessible::Name), header->accessibleName());
    // Tools that walk the tree find it in the table, after the cells.
    EXPECT_EQ(heardHeader->parent(), table);
    EXPECT_EQ(table->indexOfChild(heardHeader), table->childCount() - 1);
    EXPECT_EQ(table->child(table->childCount() - 1), heardHeader);
    EXPECT_EQ(wktest::focusedElsewhere(&m), QStringList());
    m.imgBarNewDB->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(wktest::focusedElsewhere(&m), QStringList());
    EXPECT_EQ(table->focusChild(), nullptr);
    // So does the settings' tree of pages.
    m.imgBarOptions_Click();
    m.fraVerwaltung->tvVerwaltung->setFocus(Qt::TabFocusReason);
    m.imgBarNewDB->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(wktest::focusedElsewhere(&m), QStringList());

    auto box = forms::buildMessageBox("x", forms::vbYesNo | forms::vbQuestion, "t");
    box->show();
    QApplication::setActiveWindow(box.get());
    box->defaultButton()->setFocus();
    EXPECT_EQ(wktest::focusedElsewhere(box.get()), QStringList());
}

// Every cell of the grid names its column by the column's header cell, which
// is heard as shown (visible, showing) while its column is in sight, and as
// hidden with its column.
TEST_F(Heard, CellsNameTheirColumnByItsHeader) {
    auto& m = startIn(1);
    m.show();
    QTableView* view = m.vg1->view();
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(view)->tableInterface();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->columnCount(), int(m.vg1->Columns()));
    int shown = 0;
    for (int c = 0; c < table->columnCount(); ++c) {
        const QString title = m.vg1->ColumnHeader(m.vg1->ColumnKey(c + 1));
        const QList<QAccessibleInterface*> heads =
            table->cellAt(0, c)->tableCellInterface()->columnHeaderCells();
        ASSERT_EQ(heads.size(), 1) << c;
        EXPECT_EQ(heads[0]->role(), QAccessible::ColumnHeader);
        EXPECT_EQ(heads[0]->text(QAccessible::Name), title) << c;
        EXPECT_EQ(heads[0]->tableCellInterface()->columnIndex(), c);
        const QHeaderView* h = view->horizontalHeader();
        if (view->isColumnHidden(c)) {
            EXPECT_TRUE(heads[0]->state().invisible) << c;
        } else if (h->sectionViewportPosition(c) + h->sectionSize(c) <= h->viewport()->width()) {
            EXPECT_FALSE(heads[0]->state().invisible) << c;  // in sight
            ++shown;
        }
    }
    EXPECT_GE(shown, 2);
    EXPECT_EQ(table->cellAt(0, 2)->tableCellInterface()->columnHeaderCells()[0]->text(QAccessible::Name),
              "Word/Question");
}

// The progress of a rebuild passes on screen, per cent by per cent, in the
// status caption and the loading window unheard (a reader worked through
// some 200 names before it spoke of the grid); of an open, what it ends on.
TEST_F(Heard, AProgressIsHeardAtItsEndOnly) {
    auto& m = startIn(1, 20);
    const QString other = makeVokDB("other.wkd");
    addItem(other, "sun", 0);
    m.show();
    wktest::ReaderRunning reader;
    {
        wktest::ReaderLog log;
        m.FillVG1();
        EXPECT_EQ(log.renamed(), QStringList()) << "a rebuild";
    }
    wktest::ReaderLog log;
    m.VokDBOeffnen(other);
    EXPECT_EQ(log.renamed(), QStringList({"lblBCount", "lblBDBName", "lblBCount"})) << "an open";
}

// A locked bar button (and Start test on a database without items) is
// heard disabled; an open one enabled.
TEST_F(Heard, LockedBarButtonsAreDisabled) {
    const auto disabled = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->state().disabled;
    };
    auto& m = startIn(1, 0);
    EXPECT_FALSE(disabled(m.imgBarOverview));
    EXPECT_FALSE(disabled(m.imgBarOptions));
    EXPECT_TRUE(disabled(m.imgBarStartTest));
    setOption(path, "ShowOverview", 0);
    setOption(path, "ShowOptions", 0);
    m.VokDBOeffnen(path);
    EXPECT_TRUE(disabled(m.imgBarOverview));
    EXPECT_TRUE(disabled(m.imgBarOptions));
    EXPECT_FALSE(disabled(m.imgBarNewDB));
}

// Only what is on screen is showing to the tools, down to the entries of
// lists, tables and trees: a reader's review mode read the grid's cells and
// the settings' pages over the test screen, the result's questions over the
// overview.
TEST_F(Heard, EntriesOfAViewNotShownAreNotShowing) {
    auto& m = startIn(1);
    m.show();
    runstate::dbVok->Execute("UPDATE VOK SET A1 = 'antwort'");
    m.imgBarOptions_Click();  // the settings' tree gets its pages
    QAbstractItemView* const grid = m.vg1->view();
    QAbstractItemView* const tree = m.fraVerwaltung->tvVerwaltung;
    QAbstractItemView* const result = m.lstTestWrongWords;
    const struct {
        const char* screen;
        std::function<void()> show;
        std::vector<std::pair<QAbstractItemView*, bool>> showing;
    } screens[] = {
        {"test",
         [&] {
             m.imgBarStartTest_Click();
             m.txtTestA(1)->setText("falsch");
             m.imgTestBarSolve_MouseUp(1, 0, 1, 1);
         },
         {{grid, false}, {tree, false}}},
        {"result", [&] { m.ShowNextQuestion(true); }, {{result, true}}},
        {"overview", [&] { m.imgTestBarCancel_Click(); }, {{grid, true}, {result, false}}},
    };
    for (const auto& sc : screens) {
        sc.show();
        for (const auto& [view, showing] : sc.showing) {
            QAccessibleInterface* first =
                QAccessible::queryAccessibleInterface(view)->tableInterface()->cellAt(0, 0);
            ASSERT_NE(first, nullptr) << sc.screen << " " << view->objectName().toStdString();
            EXPECT_EQ(!first->state().invisible, showing)
                << sc.screen << " " << view->objectName().toStdString();
        }
    }
}

}  // namespace
