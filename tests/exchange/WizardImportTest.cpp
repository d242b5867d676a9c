// The wizard's two import paths: conditions, source checks, item lists,
// the result line, the mixed mark, Back, Import more, the text preview and
// the default topic.
#include <QApplication>

#include <QTableView>

#include "FormFixture.h"
#include "support/Access.h"
#include "support/QtPrinters.h"

#include <sqlite3.h>
#include <QApplication>
#include <QMouseEvent>

#include "exchange/TextImport.h"
#include "platform/Memory.h"
#include "support/StuckPipe.h"

using namespace exchangetest;

namespace {

class WizardDbImport : public WizardTest {
protected:
    QString srcPath;
    void SetUp() override {
        WizardTest::SetUp();
        runstate::BenutzerNr = 2;
        srcPath = makeFile(dir.filePath("src.wkd"), "Quelle");
        auto s = dao::DBEngine::OpenDatabase(srcPath, false, false, pwd());
        addTo(s, {"Haus", {"house"}, "Nomen", 60.0});
        addTo(s, {"Baum", {"tree"}, "Nomen", 10.0});
        addTo(s, {"gehen", {"go"}, "Verben", 70.0});
        s->Close();
        add({"Baum", {"Eiche"}});
    }
    void toSource() {
        open();
        form->optChoice_DblClick(0);
    }
    void setSourceOption(const QString& field, const QVariant& v) { setOptionOf(srcPath, field, v); }
    QStringList entries(QListWidget* l) {
        QStringList out;
        for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
        return out;
    }
};

}  // namespace

TEST_F(WizardDbImport, ConditionLinesFollowTheCheckBoxAndConnectives) {
    open();
    EXPECT_EQ(runstate::BedWhat[3], "FQ2");
    EXPECT_EQ(form->cboWhat[1]->count(), 4);
    EXPECT_EQ(form->cboComp[2]->itemText(3), "not");
    EXPECT_EQ(form->cboAndOr[1]->itemText(0), "<End>");
    EXPECT_FALSE(form->cboWhat[0]->isEnabled());
    EXPECT_FALSE(form->cboAndOr[1]->isEnabled());
    form->chkBed->setChecked(true);
    EXPECT_TRUE(form->cboWhat[0]->isEnabled());
    EXPECT_TRUE(form->txtBed[0]->isEnabled());
    EXPECT_TRUE(form->cboAndOr[1]->isEnabled());
    EXPECT_FALSE(form->cboWhat[1]->isEnabled());
    EXPECT_FALSE(form->cboAndOr[2]->isEnabled());
    EXPECT_EQ(forms::backColor(form->cboWhat[1]), forms::vbButtonFace);
    EXPECT_EQ(forms::backColor(form->cboWhat[0]), 0xFFFFFFu);
    form->cboAndOr[1]->setCurrentIndex(2);
    EXPECT_TRUE(form->cboWhat[1]->isEnabled());
    EXPECT_TRUE(form->cboAndOr[2]->isEnabled());
    EXPECT_FALSE(form->txtBed[2]->isEnabled());
    form->cboAndOr[2]->setCurrentIndex(1);
    EXPECT_TRUE(form->txtBed[2]->isEnabled());
    form->cboAndOr[1]->setCurrentIndex(0);
    EXPECT_EQ(form->cboAndOr[2]->currentIndex(), 0);
    EXPECT_FALSE(form->cboAndOr[2]->isEnabled());
    EXPECT_FALSE(form->txtBed[2]->isEnabled());
    form->chkBed->setChecked(false);
    EXPECT_FALSE(form->cboAndOr[1]->isEnabled());
}

TEST_F(WizardDbImport, NextNeedsAnExistingFile) {
    toSource();
    EXPECT_TRUE(form->fraB_Import->isVisibleTo(form.get()));
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    form->txtB_Import_FileName->setText(dir.filePath("none.wkd"));
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    wktest::ScriptedUi ui;
    ui.pushOpen(srcPath);
    form->cmdB_Import_OpenDB_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::ShowOpen).dialog.Filter, "Vocabulary database (*.wkd)|*.wkd");
    EXPECT_EQ(form->txtB_Import_FileName->text(), srcPath);
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    ui.pushOpenCancel();
    form->cmdB_Import_OpenDB_Click();
    EXPECT_EQ(form->txtB_Import_FileName->text(), srcPath);
}

