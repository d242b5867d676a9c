#pragma once
// The main window: a borderless window with its own title-bar pictures, the
// main bar, the status labels and the four panels (welcome, overview,
// settings, test). This file holds the window's structure, its start and the
// opening of a vocabulary database; the bars' behaviour, the panels' contents
// and the settings are built on top of it.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

#include "mainwindow/ImageBox.h"
#include "mainwindow/LeastSize.h"
#include "mainwindow/SettingsPanel.h"
#include "platform/dao/Dao.h"
// The test screen's controls and state.
#include "mainwindow/TestScreen.h"

namespace grid {
class Grid;
class ImageList;
}  // namespace grid

namespace mainwindow {

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Public variables other forms use.
    qint16 Check_Depth = 0;  // nesting depth of the schema upgrade inside VokDBOeffnen
    bool TestActive = false;

    // The grid's working recordset (the data control "data": query Alles).
    dao::RecordsetPtr data;

    // Public operations.
    void Form_Load();
    // Makes a vocabulary database the open one ("" asks for the file). A file
    // that is missing, locked, damaged, refused or fails on its way in leaves
    // the previous database open (or none); what the opening reports itself
    // it reports, any other error passes to the caller once the previous
    // state is back.
    void VokDBOeffnen(const QString& VokabelDBName);
    void EnableDataView();
    void DisableDataView();
    void UpdateWindow(const QString& That);
    void FillVG1();
    void imgBarOverview_Click();
    void HideAllPanels();
    void HideBarPopup();
    // Gives the focus to where the shown panel's work is: the overview's grid
    // (its first usable toolbar button while the grid shows nothing), the
    // test's answer, the result's list of questions to revise (else the
    // button that ends the test), the settings tree, on the welcome panel
    // the main bar. Between two panels it does nothing.
    void FocusWork();
    void InitOptionTab() { fraVerwaltung->InitOptionTab(); }

    // Lays the panels out for the window's size; runs on every resize.
    void Form_Resize();

    // ---- The vocabulary grid's interaction (frmMainGrid*.cpp) ----
    // Selection, sorting and columns.
    void vg1_SelectionChange(long lRow, long lCol);
    void vg1_ColumnClick(long lCol);
    void vg1_ColumnWidthChanging(long lCol, int lWidth, bool& bCancel);
    void vg1_ColumnWidthChanged(long lCol, int lWidth);
    void vg1_HeaderRightClick(int x, int y);
    void vg1_CancelEdit();
    void vg1_GotFocus();
    void vg1_LostFocus();
    // Keys and mouse.
    void vg1_KeyDown(int KeyCode, int Shift);
    void vg1_DblClick(long lRow, long lCol);
    void vg1_MouseMove(int Button, int Shift, int x, int y);
    // In-place editing.
    void vg1_RequestEdit(long lRow, long lCol, int iKeyAscii, bool& bCancel);
    void txtEdit_KeyPress(int& KeyAscii);
    void txtEdit_KeyUp(int KeyCode, int Shift);
    void txtEdit_Change();
    void txtEdit_MouseMove(int Button, int Shift, int x, int y);
    void txtEdit_LostFocus();
    void cboVGSubject_Click();
    void cboVGSubject_KeyUp(int KeyCode, int Shift);
    void cboVGSubject_LostFocus();
    // Column visibility menu.
    void mnuVGrid_Ansicht_Begriff_Click(int Index);  // 1 .. 9
    void mnuVGrid_Ansicht_Thema_Click();
    void mnuVGrid_Ansicht_Kategorie_Click();
    void mnuVGrid_Ansicht_Explanation_Click();
    void mnuVGrid_Ansicht_Tip_Click();
    void mnuVGrid_Ansicht_Punkte_Click();
    void mnuVGrid_Ansicht_AA_Click();
    void mnuVGrid_Ansicht_AR_Click();
    void mnuVGrid_Ansicht_AF_Click();
    void mnuVGrid_Ansicht_FQ_Click();
    // Highlight memory of the selection.
    long LastHighlightRow = 0;
    qint16 LastHighlightTyp = 0;
    long LastHighlightColor = -1;
    bool RIGHTMOUSEBUTTONDOWN = false;  // right button held over the grid
    // The in-place editors, laid over the edited cell.
    QLineEdit* txtEdit = nullptr;
    QComboBox* cboVGSubject = nullptr;

