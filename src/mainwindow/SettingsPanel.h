#pragma once
// The settings panel fraVerwaltung of the main window: the options tree on
// the left and eleven option pages on the right. Every control writes its
// field of the options record (rsOptions), the user record (rsBenutzer) or
// the program options record (rsUserOptionen) the moment it changes;
// InitOptionTab loads them all from the stored values, relying on values
// set by code raising the same handlers as a user's change.

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/dao/Dao.h"
#include "platform/forms/ControlArray.h"

namespace mainwindow {

class SettingsPanel : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPanel(QWidget* parent = nullptr);
    ~SettingsPanel() override;

    // Rebuilds the tree and loads every control from the stored options.
    void InitOptionTab();

    // Sets the captions from the controls' tags (message ids); the main
    // window calls it when it loads (InitOptionTab does it once otherwise).
    void ApplyCaptions();

    // The grid's working recordset (query Alles), whose points the grading
    // scale sums. The main window hands in its data control's recordset.
    std::function<dao::RecordsetPtr()> gridRecordset;

    // The three database locks belong to the main window; it fills these.
    std::function<void()> onCmdDBHideOverview_Click;
    std::function<void()> onCmdDBHideOptions_Click;
    std::function<void()> onCmdDBHideImportExport_Click;

    // --- controls, named as the original named them ---
    QLabel* picVerwaltungBG;
    QLabel* lblBOpt_Einstellungen;
    QGroupBox* fraOpt;
    QTreeWidget* tvVerwaltung;

    // The eleven pages.
    QFrame *fraOpt_Test, *fraVTE_Welche, *fraA0AbzufragenderBegriff, *fraA0Sortierreihenfolge, *fra0Praesent,
        *fraVTE_Sonstige, *fraOpt_Fehlerbehandlung, *fraOpt_Limits, *fraOpt_Punkte, *fraVPE, *fraVDI;

    // fraOpt_Test
    QLabel* lblBOpt_Start;
    // fraVTE_Welche
    std::vector<QRadioButton*> optAuswahl;  // 0..3
    QComboBox *cboAbfrageThema, *cboAbfrageKategorie, *cboKnownWieOft;
    QCheckBox *chkNotTheKnown, *chkMaxFragen;
    QLineEdit* txtMaxFragen;
    // fraA0AbzufragenderBegriff, fraA0Sortierreihenfolge
    std::vector<QRadioButton*> optAbzufragenderBegriff;  // 0..2
    std::vector<QRadioButton*> optSortieren;             // 0..1
    // fra0Praesent
    QCheckBox *chkTxt, *chkSound, *chkPic;
    // fraVTE_Sonstige
    QCheckBox *chkLernmodus, *chkNoAutofill, *chkOpt_ZeigeThemaBeiAbfrage, *chkOpt_ShowFirstLetter,
        *chkOpt_ZeigeBewertung;
    // fraOpt_Fehlerbehandlung
    QCheckBox* chk0GK;
    QGroupBox* fra0FalscheAntwort;
    QCheckBox *chk0Aufloesen, *chk0AskAgain, *chkFalscheNochmal;
    // fraOpt_Limits
    QLabel *lblB0AnzahlAbfragen, *lblBSekunden, *lblBigZLM;
    QLineEdit *txt0Versuche, *txt0ZeitlimitS, *txt2BigZeitlimitM;
    QCheckBox *chk0Zeitlimit, *chk2BigZeitlimit;
    // fraOpt_Punkte
    QCheckBox *chkCountPoints, *chkPunkteBewertung;
    forms::ControlArray<QLabel> lblPunkteBis;           // 1..8
    forms::ControlArray<QLineEdit> txtPunkteBis;        // 1..8
    forms::ControlArray<QLineEdit> txtPunkteBewertung;  // 1..8
    // fraVPE
    QLabel* lblBSound;
    QCheckBox *chkPlayRight, *chkPlayWrong, *chkRegFileType;
    // fraVDI
    QLabel *lblBC, *lblBVersion, *lblBKommentar, *lblBStichworte;
    QLineEdit *txtC, *txtVersion, *txtStichworte;
    QPlainTextEdit* txtKommentar;
    QPushButton *cmdDBHideOverview, *cmdDBHideOptions, *cmdDBHideImportExport;