// A rate of mistake that is no number: one message, the page stays, and
// the focus is in the box that holds it, whichever control pressed Next.
TEST_F(WizardDbImport, InvalidErrorRateStaysWithOneMessage) {
    toSource();
    form->show();
    QApplication::setActiveWindow(form.get());
    form->txtB_Import_FileName->setText(srcPath);
    form->chkBed->setChecked(true);
    form->txtBed[0]->setText("Haus");
    form->cboAndOr[1]->setCurrentIndex(1);
    form->cboWhat[1]->setCurrentIndex(3);
    form->txtBed[1]->setText("viel");
    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbOK);
    form->cmdWeiter->setFocus(Qt::TabFocusReason);
    wktest::keyTo(form->cmdWeiter, Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_FALSE(form->BedValid);
    EXPECT_EQ(form->ImportStep, 1);
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, "Field must be numeric !");
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).style, forms::vbExclamation);
    EXPECT_TRUE(form->fraB_Import->isVisibleTo(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), form->txtBed[1]);
}

TEST_F(WizardDbImport, RefusedSourcesStayOnThePage) {
    toSource();
    form->txtB_Import_FileName->setText(srcPath);
    wktest::ScriptedUi ui;
    setSourceOption("ExportProtection", 1);
    ui.pushMsgBox(forms::vbOK);
    form->cmdWeiter_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, "Sorry, import not possible.");
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).title, forms::EmptyTitle);
    EXPECT_EQ(form->ImportStep, 1);
    setSourceOption("DBType", 3);
    ui.pushMsgBox(forms::vbOK);
    form->cmdWeiter_Click();
    EXPECT_TRUE(ui.last(wktest::CallKind::MsgBox).prompt.startsWith("This database was created with an old"));
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).style, forms::vbInformation);
    EXPECT_EQ(form->ImportStep, 1);

    writeFile(dir.filePath("junk.wkd"), "no database");
    form->txtB_Import_FileName->setText(dir.filePath("junk.wkd"));
    ui.pushMsgBox(forms::vbOK);
    form->cmdWeiter_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).title, "FF91");
    EXPECT_EQ(form->ImportStep, 1);
    EXPECT_TRUE(form->fraB_Import->isVisibleTo(form.get()));
}

// Each page's boxes and lists are named for assistive tools, and Tab goes
// from the page's first box on to the wizard's buttons.
TEST_F(WizardDbImport, PagesAreReachedByTabAndNamed) {
    toSource();
    const auto check = [&](QWidget* page, QWidget* first) {
        EXPECT_EQ(wktest::unnamedControls(page), QStringList()) << page->objectName().toStdString();
        EXPECT_EQ(wktest::missedByTab(first, {"cmdBack", "cmdCancel", "cmdWeiter"}), QStringList())
            << page->objectName().toStdString();
    };
    check(form->fraB_Import, form->txtB_Import_FileName);
    form->txtB_Import_FileName->setText(srcPath);
    form->cmdWeiter_Click();
    ASSERT_EQ(form->ImportStep, 2);
    check(form->fraC_Import, form->lstImport_DB);
    // The list's current entry reports the focus only while the list has it.
    form->show();
    QApplication::setActiveWindow(form.get());
    form->lstImport_DB->setCurrentRow(0);
    form->lstImport_DB->setFocus(Qt::TabFocusReason);
    form->cmdImport_L2Ra->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(wktest::focusedElsewhere(form.get()), QStringList());
    EXPECT_EQ(wktest::heard(form->cmdImport_L2Ra), "button: Add all questions");
}