    // ---- Grid pop-up menu, its operations and the overview toolbar
    // (frmMainMenu*.cpp, frmMainBulk.cpp, frmMainToolbar.cpp) ----
    QString LastImportFolder;  // where the picture and sound dialogs start
    bool IsRecording = false;  // a single-item recording runs
    void vg1_MouseDown(int Button, int Shift, int X, int Y);
    void vg1_MouseUp(int Button, int Shift, int X, int Y);
    // The menu key or Shift+F10 on the grid: the right click's menu, opened
    // at the current cell.
    void vg1_ContextMenuKey();
    // The current item.
    void mnuVGrid_Edit_Click();
    void mnuVGrid_Del_Click();
    void mnuVGrid_Markieren_Click();
    void mnuVGrid_DelStat_Click();
    void mnuVGrid_AlleAntwortenAbfragen_Click();
    void mnuVGrid_ReihenfolgeBeachten_Click();
    void mnuVGrid_ImportPic_Click();
    void mnuVGrid_DelPic_Click();
    void mnuVGrid_ImportSound_Click();
    void mnuVGrid_DelSound_Click();
    // All items, the marked items, and the two entries of the menu itself.
    void mnuVGrid_CheckAll_Click();
    void mnuVGrid_UncheckAll_Click();
    void mnuVGrid_Alle_SoundDel_Click();
    void mnuVGrid_Alle_DelPic_Click();
    void mnuVGrid_Alle_DelStat_Click();
    void mnuVGrid_Alle_RenameT_Click();
    void mnuVGrid_Alle_Tausche_Click();
    void mnuVGrid_Markierte_Del_Click();
    void mnuVGrid_Markierte_SoundDel_Click();
    void mnuVGrid_Markierte_RecordSound_Click();
    void mnuVGrid_Markierte_DelPic_Click();
    void mnuVGrid_Markierte_DelStat_Click();
    void mnuVGrid_Markierte_RenameT_Click();
    void mnuVGrid_Markierte_Tausche_Click();
    void mnuVGrid_FindDuplicates_Click();
    void mnuVGrid_Alle_DelSpaces_Click();
    // The toolbar.
    QPushButton *cmdOverview1_New = nullptr, *cmdOverview1_Delete = nullptr, *cmdOverview1_Search = nullptr,
                *cmdOverview1_Import = nullptr, *cmdOverview1_Record = nullptr,
                *cmdOverview1_SoundImport = nullptr, *cmdOverview1_ImportPic = nullptr,
                *cmdOverview1_GridOptions = nullptr;
    void cmdOverview1_New_Click();
    void cmdOverview1_Delete_Click();
    void cmdOverview1_Search_Click();
    void cmdOverview1_Import_Click();
    void cmdOverview1_Record_Click();
    void cmdOverview1_SoundImport_Click();
    void cmdOverview1_ImportPic_Click();
    void cmdOverview1_GridOptions_Click();
    // Hover hint of cmdOverview1_<name> (MouseMove of each button).
    void cmdOverview1_MouseMove(const QString& name);
    // Enables a toolbar button; a picture, when given, replaces its picture.
    void SetOverviewButton(QPushButton* button, bool enabled, const QPixmap& picture = {});
    // New database, the exit, the change of user and the TEMP clean-up
    // (frmMainExit.cpp).
    void imgBarNewDB_Click();
    void VokDBNeu();
    [[noreturn]] void CompactDatabasesAndEnd();
    void lblUsername_DblClick();

