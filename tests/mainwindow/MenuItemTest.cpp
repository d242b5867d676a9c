// The grid's pop-up menu as it opens for the current item, Ctrl and a left
// click, and the entries that act on the current item.
#include <QDir>
#include <QFileInfo>

#include "core/modMedia.h"
#include "mainwindow/BulkFixture.h"

using namespace bulktest;
using wktest::CallKind;

namespace {

class Menu : public Bulk {
protected:
    QAction* entry(const char* name) { return main().menuItem(name); }
    // Right click on the row of q with the menu dismissed.
    void rightClick(const QString& q) {
        select(rowOfQuestion(q));
        ui.pushPopupDismiss();
        main().vg1_MouseUp(2, 0, 1, 1);
    }
    bool answersShown() {
        const bool a = entry("mnuVGrid_AlleAntwortenAbfragen")->isVisible();
        EXPECT_EQ(a, entry("mnuVGrid_ReihenfolgeBeachten")->isVisible());
        EXPECT_EQ(a, entry("mnuM")->isVisible());
        return a;
    }
};

TEST_F(Menu, TheAnswerEntriesShowOnlyForFreeAnswerItemsWithSeveralAnswers) {
    open({{{"Q", "choice"}, {"Typ", 1}, {"A1", "x"}, {"A2", "y"}},
          {{"Q", "one"}, {"A1", "x"}},
          {{"Q", "semi"}, {"A1", "x;y"}, {"AskAllItems", 1}, {"MindTheOrder", 1}},
          {{"Q", "third"}, {"A1", "x"}, {"A3", "z"}, {"MindTheOrder", 1}}});
    rightClick("choice");
    EXPECT_FALSE(answersShown());
    EXPECT_EQ(ui.last(CallKind::PopupMenu).formName, "mnuVGrid");
    rightClick("one");
    EXPECT_FALSE(answersShown());

    rightClick("semi");
    EXPECT_TRUE(answersShown());
    EXPECT_TRUE(entry("mnuVGrid_AlleAntwortenAbfragen")->isChecked());
    EXPECT_TRUE(entry("mnuVGrid_ReihenfolgeBeachten")->isEnabled());
    EXPECT_TRUE(entry("mnuVGrid_ReihenfolgeBeachten")->isChecked());

    rightClick("choice");
    rightClick("third");
    EXPECT_TRUE(answersShown());
    EXPECT_FALSE(entry("mnuVGrid_AlleAntwortenAbfragen")->isChecked());
    EXPECT_FALSE(entry("mnuVGrid_ReihenfolgeBeachten")->isEnabled());
    EXPECT_TRUE(entry("mnuVGrid_ReihenfolgeBeachten")->isChecked());
    EXPECT_FALSE(main().RIGHTMOUSEBUTTONDOWN);
}

TEST_F(Menu, MediaEntriesMarkCaptionAndColumnChecksFollowTheItemAndOptions) {
    open({{{"Q", "plain"}},
          {{"Q", "media"}, {"Bild", pngBytes()}, {"Sound", QByteArray("RIFF")}, {"Markiert", true}}});
    runstate::rsOptions->Edit();
    runstate::rsOptions->SetValue("GridShowA2", 1);
    runstate::rsOptions->SetValue("GridShowFQ", 0);
    runstate::rsOptions->Update();

    main().vg1_MouseDown(2, 0, 1, 1);
    EXPECT_TRUE(main().RIGHTMOUSEBUTTONDOWN);
    rightClick("plain");
    EXPECT_FALSE(entry("mnuVGrid_DelSound")->isEnabled());
    EXPECT_FALSE(entry("mnuVGrid_DelPic")->isEnabled());
    EXPECT_EQ(entry("mnuVGrid_Markieren")->text(), modMain::GetText(102));
    EXPECT_TRUE(entry("mnuVGrid_Ansicht_Begriff_2")->isChecked());
    EXPECT_FALSE(entry("mnuVGrid_Ansicht_FQ")->isChecked());

    rightClick("media");
    EXPECT_TRUE(entry("mnuVGrid_DelSound")->isEnabled());
    EXPECT_TRUE(entry("mnuVGrid_DelPic")->isEnabled());
    EXPECT_EQ(entry("mnuVGrid_Markieren")->text(), modMain::GetText(103));
}

TEST_F(Menu, ADisabledMenuOrNoCurrentItemOpensNothing) {
    open({{{"Q", "a"}}});
    main().mnuVGrid->setEnabled(false);
    main().vg1_MouseUp(2, 0, 1, 1);
    EXPECT_EQ(ui.count(CallKind::PopupMenu), 0);
    main().mnuVGrid->setEnabled(true);
    main().vg1_MouseUp(3, 0, 1, 1);  // another button
    EXPECT_EQ(ui.count(CallKind::PopupMenu), 0);
}

TEST_F(Menu, CtrlAndALeftClickTogglesTheMarkAndOnlyTheIcon) {
    open({{{"Q", "a"}, {"Bild", pngBytes()}}, {{"Q", "b"}}});
    const long r = rowOfQuestion("a");
    select(r);
    main().vg1_MouseUp(1, 2, 1, 1);
    EXPECT_NE(storedOf("a", "Markiert").toInt(), 0);
    EXPECT_EQ(iconKey(r), "CheckedPic");
    main().vg1_MouseUp(1, 3, 1, 1);  // with Shift: nothing
    EXPECT_NE(storedOf("a", "Markiert").toInt(), 0);
    main().vg1_MouseUp(1, 2, 1, 1);
    EXPECT_EQ(storedOf("a", "Markiert").toInt(), 0);
    EXPECT_EQ(iconKey(r), "Pic");
}

TEST_F(Menu, MarkEntryStatisticsAndAnswerFlagsWriteTheCurrentItem) {
    open({{{"Q", "a"}, {"AA1", 5}, {"AR1", 1}, {"AF1", 4}, {"FQ1", 80.0}, {"Known13", 1}, {"AA2", 3}},
          {{"Q", "b"}, {"A1", "x;y"}}});
    select(rowOfQuestion("a"));
    main().mnuVGrid_Markieren_Click();
    EXPECT_NE(storedOf("a", "Markiert").toInt(), 0);
    EXPECT_EQ(iconKey(rowOfQuestion("a")), "Checked");

    EXPECT_EQ(grid().CellBackColor(rowOfQuestion("a"), 1), overview::colour::LightYellow);
    main().mnuVGrid_DelStat_Click();
    EXPECT_EQ(storedOf("a", "AF1").toInt(), 0);
    EXPECT_EQ(storedOf("a", "Known13").toInt(), 0);
    EXPECT_EQ(storedOf("a", "AA2").toInt(), 3);
    EXPECT_EQ(grid().CellBackColor(rowOfQuestion("a"), 1), overview::colour::LightGreen);

    select(rowOfQuestion("b"));
    main().mnuVGrid_AlleAntwortenAbfragen_Click();
    EXPECT_EQ(storedOf("b", "AskAllItems").toInt(), 1);
    EXPECT_TRUE(entry("mnuVGrid_AlleAntwortenAbfragen")->isChecked());
    main().mnuVGrid_AlleAntwortenAbfragen_Click();
    EXPECT_EQ(storedOf("b", "AskAllItems").toInt(), 0);
    main().mnuVGrid_ReihenfolgeBeachten_Click();
    EXPECT_EQ(storedOf("b", "MindTheOrder").toInt(), 1);
    // Chosen from the menu, the entry turns once, not twice.
    ui.pushPopupChoice("mnuVGrid_ReihenfolgeBeachten");
    runstate::rsOptions->Edit();
    runstate::rsOptions->Update();
    main().data->Edit();
    main().data->SetValue("AskAllItems", 1);
    main().data->Update();
    main().vg1_MouseUp(2, 0, 1, 1);
    EXPECT_EQ(storedOf("b", "MindTheOrder").toInt(), 0);
    EXPECT_FALSE(entry("mnuVGrid_ReihenfolgeBeachten")->isChecked());
}

TEST_F(Menu, PictureImportThroughTheOpenDialogAndClearing) {
    open({{{"Q", "a"}}, {{"Q", "b"}}});
    const QString pic = writeFile("bild.png", pngBytes());
    main().LastImportFolder = home.path();
    select(rowOfQuestion("a"));
    ui.pushOpen(pic);
    main().mnuVGrid_ImportPic_Click();
    const auto& dlg = ui.last(CallKind::ShowOpen).dialog;
    EXPECT_EQ(dlg.DialogTitle, modMain::GetText(118));
    EXPECT_TRUE(dlg.Filter.contains("*.png"));
    EXPECT_EQ(dlg.Filter, modMedia::PictureFilter());
    EXPECT_EQ(dlg.Flags, 4100);
    EXPECT_TRUE(dlg.CancelError);
    EXPECT_EQ(dlg.InitDir, home.path());
    EXPECT_EQ(storedOf("a", "Bild").toLongLong(), pngBytes().size());
    EXPECT_EQ(iconKey(rowOfQuestion("a")), "Pic");

    // Cancelling changes nothing.
    main().LastImportFolder = "/nowhere";
    ui.pushOpenCancel();
    main().mnuVGrid_ImportPic_Click();
    EXPECT_EQ(main().LastImportFolder, "/nowhere");
    EXPECT_EQ(storedOf("a", "Bild").toLongLong(), pngBytes().size());

    main().mnuVGrid_DelPic_Click();
    EXPECT_EQ(storedOf("a", "Bild").toLongLong(), 0);
    EXPECT_EQ(iconKey(rowOfQuestion("a")), "Empty");
    main().mnuVGrid_DelPic_Click();  // none left: nothing happens
    EXPECT_EQ(storedOf("b", "Bild").toLongLong(), 0);
}

TEST_F(Menu, SoundImportStoresTheFileAndClearingLeavesTheTipSound) {
    open({{{"Q", "a"}, {"SoundTip", QByteArray("RIFFtip")}}});
    const QByteArray wav("RIFF\x24\0\0\0WAVEfmt ", 16);
    const QString file = writeFile("klang.wav", wav);
    select(1);
    ui.pushOpen(file);
    main().cmdOverview1_SoundImport_Click();
    EXPECT_EQ(ui.last(CallKind::ShowOpen).dialog.DialogTitle, modMain::GetText(113));
    EXPECT_EQ(ui.last(CallKind::ShowOpen).dialog.Filter, modMain::GetText(114));
    EXPECT_EQ(storedOf("a", "Sound").toLongLong(), wav.size());
    main().data->SetAbsolutePosition(0);
    EXPECT_EQ(main().data->GetChunk("Sound", 0, wav.size()), wav);

    main().mnuVGrid_DelSound_Click();
    EXPECT_EQ(storedOf("a", "Sound").toLongLong(), 0);
    EXPECT_EQ(storedOf("a", "SoundTip").toLongLong(), 7);
    EXPECT_EQ(iconKey(1), "Sound");
}

TEST_F(Menu, AnUnreadableSoundFileLeavesTheItemAsItWas) {
    open({{{"Q", "a"}, {"Sound", QByteArray("RIFFold")}}});
    select(1);
    ui.pushOpen(home.path() + "/missing.wav");
    ui.answerAllMsgBoxes(forms::vbOK);
    main().mnuVGrid_ImportSound_Click();
    EXPECT_EQ(storedOf("a", "Sound").toLongLong(), 7);
}

TEST(MenuTree, EntriesStandInDisplayOrderWithTheirCaptions) {
    wktest::ScriptedUi ui;
    mainwindow::frmMain& m = mainwindow::MainForm();
    auto names = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions()) out << a->objectName();
        return out;
    };
    EXPECT_EQ(
        names(m.mnuVGrid),
        QStringList({"mnuVGrid_Edit", "mnuH", "mnuVGrid_Del", "mnuVGrid_Markieren", "mnuVGrid_DelStat",
                     "mnuM", "mnuVGrid_AlleAntwortenAbfragen", "mnuVGrid_ReihenfolgeBeachten", "mnuK",
                     "mnuVGrid_Multimedia", "mnuI", "mnuVGrid_Alle", "mnuVGrid_Markierte", "mnuJ",
                     "mnuVGrid_FindDuplicates", "mnuVGrid_Alle_DelSpaces", "mnuL", "mnuVGrid_Ansicht"}));
    EXPECT_EQ(
        names(m.menuItem("mnuVGrid_Multimedia")->menu()),
        QStringList({"mnuVGrid_ImportSound", "mnuVGrid_DelSound", "mnuVGrid_ImportPic", "mnuVGrid_DelPic"}));
    EXPECT_EQ(names(m.menuItem("mnuVGrid_Alle")->menu()),
              QStringList({"mnuVGrid_CheckAll", "mnuVGrid_UncheckAll", "mnuVGrid_Alle_SoundDel",
                           "mnuVGrid_Alle_DelPic", "mnuVGrid_Alle_DelStat", "mnuVGrid_Alle_RenameT",
                           "mnuVGrid_Alle_Tausche"}));
    EXPECT_EQ(names(m.menuItem("mnuVGrid_Markierte")->menu()),
              QStringList({"mnuVGrid_Markierte_Del", "mnuVGrid_Markierte_SoundDel",
                           "mnuVGrid_Markierte_RecordSound", "mnuVGrid_Markierte_DelPic",
                           "mnuVGrid_Markierte_DelStat", "mnuVGrid_Markierte_RenameT",
                           "mnuVGrid_Markierte_Tausche"}));
    EXPECT_EQ(m.menuItem("mnuVGrid_Alle_DelSpaces")->text(), modMain::GetText(131));
    EXPECT_EQ(m.menuItem("mnuVGrid_Multimedia")->text(), "M&ultimedia");
    mainwindow::UnloadMainForm();
}

}  // namespace