TEST_F(WizardDbImport, WholeImportWithConditionDuplicateAndMixedMark) {
    toSource();
    form->txtB_Import_FileName->setText(srcPath);
    form->chkBed->setChecked(true);
    form->cboWhat[0]->setCurrentIndex(2);  // Subject
    form->txtBed[0]->setText("Nomen");
    form->cmdWeiter_Click();
    ASSERT_EQ(form->ImportStep, 2);
    EXPECT_TRUE(form->fraC_Import->isVisibleTo(form.get()));
    EXPECT_FALSE(form->cmdBack->isHidden());
    EXPECT_EQ(entries(form->lstImport_DB), (QStringList{"Baum", "Haus"}));
    EXPECT_FALSE(form->cmdWeiter->isEnabled());

    form->cmdImport_L2Ra_Click();
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    form->lstImport_Import->item(1)->setSelected(true);
    form->cmdImport_R2L_Click();
    EXPECT_EQ(entries(form->lstImport_Import), QStringList{"Baum"});
    form->lstImport_Import->setCurrentRow(0);
    form->lstImport_Import_DblClick();
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    form->cmdImport_L2Ra_Click();

    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbNo);  // Baum exists
    form->cmdWeiter_Click();
    EXPECT_EQ(form->ImportStep, 3);
    EXPECT_TRUE(form->ImportChanged);
    EXPECT_EQ(form->SkippedCount, 1);
    EXPECT_EQ(form->lblDImport_Added->text(), "1 question was added.");
    EXPECT_EQ(form->cmdWeiter->text(), "&Finish import");
    EXPECT_EQ(form->cmdWeiter->accessibleDescription(), "1 question was added.");  // heard on it
    EXPECT_EQ(form->cmdCancel->text(), "Import &more");
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    EXPECT_TRUE(form->cmdBack->isHidden());
    EXPECT_EQ(host.updates, QStringList{"THEMEN"});
    EXPECT_EQ(host.options->Value("Copyright").toString(), "![mixed] Notiz");
    EXPECT_EQ(data->RecordCount(), 2);

    form->cmdWeiter_Click();
    EXPECT_EQ(host.rebuilds, 1);
    EXPECT_TRUE(form->Unloaded());
}

// Back comes to the file name as a focus no Tab moved: its text is not
// selected, so that a key typed there does not replace the whole name.
TEST_F(WizardDbImport, BackLeavesTheFileNameUnselected) {
    toSource();
    form->show();
    QApplication::setActiveWindow(form.get());
    form->txtB_Import_FileName->setText(srcPath);
    form->cmdWeiter->click();
    ASSERT_EQ(form->ImportStep, 2);
    form->cmdBack->click();
    ASSERT_EQ(QApplication::focusWidget(), form->txtB_Import_FileName);
    EXPECT_FALSE(form->txtB_Import_FileName->hasSelectedText());
}

TEST_F(WizardDbImport, BackAndImportMoreAndCancelRebuilds) {
    toSource();
    form->txtB_Import_FileName->setText(srcPath);
    form->cmdWeiter_Click();
    EXPECT_EQ(entries(form->lstImport_DB), (QStringList{"Baum", "gehen", "Haus"}));
    form->cmdBack_Click();
    EXPECT_EQ(form->ImportStep, 1);
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    EXPECT_TRUE(form->cmdBack->isHidden());
    form->cmdWeiter_Click();
    form->lstImport_DB->setCurrentRow(1);
    form->lstImport_DB_DblClick();
    wktest::ScriptedUi ui;
    form->cmdWeiter_Click();
    EXPECT_EQ(form->lblDImport_Added->text(), "1 question was added.");
    form->cmdCancel_Click();  // Import more
    EXPECT_EQ(form->ImportStep, 1);
    EXPECT_EQ(form->cmdCancel->text(), "&Cancel");
    EXPECT_EQ(form->cmdWeiter->text(), "&Next >>");
    EXPECT_EQ(form->cmdWeiter->accessibleDescription(), "");
    EXPECT_TRUE(form->fraB_Import->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Unloaded());
    form->cmdCancel_Click();
    EXPECT_TRUE(form->Unloaded());
    EXPECT_EQ(host.rebuilds, 1);
}

