#pragma once
// The import/export wizard: a modal, borderless dialog of stacked pages
// driven by one Next button. Task 1 imports items from another vocabulary
// database (filtered by conditions), task 2 exports chosen items to a text
// or HTML file, task 3 imports a text file.
//
// The main window lends what the wizard touches through ImportHost: its
// grid recordset (the dynaset of "Alles" behind the grid), the options
// record, UpdateWindow and FillVG1. The overview's import button runs
//
//   exchange::frmImport wizard(host, this);
//   wizard.exec();
//
// The wizard reads the run state's BenutzerNr, VokDBName, MaxUsers and the
// word tables BedWhat, BedAndOr, BedComp (filled at start).

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QString>
#include <array>
#include <functional>

#include "exchange/DbImport.h"
#include "platform/dao/Dao.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace grid {
class Grid;
}

namespace exchange {

class ImportHost {
public:
    virtual ~ImportHost() = default;
    // The grid recordset (frmMain's data control): new items are added
    // through it, the export reads it by record position.
    virtual dao::RecordsetPtr GridRecordset() = 0;
    // rsOptions of the open database.
    virtual dao::RecordsetPtr OptionsRecord() = 0;
    // frmMain.UpdateWindow; the wizard passes "THEMEN" after every new item.
    virtual void UpdateWindow(const QString& what) = 0;
    // frmMain.FillVG1: the grid rebuild after an import.
    virtual void FillVG1() = 0;
};

class frmImport : public QDialog {
    Q_OBJECT
public:
    explicit frmImport(ImportHost& host, QWidget* parent = nullptr);
    ~frmImport() override;

    // ---- frame
    QLabel* picVerwaltungBG = nullptr;
    QLabel* lblBHeader = nullptr;
    QPushButton* cmdWeiter = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdBack = nullptr;

    // ---- pages
    QFrame* fraA_Start = nullptr;
    QFrame* fraB_Export = nullptr;
    QFrame* fraC_Export = nullptr;
    QFrame* fraD_Export = nullptr;
    QFrame* fraE_Export = nullptr;
    QFrame* fraF_Export = nullptr;
    QFrame* fraB_Import = nullptr;
    QFrame* fraC_Import = nullptr;
    QFrame* fraD_Import_Finish = nullptr;
    QFrame* fraB_TXTImport = nullptr;
    QFrame* fraC_TXTImport = nullptr;

    // ---- start and format
    std::array<QRadioButton*, 3> optChoice{};
    std::array<QRadioButton*, 3> optExport_Format{};

    // ---- export items, fields, options, result
    grid::Grid* vgExDB = nullptr;
    grid::Grid* vgExEx = nullptr;
    QLabel* lblBExport_DB = nullptr;
    QLabel* lblBExport_DBI = nullptr;
    QPushButton* cmdExport_DB_L2R = nullptr;
    QPushButton* cmdExport_DB_L2R_A = nullptr;
    QPushButton* cmdExport_DB_R2L = nullptr;
    QPushButton* cmdExport_DB_R2L_A = nullptr;
    QListWidget* lstExFields = nullptr;
    QPushButton* cmdExUp = nullptr;
    QPushButton* cmdExDown = nullptr;
    QComboBox* cboExSep = nullptr;
    QCheckBox* chkExHeader = nullptr;
    QLabel* lblExStatus = nullptr;
    QPushButton* cmdExView = nullptr;

    // ---- database import
    QLineEdit* txtB_Import_FileName = nullptr;
    QPushButton* cmdB_Import_OpenDB = nullptr;
    QCheckBox* chkBed = nullptr;
    std::array<QComboBox*, 3> cboAndOr{};  // member 0 does not exist
    std::array<QComboBox*, 3> cboWhat{};
    std::array<QComboBox*, 3> cboComp{};
    std::array<QLineEdit*, 3> txtBed{};
    QListWidget* lstImport_DB = nullptr;
    QListWidget* lstImport_Import = nullptr;
    QPushButton* cmdImport_L2R = nullptr;
    QPushButton* cmdImport_L2Ra = nullptr;
    QPushButton* cmdImport_R2L = nullptr;
    QPushButton* cmdImport_R2La = nullptr;
    QLabel* lblDImport_Added = nullptr;

