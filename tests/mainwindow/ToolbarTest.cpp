// The overview toolbar: deleting the current item from the toolbar and from
// the grid menu, the empty state, and the hover hints.
#include <QApplication>
#include <QMouseEvent>

#include "editor/frmEditVok.h"
#include "mainwindow/BulkFixture.h"

using namespace bulktest;
using wktest::CallKind;

namespace {

class Toolbar : public Bulk {
protected:
    std::vector<Item> five() {
        return {{{"Q", "a"}, {"T", "eins"}},
                {{"Q", "b"}, {"T", "zwei"}},
                {{"Q", "c"}, {"T", "zwei"}},
                {{"Q", "d"}, {"T", "zwei"}},
                {{"Q", "e"}, {"T", "zwei"}}};
    }
    bool striped(long row) { return grid().CellBackColor(row, 2) == overview::colour::Stripe; }
};

TEST_F(Toolbar, DeletingRemovesTheRowRestripesAndKeepsRowsTiedToTheirRecords) {
    open(five());
    select(rowOfQuestion("b"));
    ui.pushMsgBox(forms::vbYes);
    main().cmdOverview1_Delete_Click();
    EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, modMain::GetText(5045));
    EXPECT_EQ(ui.last(CallKind::MsgBox).title, modMain::GetText(5048));
    EXPECT_EQ(grid().Rows(), 4);
    EXPECT_EQ(rowOfQuestion("b"), 0);
    EXPECT_EQ(stored().size(), 4u);
    for (long r = 1; r <= 4; ++r) EXPECT_EQ(striped(r), r % 2 == 1) << r;
    EXPECT_TRUE(main().lblBCount->text().startsWith("4 "));
    // Every remaining row still finds its own record.
    for (long r = 1; r <= 4; ++r) {
        main().data->SetAbsolutePosition(overview::recordPositionOfRow(grid(), r));
        EXPECT_EQ(main().data->Value("Q").toString(), cell(r, "Q"));
    }
    // Marking the row below the deleted one marks its own item.
    select(rowOfQuestion("c"));
    main().mnuVGrid_Markieren_Click();
    EXPECT_NE(storedOf("c", "Markiert").toInt(), 0);
    EXPECT_EQ(storedOf("d", "Markiert").toInt(), 0);
}

TEST_F(Toolbar, AnsweringNoOrHavingNoCurrentItemChangesNothing) {
    open(five());
    select(1);
    ui.pushMsgBox(forms::vbNo);
    main().mnuVGrid_Del_Click();
    EXPECT_EQ(grid().Rows(), 5);
    EXPECT_EQ(stored().size(), 5u);

    main().data->MoveLast();
    main().data->MoveNext();  // past the end: no current record
    main().cmdOverview1_Delete_Click();
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
}

TEST_F(Toolbar, ASecondDeleteWithNoRowSelectedRemovesNothingUnseen) {
    open(five());
    for (const char* menu : {"toolbar", "menu"}) {
        select(rowOfQuestion(menu[0] == 't' ? "b" : "c"));
        ui.pushMsgBox(forms::vbYes);
        if (menu[0] == 't')
            main().cmdOverview1_Delete_Click();
        else
            main().mnuVGrid_Del_Click();
        if (grid().SelectedRow() >= 1) continue;  // a row took its place: that one is current
        const size_t left = stored().size();
        const int asked = ui.count(CallKind::MsgBox);
        ui.answerAllMsgBoxes(forms::vbYes);
        main().cmdOverview1_Delete_Click();
        EXPECT_EQ(ui.count(CallKind::MsgBox), asked) << menu;
        EXPECT_EQ(stored().size(), left) << menu;
        EXPECT_NE(rowOfQuestion("e"), 0) << menu;
    }
}

TEST_F(Toolbar, DeletingFromTheMenuDropsAThemeNoOtherItemUses) {
    open(five());
    select(rowOfQuestion("a"));
    ui.pushMsgBox(forms::vbYes);
    main().mnuVGrid_Del_Click();
    EXPECT_EQ(main().cboThemen->findText("eins"), -1);
    EXPECT_GE(main().cboThemen->findText("zwei"), 0);
    EXPECT_EQ(grid().Rows(), 4);
}