TEST_F(WizardDbImport, DecliningEveryDuplicateCountsZeroAndStillMarks) {
    toSource();
    form->txtB_Import_FileName->setText(srcPath);
    form->cmdWeiter_Click();
    form->lstImport_DB->setCurrentRow(0);  // Baum
    form->lstImport_DB_DblClick();
    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbNo);
    form->cmdWeiter_Click();
    EXPECT_EQ(form->lblDImport_Added->text(), "0 questions were added.");
    EXPECT_TRUE(host.options->Value("Copyright").toString().startsWith("![mixed] "));
}

// Two source items share a question: each list entry stands for its own
// item, so choosing both writes each once and the result line counts the
// rows really written.
TEST_F(WizardDbImport, EqualQuestionsAreTwoEntriesEachImportedOnce) {
    auto s = dao::DBEngine::OpenDatabase(srcPath, false, false, pwd());
    addTo(s, {"gehen", {"walk"}, "verben"});
    addTo(s, {"Auto", {"car"}, "nomen"});
    s->Close();
    add({"Rad", {"bike"}, "Technik"});
    toSource();
    form->txtB_Import_FileName->setText(srcPath);
    form->cmdWeiter_Click();
    EXPECT_EQ(entries(form->lstImport_DB), (QStringList{"Auto", "Baum", "gehen", "gehen", "Haus"}));
    // Entries keep their item through moves both ways.
    form->cmdImport_L2Ra_Click();
    form->lstImport_Import->setCurrentRow(2);  // the first "gehen"
    form->lstImport_Import_DblClick();
    form->lstImport_DB->setCurrentRow(0);
    form->lstImport_DB_DblClick();

    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbNo);   // Baum exists
    ui.pushMsgBox(forms::vbYes);  // the second gehen
    form->cmdWeiter_Click();
    EXPECT_EQ(form->lblDImport_Added->text(), "4 questions were added.");
    EXPECT_EQ(form->SkippedCount, 1);
    EXPECT_EQ(data->RecordCount(), 2 + 4);
    auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {"gehen"});
    ASSERT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->Value("A1").toString(), "go");
    rs->MoveNext();
    EXPECT_EQ(rs->Value("A1").toString(), "walk");
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 2);

    // The lists are refilled once; new themes and categories follow the old
    // ones in the order met, each once whatever its case, as first spelled.
    EXPECT_EQ(host.updates, QStringList{"THEMEN"});
    EXPECT_EQ(host.themes(), (QStringList{"Other", "Technik", "nomen", "Verben"}));
    EXPECT_EQ(host.categories(), QStringList{"Other"});
}

namespace {

class WizardText : public WizardTest {
protected:
    void toFilePage() {
        open();
        form->optChoice_DblClick(2);
    }
};

}  // namespace

TEST_F(WizardText, FilePageIsNamed) {
    toFilePage();
    EXPECT_EQ(wktest::unnamedControls(form->fraB_TXTImport), QStringList());
    EXPECT_EQ(wktest::heard(form->vgB_TXTImport->view()), "table: Preview");
}

