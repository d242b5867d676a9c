// The wizard's export path: pages, item and field lists, the save dialog and
// the written file.
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <functional>

#include <QTableView>

#include "FormFixture.h"
#include "platform/RegularFile.h"
#include "platform/forms/FileDialogs.h"
#include "support/Access.h"
#include "support/StuckPipe.h"

using namespace exchangetest;

namespace {

class WizardExport : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        for (const char* q : {"d", "a", "c", "b", "e", "f", "g", "h", "i", "j", "k"})
            add({q, {QString(q) + "1"}, "T"});
        // Alles: a b c d e f g h i j k at positions 0..10.
    }
    // Start, export, text format, items page.
    void toItems(int format = 0) {
        open();
        form->optChoice[1]->setChecked(true);
        form->cmdWeiter_Click();
        form->optExport_Format[format]->setChecked(true);
        form->cmdWeiter_Click();
    }
    QStringList exported() {
        QStringList out;
        for (long r = 1; r <= form->vgExEx->Rows(); ++r) out << form->vgExEx->CellText(r, 2);
        return out;
    }
};

}  // namespace

TEST_F(WizardExport, LoadStartsOnTheStartPageWithCaptions) {
    open();
    EXPECT_TRUE(shown(form->fraA_Start));
    EXPECT_FALSE(shown(form->fraB_Export));
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    EXPECT_TRUE(form->cmdBack->isHidden());
    EXPECT_EQ(form->lblBHeader->text(), "Import/Export");
    // Without a title bar, screen readers name the window by its header.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.get())->text(QAccessible::Name), "Import/Export");
    EXPECT_EQ(form->cmdWeiter->text(), "&Next >>");
    EXPECT_TRUE(form->optChoice[1]->isEnabled());
    EXPECT_FALSE(form->optExport_Format[2]->isEnabled());
    form->optChoice[2]->setChecked(true);
    EXPECT_EQ(form->WizardTask, 3);
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
}

TEST_F(WizardExport, ExportLockDisablesTheExportChoiceAndItsDoubleClick) {
    setOption("ExportProtection", 1);
    open();
    EXPECT_FALSE(form->optChoice[1]->isEnabled());
    EXPECT_TRUE(form->optChoice[0]->isEnabled());
    form->optChoice_DblClick(1);
    EXPECT_EQ(form->WizardTask, 0);
    EXPECT_TRUE(shown(form->fraA_Start));
}

TEST_F(WizardExport, DoubleClicksActLikeClickAndNext) {
    open();
    form->optChoice_DblClick(1);
    EXPECT_EQ(form->WizardTask, 2);
    EXPECT_TRUE(shown(form->fraB_Export));
    EXPECT_EQ(form->lblBHeader->text(), "Export");
    form->optExport_Format_DblClick(1);
    EXPECT_EQ(form->ExportFormat, 1);
    EXPECT_TRUE(shown(form->fraC_Export));
    EXPECT_EQ(form->vgExDB->Rows(), 11);
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
}

TEST_F(WizardExport, ItemsStandInDatabaseOrderWhateverTheMoveOrder) {
    data->SetAbsolutePosition(4);
    toItems();
    EXPECT_EQ(data->AbsolutePosition(), 4);  // the grid's record is put back
    EXPECT_EQ(form->vgExDB->CellText(1, 1), "a");
    // Select 11 (k), 3 (c) and 10 (j): c and k stay selected after j moves.
    form->vgExDB->SetCellSelected(11, 1, true);
    form->vgExDB->SetCellSelected(3, 1, true);
    form->vgExDB->SetCellSelected(10, 1, true);
    form->cmdExport_DB_L2R_Click();
    EXPECT_EQ(exported(), (QStringList{"2", "9", "10"}));
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    EXPECT_EQ(form->vgExDB->Rows(), 8);
    form->vgExDB_DblClick(1, 1);  // a
    EXPECT_EQ(exported(), (QStringList{"0", "2", "9", "10"}));
    // Selection marks of the rows that stay are untouched by a move.
    form->vgExEx->SetCellSelected(1, 1, true);
    form->vgExEx->SetCellSelected(3, 1, true);
    form->vgExEx->SetCellSelected(4, 1, true);
    form->cmdExport_DB_R2L_Click();
    EXPECT_EQ(exported(), (QStringList{"2"}));
    EXPECT_FALSE(form->vgExEx->CellSelected(1, 1));
    form->vgExEx_DblClick(1, 1);
    EXPECT_EQ(form->vgExEx->Rows(), 0);
    EXPECT_FALSE(form->vgExEx->ShowData());
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    EXPECT_EQ(form->vgExDB->CellText(3, 2), "2");
}