    // ---- text import
    QLineEdit* txtB_TXTImport_FileName = nullptr;
    QPushButton* cmdTXTImportFile = nullptr;
    QComboBox* cboB_TXTImport_Format = nullptr;
    QComboBox* cboB_TXTImport_Separator = nullptr;
    QCheckBox* chkB_TXTImport_Header = nullptr;
    grid::Grid* vgB_TXTImport = nullptr;
    QLabel* lblB_TXTImport = nullptr;
    QLabel* lblC_TXTProgress = nullptr;

    // ---- wizard state
    int WizardTask = 0;  // 1 database import, 2 export, 3 text import
    int ImportStep = 0;
    int ExportStep = 0;
    int ExportFormat = 0;  // 0 text, 1 HTML
    QString ExportSep = QStringLiteral("\t");
    QString DefaultThema;
    QString BedWhere;       // " WHERE ..." with '?' for every value, or ""
    dao::Params BedParams;  // the values of BedWhere
    bool BedValid = true;
    ImportSource Src;
    int SkippedCount = 0;
    bool ImportChanged = false;
    QFont questionFont;
    bool bWindowDrag = false;
    int GrabX = 0, GrabY = 0;
    QPoint LastCursorPos{-1, -1};
    QString ExportFileName;  // the file written last

    // True once the wizard has closed itself.
    bool Unloaded() const { return unloaded_; }

    // ---- handlers
    void Form_Load();
    void optChoice_Click(int index);
    void optChoice_DblClick(int index);
    void optExport_Format_Click(int index);
    void optExport_Format_DblClick(int index);
    void cmdWeiter_Click();
    void cmdBack_Click();
    void cmdCancel_Click();
    void cmdExView_Click();

    void cmdExport_DB_L2R_Click();
    void cmdExport_DB_L2R_A_Click();
    void cmdExport_DB_R2L_Click();
    void cmdExport_DB_R2L_A_Click();
    void vgExDB_DblClick(long row, long column);
    void vgExEx_DblClick(long row, long column);
    void cmdExUp_Click();
    void cmdExDown_Click();
    void lstExFields_Click();
    void cboExSep_Click();

    void chkBed_Click(int index = 0);
    void cboAndOr_Click(int index);
    void BuildWhereClause();

    void cmdB_Import_OpenDB_Click();
    void txtB_Import_FileName_Change();
    void cmdImport_L2R_Click();
    void cmdImport_L2Ra_Click();
    void cmdImport_R2L_Click();
    void cmdImport_R2La_Click();
    void lstImport_DB_DblClick();
    void lstImport_Import_DblClick();
    static void showProgress(QLabel* label, int percent);
    void ImportFromDB();

    void cmdTXTImportFile_Click();
    void txtB_TXTImport_FileName_Change();
    void cboB_TXTImport_Format_Click();
    void cboB_TXTImport_Separator_Click();
    void chkB_TXTImport_Header_Click();
    void ShowTXTImportPreview();
    void ImportTXTFile();

    void Header_MouseDown(QWidget* control, QPoint posInControl);
    void Header_MouseMove(QWidget* control, QPoint cursorOnScreen);
    void Header_MouseUp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildControls();
    void nameArrows();
    void nameConditions();
    void Unload();
    void exportStep1();
    void exportWrite();
    bool openSourceStep();
    void importStep2();
    // The count of a finished run, told on the button that finishes now.
    void tellResult(const QString& words);
    void textImportStep1();
    void fillExportItems();
    void moveRow(grid::Grid* from, grid::Grid* to, long row, bool bulk);
    void moveSelected(bool toExport);
    void moveAll(bool toExport);
    void afterExportMove();
    void moveListEntries(QListWidget* from, QListWidget* to, bool selectedOnly, bool toImport);
    void setLine(int i, bool on);
    bool textPathUsable() const;
    // The preview again after a change of its format, separator or header.
    void rereadTextPreview();
    QFrame* shownPage() const;
    // After a step that showed another page than `before`, the page's first
    // control takes the focus (else Next, else Cancel); a step that stayed
    // leaves the focus where it put it.
    void focusPage(const QFrame* before);
    // A step, run by a button or a double click, that disables or hides
    // the control with the focus places the focus afterwards: passed along
    // the Tab order meanwhile, it made screen readers announce the
    // controls on the way.
    void step(const std::function<void()>& run);
    int stepping_ = 0;

    ImportHost& host_;
    bool unloaded_ = false;
    bool previewRefused_ = false;    // the last preview found the file too large for the memory
    qint64 previewImportBytes_ = 0;  // what importing the preview's rows takes (ImportRowBytes)
    long gridPositionBefore_ = -1;
};

}  // namespace exchange
