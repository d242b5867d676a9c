// The settings panel driven through its controls, against real databases.
#include <QApplication>
#include <QKeyEvent>
#include <QTreeWidgetItemIterator>

#include "SettingsFixture.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Twips.h"

namespace settingstest {
namespace {

using forms::backColor;
using wktest::CallKind;

class SettingsPanelTest : public SettingsFixture {};

// Types text into a box key by key, as the user would.
void typeInto(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

TEST_F(SettingsPanelTest, TreeHasElevenNodesAndEachShowsItsPage) {
    auto& p = load();
    ASSERT_EQ(p.tvVerwaltung->topLevelItemCount(), 3);
    QTreeWidgetItem* test = p.tvVerwaltung->topLevelItem(0);
    EXPECT_EQ(test->text(0), "Test options");
    EXPECT_TRUE(test->isExpanded());
    ASSERT_EQ(test->childCount(), 8);
    const QStringList texts{"Filtering of questions", "Item to ask",     "Sorting order", "Presentation",
                            "Other options",          "Error treatment", "Limits",        "Point credit"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(test->child(i)->text(0), texts[i]);
    EXPECT_EQ(p.tvVerwaltung->topLevelItem(1)->text(0), "Program options");
    EXPECT_EQ(p.tvVerwaltung->topLevelItem(2)->text(0), "Database");

    auto visiblePages = [&] {
        QStringList shown;
        for (QFrame* f : p.fraOpt->findChildren<QFrame*>(QString(), Qt::FindDirectChildrenOnly))
            if (!f->isHidden() && f != p.tvVerwaltung) shown << f->objectName();
        return shown;
    };
    p.tvVerwaltung_NodeClick(test);
    EXPECT_EQ(visiblePages(), QStringList{"fraOpt_Test"});
    EXPECT_EQ(p.lblBOpt_Start->text(), "Please choose the options you want to modify.");
    const QStringList pages{
        "fraVTE_Welche",   "fraA0AbzufragenderBegriff", "fraA0Sortierreihenfolge", "fra0Praesent",
        "fraVTE_Sonstige", "fraOpt_Fehlerbehandlung",   "fraOpt_Limits",           "fraOpt_Punkte"};
    for (int i = 0; i < 8; ++i) {
        p.tvVerwaltung_NodeClick(test->child(i));
        EXPECT_EQ(visiblePages(), QStringList{pages[i]});
    }
    p.tvVerwaltung_NodeClick(p.tvVerwaltung->topLevelItem(1));
    EXPECT_EQ(visiblePages(), QStringList{"fraVPE"});
    p.tvVerwaltung_NodeClick(p.tvVerwaltung->topLevelItem(2));
    EXPECT_EQ(visiblePages(), QStringList{"fraVDI"});

    // Rebuilding keeps the node the user was on.
    p.tvVerwaltung->setCurrentItem(p.tvVerwaltung->topLevelItem(2));
    p.InitOptionTab();
    EXPECT_EQ(p.tvVerwaltung->currentItem()->data(0, Qt::UserRole).toString(), "DB");
    p.tvVerwaltung_GotFocus();
    EXPECT_EQ(visiblePages(), QStringList{"fraVDI"});
}

TEST_F(SettingsPanelTest, DatabasePageEnablesTheLocksStillOpen) {
    setStored("ShowOverview", 0);
    auto& p = load();
    p.tvVerwaltung_NodeClick(p.tvVerwaltung->topLevelItem(2));
    EXPECT_FALSE(p.cmdDBHideOverview->isEnabled());
    EXPECT_TRUE(p.cmdDBHideOptions->isEnabled());
    EXPECT_TRUE(p.cmdDBHideImportExport->isEnabled());
    EXPECT_EQ(p.cmdDBHideImportExport->text(), "Lock import/export");

    // The locks themselves are the main window's.
    int calls = 0;
    p.onCmdDBHideOptions_Click = [&] { ++calls; };
    p.cmdDBHideOptions->click();
    EXPECT_EQ(calls, 1);
    p.cmdDBHideOverview->setEnabled(true);
    p.cmdDBHideOverview->click();  // nothing hooked: nothing happens
}

TEST_F(SettingsPanelTest, UntickingShowRightAnswerClearsAndLocksItsDependents) {
    auto& p = load();
    ASSERT_TRUE(p.chk0Aufloesen->isChecked());
    ASSERT_TRUE(p.chk0AskAgain->isChecked());
    p.chk0Aufloesen->click();
    EXPECT_EQ(storedInt("BegriffAufloesen"), 0);
    EXPECT_EQ(storedInt("NochmalFragen"), 0);
    EXPECT_EQ(storedInt("FalscheNochmal"), 0);
    EXPECT_FALSE(p.chk0AskAgain->isChecked());
    EXPECT_FALSE(p.chk0AskAgain->isEnabled());
    EXPECT_FALSE(p.chkFalscheNochmal->isEnabled());

    // Ticking again frees them, still unticked.
    p.chk0Aufloesen->click();
    EXPECT_EQ(storedInt("BegriffAufloesen"), 1);
    EXPECT_TRUE(p.chk0AskAgain->isEnabled());
    EXPECT_TRUE(p.chkFalscheNochmal->isEnabled());
    EXPECT_FALSE(p.chk0AskAgain->isChecked());
    EXPECT_EQ(storedInt("NochmalFragen"), 0);
}

TEST_F(SettingsPanelTest, LoadingAppliesTheDependencyRules) {
    setStored("BegriffAufloesen", 0);
    setStored("NochmalFragen", 1);
    setStored("ZaehlePunkte", 0);
    setStored("Punktebewertung", 1);
    auto& p = load();
    EXPECT_FALSE(p.chk0AskAgain->isChecked());
    EXPECT_FALSE(p.chk0AskAgain->isEnabled());
    EXPECT_EQ(storedInt("NochmalFragen"), 0);
    EXPECT_FALSE(p.chkPunkteBewertung->isChecked());
    EXPECT_FALSE(p.chkPunkteBewertung->isEnabled());
    EXPECT_EQ(storedInt("Punktebewertung"), 0);
    EXPECT_TRUE(ui.calls(CallKind::MsgBox).empty());
}

TEST_F(SettingsPanelTest, PresentationKeepsOneWayOn) {
    auto& p = load();
    p.chkPic->click();
    p.chkSound->click();
    EXPECT_EQ(storedInt("ShowPic"), 0);
    EXPECT_EQ(storedInt("ShowSound"), 0);
    // With picture and sound off, text cannot go off.
    p.chkTxt->click();
    EXPECT_TRUE(p.chkTxt->isChecked());
    EXPECT_EQ(storedInt("ShowText"), 1);

    // Text off and sound off: unticking picture brings text back.
    p.chkPic->click();
    p.chkTxt->click();
    EXPECT_EQ(storedInt("ShowText"), 0);
    p.chkPic->click();
    EXPECT_TRUE(p.chkTxt->isChecked());
    EXPECT_EQ(storedInt("ShowText"), 1);
    EXPECT_EQ(storedInt("ShowPic"), 0);
}

TEST_F(SettingsPanelTest, LoadingAnotherDatabaseDoesNotLeakThePresentationOfTheLast) {
    auto& p = load();
    p.chkPic->click();  // this panel now shows text on, picture off, sound on
    p.chkSound->click();
    ASSERT_TRUE(p.chkTxt->isChecked());
    // The next load finds text off and picture on.
    setStored("ShowText", 0);
    setStored("ShowPic", 1);
    setStored("ShowSound", 0);
    p.InitOptionTab();
    EXPECT_FALSE(p.chkTxt->isChecked());
    EXPECT_EQ(storedInt("ShowText"), 0);
    EXPECT_EQ(storedInt("ShowPic"), 1);
    // A stored set with everything off is repaired to text on.
    setStored("ShowPic", 0);
    p.InitOptionTab();
    EXPECT_TRUE(p.chkTxt->isChecked());
    EXPECT_EQ(storedInt("ShowText"), 1);
}

TEST_F(SettingsPanelTest, SwitchesGreyTheirBoxes) {
    auto& p = load();
    EXPECT_FALSE(p.txtMaxFragen->isEnabled());
    EXPECT_EQ(backColor(p.txtMaxFragen), 0xE0E0E0u);
    EXPECT_FALSE(p.txt0ZeitlimitS->isEnabled());
    EXPECT_EQ(backColor(p.txt0ZeitlimitS), forms::vbButtonFace);
    p.chkMaxFragen->click();
    EXPECT_TRUE(p.txtMaxFragen->isEnabled());
    EXPECT_EQ(backColor(p.txtMaxFragen), 0xFFFFFFu);
    EXPECT_EQ(storedInt("bTestMaxFragen"), 1);
    p.chkNotTheKnown->click();
    EXPECT_TRUE(p.cboKnownWieOft->isEnabled());
    p.chk2BigZeitlimit->click();
    EXPECT_TRUE(p.txt2BigZeitlimitM->isEnabled());
    EXPECT_EQ(backColor(p.txt2BigZeitlimitM), 0xFFFFFFu);
    p.chk2BigZeitlimit->click();
    EXPECT_EQ(backColor(p.txt2BigZeitlimitM), forms::vbButtonFace);
    EXPECT_EQ(storedInt("BigZeitlimit"), 0);
}

TEST_F(SettingsPanelTest, ChoiceOfItemsSwitchesTheListsAndStoresTheChosenEntry) {
    runstate::arrThemen = QStringList{"Tiere", "Farben"};
    runstate::arrKategorien = QStringList{"Verben"};
    setStored("AuswahlThema", "Farben");
    auto& p = load();
    EXPECT_EQ(p.cboAbfrageThema->currentText(), "Farben");
    EXPECT_EQ(stored("AuswahlThema").toString(), "Farben");
    // An empty category choice takes the first entry of the list.
    EXPECT_EQ(stored("AuswahlKategorie").toString(), "Verben");
    EXPECT_FALSE(p.cboAbfrageThema->isEnabled());
    EXPECT_EQ(backColor(p.cboAbfrageThema), forms::vbButtonFace);

    p.optAuswahl[2]->click();
    EXPECT_EQ(storedInt("Auswahl"), 2);
    EXPECT_TRUE(p.cboAbfrageThema->isEnabled());
    EXPECT_FALSE(p.cboAbfrageKategorie->isEnabled());
    p.cboAbfrageThema->setCurrentIndex(0);
    EXPECT_EQ(stored("AuswahlThema").toString(), "Tiere");
    p.optAuswahl[0]->click();
    EXPECT_FALSE(p.cboAbfrageThema->isEnabled());
    EXPECT_EQ(stored("AuswahlThema").toString(), "Tiere");

    p.chkNotTheKnown->click();
    p.cboKnownWieOft->setCurrentIndex(4);
    EXPECT_EQ(storedInt("KnownWieOft"), 5);

    // A theme that is no longer in the list leaves the list without a choice
    // and the stored name as it is.
    setStored("AuswahlThema", "Weg");
    p.InitOptionTab();
    EXPECT_EQ(p.cboAbfrageThema->currentIndex(), -1);
    EXPECT_EQ(stored("AuswahlThema").toString(), "Weg");
}

TEST_F(SettingsPanelTest, MaxQuestionsStoresEveryValidCountWhileTyping) {
    auto& p = load();
    p.chkMaxFragen->click();
    p.txtMaxFragen->setText("0");
    EXPECT_EQ(storedInt("TestMaxFragen"), 50);
    EXPECT_TRUE(ui.calls(CallKind::MsgBox).empty());
    p.txtMaxFragen->clear();
    for (const char* t : {"1", "12", "120"}) {
        p.txtMaxFragen->setText(t);
        EXPECT_EQ(storedInt("TestMaxFragen"), QString(t).toInt());
    }
    p.txtMaxFragen->setText("2.5");
    EXPECT_EQ(storedInt("TestMaxFragen"), 2);
    p.txtMaxFragen->setText("9e99");  // fits the box, not the field
    EXPECT_EQ(storedInt("TestMaxFragen"), 2);
    EXPECT_TRUE(ui.calls(CallKind::MsgBox).empty());

    // Leaving it empty asks for a number.
    p.txtMaxFragen->clear();
    ui.pushMsgBox(forms::vbOK);
    p.txtMaxFragen_LostFocus();
    EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, "Field must be numeric !");
    EXPECT_EQ(storedInt("TestMaxFragen"), 2);
}

TEST_F(SettingsPanelTest, TriesMustBeNumeric) {
    auto& p = load();
    p.txt0Versuche->setText("x");
    ui.pushMsgBox(forms::vbOK);
    p.txt0Versuche_LostFocus();
    const auto& box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.prompt, "Field must be numeric !");
    EXPECT_EQ(box.title, "Warning:");
    EXPECT_EQ(box.style, forms::vbInformation | forms::vbOKOnly);
    EXPECT_EQ(storedInt("AnzahlVersuche"), 1);
    p.txt0Versuche->setText("0");
    p.txt0Versuche_LostFocus();
    EXPECT_EQ(storedInt("AnzahlVersuche"), 0);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
}

TEST_F(SettingsPanelTest, WholeTestMinutesAreCappedAt500) {
    auto& p = load();
    p.chk2BigZeitlimit->click();
    p.txt2BigZeitlimitM->setText("750");
    p.txt2BigZeitlimitM_LostFocus();
    EXPECT_EQ(storedInt("BigZeitlimitM"), 500);
    EXPECT_EQ(p.txt2BigZeitlimitM->text(), "500");
    p.txt2BigZeitlimitM->setText("45");
    p.txt2BigZeitlimitM_LostFocus();
    EXPECT_EQ(storedInt("BigZeitlimitM"), 45);
    p.txt2BigZeitlimitM->clear();
    ui.pushMsgBox(forms::vbOK);
    p.txt2BigZeitlimitM_LostFocus();
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
    EXPECT_EQ(storedInt("BigZeitlimitM"), 45);

    // Seconds beyond the Integer field leave the field as it was, silently.
    p.txt0ZeitlimitS->setText("40000");
    p.txt0ZeitlimitS_LostFocus();
    EXPECT_EQ(storedInt("SekundenZeitlimit"), 12);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
}

TEST_F(SettingsPanelTest, DescriptionTextsAreStoredAsTypedAndKeepWithinTheirFields) {
    auto& p = load();
    EXPECT_EQ(p.txtC->text(), "note");
    EXPECT_TRUE(p.txtC->isReadOnly());
    p.txtStichworte->setText("  Tiere, Farben ");
    p.txtStichworte_LostFocus();
    EXPECT_EQ(stored("Stichworte").toString(), "  Tiere, Farben ");
    p.txtKommentar->setPlainText("Zeile 1\nZeile 2");
    p.txtKommentar_LostFocus();
    EXPECT_EQ(stored("Kommentar").toString(), "Zeile 1\r\nZeile 2");

    // Typing stops at the field's size; nothing is cut on the way in.
    p.txtVersion->clear();
    p.txtVersion->show();
    typeInto(p.txtVersion, "1.2.3-beta-final");
    EXPECT_EQ(p.txtVersion->text(), "1.2.3-beta");
    p.txtVersion_LostFocus();
    EXPECT_EQ(stored("Version").toString(), "1.2.3-beta");
    EXPECT_EQ(forms::textLengthLimit(p.txtStichworte), 200);
    EXPECT_EQ(forms::textLengthLimit(p.txtPunkteBewertung(3)), 240);
    EXPECT_EQ(forms::textLengthLimit(p.txtPunkteBis(3)), 6);
    EXPECT_TRUE(ui.calls(CallKind::MsgBox).empty());
}

TEST_F(SettingsPanelTest, ProgramOptionsWriteOnlyTheUserDatabase) {
    auto& p = load();
    const QVariantMap before = optionsRow();
    const QVariant listIcon = storedProgram("ListIcon");
    p.chkPlayRight->click();
    p.chkRegFileType->click();
    EXPECT_EQ(storedProgram("PlayRight").toInt(), 0);
    EXPECT_EQ(storedProgram("RegFileType").toInt(), 0);
    EXPECT_EQ(storedProgram("PlayWrong").toInt(), 1);
    EXPECT_EQ(storedProgram("ListIcon"), listIcon);
    EXPECT_EQ(optionsRow(), before);
    EXPECT_EQ(p.chkRegFileType->text(), "R&egister *.wkd with Wortkiste ");

    // No automatic continuation belongs to the user's row.
    p.chkNoAutofill->click();
    auto rs = user.dbUser->OpenRecordset("SELECT * FROM Benutzer WHERE ID=1");
    EXPECT_EQ(rs->Value("R2").toInt(), 1);
    EXPECT_EQ(optionsRow(), before);
}

TEST_F(SettingsPanelTest, GradingWithNoPointsSetsEveryUpperEndToZero) {
    setStored("ZaehlePunkte", 1);
    setStored("Punktebewertung", 1);
    setStored("BewertungP3", 5);
    auto& p = load();
    for (int i = 3; i <= 8; ++i) EXPECT_EQ(storedInt(QString("BewertungP%1").arg(i)), 0) << i;
    EXPECT_EQ(p.lblPunkteBis(1)->text(), "0 to");
    EXPECT_EQ(p.txtPunkteBis(1)->text(), "0");
    EXPECT_TRUE(p.txtPunkteBis(1)->isEnabled());
    for (int k = 2; k <= 8; ++k) {
        EXPECT_FALSE(p.txtPunkteBis(k)->isEnabled()) << k;
        EXPECT_EQ(backColor(p.txtPunkteBewertung(k)), 0xE0E0E0u);
        EXPECT_EQ(p.lblPunkteBis(k)->text(), "");
    }
}

TEST_F(SettingsPanelTest, GradingRowsFollowTheStoredUpperEnds) {
    addItem("a", 60);
    addItem("b", 40);
    setStored("ZaehlePunkte", 1);
    setStored("Punktebewertung", 1);
    setStored("BewertungP2", 10);
    setStored("BewertungP3", 20);
    setStored("BewertungP4", 30);
    setStored("Bewertung2", "gut");
    const QVariantMap before = optionsRow();
    auto& p = load();
    EXPECT_EQ(p.PunkteGesamt, 100);
    const QStringList labels{"0 to", "11 to", "21 to", "31 to"};
    const QStringList ends{"10", "20", "30", "100"};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_TRUE(p.txtPunkteBis(k)->isEnabled()) << k;
        EXPECT_EQ(p.lblPunkteBis(k)->text(), labels[k - 1]);
        EXPECT_EQ(p.txtPunkteBis(k)->text(), ends[k - 1]);
    }
    for (int k = 5; k <= 8; ++k) EXPECT_FALSE(p.txtPunkteBis(k)->isEnabled()) << k;
    EXPECT_EQ(p.txtPunkteBewertung(2)->text(), "gut");
    for (int i = 2; i <= 8; ++i)
        EXPECT_EQ(storedInt(QString("BewertungP%1").arg(i)),
                  before.value(QString("BewertungP%1").arg(i)).toInt());