TEST_F(WizardExport, MoveAllAndBack) {
    toItems();
    form->cmdExport_DB_L2R_Click();  // nothing selected: nothing moves
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    form->cmdExport_DB_L2R_A_Click();
    EXPECT_EQ(form->vgExEx->Rows(), 11);
    EXPECT_EQ(form->vgExEx->CellText(11, 2), "10");
    EXPECT_EQ(form->vgExDB->Rows(), 0);
    EXPECT_FALSE(form->vgExDB->ShowData());
    EXPECT_TRUE(form->vgExEx->ShowData());
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    EXPECT_TRUE(form->cmdCancel->isEnabled());
    EXPECT_EQ(form->lblBExport_DBI->text(), "Questions to export:");
    EXPECT_EQ(form->cmdExport_DB_L2R_A->accessibleDescription(), "Questions to export: 11 Questions");
    form->cmdExport_DB_L2R_A_Click();  // empty: still enables Next
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    EXPECT_TRUE(form->vgExEx->ShowData());
    form->cmdExport_DB_R2L_A_Click();
    EXPECT_EQ(form->vgExDB->Rows(), 11);
    EXPECT_EQ(form->vgExDB->CellText(2, 2), "1");  // 2 before 10
    EXPECT_FALSE(form->vgExEx->ShowData());
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    EXPECT_EQ(form->cmdExport_DB_L2R_A->accessibleDescription(), "");
    EXPECT_EQ(form->cmdExport_DB_R2L_A->accessibleDescription(), "Questions in the database: 11 Questions");
    form->vgExDB_DblClick(1, 1);  // heard in the grid: the count above is gone
    EXPECT_EQ(form->cmdExport_DB_R2L_A->accessibleDescription(), "");
}

// The item lists by their labels and the arrows by what they move, in
// either language.
TEST_F(WizardExport, ItemsPageIsHeardByWhatItHolds) {
    for (qint16 lang : {0, 1}) {
        modMain::SetLanguage(lang);
        toItems();
        const struct {
            QWidget* w;
            QString en, de;
        } cases[] = {
            {form->vgExDB->view(), "table: Questions in the database", "table: Begriffe in der Datenbank"},
            {form->vgExEx->view(), "table: Questions to export", "table: Zu exportieren"},
            {form->cmdExport_DB_L2R, "button: Add the chosen questions",
             "button: Gewählte Begriffe hinzufügen"},
            {form->cmdExport_DB_L2R_A, "button: Add all questions", "button: Alle Begriffe hinzufügen"},
            {form->cmdExport_DB_R2L, "button: Remove the chosen questions",
             "button: Gewählte Begriffe entfernen"},
            {form->cmdExport_DB_R2L_A, "button: Remove all questions", "button: Alle Begriffe entfernen"},
        };
        for (const auto& c : cases)
            EXPECT_EQ(wktest::heard(c.w), lang == 0 ? c.de : c.en) << c.w->objectName().toStdString();
        EXPECT_EQ(wktest::unnamedControls(form->fraC_Export), QStringList());
    }
}