TEST_F(WizardText, PreviewFollowsPathFormatSeparatorAndHeader) {
    toFilePage();
    EXPECT_TRUE(form->fraB_TXTImport->isVisibleTo(form.get()));
    EXPECT_EQ(form->cboB_TXTImport_Separator->count(), 4);
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    const QString path = dir.filePath("w.txt");
    writeFile(path, "Frage;Antwort;Thema\r\nHaus;house;Nomen\r\n \r\nBaum;tree\r\n");
    form->txtB_TXTImport_FileName->setText("ab");
    EXPECT_EQ(form->lblB_TXTImport->text(), "-");
    {
        // Typing the path passes its folder (with files in it): no error box.
        wktest::ScriptedUi quiet;
        form->txtB_TXTImport_FileName->setText(dir.path() + "/");
        EXPECT_EQ(quiet.count(wktest::CallKind::MsgBox), 0);
        EXPECT_FALSE(form->cmdWeiter->isEnabled());
        EXPECT_EQ(form->lblB_TXTImport->text(), "-");
    }
    form->txtB_TXTImport_FileName->setText(path);
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    EXPECT_FALSE(form->chkB_TXTImport_Header->isHidden());
    EXPECT_EQ(form->vgB_TXTImport->Rows(), 3);  // the separator is still Tab
    EXPECT_EQ(form->vgB_TXTImport->CellText(2, 1), "Haus;house;Nomen");
    EXPECT_EQ(form->lblB_TXTImport->text(), "3 Questions");
    form->cboB_TXTImport_Separator->setCurrentIndex(2);
    EXPECT_EQ(form->vgB_TXTImport->Rows(), 3);
    EXPECT_EQ(form->vgB_TXTImport->CellText(2, 2), "house");
    form->chkB_TXTImport_Header->setChecked(true);
    EXPECT_EQ(form->vgB_TXTImport->Rows(), 2);
    EXPECT_EQ(form->lblB_TXTImport->text(), "2 Questions");
    form->cboB_TXTImport_Format->setCurrentIndex(1);
    EXPECT_EQ(form->vgB_TXTImport->Columns(), 10);
    EXPECT_EQ(form->vgB_TXTImport->ColumnHeader("A9"), "9. Answer");
    form->txtB_TXTImport_FileName->setText(dir.filePath("gone.txt"));
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    EXPECT_TRUE(form->chkB_TXTImport_Header->isHidden());
}

TEST_F(WizardText, DefaultTopicAskedUntilGivenThenImported) {
    add({"Haus", {"Gebäude"}});
    toFilePage();
    const QString path = dir.filePath("w.txt");
    writeFile(path, "Haus@house@Nomen\nBaum@tree\n");
    form->cboB_TXTImport_Separator->setCurrentIndex(3);
    form->txtB_TXTImport_FileName->setText(path);
    ASSERT_EQ(form->vgB_TXTImport->Rows(), 2);
    wktest::ScriptedUi ui;
    ui.pushInputBox("");
    ui.pushInputBox("Standard");
    ui.pushMsgBox(forms::vbYes);  // Haus exists
    form->cmdWeiter_Click();
    EXPECT_EQ(ui.count(wktest::CallKind::InputBox), 2);
    const auto ask = ui.last(wktest::CallKind::InputBox);
    EXPECT_EQ(ask.title, "Choose a standard subject");
    EXPECT_EQ(ask.defaultText, "Other");
    EXPECT_TRUE(ask.prompt.contains("\r\n\r\n"));
    EXPECT_EQ(form->DefaultThema, "Standard");
    EXPECT_EQ(form->ImportStep, 2);
    EXPECT_EQ(form->lblC_TXTProgress->text(), "2 questions were added.");
    EXPECT_TRUE(form->cmdCancel->isHidden());
    EXPECT_EQ(form->cmdWeiter->text(), "&Finish import");
    EXPECT_EQ(form->cmdWeiter->accessibleDescription(), "2 questions were added.");
    EXPECT_EQ(host.updates, QStringList{"THEMEN"});  // once, after the whole run
    EXPECT_EQ(host.themes(), (QStringList{"Other", "Nomen", "Standard"}));
    EXPECT_EQ(host.categories(), QStringList{"Other"});
    auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {"Baum"});
    EXPECT_EQ(rs->Value("T").toString(), "Standard");
    form->cmdWeiter_Click();
    EXPECT_EQ(host.rebuilds, 1);
    EXPECT_TRUE(form->Unloaded());
}