    // Letters in row 2's upper end: the total, and every later row goes off.
    p.txtPunkteBis(2)->setText("abc");
    p.txtPunkteBis_LostFocus(2);
    EXPECT_EQ(storedInt("BewertungP3"), 100);
    EXPECT_EQ(p.txtPunkteBis(2)->text(), "100");
    for (int k = 3; k <= 8; ++k) EXPECT_FALSE(p.txtPunkteBis(k)->isEnabled()) << k;

    // Row 8's end is never stored.
    p.txtPunkteBis(8)->setText("7");
    p.txtPunkteBis_LostFocus(8);
    EXPECT_EQ(p.txtPunkteBis(8)->text(), "100");

    // A grade text is stored as it changes.
    p.txtPunkteBewertung(1)->setText("sehr gut");
    EXPECT_EQ(stored("Bewertung1").toString(), "sehr gut");

    // Counting off: grading off, all rows grey, labels hidden, values kept.
    p.chkCountPoints->click();
    EXPECT_EQ(storedInt("Punktebewertung"), 0);
    for (int k = 1; k <= 8; ++k) {
        EXPECT_FALSE(p.txtPunkteBewertung(k)->isEnabled());
        EXPECT_TRUE(p.lblPunkteBis(k)->isHidden());
    }
    EXPECT_EQ(stored("Bewertung1").toString(), "sehr gut");
    EXPECT_EQ(storedInt("BewertungP2"), 10);
}

TEST_F(SettingsPanelTest, ReopeningShowsEveryValueAsStored) {
    runstate::arrThemen = QStringList{"Tiere", "Farben"};
    {
        auto& p = load();
        p.optAuswahl[2]->click();
        p.cboAbfrageThema->setCurrentIndex(1);
        p.optAbzufragenderBegriff[2]->click();
        p.optSortieren[0]->click();
        p.chkMaxFragen->click();
        p.txtMaxFragen->setText("25");
        p.chkNotTheKnown->click();
        p.cboKnownWieOft->setCurrentIndex(5);
        p.chkSound->click();
        p.chkLernmodus->click();
        p.chkOpt_ShowFirstLetter->click();
        p.chkOpt_ZeigeBewertung->click();
        p.chk0GK->click();
        p.chkFalscheNochmal->click();
        p.txt0Versuche->setText("3");
        p.txt0Versuche_LostFocus();
        p.chk0Zeitlimit->click();
        p.txt0ZeitlimitS->setText("20");
        p.txt0ZeitlimitS_LostFocus();
        p.chk2BigZeitlimit->click();
        p.txt2BigZeitlimitM->setText("90");
        p.txt2BigZeitlimitM_LostFocus();
        p.chkCountPoints->click();
        p.chkPunkteBewertung->click();
        p.txtPunkteBewertung(1)->setText("bestanden");
        p.chkPlayWrong->click();
        p.txtVersion->setText("2.0");
        p.txtVersion_LostFocus();
        p.txtStichworte->setText("Tiere");
        p.txtStichworte_LostFocus();
        p.txtKommentar->setPlainText("a\nb");
        p.txtKommentar_LostFocus();
    }
    const QVariantMap before = optionsRow();
    panel.reset();
    closeVok();
    openVok();
    auto& p = load();
    EXPECT_TRUE(p.optAuswahl[2]->isChecked());
    EXPECT_EQ(p.cboAbfrageThema->currentText(), "Farben");
    EXPECT_TRUE(p.cboAbfrageThema->isEnabled());
    EXPECT_TRUE(p.optAbzufragenderBegriff[2]->isChecked());
    EXPECT_TRUE(p.optSortieren[0]->isChecked());
    EXPECT_TRUE(p.chkMaxFragen->isChecked());
    EXPECT_EQ(p.txtMaxFragen->text(), "25");
    EXPECT_TRUE(p.chkNotTheKnown->isChecked());
    EXPECT_EQ(p.cboKnownWieOft->currentText(), "6");
    EXPECT_TRUE(p.chkTxt->isChecked());
    EXPECT_TRUE(p.chkPic->isChecked());
    EXPECT_FALSE(p.chkSound->isChecked());
    EXPECT_TRUE(p.chkLernmodus->isChecked());
    EXPECT_TRUE(p.chkOpt_ShowFirstLetter->isChecked());
    EXPECT_FALSE(p.chkOpt_ZeigeBewertung->isChecked());
    EXPECT_FALSE(p.chk0GK->isChecked());
    EXPECT_TRUE(p.chk0Aufloesen->isChecked());
    EXPECT_TRUE(p.chk0AskAgain->isChecked());
    EXPECT_FALSE(p.chkFalscheNochmal->isChecked());
    EXPECT_EQ(p.txt0Versuche->text(), "3");
    EXPECT_TRUE(p.chk0Zeitlimit->isChecked());
    EXPECT_EQ(p.txt0ZeitlimitS->text(), "20");
    EXPECT_TRUE(p.txt0ZeitlimitS->isEnabled());
    EXPECT_TRUE(p.chk2BigZeitlimit->isChecked());
    EXPECT_EQ(p.txt2BigZeitlimitM->text(), "90");
    EXPECT_TRUE(p.chkCountPoints->isChecked());
    EXPECT_TRUE(p.chkPunkteBewertung->isChecked());
    EXPECT_EQ(p.txtPunkteBewertung(1)->text(), "bestanden");
    EXPECT_TRUE(p.chkPlayRight->isChecked());
    EXPECT_FALSE(p.chkPlayWrong->isChecked());
    EXPECT_EQ(p.txtVersion->text(), "2.0");
    EXPECT_EQ(p.txtStichworte->text(), "Tiere");
    EXPECT_EQ(p.txtKommentar->toPlainText(), "a\nb");
    // Loading wrote back what it found: nothing changed.
    EXPECT_EQ(optionsRow(), before);
    EXPECT_TRUE(ui.calls(CallKind::MsgBox).empty());
}

// Shows the panel in an active window, so focus moves as for the user.
void showActive(mainwindow::SettingsPanel& p) {
    p.resize(forms::twipsSize(8470, 4600));
    p.show();
    p.activateWindow();
    QApplication::setActiveWindow(&p);
    QApplication::processEvents();
}

QTreeWidgetItem* node(mainwindow::SettingsPanel& p, const QString& key) {
    for (QTreeWidgetItemIterator it(p.tvVerwaltung); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == key) return *it;
    return nullptr;
}

TEST_F(SettingsPanelTest, LeavingABadBoxAsksOnceAndTakesTheFocusBack) {
    auto& p = load();
    showActive(p);
    p.tvVerwaltung_NodeClick(node(p, "Test_Grenzwerte"));
    p.chk0Zeitlimit->click();
    p.txt0Versuche->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(p.txt0Versuche->hasFocus());
    p.txt0Versuche->setText("x");
    p.txt0ZeitlimitS->setText("y");
    // Both boxes are bad: only the one left asks, and keeps the focus.
    ui.pushMsgBox(forms::vbOK);
    p.txt0ZeitlimitS->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
    EXPECT_TRUE(p.txt0Versuche->hasFocus());
    EXPECT_EQ(storedInt("AnzahlVersuche"), 1);

    // A good value is stored when the box is left.
    p.txt0Versuche->setText("4");
    p.txt0ZeitlimitS->setText("30");
    p.txt0ZeitlimitS->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(storedInt("AnzahlVersuche"), 4);
    p.txt0Versuche->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(storedInt("SekundenZeitlimit"), 30);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
}

// Tab and Ctrl+Tab leave the comment box, either way; what is stored is what
// was typed, without the key that left.
TEST_F(SettingsPanelTest, TabAndCtrlTabLeaveTheCommentAndAreNotStored) {
    auto& p = load();
    showActive(p);
    p.tvVerwaltung_NodeClick(node(p, "DB"));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget* to;
    } ways[] = {
        {Qt::Key_Tab, Qt::NoModifier, p.txtStichworte},
        {Qt::Key_Backtab, Qt::ShiftModifier, p.txtVersion},
        {Qt::Key_Tab, Qt::ControlModifier, p.txtStichworte},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, p.txtVersion},
    };
    for (const auto& w : ways) {
        p.txtKommentar->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        p.txtKommentar->setPlainText("Notiz");
        QKeyEvent press(QEvent::KeyPress, w.key, w.modifiers, QStringLiteral("\t"));
        QApplication::sendEvent(p.txtKommentar, &press);
        QApplication::processEvents();
        EXPECT_TRUE(w.to->hasFocus()) << QKeySequence(w.key | w.modifiers).toString().toStdString();
        EXPECT_EQ(stored("Kommentar").toString(), "Notiz");
    }
}