TEST_F(WizardExport, FieldListOrderTicksAndNext) {
    toItems();
    form->cmdExport_DB_L2R_A_Click();
    form->cmdWeiter_Click();
    ASSERT_TRUE(shown(form->fraD_Export));
    auto* l = form->lstExFields;
    ASSERT_EQ(l->count(), 6);
    EXPECT_EQ(l->item(0)->text(), "Word/Question");
    EXPECT_EQ(l->item(3)->text(), "Category");
    EXPECT_EQ(l->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(l->item(2)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(form->cmdWeiter->isEnabled());

    l->setCurrentRow(1);
    form->cmdExDown_Click();
    EXPECT_EQ(l->item(2)->text(), "Answer");
    EXPECT_EQ(l->item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(l->currentRow(), 2);
    l->setCurrentRow(5);
    form->cmdExDown_Click();  // last stays last
    EXPECT_EQ(l->item(5)->text(), "Total");
    l->setCurrentRow(0);
    form->cmdExUp_Click();  // first stays first
    EXPECT_EQ(l->item(0)->text(), "Word/Question");
    l->setCurrentRow(4);
    form->cmdExUp_Click();
    EXPECT_EQ(l->item(3)->text(), "Rate of Mistake");
    EXPECT_EQ(l->item(3)->checkState(), Qt::Unchecked);

    l->item(0)->setCheckState(Qt::Unchecked);
    l->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    l->item(5)->setCheckState(Qt::Checked);
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
}

// Return goes on as Next does while Next is there, from an option, a list
// or a text box; on another button it presses that one.
TEST_F(WizardExport, ReturnPressesNextWhileItIsThere) {
    open();
    form->show();
    QApplication::setActiveWindow(form.get());
    const auto returnOn = [](QWidget* w) {
        w->setFocus(Qt::TabFocusReason);
        wktest::keyTo(w, Qt::Key_Return, Qt::NoModifier, "\r");
    };
    const struct {
        const char* where;
        std::function<QWidget*()> prepare;  // gives the control Return is pressed on
        std::function<bool()> after;
    } steps[] = {
        {"start page, nothing chosen", [&] { return form->optChoice[0]; },
         [&] { return shown(form->fraA_Start); }},
        {"start page, export chosen",
         [&] {
             form->optChoice[1]->setChecked(true);
             return form->optChoice[1];
         },
         [&] { return shown(form->fraB_Export); }},
        {"format page, nothing chosen", [&] { return form->optExport_Format[0]; },
         [&] { return shown(form->fraB_Export); }},
        {"format page, text chosen",
         [&] {
             form->optExport_Format[0]->setChecked(true);
             return form->optExport_Format[0];
         },
         [&] { return shown(form->fraC_Export); }},
        {"items page, all added",
         [&] {
             form->cmdExport_DB_L2R_A->click();
             return form->cmdExport_DB_L2R_A;  // a button: Return presses it, not Next
         },
         [&] { return shown(form->fraC_Export) && form->vgExEx->Rows() == 11; }},
        {"items page, Next", [&] { return form->cmdWeiter; }, [&] { return shown(form->fraD_Export); }},
        {"fields list", [&] { return form->lstExFields; }, [&] { return shown(form->fraE_Export); }},
        {"Cancel", [&] { return form->cmdCancel; }, [&] { return form->Unloaded(); }},
    };
    for (const auto& s : steps) {
        returnOn(s.prepare());
        EXPECT_TRUE(s.after()) << s.where;
    }
}

// Each field of the list is heard as a check box, ticked or not; a tool's
// toggle ticks it, and a reader hears the tick that Space gives.
TEST_F(WizardExport, FieldsAreHeardAsCheckBoxes) {
    toItems();
    wktest::ReaderRunning reader;
    form->cmdExport_DB_L2R_A_Click();
    form->cmdWeiter_Click();
    QAccessibleTableInterface* list =
        QAccessible::queryAccessibleInterface(form->lstExFields)->tableInterface();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rowCount(), 6);
    for (int r = 0; r < 6; ++r) {
        QAccessibleInterface* field = list->cellAt(r, 0);
        const bool ticked = form->lstExFields->item(r)->checkState() == Qt::Checked;
        EXPECT_EQ(field->role(), QAccessible::CheckBox) << r;
        EXPECT_TRUE(field->state().checkable) << r;
        EXPECT_EQ(field->state().checked, ticked) << r;
        EXPECT_EQ(field->text(QAccessible::Name), form->lstExFields->item(r)->text());
    }
    QAccessibleInterface* subject = list->cellAt(2, 0);
    ASSERT_NE(subject->actionInterface(), nullptr);
    const QString name = form->lstExFields->item(2)->text();
    // Ticked, cleared and ticked by a tool on the list it sees: that field
    // alone is told each time.
    form->show();
    QApplication::setActiveWindow(form.get());
    for (const char* state : {"on", "off", "on"}) {
        wktest::ReaderLog log;
        subject->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(log.carried(), QStringList{"ticked: check box '" + name + "' " + state});
    }
    EXPECT_EQ(form->lstExFields->item(2)->checkState(), Qt::Checked);

    form->lstExFields->setFocus();
    form->lstExFields->setCurrentRow(2);
    for (const char* state : {"off", "on"}) {
        wktest::ReaderLog log;
        wktest::keyTo(form->lstExFields, Qt::Key_Space, {}, " ");
        EXPECT_EQ(log.carried(), QStringList{"ticked: check box '" + name + "' " + state});
    }
}

TEST_F(WizardExport, TextExportWritesTheFileAndCloses) {
    wktest::ScriptedUi ui;
    toItems();
    form->vgExDB->SetCellSelected(2, 1, true);
    form->vgExDB->SetCellSelected(1, 1, true);
    form->cmdExport_DB_L2R_Click();
    form->cmdWeiter_Click();  // fields
    form->cmdWeiter_Click();  // separator page
    ASSERT_TRUE(shown(form->fraE_Export));
    EXPECT_EQ(form->ExportSep, "\t");
    form->cboExSep->setCurrentIndex(1);
    EXPECT_EQ(form->ExportSep, ";");
    form->chkExHeader->setChecked(true);

    ui.pushSaveCancel();
    form->cmdWeiter_Click();
    EXPECT_EQ(form->ExportStep, 4);
    EXPECT_TRUE(shown(form->fraE_Export));
    const auto dlg = ui.last(wktest::CallKind::ShowSave).dialog;
    EXPECT_EQ(dlg.FileName, "kurs.txt");
    EXPECT_EQ(dlg.DialogTitle, "Save as..");
    EXPECT_EQ(dlg.Filter, "Textfile (*.txt)|*.txt");
    EXPECT_TRUE(dlg.CancelError);

    const QString path = dir.filePath("out.txt");
    ui.pushSave(path);
    form->cmdWeiter_Click();
    EXPECT_EQ(form->ExportStep, 5);
    EXPECT_TRUE(shown(form->fraF_Export));
    EXPECT_EQ(form->lblExStatus->text(), "2  questions were exported.");
    EXPECT_TRUE(form->cmdExView->isEnabled());
    EXPECT_TRUE(form->cmdCancel->isHidden());
    EXPECT_EQ(form->cmdWeiter->text(), "&Finish export");
    EXPECT_EQ(form->cmdWeiter->accessibleDescription(), "2 questions were exported.");
    EXPECT_EQ(readFile(path), QByteArray("Word/Question;Answer 1\r\na;a1\r\nb;b1\r\n"));
    form->cmdWeiter_Click();
    EXPECT_TRUE(form->Unloaded());
    EXPECT_EQ(host.rebuilds, 0);
}

TEST_F(WizardExport, HtmlSkipsTheSeparatorPage) {
    wktest::ScriptedUi ui;
    toItems(1);
    form->vgExDB_DblClick(3, 1);
    form->cmdWeiter_Click();
    EXPECT_EQ(form->ExportStep, 4);
    const QString path = dir.filePath("out.htm");
    ui.pushSave(path);
    form->cmdWeiter_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::ShowSave).dialog.FileName, "kurs.htm");
    // The dialog shows the patterns once, blank-separated, as a filter reads.
    EXPECT_EQ(dialogs::nameFilters(ui.last(wktest::CallKind::ShowSave).dialog.Filter),
              QStringList{"HTML-file (*.htm *.html)"});
    EXPECT_EQ(form->lblExStatus->text(), "1  question was exported.");
    const QString html = QString::fromUtf8(readFile(path));
    EXPECT_TRUE(
        html.startsWith("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                        "charset=utf-8\"><title>\r\nExcerpt from KURS\r\n"));
    EXPECT_TRUE(html.contains("<td><small>\r\nc\r\n</small></td>"));
}