TEST_F(WizardText, EmptyPreviewImportsNothingWithoutAsking) {
    toFilePage();
    const QString path = dir.filePath("w.txt");
    writeFile(path, "only the header\r\n");
    form->txtB_TXTImport_FileName->setText(path);
    form->chkB_TXTImport_Header->setChecked(true);
    EXPECT_EQ(form->lblB_TXTImport->text(), "0 Question");
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    wktest::ScriptedUi ui;
    form->cmdWeiter_Click();
    EXPECT_EQ(ui.count(wktest::CallKind::InputBox), 0);
    EXPECT_EQ(form->lblC_TXTProgress->text(), "0 questions were added.");
}

TEST_F(WizardText, OverlongFieldsAreReportedOnce) {
    toFilePage();
    const QString path = dir.filePath("w.txt");
    writeFile(path, (QString(300, 'x') + "\ta\tt\r\nok\ta\tt\r\n").toUtf8());
    form->txtB_TXTImport_FileName->setText(path);
    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbOK);
    form->cmdWeiter_Click();
    const auto box = ui.last(wktest::CallKind::MsgBox);
    EXPECT_EQ(box.title, "HT4i");
    EXPECT_TRUE(box.prompt.contains("3163"));
    EXPECT_TRUE(box.prompt.contains("(1)"));
    EXPECT_EQ(form->lblC_TXTProgress->text(), "1 question was added.");
}

TEST_F(WizardText, BrowseAndAWindows1252FileWithHeader) {
    toFilePage();
    const QString path = dir.filePath("alt.txt");
    writeFile(path,
              "Frage\tAntwort\tThema\r\nT\xFC"
              "r\tdoor\tHaus\r\nStra\xDF"
              "e\tstreet\r\n");
    wktest::ScriptedUi ui;
    ui.pushOpenCancel();
    form->cmdTXTImportFile_Click();
    EXPECT_TRUE(form->txtB_TXTImport_FileName->text().isEmpty());
    ui.pushOpen(path);
    form->cmdTXTImportFile_Click();
    const auto dlg = ui.last(wktest::CallKind::ShowOpen).dialog;
    EXPECT_EQ(dlg.Filter, "*.*|*.*");
    EXPECT_EQ(dlg.DialogTitle, "Open textfile");
    EXPECT_EQ(dlg.InitDir, modMain::GetDBPath());
    form->chkB_TXTImport_Header->setChecked(true);
    ASSERT_EQ(form->vgB_TXTImport->Rows(), 2);
    EXPECT_EQ(form->vgB_TXTImport->CellText(1, 1), QString::fromUtf8("Tür"));
    ui.pushInputBox("Allgemein");
    form->cmdWeiter_Click();
    auto rs =
        db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {QString::fromUtf8("Straße")});
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Value("T").toString(), "Allgemein");
    EXPECT_EQ(rs->Value("A1").toString(), "street");
}

namespace {

// The memory the process may still take, as a test sets it; none when gone.
struct MemoryCeiling {
    explicit MemoryCeiling(qint64 bytes) { wk::MemoryCeilingForTests = bytes; }
    ~MemoryCeiling() { wk::MemoryCeilingForTests = -1; }
};

}  // namespace