    // The overview's item editor, import/export wizard, dialogs and sound
    // recording, opened by the toolbar, the grid menu and the shortcuts
    // (frmMainHosts.cpp). Each does nothing without an open database.
    void OpenItemEditor(bool newVok);  // false: the selected row's item
    void OpenImportWizard();
    void OpenGridOptions();
    void OpenSearch();
    void RecordCurrentItem();  // first call starts, the next stores
    bool IsRecordingItem() const;
    void RecordMarkedItems();  // then rebuilds the grid
    // The TEMP folder, the sound players' options and the sound lists, at
    // load (frmMainStartServices.cpp).
    void StartServices();

    // ---- Hint popup and hover pictures (frmMainHint.cpp) ----
    // Shows the two-line hint centred on x twips; grey unless enabled is 1 or -1.
    void ShowBarPopup(const QString& text, int enabled, long x, const QString& shortcut);
    void tmrBar_Timer();
    QPoint BarPopupCursor;  // pointer (screen pixels) when the last hint was asked for
    // Pressed flags of the main-bar buttons: while one is set the timer resets nothing.
    bool bOverviewDown = false, bNewDBDown = false, bOpenDBDown = false, bStartTestDown = false,
         bOptionsDown = false;
    // The pointer in screen pixels; tests may replace it.
    std::function<QPoint()> cursorPosition;

    // ---- Main bar and panels (frmMainBars.cpp) ----
    void imgBarOpenDB_Click();
    void imgBarOptions_Click();
    void imgBarNewDB_MouseMove(int Button, int Shift, double X, double Y);
    void imgBarOpenDB_MouseMove(int Button, int Shift, double X, double Y);
    void imgBarOverview_MouseMove(int Button, int Shift, double X, double Y);
    void imgBarOptions_MouseMove(int Button, int Shift, double X, double Y);
    void imgBarStartTest_MouseMove(int Button, int Shift, double X, double Y);
    // MouseDown and MouseUp of the five main-bar buttons.
    void barButton_MouseDown(ImageBox* button);
    void barButton_MouseUp(ImageBox* button);
    // Whether a main-bar button can be used now.
    bool barButtonAvailable(const ImageBox* button) const;
    // The locked bar buttons look locked and take no focus; called where
    // the database closes, a lock is set or the grid's rows change (the
    // rebuild of an opened database among them).
    void refreshBarLocks();
    // The three one-way locks of the open database.
    void cmdDBHideOverview_Click();
    void cmdDBHideOptions_Click();
    void cmdDBHideImportExport_Click();

    // ---- Title bar, window drag and size grip (frmMainTitle.cpp) ----
    void imgBarExit_Click();
    void imgBarMax_Click();
    void imgBarMin_Click();
    void imgBarExit_MouseMove(int Button, int Shift, double X, double Y);
    void imgBarMax_MouseMove(int Button, int Shift, double X, double Y);
    void imgBarMin_MouseMove(int Button, int Shift, double X, double Y);
    // Drag surfaces: the window's background, the main bar and the test bar.
    void Form_MouseDown(int Button, int Shift, double X, double Y);
    void Form_MouseMove(int Button, int Shift, double X, double Y);
    void Form_MouseUp(int Button, int Shift, double X, double Y);
    void fraMainBar_MouseDown(int Button, int Shift, double X, double Y);
    void fraMainBar_MouseMove(int Button, int Shift, double X, double Y);
    void fraMainBar_MouseUp(int Button, int Shift, double X, double Y);
    void fraTestBar_MouseDown(int Button, int Shift, double X, double Y);
    void fraTestBar_MouseMove(int Button, int Shift, double X, double Y);
    void fraTestBar_MouseUp(int Button, int Shift, double X, double Y);
    void fraOverview1_MouseMove(int Button, int Shift, double X, double Y);
    void imgSizeArrow_MouseDown(int Button, int Shift, double X, double Y);
    void imgSizeArrow_MouseMove(int Button, int Shift, double X, double Y);
    void imgSizeArrow_MouseUp(int Button, int Shift, double X, double Y);
    void Form_Unload(int& Cancel);
    bool bWindowDrag = false;
    qint32 GrabX = 0, GrabY = 0;  // twips, relative to the pressed surface
    bool bSizeGripDrag = false;
    qint32 GripGrabX = 0, GripGrabY = 0;  // twips, relative to the grip
    QPoint SizeGripCursor;                // screen pixels at the last resize step