TEST_F(WizardExport, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    wktest::ScriptedUi ui;
    toItems(1);
    form->vgExDB_DblClick(3, 1);
    form->cmdWeiter_Click();
    const QString path = dir.filePath("old.htm");
    writeFile(path, "mine");

    // No: the dialog comes back; cancelling it leaves the file and the page.
    ui.pushSave(path);
    ui.pushMsgBox(forms::vbNo);
    ui.pushSaveCancel();
    form->cmdWeiter_Click();
    const auto& ask = ui.last(wktest::CallKind::MsgBox);
    EXPECT_EQ(ask.prompt, "There is already a file named old.htm !\r\rOverwrite this file ?");
    EXPECT_EQ(ask.style, forms::vbYesNo);
    EXPECT_EQ(ui.count(wktest::CallKind::ShowSave), 2);
    EXPECT_EQ(readFile(path), QByteArray("mine"));
    EXPECT_EQ(form->ExportStep, 4);

    // Yes: the file is replaced.
    ui.pushSave(path);
    ui.pushMsgBox(forms::vbYes);
    form->cmdWeiter_Click();
    EXPECT_EQ(form->ExportStep, 5);
    EXPECT_TRUE(readFile(path).startsWith("<html>"));
}

TEST_F(WizardExport, AFailedWriteNamesFileAndCauseAndTheWizardStays) {
    wktest::ScriptedUi ui;
    toItems(1);
    form->cmdExport_DB_L2R_A_Click();
    form->cmdWeiter_Click();
    const QString path = dir.filePath("no/such/folder/x.htm");
    ui.pushSave(path);
    ui.pushMsgBox(forms::vbOK);
    form->cmdWeiter_Click();
    const auto box = ui.last(wktest::CallKind::MsgBox);
    EXPECT_EQ(box.style, forms::vbExclamation);
    EXPECT_EQ(box.prompt, "The file cannot be written:\r" + path +
                              "\r\rThis folder does not exist.\rPlease choose another folder or file name.");
    EXPECT_FALSE(box.prompt.contains(modMain::GetText(5009)));
    EXPECT_FALSE(form->lblExStatus->text().contains('%')) << form->lblExStatus->text().toStdString();
    EXPECT_EQ(form->ExportStep, 4);
    EXPECT_TRUE(shown(form->fraD_Export));
    EXPECT_FALSE(shown(form->fraF_Export));
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    EXPECT_FALSE(form->cmdCancel->isHidden());

    // The same in German, for a name that is a folder.
    modMain::TextBasis = 10000;
    ui.pushSave(dir.path());
    ui.pushMsgBox(forms::vbOK);
    form->cmdWeiter_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt,
              "Die Datei kann nicht geschrieben werden:\r" + dir.path() +
                  "\r\rBeim Schreiben ist ein Fehler aufgetreten. Ist der Datenträger voll?"
                  "\rBitte wählen Sie einen anderen Ordner oder Dateinamen.");
    EXPECT_EQ(form->ExportStep, 4);
}

