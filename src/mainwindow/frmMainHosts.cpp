// The main window's hosts for the item editor, the import/export wizard and
// the overview's dialogs, and the window's operations that open them.
#include "mainwindow/frmMainHosts.h"

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "editor/frmEditVok.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmMainGridShared.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridModel.h"
#include "overview/frmGridOptions.h"
#include "overview/frmMultipleRecording.h"
#include "overview/frmSearch.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace mainwindow {

// ---- the editor's host -------------------------------------------------------

dao::RecordsetPtr MainEditVokHost::data() {
    return f_.data;
}

void MainEditVokHost::setData(dao::RecordsetPtr rs) {
    f_.data = std::move(rs);
}

dao::DatabasePtr MainEditVokHost::dbVok() {
    return runstate::dbVok;
}

dao::RecordsetPtr MainEditVokHost::rsOptions() {
    return runstate::rsOptions;
}

grid::Grid* MainEditVokHost::vg1() {
    return f_.vg1;
}

int MainEditVokHost::GridIconKey() {
    return RowIconOfCurrentRecord(f_);
}

void MainEditVokHost::UpdateWindow(const QString& what) {
    f_.UpdateWindow(what);
}

void MainEditVokHost::FillVG1() {
    f_.FillVG1();
}

// ---- the wizard's host -------------------------------------------------------

dao::RecordsetPtr MainImportHost::GridRecordset() {
    return f_.data;
}

dao::RecordsetPtr MainImportHost::OptionsRecord() {
    return runstate::rsOptions;
}

void MainImportHost::UpdateWindow(const QString& what) {
    f_.UpdateWindow(what);
}

void MainImportHost::FillVG1() {
    f_.FillVG1();
}

// ---- the dialogs' host -------------------------------------------------------

dao::RecordsetPtr MainDialogsHost::OptionsRecord() {
    return runstate::rsOptions;
}

dao::RecordsetPtr MainDialogsHost::ProgramOptionsRecord() {
    return runstate::rsUserOptionen;
}

dao::RecordsetPtr MainDialogsHost::GridRecordset() {
    return f_.data;
}

grid::Grid& MainDialogsHost::vg1() {
    return *f_.vg1;
}

void MainDialogsHost::FillVG1() {
    f_.FillVG1();
}

void MainDialogsHost::vg1_SelectionChange(long row, long column) {
    f_.vg1_SelectionChange(row, column);
}

void MainDialogsHost::SetOverviewButton(Button b, bool enabled, const QString& pictureKey) {
    buttons[b] = {enabled, pictureKey};
    const char* name = b == Button::Record        ? "cmdOverview1_Record"
                       : b == Button::SoundImport ? "cmdOverview1_SoundImport"
                                                  : "cmdOverview1_ImportPic";
    // A toolbar not built yet takes nothing.
    setOverviewButton(f_, name, enabled, pictureKey);
}

QWidget* MainDialogsHost::MainWindow() {
    return &f_;
}

// ---- the holder ----------------------------------------------------------------

WindowHosts::WindowHosts(frmMain& f) : QObject(&f), editVok(f), import(f), dialogs(f), recording(dialogs) {
    setObjectName(QStringLiteral("WindowHosts"));
}

WindowHosts::~WindowHosts() = default;

WindowHosts& HostsOf(frmMain& f) {
    if (auto* h = f.findChild<WindowHosts*>(QStringLiteral("WindowHosts"), Qt::FindDirectChildrenOnly))
        return *h;
    return *new WindowHosts(f);
}

int RowIconOfCurrentRecord(frmMain& f) {
    if (!f.data || !f.IL) return -1;
    int listIcon = 1;
    if (runstate::rsUserOptionen) {
        const QVariant v = runstate::rsUserOptionen->Value(QStringLiteral("ListIcon"));
        if (v.isValid()) listIcon = v.toInt();
    }
    return overview::GridIconKey(overview::DaoRecordAccess(f.data), listIcon, *f.IL);
}

// ---- the window's operations ---------------------------------------------------

namespace {

constexpr int kOutOfMemory = 7;  // the runtime's "Out of memory"

bool dataViewOpen(const frmMain& f) {
    return runstate::bDBOffen && f.data && runstate::rsOptions && f.vg1;
}

// Makes the selected row's record the grid recordset's current record;
// errors pass to the caller (a row whose record is gone: the grid is out of
// date).
bool positionDataOnSelectedRow(frmMain& f) {
    const long row = f.vg1->SelectedRow();
    if (!f.data || row < 1 || row > f.vg1->Rows()) return false;
    f.data->SetAbsolutePosition(overview::recordPositionOfRow(*f.vg1, row));
    return true;
}

}  // namespace

void frmMain::OpenItemEditor(bool newVok) {
    if (!dataViewOpen(*this)) return;
    try {
        if (!newVok && !positionDataOnSelectedRow(*this)) return;
        editor::frmEditVok& form = editor::EditVok(HostsOf(*this).editVok, this);
        form.NEWVOK = newVok;
        form.Show(forms::vbModal);
    } catch (const wk::Error& e) {
        if (e.number() == kOutOfMemory)
            forms::ui().MsgBox(QStringLiteral("Not enough memory!"), forms::vbExclamation,
                               runstate::ProgName);
        else
            modMain::ShowError(e.number(), e.description(), QStringLiteral("SFEV02"));
    }
}

void frmMain::OpenImportWizard() {
    if (!dataViewOpen(*this)) return;
    exchange::frmImport wizard(HostsOf(*this).import, this);
    forms::ui().ShowModal(wizard);
}

void frmMain::OpenGridOptions() {
    if (!dataViewOpen(*this)) return;
    overview::ShowGridOptions(HostsOf(*this).dialogs);
}

void frmMain::OpenSearch() {
    if (!dataViewOpen(*this)) return;
    overview::ShowSearch(HostsOf(*this).dialogs);
}

void frmMain::RecordCurrentItem() {
    if (!dataViewOpen(*this)) return;
    WindowHosts& h = HostsOf(*this);
    // A recording starts for the selected row's item, whatever moved the
    // recordset before; it is stored into that item.
    try {
        positionDataOnSelectedRow(*this);
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    h.recording.cmdOverview1_Record_Click();
}

bool frmMain::IsRecordingItem() const {
    auto* h = findChild<WindowHosts*>(QStringLiteral("WindowHosts"), Qt::FindDirectChildrenOnly);
    return h && h->recording.IsRecording();
}

void frmMain::RecordMarkedItems() {
    if (!dataViewOpen(*this)) return;
    overview::ShowMultipleRecording(HostsOf(*this).dialogs);
    FillVG1();
}

}  // namespace mainwindow