    // ---- Keyboard shortcuts (frmMainKeys.cpp) ----
    void Form_KeyUp(int& KeyCode, int Shift);
    void Form_KeyPress(int& KeyAscii);

    // ---- Status labels' hints (frmMainExit.cpp) ----
    void lblUsername_MouseMove();  // the user's statistics; a double click changes the user
    void lblBDBName_MouseMove();   // the database file's size

    // ---- Test state as the keys read it (frmMainTest.cpp) ----
    bool QuestionOpenNow() const;       // the shown test item waits for its answer
    bool TestFinishedNow() const;       // the running test has ended
    long ShownItemAnswerCount() const;  // CountAnswers of the shown test item

    // Controls, named as the original named them.
    // Title bar and frame pictures.
    ImageBox *imgBarMin, *imgBarMax, *imgBarExit;
    ImageBox *imgBarMin_Lo, *imgBarMin_Hi, *imgBarMax_Lo, *imgBarMax_Hi, *imgBarRestore_Lo, *imgBarRestore_Hi,
        *imgBarExit_Lo, *imgBarExit_Hi;
    ImageBox *imgSizeArrow, *imgBottom, *imgTop;

    // Main bar.
    QWidget* fraMainBar;
    ImageBox *imgBarNewDB, *imgBarOpenDB, *imgBarOverview, *imgBarOptions, *imgBarStartTest;
    std::map<QString, ImageBox*> barHolders;  // "imgBarNewDB_Lo" ... "imgBarStartTest_Down"

    // Test bar (takes the main bar's place while a test runs).
    QWidget* fraTestBar;
    ImageBox *imgTestBarSolve, *imgTestBarSound, *imgTestBarCancel;

    // Status labels and the hint popup.
    QLabel *lblUsername, *lblBDBName, *lblBCount, *lblBarPopup, *lblBarPopup2;

    // Panels.
    QWidget* fraWelcome;
    ImageBox* imgWelcome;
    QWidget* fraOverview1;
    QWidget* fraOverview1_1;
    grid::Grid* vg1 = nullptr;
    std::unique_ptr<grid::ImageList> ilVG;  // row icons and sort pictures of vg1
    std::unique_ptr<grid::ImageList> IL;    // the overview toolbar's pictures
    SettingsPanel* fraVerwaltung;
    QWidget* fraAbfrage;
    QLabel* lblTestQ;
    grid::Grid* vgUmlaute;
    QCheckBox* chkShowUmlaute;

    // Hidden lists of themes and categories.
    QComboBox *cboThemen, *cboKategorien;

    // Timers.
    QTimer *tmrBar, *killer;

    // Hidden file lists: the folder each is bound to ("" when unbound).
    QString tempFilesPath, fileRichtigPath, fileFalschPath;

    // Menus: the file menu and the overview's context menu.
    QMenu* mnuDatei;
    QMenu* mnuVGrid;
    // Every menu item by name (submenus by their menu action).
    std::map<QString, QAction*> menuItems;
    QAction* menuItem(const QString& name) const;

    // Every control of the window in creation order, for the caption loop.
    QList<QObject*> controlsInOrder() const { return controls_; }

