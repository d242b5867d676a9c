// The grid's pop-up menu: Ctrl and a left click mark, a right click prepares
// the menu for the current item and pops it up; the entries that act on the
// current item, and the delete of the current item shared with the toolbar.
#include <QCursor>
#include <QTimer>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmMainGridShared.h"
#include "overview/BulkMenuState.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridColouring.h"
#include "overview/GridModel.h"
#include "overview/GridUiRules.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace mainwindow {

using namespace runstate;

namespace {

int listIconOption() {
    if (!rsUserOptionen) return 1;
    const QVariant v = rsUserOptionen->Value(QStringLiteral("ListIcon"));
    return v.isValid() ? v.toInt() : 1;
}

// The row that shows record position p: the selected row when it does,
// else the row whose "no" cell names p; 0 when no row shows it.
long rowOfRecord(const grid::Grid& g, long p) {
    const long sel = g.SelectedRow();
    if (sel >= 1 && sel <= g.Rows() && overview::recordPositionOfRow(g, sel) == p) return sel;
    for (long r = 1; r <= g.Rows(); ++r)
        if (overview::recordPositionOfRow(g, r) == p) return r;
    return 0;
}

void cancelEdit(dao::Recordset& rs) {
    try {
        if (rs.EditMode() != dao::dbEditNone) rs.CancelUpdate();
    } catch (const wk::Error&) {
    }
}

}  // namespace

void frmMain::redrawRowIcon() {
    const long r = vg1->SelectedRow();
    if (r < 1 || r > vg1->Rows()) return;
    overview::DaoRecordAccess rs(data);
    vg1->SetCellIcon(r, 1, overview::GridIconKey(rs, listIconOption(), *ilVG));
}

void frmMain::vg1_MouseDown(int Button, int, int, int) {
    if (Button == 2) RIGHTMOUSEBUTTONDOWN = true;
}

void frmMain::vg1_MouseUp(int Button, int Shift, int, int) {
    if (Button == 1 && Shift == 2) {
        // Without a current record nothing changes.
        if (!data) return;
        try {
            data->Edit();
            const QVariant m = data->Value(QStringLiteral("Markiert"));
            if (m.isValid()) data->SetValue(QStringLiteral("Markiert"), m.toInt() == 0);
            data->Update();
        } catch (const wk::Error&) {
            cancelEdit(*data);
        }
        try {
            redrawRowIcon();
        } catch (const wk::Error&) {
        }
        return;
    }
    if (Button != 2) return;
    popUpGridMenu(QCursor::pos());
}

void frmMain::vg1_ContextMenuKey() {
    QRect at(QPoint(0, 0), QSize(1, 1));
    const long r = vg1->SelectedRow(), c = vg1->SelectedColumn();
    if (r >= 1 && r <= vg1->Rows() && c >= 1 && c <= vg1->Columns()) at = vg1->CellBoundary(r, c);
    popUpGridMenu(vg1->mapToGlobal(at.bottomLeft()), true);
}