// A file is shown when its rows and their import fit in the free memory
// less what the program keeps, and refused in plain words before it is all
// read when they miss by a byte: no part of it is offered for import, and
// Next stays off until a preview fits. An import the memory no longer holds
// is refused before its first item and leaves the database as it was; one
// that fits to the byte is made.
TEST_F(WizardText, WhatTheMemoryCannotHoldIsRefusedWhatFitsIsTaken) {
    using namespace exchange;
    toFilePage();
    const QString path = dir.filePath("w.txt");
    writeFile(path, "Haus\thouse\tNomen\r\nBaum\ttree\tNatur\r\n");
    const qint64 import = kImportBaseBytes + ImportRowBytes("Haus") + ImportRowBytes("Baum");
    const qint64 file =
        import + PreviewRowBytes({"Haus", "house", "Nomen"}) + PreviewRowBytes({"Baum", "tree", "Natur"});
    wktest::ScriptedUi ui;
    {
        const MemoryCeiling scarce(kKeptFreeBytes + file - 1);
        ui.pushMsgBox(forms::vbOK);
        form->txtB_TXTImport_FileName->setText(path);
    }
    EXPECT_EQ(ui.msgBoxPrompts(),
              QStringList{"There is not enough memory for this file:\r" + path +
                          "\r\rIt is too large for the memory that is free. Reading it was stopped, and "
                          "nothing of it is shown or imported. Split the file into smaller ones, or close "
                          "other programs and try again."});
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).title, "Wortkiste");
    EXPECT_EQ(form->vgB_TXTImport->Rows(), 0);
    EXPECT_EQ(form->lblB_TXTImport->text(), "-");
    EXPECT_FALSE(form->cmdWeiter->isEnabled());

    {
        const MemoryCeiling enough(kKeptFreeBytes + file);
        form->chkB_TXTImport_Header->setChecked(true);
        form->chkB_TXTImport_Header->setChecked(false);
    }
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_EQ(form->vgB_TXTImport->Rows(), 2);
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    {
        const MemoryCeiling scarce(kKeptFreeBytes + import - 1);
        ui.pushMsgBox(forms::vbOK);
        form->cmdWeiter_Click();
    }
    EXPECT_EQ(ui.msgBoxPrompts().last(),
              "There was not enough memory for the import. Nothing has been imported: the database is as it "
              "was.");
    EXPECT_EQ(form->lblC_TXTProgress->text(), "0 questions were added.");
    EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 0);
    EXPECT_TRUE(host.updates.isEmpty());
    {
        const MemoryCeiling enough(kKeptFreeBytes + import);
        form->ImportTXTFile();
    }
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 2);
    EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 2);
}

// A pipe chosen as the text or the source database is named, never read:
// reading it would wait for good. So is the open database chosen or typed
// as the text: reading it would cost its connection the locks, and it ends
// in the plain refusal, not in the error report.
TEST_F(WizardText, APipeChosenAsTextOrSourceIsNamedAndNotRead) {
    wktest::StuckPipe pipe(dir.filePath("pipe.txt"));
    ASSERT_TRUE(pipe.made());
    const QString said = "File cannot be opened:\r" + pipe.path() +
                         "\r\rThis is not a regular file but a folder, a pipe or a device.";
    const QString self = dir.filePath("main.wkd");
    const QString held = "File cannot be opened:\r" + self +
                         "\r\rWortkiste is using this file: it is the open vocabulary database, the user "
                         "database USER.MDB or one of their journal files.";
    runstate::dbVok = db;
    toFilePage();
    wktest::ScriptedUi ui;
    for (const auto& [path, refusal] : {std::pair{pipe.path(), said}, std::pair{self, held}}) {
        ui.pushOpen(path);
        ui.pushMsgBox(forms::vbOK);
        form->cmdTXTImportFile_Click();
        EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, refusal);
        EXPECT_TRUE(form->txtB_TXTImport_FileName->text().isEmpty());
        EXPECT_FALSE(form->cmdWeiter->isEnabled());
        try {
            exchange::ReadImportFile(
                path, "\t", exchange::TextLayout::QuestionAnswerTheme, false, [](const QStringList&) {},
                1 << 20);
            ADD_FAILURE() << "read as text: " << path.toStdString();
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), 75);
        }
    }
    ui.pushMsgBox(forms::vbOK);
    form->txtB_TXTImport_FileName->setText(self);
    form->cboB_TXTImport_Separator->setCurrentIndex(2);
    EXPECT_EQ(ui.msgBoxPrompts(), (QStringList{said, held, held}));
    EXPECT_FALSE(form->cmdWeiter->isEnabled());

    form->cmdCancel_Click();
    open();
    form->optChoice_DblClick(0);
    ui.pushOpen(pipe.path());
    ui.pushMsgBox(forms::vbOK);
    form->cmdB_Import_OpenDB_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, said);
    EXPECT_TRUE(form->txtB_Import_FileName->text().isEmpty());
    EXPECT_FALSE(pipe.waited());
}