    // ---- The test screen (frmMainTest*.cpp) ----
    testengine::TestState testState;
    dao::RecordsetPtr dataTest;  // the items of the running test
    forms::ControlArray<QLineEdit> txtTestA;
    forms::ControlArray<QRadioButton> optTestA;
    forms::ControlArray<QCheckBox> chkTestA;
    ImageBox* imgTest = nullptr;
    QLabel *lblTestXvonX = nullptr, *lblTestF = nullptr, *lblTestR = nullptr;
    QWidget* fraTestBewertung = nullptr;
    QLabel *lblTestBBR = nullptr, *lblTestBR = nullptr, *lblTestBBF = nullptr, *lblTestBF = nullptr,
           *lblTestBPunkte = nullptr, *lblTestBPunktzahl = nullptr, *lblTestBBewertung = nullptr,
           *lblTestBWrongWords = nullptr;
    QListWidget* lstTestWrongWords = nullptr;
    ImageBox* imgS = nullptr;    // error-rate picture of the result
    ImageBox* cmdBar = nullptr;  // error-rate marker on the test bar
    ImageBox *imgTestBarCancel_Lo = nullptr, *imgTestBarCancel_Hi = nullptr, *imgTestBarCancel_Down = nullptr,
             *imgTestBarSolve_Lo = nullptr, *imgTestBarSolve_Hi = nullptr, *imgTestBarSolve_Down = nullptr,
             *imgTestBarSound_Lo = nullptr, *imgTestBarSound_Hi = nullptr, *imgTestBarSound_Down = nullptr;
    forms::Timer *tmrTest = nullptr, *tmrTestVok = nullptr;
    bool bCancelDown = false, bSolveDown = false, bSoundDown = false;
    QPointer<QLineEdit> FocusedAnswerBox;

    void imgBarStartTest_Click();
    void imgTestBarCancel_Click();
    void ShowTryCount();
    void ShowNextQuestion(bool bStop);
    void SetBestTextWidth(QLineEdit* T, long min, long Plus, long MAX);
    void LayoutTestControls(QLabel* lbl);
    void FillUmlauteGrid();
    void vgUmlaute_DblClick(long lRow, long lCol);
    void tmrTest_Timer();
    void tmrTestVok_Timer();
    void imgTestBarSolve_MouseDown(int Button, int Shift, double X, double Y);
    void imgTestBarSolve_MouseMove(int Button, int Shift, double X, double Y);
    void imgTestBarSolve_MouseUp(int Button, int Shift, double X, double Y);
    void imgTestBarCancel_MouseDown(int Button, int Shift, double X, double Y);
    void imgTestBarCancel_MouseMove(int Button, int Shift, double X, double Y);
    void imgTestBarCancel_MouseUp(int Button, int Shift, double X, double Y);
    void imgTestBarSound_MouseDown(int Button, int Shift, double X, double Y);
    void imgTestBarSound_MouseMove(int Button, int Shift, double X, double Y);
    void imgTestBarSound_MouseUp(int Button, int Shift, double X, double Y);
    void imgTestBarSound_Click();
    void txtTestA_Change(int Index);
    void txtTestA_GotFocus(int Index);
    void txtTestA_KeyPress(int Index, int& KeyAscii);
    void optTestA_DblClick(int Index);
    void optTestA_KeyPress(int Index, int& KeyAscii);
    void optTestA_KeyDown(int Index, int& KeyCode);
    void chkTestA_KeyPress(int Index, int& KeyAscii);
    void optTestA_MouseUp(int Index, int Button);
    void optTestA_MouseMove(int Index);
    void chkTestA_MouseUp(int Index, int Button);
    void chkTestA_MouseMove(int Index);  // hint: right click corrects
    void fraAbfrage_MouseUp(int Button);
    void imgTest_MouseUp(int Button);
    void lblTestQ_MouseUp(int Button);
    void imgTest_MouseMove();
    void lblTestQ_MouseMove();
    void chkShowUmlaute_Click();
    void chkShowUmlaute_MouseMove();  // hint: show special signs
    void vgUmlaute_KeyPress(int& KeyAscii);
    // What a screen reader hears of the test screen besides the controls
    // themselves (frmMainTestHeard.cpp): each shown answer control is
    // described by the question; the news of a judgement (right, wrong, the
    // next try, the solution) and the result's figures are said once on the
    // control the learner is on, which is described again as the step ends
    // (endNews, once the focus is placed); End test, when the result starts
    // there, is described by the figures until the next item. News told
    // while another window of the program has the keys (the Explanation)
    // is said with the focus as it comes back (sayNewsDue); a choice the
    // next item starts on is heard as the focus coming to it
    // (choiceRenewed).
    void describeAnswerControls();
    void tellNews(const QString& news);
    void endNews();
    QString solutionNews() const;
    void tellResult();
    void forgetResult();
    void sayNewsDue(QWidget* now);
    void choiceRenewed(QWidget* was);
    QPointer<QWidget> newsOn_;  // a control other than an answer's that carries news, with its own words
    QString newsOwn_;
    QString newsDue_;
    // The bars' hint popup (two lines centred on x twips).

protected:
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    void wireExitAndStatus();
    // What the window holds of the open database, so that a failed opening
    // can put it back.
    struct OpenState {
        dao::DatabasePtr db;
        dao::RecordsetPtr options, grid;
        QString pfad, datei, name;
        short dbType = 0;
        bool open = false;
        QVariant lastDB;  // the user's LastDB before the opening
        int viewGeneration = 0;
    };
    OpenState captureOpenState() const;
    void restoreOpenState(const OpenState& s);
    // VokDBOeffnen; true when the file is now the open database.
    bool openVokDB(const QString& VokabelDBName);
    bool UpgradeDatabase();
    void refreshSubjectLists();
    // The open database's view: lists, name, grid, the overview panel.
    void showOpenDatabase();
    QWidget* workControl() const;
    void applyCaptions();
    void applyAccessibleNames();
    void fitDBNameLabel();
    int viewGeneration_ = 0;  // counts the data views shown, to know what to put back