void frmMain::popUpGridMenu(const QPoint& at, bool byKey) {
    if (auto* editor = findChild<QWidget*>(QStringLiteral("txtEdit"))) editor->hide();
    vg1->EndEdit();
    RIGHTMOUSEBUTTONDOWN = false;
    // A menu with no item to act on stays shut.
    if (!mnuVGrid->isEnabled() || !data || !rsOptions) return;
    overview::GridMenuState s;
    try {
        if (data->AbsolutePosition() < 0) return;
        s = overview::gridMenuState(overview::DaoRecordAccess(data), overview::DaoRecordAccess(rsOptions));
    } catch (const wk::Error&) {
        return;
    }
    auto set = [this](const char* name, auto&& fn) {
        if (QAction* a = menuItem(QLatin1String(name))) fn(a);
    };
    set("mnuVGrid_DelSound", [&](QAction* a) { a->setEnabled(s.delSoundEnabled); });
    set("mnuVGrid_DelPic", [&](QAction* a) { a->setEnabled(s.delPicEnabled); });
    set("mnuVGrid_Markieren", [&](QAction* a) { a->setText(modMain::GetText(s.markCaption)); });
    for (const auto& [name, checked] : s.viewChecked)
        if (QAction* a = menuItem(name)) a->setChecked(checked);
    for (const char* n : {"mnuVGrid_AlleAntwortenAbfragen", "mnuVGrid_ReihenfolgeBeachten", "mnuM"})
        set(n, [](QAction* a) { a->setVisible(true); });
    if (s.answersTouched) {
        for (const char* n : {"mnuVGrid_AlleAntwortenAbfragen", "mnuVGrid_ReihenfolgeBeachten", "mnuM"})
            set(n, [&](QAction* a) { a->setVisible(s.answersVisible); });
        if (s.answersVisible) {
            set("mnuVGrid_AlleAntwortenAbfragen", [&](QAction* a) { a->setChecked(s.askAllChecked); });
            set("mnuVGrid_ReihenfolgeBeachten", [&](QAction* a) {
                a->setEnabled(s.orderEnabled);
                a->setChecked(s.orderChecked);
            });
        }
    }
    if (byKey) {
        // Once it shows, so that the tools hear of the entry.
        QTimer::singleShot(0, mnuVGrid, [menu = mnuVGrid] {
            for (QAction* a : menu->actions())
                if (a->isVisible() && a->isEnabled() && !a->isSeparator()) {
                    menu->setActiveAction(a);
                    return;
                }
        });
    }
    forms::ui().PopupMenu(*mnuVGrid, at);
}

bool deleteRecordAndRow(frmMain& m, long pos, long r, long colour, const QString& helpContext,
                        const std::function<void()>& onNoCurrent) {
    try {
        m.data->Delete();
    } catch (const wk::Error& e) {
        if (onNoCurrent && e.number() == 3021)
            onNoCurrent();
        else
            modMain::ShowError(e.number(), e.description(), helpContext);
        return false;
    }
    if (r < 1) return true;
    m.vg1->RemoveRow(r);
    overview::lowerPositionsAfter(*m.vg1, pos);
    // The highlighted row is among those striped anew.
    if (m.LastHighlightRow >= r) m.LastHighlightRow = 0;
    overview::DaoRecordAccess rs(m.data);
    try {
        overview::VGridRestripeFromRow(*m.vg1, rs, r, colour);
    } catch (const wk::Error&) {
    }
    return true;
}

void frmMain::mnuVGrid_Del_Click() {
    deleteCurrentItem(true);
}

void frmMain::deleteCurrentItem(bool fromMenu) {
    if (!data) return;
    long p = -1;
    try {
        p = data->AbsolutePosition();
    } catch (const wk::Error&) {
    }
    if (p < 0) return;
    if (forms::ui().MsgBox(modMain::GetText(5045), forms::vbYesNo, modMain::GetText(5048)) != forms::vbYes)
        return;

    const long r = rowOfRecord(*vg1, p);
    const long c = r >= 1 && vg1->Columns() >= 2 ? vg1->CellBackColor(r, 2) : overview::colour::Default;
    const auto empty = [this] { showOverviewEmpty(); };
    if (!deleteRecordAndRow(*this, p, r, c, fromMenu ? QStringLiteral("732") : QString(),
                            fromMenu ? std::function<void()>(empty) : std::function<void()>()))
        return;
    if (fromMenu) {
        UpdateWindow(QStringLiteral("lblbcount"));
        if (vg1->Rows() == 0) showOverviewEmpty();
        refreshSubjectLists();
        if (r - 1 >= 1) try {
                vg1->EnsureVisible(r - 1, 2);
            } catch (const wk::Error&) {
            }
    } else {
        refreshSubjectLists();
        UpdateWindow(QStringLiteral("lblbcount"));
        if (vg1->Rows() == 0) showOverviewEmpty();
        if (r - 2 >= 1) try {
                vg1->EnsureVisible(r - 2, 2);
            } catch (const wk::Error&) {
            }
    }
    // The rebuild left the recordset on its last record while no row is
    // selected; a second Delete would remove that unseen item.
    if (vg1->SelectedRow() < 1) overview::leaveNoItemCurrent(*data);
}