TEST_F(WizardExport, AReadOnlyFolderIsNamedAsSuch) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes everywhere";
    wktest::ScriptedUi ui;
    toItems();
    form->cmdExport_DB_L2R_A_Click();
    form->cmdWeiter_Click();
    form->cmdWeiter_Click();
    const QString folder = dir.filePath("ro");
    ASSERT_TRUE(QDir().mkdir(folder));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ui.pushSave(folder + "/x.txt");
    ui.pushMsgBox(forms::vbOK);
    form->cmdWeiter_Click();
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(ui.last(wktest::CallKind::MsgBox)
                    .prompt.contains("\r\rYou are not allowed to write to this folder or file.\r"));
    EXPECT_TRUE(shown(form->fraE_Export));
}

TEST_F(WizardExport, ViewingAFileThatIsGoneSaysSo) {
    wktest::ScriptedUi ui;
    toItems();
    form->vgExDB_DblClick(1, 1);
    form->cmdWeiter_Click();
    form->cmdWeiter_Click();
    const QString path = dir.filePath("gone.txt");
    ui.pushSave(path);
    form->cmdWeiter_Click();
    ASSERT_TRUE(form->cmdExView->isEnabled());
    ASSERT_TRUE(QFile::remove(path));
    ui.pushMsgBox(forms::vbOK);
    form->cmdExView_Click();
    const auto box = ui.last(wktest::CallKind::MsgBox);
    EXPECT_EQ(box.prompt, "This file no longer exists:\r" + path);
    EXPECT_EQ(box.style, forms::vbExclamation);
}

TEST_F(WizardExport, CancelBeforeAnyImportDoesNotRebuild) {
    toItems();
    form->cmdCancel_Click();
    EXPECT_TRUE(form->Unloaded());
    EXPECT_EQ(host.rebuilds, 0);
}

TEST_F(WizardExport, DraggingMovesOnlyWhenTheCursorMoved) {
    open();
    form->move(100, 100);
    form->Header_MouseDown(form->lblBHeader, QPoint(30, 6));
    EXPECT_TRUE(form->bWindowDrag);
    EXPECT_EQ(form->GrabX, 450);
    const QPoint ctl = form->lblBHeader->pos();
    form->Header_MouseMove(form->lblBHeader, QPoint(500, 400));
    const int left = forms::twipsToPixels(500 * 15 - 450 - ctl.x() * 15 - 70);
    EXPECT_EQ(form->pos().x(), left);
    form->move(10, 10);
    form->Header_MouseMove(form->lblBHeader, QPoint(500, 400));  // same cursor: no move
    EXPECT_EQ(form->pos(), QPoint(10, 10));
    form->Header_MouseUp();
    form->Header_MouseMove(form->lblBHeader, QPoint(600, 400));
    EXPECT_EQ(form->pos(), QPoint(10, 10));
}