    template <class W>
    W* add(W* w, const QString& name);
    ImageBox* image(const QString& name, QWidget* parent, int l, int t, int w, int h,
                    const QString& picture = {});
    QAction* item(QMenu* menu, const QString& name, const QString& caption = {});
    QMenu* submenu(QMenu* menu, const QString& name, const QString& caption = {});
    void buildMenus();
    void connectGrid();  // vg1's events, the in-place editors and the column menu
    bool inSelection_ = false;
    void BuildTestPanel();  // the test screen's controls, made at load
    void EndOfTest(bool bStop);
    bool ContinueCondition();
    void SubmitAnswer();
    void enterOnChoice();
    TestPanelEvents* testEvents_ = nullptr;
    // While a handler hides the control with the focus and then places the
    // focus itself (presenting an item, starting a test), the focus waits
    // for it: passed along the Tab order meanwhile, it made screen readers
    // announce the controls on the way.
    int placingFocus_ = 0;
    void setupOverviewCommands();  // toolbar buttons and menu wiring
    void layoutOverviewToolbar();  // the toolbar for the panel's height
    void setupTabOrder();
    void redrawRowIcon();
    // Prepares mnuVGrid for the current item and opens it; one opened by a
    // key starts on its first entry, which a reader then speaks.
    void popUpGridMenu(const QPoint& at, bool byKey = false);
    void deleteCurrentItem(bool fromMenu);
    void showOverviewEmpty();
    void runBulk(const std::function<void()>& walk, bool rebuild = true);
    void renameTheme(bool marked);

    QList<QObject*> controls_;
    bool loaded_ = false;
    bool inResize_ = false;
    // The placement is kept as the window's outer size, frame included; the
    // window manager's frame is known only once the window is shown, so the
    // stored size waits until then.
    QSize pendingOuterSize_;
    LeastClientSize leastSize_{QSize(px(8640), px(6510))};
    void applyOuterSize();
    // The desktop gives this window the keys, but the application has no
    // active window (a file dialog closed while the window was disabled):
    // it becomes the active one again, so that the focus shows and moves.
    void takeBackActivation();
    QPoint frameOffset() const;  // the client area's top left within the frame

    void connectBars();  // wires the bars, the drag surfaces and the keys
    QPoint cursorPos() const;
    void windowDragMove(double barLeft);
};

// The one main window, created and loaded on first use as the original's
// forms were.
frmMain& MainForm();
bool MainFormLoaded();
// Deletes the main window (tests, and the end of the program).
void UnloadMainForm();

// Display name of a vocabulary database path: the upper-cased file name up
// to the first ".WKD", or without its extension when it has no ".wkd".
QString DisplayNameFor(const QString& upperFileName);
QString FileNameOfPath(const QString& path);

}  // namespace mainwindow