void frmMain::mnuVGrid_Markieren_Click() {
    data->Edit();
    const QVariant m = data->Value(QStringLiteral("Markiert"));
    if (m.isValid()) data->SetValue(QStringLiteral("Markiert"), m.toInt() == 0);
    data->Update();
    redrawRowIcon();
}

void frmMain::mnuVGrid_DelStat_Click() {
    const QString u = QString::number(BenutzerNr);
    try {
        data->Edit();
        for (const char* f : {"AA", "AR", "AF", "FQ"}) data->SetValue(QLatin1String(f) + u, 0);
        for (int k = 1; k <= 6; ++k) data->SetValue(QStringLiteral("Known") + u + QString::number(k), 0);
        data->Update();
    } catch (const wk::Error&) {
        cancelEdit(*data);
        throw;
    }
    FillVG1();
}

void frmMain::mnuVGrid_AlleAntwortenAbfragen_Click() {
    QAction* a = menuItem(QStringLiteral("mnuVGrid_AlleAntwortenAbfragen"));
    a->setChecked(!a->isChecked());
    data->Edit();
    data->SetValue(QStringLiteral("AskAllItems"), a->isChecked() ? 1 : 0);
    data->Update();
}

void frmMain::mnuVGrid_ReihenfolgeBeachten_Click() {
    QAction* a = menuItem(QStringLiteral("mnuVGrid_ReihenfolgeBeachten"));
    a->setChecked(!a->isChecked());
    data->Edit();
    data->SetValue(QStringLiteral("MindTheOrder"), a->isChecked() ? 1 : 0);
    data->Update();
}

namespace {

// The open dialog of the picture and sound imports; "" when cancelled.
QString askMediaFile(QString& lastFolder, int title, const QString& filter) {
    forms::FileDialog dlg;
    dlg.CancelError = true;
    dlg.FileName.clear();
    dlg.InitDir = lastFolder;
    dlg.DialogTitle = modMain::GetText(title);
    dlg.Flags = forms::cdlOFNFileMustExist | forms::cdlOFNHideReadOnly;
    dlg.Filter = filter;
    try {
        forms::ui().ShowOpen(dlg);
    } catch (const wk::Error&) {
        return {};  // cancelled
    }
    lastFolder = dlg.InitDir;
    return dlg.FileName;
}

}  // namespace

void frmMain::mnuVGrid_ImportPic_Click() {
    if (!data) return;
    const QString file = askMediaFile(LastImportFolder, 118, modMedia::PictureFilter());
    if (file.isEmpty()) return;
    try {
        // A file that is no picture is refused there, with a message.
        if (modMedia::FileToField(file, *data, QStringLiteral("Bild"))) redrawRowIcon();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
    }
}

void frmMain::mnuVGrid_ImportSound_Click() {
    if (!data) return;
    const QString file = askMediaFile(LastImportFolder, 113, modMain::GetText(114));
    if (file.isEmpty()) return;
    try {
        if (modMedia::FileToField(file, *data, QStringLiteral("Sound"))) redrawRowIcon();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
    }
}

void frmMain::mnuVGrid_DelPic_Click() {
    if (!modMedia::HasPicture(*data)) return;
    modMedia::ClearPicture(*data);
    redrawRowIcon();
}

void frmMain::mnuVGrid_DelSound_Click() {
    modMedia::ClearSound(*data);
    redrawRowIcon();
}

}  // namespace mainwindow
