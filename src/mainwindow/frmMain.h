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
#include "mainwindow/SettingsPanel.h"
#include "platform/dao/Dao.h"

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
    void InitOptionTab() { fraVerwaltung->InitOptionTab(); }

    // Lays the panels out for the window's size; runs on every resize.
    void Form_Resize();

    // ---- Grid pop-up menu, its operations and the overview toolbar
    // (frmMainMenu*.cpp, frmMainBulk.cpp, frmMainToolbar.cpp) ----
    bool RIGHTMOUSEBUTTONDOWN = false;  // the right button is down over vg1
    QString LastImportFolder;           // where the picture and sound dialogs start
    bool IsRecording = false;           // a single-item recording runs
    void vg1_MouseDown(int Button, int Shift, int X, int Y);
    void vg1_MouseUp(int Button, int Shift, int X, int Y);
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
    // Made by the parts still to come; frmMainMenuPending.cpp holds stand-ins.
    void ShowBarPopup(const QString& text, int enabled, long x, const QString& shortcut);
    QPoint BarPopupCursor;
    void vg1_SelectionChange(long Row, long Col);

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
    QWidget* vgUmlaute;
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

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
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
    void applyCaptions();
    int viewGeneration_ = 0;  // counts the data views shown, to know what to put back

    template <class W>
    W* add(W* w, const QString& name);
    ImageBox* image(const QString& name, QWidget* parent, int l, int t, int w, int h,
                    const QString& picture = {});
    QAction* item(QMenu* menu, const QString& name, const QString& caption = {});
    QMenu* submenu(QMenu* menu, const QString& name, const QString& caption = {});
    void buildMenus();
    void setupOverviewCommands();  // toolbar buttons and menu wiring
    void redrawRowIcon();
    void deleteCurrentItem(bool fromMenu);
    void showOverviewEmpty();
    void runBulk(const std::function<void()>& walk, bool rebuild = true);
    void renameTheme(bool marked);

    QList<QObject*> controls_;
    bool loaded_ = false;
    bool inResize_ = false;
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