TEST_F(SettingsPanelTest, TheTreeTakingTheFocusShowsTheChosenPage) {
    auto& p = load();
    showActive(p);
    p.tvVerwaltung->setCurrentItem(node(p, "App"));
    p.chkPlayRight->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    p.tvVerwaltung->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(p.fraVPE->isVisible());
    EXPECT_FALSE(p.fraOpt_Test->isVisible());
}

TEST_F(SettingsPanelTest, ARefillThatMovesTheFocusStoresNoUpperEnd) {
    addItem("a", 100);
    setStored("ZaehlePunkte", 1);
    setStored("Punktebewertung", 1);
    setStored("BewertungP2", 10);
    setStored("BewertungP3", 20);
    setStored("BewertungP4", 30);
    auto& p = load();
    showActive(p);
    p.tvVerwaltung_NodeClick(node(p, "Test_Punktebewertung"));
    p.txtPunkteBis(3)->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(p.txtPunkteBis(3)->hasFocus());
    p.chkPunkteBewertung->click();  // the rows go off under the focus
    QApplication::processEvents();
    EXPECT_FALSE(p.txtPunkteBis(3)->isEnabled());
    EXPECT_EQ(storedInt("BewertungP4"), 30);
    EXPECT_EQ(storedInt("Punktebewertung"), 0);
}

TEST_F(SettingsPanelTest, AReadOnlyDatabaseGivesOneReportPerLoading) {
    closeVok();
    db = dao::DBEngine::OpenDatabase(vokPath, false, true, ";pwd=" + vocabdb::VokDBPasswort);
    runstate::dbVok = db;
    runstate::rsOptions = db->OpenRecordset("AllOptions", dao::dbOpenDynaset);
    data = db->OpenRecordset("Alles", dao::dbOpenDynaset);
    ui.answerAllMsgBoxes(forms::vbOK);
    auto& p = load();
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
    // A user's change reports its own failure; the panel goes on.
    p.chkLernmodus->click();
    EXPECT_EQ(ui.count(CallKind::MsgBox), 2);
    EXPECT_EQ(storedInt("Lernmodus"), 0);
}

}  // namespace
}  // namespace settingstest