TEST_F(WizardExport, AnswerColumnsCountOverTheWholeDatabase) {
    add({"z", {"1", "2", "3"}});  // not exported, but sets three answer columns
    wktest::ScriptedUi ui;
    toItems();
    form->vgExDB_DblClick(1, 1);  // a
    form->cmdWeiter_Click();
    form->cmdWeiter_Click();
    const QString path = dir.filePath("n.txt");
    ui.pushSave(path);
    form->cmdWeiter_Click();
    EXPECT_EQ(readFile(path), QByteArray("a\ta1\t\t\r\n"));
    EXPECT_EQ(data->RecordCount(), 12);
}

// The open database, USER.MDB and their journals are never written over, by
// whatever name they are reached: the user is told and chooses again.
TEST_F(WizardExport, FilesTheProgramHoldsAreRefusedAndTheDialogComesBack) {
    const QString userDb = makeFile(dir.filePath("USER.MDB"));
    runstate::UserDBPfad = userDb;
    runstate::dbVok = db;
    const QString mainDb = db->Name();
    const QString linked = dir.filePath("kurs.htm");
    ASSERT_TRUE(QFile::link(mainDb, linked));
    const QString hardLinked = dir.filePath("other.htm");
    ASSERT_EQ(::link(QFile::encodeName(mainDb).constData(), QFile::encodeName(hardLinked).constData()), 0);
    const QByteArray userBytes = readFile(userDb);

    wktest::ScriptedUi ui;
    toItems(1);
    form->cmdExport_DB_L2R_A_Click();
    form->cmdWeiter_Click();
    const QStringList refused{mainDb,          mainDb + "-wal", mainDb + "-shm", userDb,
                              userDb + "-wal", linked,          hardLinked};
    for (const QString& name : refused) {
        ui.pushSave(name);
        ui.pushMsgBox(forms::vbOK);
    }
    const QString fine = dir.filePath("fine.htm");
    ui.pushSave(fine);
    form->cmdWeiter_Click();

    const auto boxes = ui.calls(wktest::CallKind::MsgBox);
    ASSERT_EQ(boxes.size(), size_t(refused.size()));
    for (int i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(boxes[size_t(i)].prompt,
                  "The file cannot be written:\r" + refused[i] +
                      "\r\rWortkiste is using this file: it is the open vocabulary database, the user "
                      "database USER.MDB or one of their journal files.\rPlease choose another folder or "
                      "file name.");
        EXPECT_EQ(boxes[size_t(i)].style, forms::vbExclamation);
    }
    EXPECT_EQ(ui.count(wktest::CallKind::ShowSave), int(refused.size()) + 1);
    EXPECT_EQ(form->ExportStep, 5);
    EXPECT_TRUE(readFile(fine).startsWith("<html>"));

    // Both databases are whole and in use as before.
    EXPECT_EQ(readFile(userDb), userBytes);
    EXPECT_TRUE(QFileInfo(linked).isSymLink());
    add({"after", {"x"}});
    auto again = dao::DBEngine::OpenDatabase(mainDb, false, true, pwd());
    EXPECT_EQ(again->OpenRecordset("VOK")->RecordCount(), 12);
    again->Close();
}

// A pipe is no place for an export: refused before anything is written.
TEST_F(WizardExport, APipeIsRefusedAsATarget) {
    wktest::StuckPipe pipe(dir.filePath("pipe.txt"));
    ASSERT_TRUE(pipe.made());
    wktest::ScriptedUi ui;
    modMain::TextBasis = 10000;
    toItems();
    form->cmdExport_DB_L2R_A_Click();
    form->cmdWeiter_Click();
    form->cmdWeiter_Click();
    ui.pushSave(pipe.path());
    ui.pushMsgBox(forms::vbOK);
    ui.pushSaveCancel();
    form->cmdWeiter_Click();
    modMain::TextBasis = 20000;
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt,
              "Die Datei kann nicht geschrieben werden:\r" + pipe.path() +
                  "\r\rDies ist keine gewöhnliche Datei, sondern ein Ordner, eine Pipe oder ein Gerät."
                  "\rBitte wählen Sie einen anderen Ordner oder Dateinamen.");
    EXPECT_EQ(ui.count(wktest::CallKind::ShowSave), 2);
    EXPECT_EQ(form->ExportStep, 4);
    EXPECT_EQ(wk::KindOfFile(pipe.path()), wk::FileKind::Other);
    EXPECT_FALSE(pipe.waited());
}