    // Grading scale state.
    qint32 PunkteGesamt = 0;
    bool bSkalaUpdate = false;

    // --- handlers, as the original named them ---
    void tvVerwaltung_NodeClick(QTreeWidgetItem* Node);
    void tvVerwaltung_GotFocus();

    void optAuswahl_Click(int Index);
    void cboAbfrageThema_Click();
    void cboAbfrageKategorie_Click();
    void chkNotTheKnown_Click();
    void cboKnownWieOft_Click();
    void chkMaxFragen_Click();
    void optAbzufragenderBegriff_Click(int Index);
    void optSortieren_Click(int Index);
    void chkTxt_Click();
    void chkPic_Click();
    void chkSound_Click();
    void chkLernmodus_Click();
    void chkNoAutofill_Click();
    void chkOpt_ZeigeThemaBeiAbfrage_Click();
    void chkOpt_ShowFirstLetter_Click();
    void chkOpt_ZeigeBewertung_Click();
    void chk0GK_Click();
    void chk0Aufloesen_Click();
    void chk0AskAgain_Click();
    void chkFalscheNochmal_Click();
    void chk0Zeitlimit_Click();
    void chk2BigZeitlimit_Click();
    void chkCountPoints_Click();
    void chkPunkteBewertung_Click();
    void chkPlayRight_Click();
    void chkPlayWrong_Click();
    void chkRegFileType_Click();

    void txtMaxFragen_Change();
    void txtMaxFragen_LostFocus();
    void txt0Versuche_LostFocus();
    void txt0ZeitlimitS_LostFocus();
    void txt2BigZeitlimitM_LostFocus();
    void txtKommentar_LostFocus();
    void txtStichworte_LostFocus();
    void txtVersion_LostFocus();

    void cmdDBHideOverview_Click();
    void cmdDBHideOptions_Click();
    void cmdDBHideImportExport_Click();

    // Grading scale.
    void ShowBewertungsSkala();
    void EnableBewertungRow(int Index);
    void DisableBewertungRow(int Index);
    void txtPunkteBewertung_Change(int Index);
    void txtPunkteBis_LostFocus(int Index);

    // The page a tree key shows (nullptr for an unknown key).
    QFrame* pageForKey(const QString& key) const;

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildTree();
    void buildPages();
    void buildGradeRows();
    void connectHandlers();
    QFrame* page(const char* name);

    // The write rule against the three records.
    void storeOption(const QString& field, const QVariant& value);
    void storeUser(const QString& field, const QVariant& value);
    void storeProgram(const QString& field, const QVariant& value);
    void storeCheck(QCheckBox* box, const QString& field);

    // Runs a handler; a database error is reported (once per loading when
    // InitOptionTab runs) instead of reaching the event loop.
    void guarded(const char* code, const std::function<void()>& f);

    // Rule A: a switch and its value box.
    void switchBox(QWidget* box, bool on, quint32 offColor, bool focus);
    // Rule C before a presentation box stores.
    void presentationRule();
    // Message 5030 and the focus back to the box.
    void notNumeric(QWidget* box);
    void focusBack(QWidget* box);

    // Option button groups: the one at index chosen, or none for an index
    // that has no button.
    static void chooseOption(const std::vector<QRadioButton*>& group, qint64 index);
    void loadOptions();

    bool captionsApplied_ = false;
    void nameBoxes();
    // The heading and the options scroll in a panel shorter than they are.
    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    void centreContent();
    bool loading_ = false;
    bool presentationLoading_ = false;
    bool refocusPending_ = false;
    bool rebuildingTree_ = false;
    int firstLoadError_ = 0;
    QString firstLoadErrorText_, firstLoadErrorCode_;
    std::vector<QFrame*> pages_;
};

}  // namespace mainwindow