// Items whose values the open database refuses are reported and not counted
// as added.
TEST_F(WizardDbImport, ItemsTheDatabaseRefusesAreNotCountedAsAdded) {
    {
        // Another program wrote a subject longer than the field holds.
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(srcPath).constData(), &raw), SQLITE_OK);
        const QByteArray sql = "PRAGMA ignore_check_constraints = 1; UPDATE VOK SET T = '" +
                               QByteArray(60, 't') + "' WHERE Q = 'gehen'";
        EXPECT_EQ(sqlite3_exec(raw, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    }
    toSource();
    form->txtB_Import_FileName->setText(srcPath);
    form->cmdWeiter_Click();
    ASSERT_EQ(entries(form->lstImport_DB), (QStringList{"Baum", "gehen", "Haus"}));
    form->lstImport_DB->setCurrentRow(1);  // gehen
    form->lstImport_DB_DblClick();
    form->lstImport_DB->setCurrentRow(1);  // Haus
    form->lstImport_DB_DblClick();
    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbOK);
    form->cmdWeiter_Click();
    const auto box = ui.last(wktest::CallKind::MsgBox);
    EXPECT_TRUE(box.prompt.contains("3163")) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains("(gehen)")) << box.prompt.toStdString();
    EXPECT_EQ(form->lblDImport_Added->text(), "1 question was added.");
    EXPECT_EQ(data->RecordCount(), 2);
    auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {"gehen"});
    EXPECT_EQ(rs->RecordCount(), 0);
}

// The option groups choose as the arrows move, and the option a page's focus
// comes to is the one chosen, so that Next is there without Space and acts
// on what is framed; each step, by Next or by a double click, goes on to the
// work of the next page, and Tab leaves the text import's preview while it
// is empty.
TEST_F(WizardText, ArrowsChooseAndEachPageStartsAtItsWork) {
    add({"Haus", {"house"}});
    const auto activate = [this] {
        form->show();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
    };
    const auto next = [this] {
        form->cmdWeiter->setFocus(Qt::TabFocusReason);
        wktest::keyTo(form->cmdWeiter, Qt::Key_Space, Qt::NoModifier, " ");
    };
    open();
    activate();
    // Nothing chosen yet, Next locked: Return on the option framed goes
    // nowhere.
    ASSERT_EQ(QApplication::focusWidget(), form->optChoice[0]);
    EXPECT_FALSE(form->optChoice[0]->isChecked());
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    wktest::keyTo(form->optChoice[0], Qt::Key_Return);
    EXPECT_TRUE(form->fraA_Start->isVisible());
    wktest::keyTo(form->optChoice[0], Qt::Key_Down);
    EXPECT_TRUE(form->optChoice[1]->isChecked());
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    {
        // Next by its shortcut (Alt+N), the focus still on the page going:
        // it waits for the new page's work, and a reader hears that alone.
        wktest::ReaderLog log;
        form->cmdWeiter->click();
        EXPECT_EQ(log.focus(), QStringList{"optExport_Format"});
    }
    ASSERT_EQ(QApplication::focusWidget(), form->optExport_Format[0]);
    EXPECT_FALSE(form->optExport_Format[0]->isChecked());
    EXPECT_FALSE(form->cmdWeiter->isEnabled());
    wktest::keyTo(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(form->optExport_Format[1]->isChecked());
    EXPECT_TRUE(form->cmdWeiter->isEnabled());
    next();
    EXPECT_EQ(wktest::focusedControl(form.get()), "vgExDB");
    form->cmdExport_DB_L2R_A->click();
    next();
    EXPECT_EQ(wktest::focusedControl(form.get()), "lstExFields");

    form.reset();
    open();
    activate();
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->optChoice[2], &twice);
    EXPECT_EQ(wktest::focusedControl(form.get()), "txtB_TXTImport_FileName");
    EXPECT_EQ(wktest::tabWalk(form->txtB_TXTImport_FileName),
              QStringList({"txtB_TXTImport_FileName", "cmdTXTImportFile", "cboB_TXTImport_Format",
                           "cboB_TXTImport_Separator", "cmdCancel"}));
}
