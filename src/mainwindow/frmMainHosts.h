#pragma once
// What the item editor, the import/export wizard and the overview's dialogs
// borrow from the main window. Each host reads the window's state when asked
// (the grid recordset is replaced by the editor and by every opening), so
// none keeps a copy of it.

#include <QObject>
#include <QString>

#include <map>
#include <memory>

#include "editor/EditVokHost.h"
#include "exchange/frmImport.h"
#include "overview/OverviewDialogsHost.h"
#include "overview/modRecording.h"

namespace mainwindow {

class frmMain;

class MainEditVokHost : public editor::EditVokHost {
public:
    explicit MainEditVokHost(frmMain& f) : f_(f) {}
    dao::RecordsetPtr data() override;
    void setData(dao::RecordsetPtr rs) override;
    dao::DatabasePtr dbVok() override;
    dao::RecordsetPtr rsOptions() override;
    grid::Grid* vg1() override;
    int GridIconKey() override;
    void UpdateWindow(const QString& what) override;
    void FillVG1() override;

private:
    frmMain& f_;
};

class MainImportHost : public exchange::ImportHost {
public:
    explicit MainImportHost(frmMain& f) : f_(f) {}
    dao::RecordsetPtr GridRecordset() override;
    dao::RecordsetPtr OptionsRecord() override;
    void UpdateWindow(const QString& what) override;
    void FillVG1() override;

private:
    frmMain& f_;
};

class MainDialogsHost : public overview::DialogsHost {
public:
    explicit MainDialogsHost(frmMain& f) : f_(f) {}
    dao::RecordsetPtr OptionsRecord() override;
    dao::RecordsetPtr ProgramOptionsRecord() override;
    dao::RecordsetPtr GridRecordset() override;
    grid::Grid& vg1() override;
    void FillVG1() override;
    void vg1_SelectionChange(long row, long column) override;
    void SetOverviewButton(Button b, bool enabled, const QString& pictureKey) override;
    QWidget* MainWindow() override;

    // The last state each toolbar button was given (also while the toolbar
    // is not built).
    struct ButtonState {
        bool enabled = false;
        QString pictureKey;
    };
    std::map<Button, ButtonState> buttons;

private:
    frmMain& f_;
};

// The hosts of one main window and the record button's recording, owned by
// the window as a child object so that they live exactly as long as it.
class WindowHosts : public QObject {
    Q_OBJECT
public:
    explicit WindowHosts(frmMain& f);
    ~WindowHosts() override;

    MainEditVokHost editVok;
    MainImportHost import;
    MainDialogsHost dialogs;
    overview::SingleItemRecording recording;
};

// The hosts of the window, made on first use.
WindowHosts& HostsOf(frmMain& f);

// The row icon index of the grid recordset's current record by the program
// option ListIcon (1 when unset, as the grid rebuild reads it).
int RowIconOfCurrentRecord(frmMain& f);

}  // namespace mainwindow