TEST_F(Toolbar, DeletingTheLastItemPutsTheOverviewIntoItsEmptyState) {
    open({{{"Q", "allein"}}});
    select(1);
    for (QPushButton* b : {main().cmdOverview1_Search, main().cmdOverview1_Delete}) b->setEnabled(true);
    ui.pushMsgBox(forms::vbYes);
    main().cmdOverview1_Delete_Click();
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(grid().Rows(), 0);
    EXPECT_FALSE(grid().ShowData());
    for (QPushButton* b : {main().cmdOverview1_Search, main().cmdOverview1_Delete, main().cmdOverview1_Record,
                           main().cmdOverview1_SoundImport, main().cmdOverview1_ImportPic})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(main().cmdOverview1_New->isEnabled());
    EXPECT_FALSE(main().mnuVGrid->isEnabled());
    EXPECT_TRUE(main().lblBCount->text().startsWith("0 "));
    const QImage shown = main().cmdOverview1_Record->icon().pixmap(16, 16).toImage();
    const QImage disabled = main().ilVG->Picture("Recordd").scaled(16, 16).toImage();
    EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32), disabled.convertToFormat(QImage::Format_ARGB32));
}

TEST_F(Toolbar, HintsCarryTheirTwoTexts) {
    open({{{"Q", "a"}}});
    const std::pair<const char*, std::pair<int, int>> hints[] = {
        {"New", {480, 481}},       {"Delete", {482, 483}},     {"Search", {484, 485}},
        {"Import", {486, 487}},    {"Record", {488, 489}},     {"SoundImport", {492, 493}},
        {"ImportPic", {494, 495}}, {"GridOptions", {496, 497}}};
    for (const auto& [name, ids] : hints) {
        main().cmdOverview1_MouseMove(name);
        EXPECT_EQ(main().lblBarPopup->text(), modMain::GetText(ids.first)) << name;
        EXPECT_EQ(main().lblBarPopup2->text(), modMain::GetText(ids.second)) << name;
    }
    EXPECT_EQ(main().lblBarPopup->text(), "Grid options");
    main().IsRecording = true;
    main().cmdOverview1_MouseMove("Record");
    EXPECT_EQ(main().lblBarPopup->text(), modMain::GetText(490));
    EXPECT_EQ(main().lblBarPopup2->text(), "(Strg-R)");
    EXPECT_TRUE(main().tmrBar->isActive());
}

TEST_F(Toolbar, ButtonsCallTheirHandlers) {
    open({{{"Q", "a"}, {"T", "x"}}, {{"Q", "b"}}});
    select(2);
    ui.pushMsgBox(forms::vbYes);
    main().cmdOverview1_Delete->setEnabled(true);
    main().cmdOverview1_Delete->click();
    EXPECT_EQ(stored().size(), 1u);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
}

TEST_F(Toolbar, ADisabledButtonStillShowsItsHintWhenThePointerMovesOverIt) {
    open({{{"Q", "a"}}});
    QPushButton* b = main().cmdOverview1_ImportPic;
    b->setEnabled(false);
    main().lblBarPopup->clear();
    QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), b->mapToGlobal(QPointF(4, 4)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(b, &move);
    EXPECT_EQ(main().lblBarPopup->text(), modMain::GetText(494));
    EXPECT_EQ(main().lblBarPopup2->text(), modMain::GetText(495));
    EXPECT_TRUE(main().lblBarPopup->isVisibleTo(&main()));
    // The same for an enabled button, whose panel must not take the hint down.
    main().HideBarPopup();
    QMouseEvent again(QEvent::MouseMove, QPointF(4, 4), main().cmdOverview1_New->mapToGlobal(QPointF(4, 4)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(main().cmdOverview1_New, &again);
    EXPECT_EQ(main().lblBarPopup->text(), modMain::GetText(480));
    EXPECT_TRUE(main().lblBarPopup->isVisibleTo(&main()));
}

TEST_F(Toolbar, TheNewButtonsHintGoesOnceTheEditorOpens) {
    open({{{"Q", "a"}}});
    main().cmdOverview1_MouseMove("New");
    ASSERT_TRUE(main().lblBarPopup->isVisibleTo(&main()));
    bool hintUnderEditor = true;
    ui.pushModal([&](QWidget& w) {
        hintUnderEditor = main().lblBarPopup->isVisibleTo(&main());
        dynamic_cast<editor::frmEditVok&>(w).cmdCancel_Click();
    });
    main().cmdOverview1_New_Click();
    EXPECT_FALSE(hintUnderEditor);
    EXPECT_FALSE(main().lblBarPopup2->isVisibleTo(&main()));
}

}  // namespace
