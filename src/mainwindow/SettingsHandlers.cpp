// The settings panel's behaviour: the options tree, InitOptionTab, and the
// handlers that write each option the moment its control changes.
#include <QPointer>
#include <QTimer>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/SettingsModel.h"
#include "mainwindow/SettingsPanel.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Interaction.h"

namespace mainwindow {

using settings::IntValue;
using settings::TextValue;

namespace {

struct Node {
    const char* key;
    const char* parent;
    int textId;
};

// The tree's nodes in the order they are added.
const Node kNodes[] = {
    {"Test", nullptr, 580},
    {"Test_AuswahlDerBegriffe", "Test", 800},
    {"Test_AbzufragenderBegriff", "Test", 803},
    {"Test_Sortierreihenfolge", "Test", 802},
    {"Test_PraesentationDerFrage", "Test", 801},
    {"Test_SonstigeOptionen", "Test", 804},
    {"Test_Fehlerbehandlung", "Test", 145},
    {"Test_Grenzwerte", "Test", 144},
    {"Test_Punktebewertung", "Test", 702},
    {"App", nullptr, 581},
    {"DB", nullptr, 582},
};

QString nodeKey(const QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

// The multi-line comment keeps the original's CR LF line ends in the file.
QString toStored(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}
QString fromStored(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

// --- the write rule and error reporting ---

void SettingsPanel::storeOption(const QString& field, const QVariant& value) {
    settings::WriteField(runstate::rsOptions, field, value);
}
void SettingsPanel::storeUser(const QString& field, const QVariant& value) {
    settings::WriteField(runstate::rsBenutzer, field, value);
}
void SettingsPanel::storeProgram(const QString& field, const QVariant& value) {
    settings::WriteField(runstate::rsUserOptionen, field, value);
}
void SettingsPanel::storeCheck(QCheckBox* box, const QString& field) {
    storeOption(field, box->isChecked() ? 1 : 0);
}

void SettingsPanel::guarded(const char* code, const std::function<void()>& f) {
    try {
        f();
    } catch (const wk::Error& e) {
        if (loading_) {
            // One report for a whole loading, not one per control.
            if (firstLoadError_ == 0) {
                firstLoadError_ = e.number() ? e.number() : -1;
                firstLoadErrorText_ = e.description();
                firstLoadErrorCode_ = QString::fromLatin1(code);
            }
            return;
        }
        modMain::ShowError(e.number(), e.description(), QString::fromLatin1(code));
    }
}

// --- switching controls ---

void SettingsPanel::switchBox(QWidget* box, bool on, quint32 offColor, bool focus) {
    forms::switchInput(box, on, offColor);
    // The original's SetFocus failed (and was ignored) on a page not shown.
    if (on && focus && box->isVisible()) box->setFocus(Qt::OtherFocusReason);
}

void SettingsPanel::presentationRule() {
    if (presentationLoading_) return;
    if (!chkPic->isChecked() && !chkSound->isChecked()) chkTxt->setChecked(true);
}

void SettingsPanel::focusBack(QWidget* box) {
    if (!box->isVisible() || !box->isEnabled()) return;
    // Given after the focus change in progress has ended.
    refocusPending_ = true;
    QTimer::singleShot(0, this, [this, p = QPointer<QWidget>(box)] {
        if (p && p->isVisible() && p->isEnabled()) p->setFocus(Qt::OtherFocusReason);
        refocusPending_ = false;
    });
}

void SettingsPanel::notNumeric(QWidget* box) {
    forms::ui().MsgBox(modMain::GetText(5030), forms::vbInformation | forms::vbOKOnly, modMain::GetText(40));
    focusBack(box);
}

void SettingsPanel::chooseOption(const std::vector<QRadioButton*>& group, qint64 index) {
    if (index >= 0 && index < qint64(group.size())) {
        group[std::size_t(index)]->setChecked(true);
        return;
    }
    for (QRadioButton* b : group) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

// --- the tree ---

void SettingsPanel::buildTree() {
    const QString selected = nodeKey(tvVerwaltung->currentItem());
    rebuildingTree_ = true;
    tvVerwaltung->clear();
    QTreeWidgetItem* keep = nullptr;
    QTreeWidgetItem* testNode = nullptr;
    for (const Node& n : kNodes) {
        QTreeWidgetItem* item = n.parent ? new QTreeWidgetItem(testNode) : new QTreeWidgetItem(tvVerwaltung);
        item->setText(0, modMain::GetText(n.textId));
        item->setData(0, Qt::UserRole, QString::fromLatin1(n.key));
        if (!n.parent && QLatin1String(n.key) == QLatin1String("Test")) testNode = item;
        if (n.parent) tvVerwaltung->scrollToItem(item);  // makes it visible: "Test" stands open
        if (testNode) testNode->setExpanded(true);
        if (selected == QLatin1String(n.key)) keep = item;
    }
    // The node chosen before stays chosen; at first the top one.
    tvVerwaltung->setCurrentItem(keep ? keep : tvVerwaltung->topLevelItem(0));
    rebuildingTree_ = false;
}

QFrame* SettingsPanel::pageForKey(const QString& key) const {
    const QString k = key.toUpper();
    if (k == QLatin1String("TEST")) return fraOpt_Test;
    if (k == QLatin1String("TEST_AUSWAHLDERBEGRIFFE")) return fraVTE_Welche;
    if (k == QLatin1String("TEST_PRAESENTATIONDERFRAGE")) return fra0Praesent;
    if (k == QLatin1String("TEST_SORTIERREIHENFOLGE")) return fraA0Sortierreihenfolge;
    if (k == QLatin1String("TEST_ABZUFRAGENDERBEGRIFF")) return fraA0AbzufragenderBegriff;
    if (k == QLatin1String("TEST_SONSTIGEOPTIONEN")) return fraVTE_Sonstige;
    if (k == QLatin1String("TEST_PUNKTEBEWERTUNG")) return fraOpt_Punkte;
    if (k == QLatin1String("TEST_GRENZWERTE")) return fraOpt_Limits;
    if (k == QLatin1String("TEST_FEHLERBEHANDLUNG")) return fraOpt_Fehlerbehandlung;
    if (k == QLatin1String("APP")) return fraVPE;
    if (k == QLatin1String("DB")) return fraVDI;
    return nullptr;
}

void SettingsPanel::tvVerwaltung_NodeClick(QTreeWidgetItem* Node) {
    for (QFrame* p :
         {fraVTE_Welche, fraA0Sortierreihenfolge, fraA0AbzufragenderBegriff, fraVTE_Sonstige, fra0Praesent,
          fraOpt_Punkte, fraOpt_Limits, fraOpt_Fehlerbehandlung, fraOpt_Test, fraVPE, fraVDI})
        p->hide();
    const QString key = nodeKey(Node).toUpper();
    QFrame* p = pageForKey(key);
    if (!p) return;
    p->show();
    if (key == QLatin1String("TEST_PUNKTEBEWERTUNG")) guarded("VW01", [this] { ShowBewertungsSkala(); });
    if (key == QLatin1String("DB") && runstate::rsOptions) {
        guarded("VW02", [this] {
            const auto& rs = runstate::rsOptions;
            cmdDBHideOverview->setEnabled(IntValue(rs, "ShowOverview") == 1);
            cmdDBHideOptions->setEnabled(IntValue(rs, "ShowOptions") == 1);
            cmdDBHideImportExport->setEnabled(IntValue(rs, "ExportProtection") != 1);
        });
    }
}

void SettingsPanel::tvVerwaltung_GotFocus() {
    QTreeWidgetItem* node = tvVerwaltung->currentItem();
    if (!node) return;
    tvVerwaltung->scrollToItem(node);
    tvVerwaltung_NodeClick(node);
}

// --- loading ---

void SettingsPanel::InitOptionTab() {
    loading_ = true;
    firstLoadError_ = 0;
    try {
        loadOptions();
    } catch (const wk::Error& e) {
        if (firstLoadError_ == 0) {
            firstLoadError_ = e.number() ? e.number() : -1;
            firstLoadErrorText_ = e.description();
            firstLoadErrorCode_ = QStringLiteral("VW00");
        }
    }
    loading_ = false;
    presentationLoading_ = false;
    if (firstLoadError_ != 0) modMain::ShowError(firstLoadError_, firstLoadErrorText_, firstLoadErrorCode_);
}

void SettingsPanel::loadOptions() {
    if (!captionsApplied_) ApplyCaptions();
    // The tree.
    buildTree();
    const auto& rs = runstate::rsOptions;
    if (!rs) return;  // no database open: nothing to show

    // Option buttons; optAuswahl switches the two lists.
    chooseOption(optAbzufragenderBegriff, IntValue(rs, "AbzufragenderBegriff"));
    chooseOption(optSortieren, IntValue(rs, "Abfragereihenfolge"));
    chooseOption(optAuswahl, IntValue(rs, "Auswahl"));

    // Maximum number of items.
    chkMaxFragen->setChecked(IntValue(rs, "bTestMaxFragen") != 0);
    txtMaxFragen->setText(TextValue(rs, "TestMaxFragen"));
    forms::switchInput(txtMaxFragen, chkMaxFragen->isChecked(), forms::SwitchedOffBackColor);

    // Check boxes. The presentation rule looks at the stored three, not
    // at a mix of them and the last database's, so loading cannot turn a
    // stored text switch on.
    presentationLoading_ = true;
    chkTxt->setChecked(IntValue(rs, "ShowText") != 0);
    chkPic->setChecked(IntValue(rs, "ShowPic") != 0);
    chkSound->setChecked(IntValue(rs, "ShowSound") != 0);
    presentationLoading_ = false;
    presentationRule();
    chkNotTheKnown->setChecked(IntValue(rs, "DontAskTheKnown") != 0);
    chkLernmodus->setChecked(IntValue(rs, "Lernmodus") != 0);
    if (runstate::rsBenutzer) chkNoAutofill->setChecked(IntValue(runstate::rsBenutzer, "R2") != 0);
    chkOpt_ZeigeThemaBeiAbfrage->setChecked(IntValue(rs, "ZeigeThemaBeiAbfrage") != 0);
    chkOpt_ShowFirstLetter->setChecked(IntValue(rs, "ShowFirstLetter") != 0);
    chkOpt_ZeigeBewertung->setChecked(IntValue(rs, "ZeigeBewertung") != 0);

    // How often known.
    cboKnownWieOft->setCurrentIndex(cboKnownWieOft->findText(TextValue(rs, "KnownWieOft")));
    forms::switchInput(cboKnownWieOft, chkNotTheKnown->isChecked(), forms::SwitchedOffBackColor);

    // Tries and the time limit per item.
    txt0Versuche->setText(TextValue(rs, "AnzahlVersuche"));
    chk0Zeitlimit->setChecked(IntValue(rs, "Zeitlimit") != 0);
    txt0ZeitlimitS->setText(TextValue(rs, "SekundenZeitlimit"));
    forms::switchInput(txt0ZeitlimitS, chk0Zeitlimit->isChecked(), forms::vbButtonFace);

    // Theme and category lists. Filling them chooses nothing; the
    // choice below raises the handler, as a choice by the user does.
    auto fill = [](QComboBox* box, const QStringList& items) {
        const bool was = box->blockSignals(true);
        box->clear();
        for (const QString& s : items) box->addItem(s);
        box->setCurrentIndex(-1);
        box->blockSignals(was);
    };
    auto choose = [this](QComboBox* box, const QVariant& stored) {
        guarded("VW03", [&] {
            if (!stored.isValid() || stored.isNull() || stored.toString().isEmpty()) {
                if (box->count() > 0) box->setCurrentIndex(0);
                return;
            }
            int i = box->findText(stored.toString(), Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (i < 0) i = box->findText(stored.toString(), Qt::MatchFixedString);
            box->setCurrentIndex(i);  // -1: no entry of that name, the stored one stays
        });
    };
    fill(cboAbfrageThema, runstate::arrThemen);
    choose(cboAbfrageThema, rs->Value("AuswahlThema"));
    fill(cboAbfrageKategorie, runstate::arrKategorien);
    choose(cboAbfrageKategorie, rs->Value("AuswahlKategorie"));

    // Error treatment; the rule of chk0Aufloesen runs in any case.
    chk0GK->setChecked(IntValue(rs, "GKignorieren") != 0);
    chk0AskAgain->setChecked(IntValue(rs, "NochmalFragen") != 0);
    chkFalscheNochmal->setChecked(IntValue(rs, "FalscheNochmal") != 0);
    chk0Aufloesen->setChecked(IntValue(rs, "BegriffAufloesen") != 0);
    chk0Aufloesen_Click();

    // Time limit of the whole test.
    chk2BigZeitlimit->setChecked(IntValue(rs, "BigZeitlimit") != 0);
    txt2BigZeitlimitM->setText(TextValue(rs, "BigZeitlimitM"));
    forms::switchInput(txt2BigZeitlimitM, chk2BigZeitlimit->isChecked(), forms::vbButtonFace);

    // Points and grading.
    chkCountPoints->setChecked(IntValue(rs, "ZaehlePunkte") != 0);
    chkPunkteBewertung->setChecked(chkCountPoints->isChecked() && IntValue(rs, "Punktebewertung") != 0);
    chkCountPoints_Click();

    // Grade texts (eight rows; Bewertung9 has no box).
    guarded("VW04", [&] {
        for (int i = 1; i <= 8; ++i)
            txtPunkteBewertung(i)->setText(TextValue(rs, QStringLiteral("Bewertung%1").arg(i)));
    });

    // The scale against the grades just loaded.
    guarded("VW05", [this] { ShowBewertungsSkala(); });

    // Program options.
    if (const auto& u = runstate::rsUserOptionen) {
        chkPlayRight->setChecked(IntValue(u, "PlayRight") != 0);
        chkPlayWrong->setChecked(IntValue(u, "PlayWrong") != 0);
        chkRegFileType->setChecked(IntValue(u, "RegFileType") != 0);
    }
    chkRegFileType->setText(modMain::GetText(205) + runstate::ProgName + modMain::GetText(204));
    // Read without the blank the English text ends in.
    chkRegFileType->setAccessibleName(forms::spokenCaption(chkRegFileType->text()));

    // The description of the database.
    for (QLineEdit* e : {txtC, txtStichworte, txtVersion}) e->clear();
    txtKommentar->clear();
    try {
        txtC->setText(TextValue(rs, "Copyright"));
        txtKommentar->setPlainText(fromStored(TextValue(rs, "Kommentar")));
        txtStichworte->setText(TextValue(rs, "Stichworte"));
        txtVersion->setText(TextValue(rs, "Version"));
    } catch (const wk::Error&) {
    }
}

// --- check boxes, option buttons and lists ---

void SettingsPanel::optAuswahl_Click(int Index) {
    forms::switchInput(cboAbfrageThema, Index == 2, forms::vbButtonFace);
    forms::switchInput(cboAbfrageKategorie, Index == 3, forms::vbButtonFace);
    guarded("VW10", [&] { storeOption("Auswahl", Index); });
}

void SettingsPanel::cboAbfrageThema_Click() {
    guarded("VW11", [this] { storeOption("AuswahlThema", cboAbfrageThema->currentText()); });
}

void SettingsPanel::cboAbfrageKategorie_Click() {
    guarded("VW12", [this] { storeOption("AuswahlKategorie", cboAbfrageKategorie->currentText()); });
}

void SettingsPanel::chkNotTheKnown_Click() {
    guarded("VW13", [this] { storeCheck(chkNotTheKnown, "DontAskTheKnown"); });
    switchBox(cboKnownWieOft, chkNotTheKnown->isChecked(), forms::SwitchedOffBackColor, true);
}

void SettingsPanel::cboKnownWieOft_Click() {
    guarded("VW14", [this] { storeOption("KnownWieOft", cboKnownWieOft->currentText()); });
}

void SettingsPanel::chkMaxFragen_Click() {
    guarded("VW15", [this] { storeCheck(chkMaxFragen, "bTestMaxFragen"); });
    switchBox(txtMaxFragen, chkMaxFragen->isChecked(), forms::SwitchedOffBackColor, true);
}

void SettingsPanel::optAbzufragenderBegriff_Click(int Index) {
    guarded("VW16", [&] { storeOption("AbzufragenderBegriff", Index); });
}

void SettingsPanel::optSortieren_Click(int Index) {
    guarded("VW17", [&] { storeOption("Abfragereihenfolge", Index); });
}

void SettingsPanel::chkTxt_Click() {
    presentationRule();
    guarded("VW18", [this] { storeCheck(chkTxt, "ShowText"); });
}

void SettingsPanel::chkPic_Click() {
    presentationRule();
    guarded("VW19", [this] { storeCheck(chkPic, "ShowPic"); });
}

void SettingsPanel::chkSound_Click() {
    presentationRule();
    guarded("VW20", [this] { storeCheck(chkSound, "ShowSound"); });
}

void SettingsPanel::chkLernmodus_Click() {
    guarded("VW21", [this] { storeCheck(chkLernmodus, "Lernmodus"); });
}

void SettingsPanel::chkNoAutofill_Click() {
    guarded("VW22", [this] { storeUser("R2", chkNoAutofill->isChecked() ? 1 : 0); });
}

void SettingsPanel::chkOpt_ZeigeThemaBeiAbfrage_Click() {
    guarded("VW23", [this] { storeCheck(chkOpt_ZeigeThemaBeiAbfrage, "ZeigeThemaBeiAbfrage"); });
}

void SettingsPanel::chkOpt_ShowFirstLetter_Click() {
    guarded("VW24", [this] { storeCheck(chkOpt_ShowFirstLetter, "ShowFirstLetter"); });
}

void SettingsPanel::chkOpt_ZeigeBewertung_Click() {
    guarded("VW25", [this] { storeCheck(chkOpt_ZeigeBewertung, "ZeigeBewertung"); });
}

void SettingsPanel::chk0GK_Click() {
    guarded("VW26", [this] { storeCheck(chk0GK, "GKignorieren"); });
}

void SettingsPanel::chk0Aufloesen_Click() {
    guarded("VW27", [this] { storeCheck(chk0Aufloesen, "BegriffAufloesen"); });
    const bool on = chk0Aufloesen->isChecked();
    for (auto [box, handler] : {std::pair{chk0AskAgain, &SettingsPanel::chk0AskAgain_Click},
                                std::pair{chkFalscheNochmal, &SettingsPanel::chkFalscheNochmal_Click}}) {
        if (on) {
            box->setEnabled(true);
        } else {
            box->setChecked(false);
            (this->*handler)();
            box->setEnabled(false);
        }
    }
}

void SettingsPanel::chk0AskAgain_Click() {
    guarded("VW28", [this] { storeCheck(chk0AskAgain, "NochmalFragen"); });
}

void SettingsPanel::chkFalscheNochmal_Click() {
    guarded("VW29", [this] { storeCheck(chkFalscheNochmal, "FalscheNochmal"); });
}

void SettingsPanel::chk0Zeitlimit_Click() {
    guarded("VW30", [this] { storeCheck(chk0Zeitlimit, "Zeitlimit"); });
    switchBox(txt0ZeitlimitS, chk0Zeitlimit->isChecked(), forms::vbButtonFace, false);
}

void SettingsPanel::chk2BigZeitlimit_Click() {
    guarded("VW31", [this] { storeCheck(chk2BigZeitlimit, "BigZeitlimit"); });
    switchBox(txt2BigZeitlimitM, chk2BigZeitlimit->isChecked(), forms::vbButtonFace, false);
}

void SettingsPanel::chkCountPoints_Click() {
    guarded("VW32", [this] { storeCheck(chkCountPoints, "ZaehlePunkte"); });
    if (chkCountPoints->isChecked()) {
        chkPunkteBewertung->setEnabled(true);
    } else {
        chkPunkteBewertung->setChecked(false);
        chkPunkteBewertung_Click();
        chkPunkteBewertung->setEnabled(false);
    }
}

void SettingsPanel::chkPunkteBewertung_Click() {
    guarded("VW33", [this] {
        storeCheck(chkPunkteBewertung, "Punktebewertung");
        ShowBewertungsSkala();
    });
}

void SettingsPanel::chkPlayRight_Click() {
    guarded("VW34", [this] { storeProgram("PlayRight", chkPlayRight->isChecked() ? 1 : 0); });
}

void SettingsPanel::chkPlayWrong_Click() {
    guarded("VW35", [this] { storeProgram("PlayWrong", chkPlayWrong->isChecked() ? 1 : 0); });
}

void SettingsPanel::chkRegFileType_Click() {
    guarded("VW36", [this] { storeProgram("RegFileType", chkRegFileType->isChecked() ? 1 : 0); });
}

// --- text boxes ---

void SettingsPanel::txtMaxFragen_Change() {
    const auto value = settings::MaxFragenToStore(txtMaxFragen->text());
    if (value) guarded("VW40", [&] { storeOption("TestMaxFragen", *value); });
}

void SettingsPanel::txtMaxFragen_LostFocus() {
    if (!settings::IsNumeric(txtMaxFragen->text())) notNumeric(txtMaxFragen);
}

void SettingsPanel::txt0Versuche_LostFocus() {
    if (!settings::IsNumeric(txt0Versuche->text())) return notNumeric(txt0Versuche);
    try {
        storeOption("AnzahlVersuche", txt0Versuche->text());
    } catch (const wk::Error&) {
    }
}

void SettingsPanel::txt0ZeitlimitS_LostFocus() {
    if (!settings::IsNumeric(txt0ZeitlimitS->text())) return notNumeric(txt0ZeitlimitS);
    // A number the Integer field cannot hold leaves the field as it was.
    try {
        storeOption("SekundenZeitlimit", txt0ZeitlimitS->text());
    } catch (const wk::Error&) {
    }
}

void SettingsPanel::txt2BigZeitlimitM_LostFocus() {
    if (!settings::IsNumeric(txt2BigZeitlimitM->text())) return notNumeric(txt2BigZeitlimitM);
    try {
        storeOption("BigZeitlimitM", settings::BigZeitlimitToStore(txt2BigZeitlimitM->text()));
        txt2BigZeitlimitM->setText(TextValue(runstate::rsOptions, "BigZeitlimitM"));
    } catch (const wk::Error&) {
    }
}

void SettingsPanel::txtKommentar_LostFocus() {
    try {
        storeOption("Kommentar", toStored(txtKommentar->toPlainText()));
    } catch (const wk::Error&) {
    }
}

void SettingsPanel::txtStichworte_LostFocus() {
    // The box takes no more than the field holds, so the text goes in whole.
    guarded("VW41", [this] { storeOption("Stichworte", txtStichworte->text()); });
}

void SettingsPanel::txtVersion_LostFocus() {
    guarded("VW42", [this] { storeOption("Version", txtVersion->text()); });
}

// --- the database locks: the main window's ---

void SettingsPanel::cmdDBHideOverview_Click() {
    if (onCmdDBHideOverview_Click) onCmdDBHideOverview_Click();
}
void SettingsPanel::cmdDBHideOptions_Click() {
    if (onCmdDBHideOptions_Click) onCmdDBHideOptions_Click();
}
void SettingsPanel::cmdDBHideImportExport_Click() {
    if (onCmdDBHideImportExport_Click) onCmdDBHideImportExport_Click();
}

}  // namespace mainwindow
