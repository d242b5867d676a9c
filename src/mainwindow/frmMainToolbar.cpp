// The overview toolbar: eight buttons left of the grid, their clicks, the
// delete of the current item with its empty-grid state, and the hover hints.
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <functional>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "overview/BulkMenuState.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridColouring.h"
#include "overview/GridModel.h"
#include "platform/Error.h"
#include "platform/forms/FocusKeys.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace mainwindow {

using namespace runstate;

namespace {

// Hover of a toolbar button, also while it is disabled (Qt hands a disabled
// widget's mouse moves to its filters only).
class HoverFilter : public QObject {
public:
    HoverFilter(frmMain& m, QString name, QObject* parent) : QObject(parent), m_(m), name_(std::move(name)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Enter) m_.cmdOverview1_MouseMove(name_);
        if (e->type() != QEvent::MouseMove) return false;
        m_.cmdOverview1_MouseMove(name_);
        // A hover ends here: passed on, the panel below would take the hint
        // down again. A drag with a button held stays the button's.
        return static_cast<QMouseEvent*>(e)->buttons() == Qt::NoButton;
    }

private:
    frmMain& m_;
    QString name_;
};

}  // namespace

// The buttons keep their designed size and spacing where the panel is tall
// enough; in a shorter one they close up, so that the last is not cut off.
void frmMain::layoutOverviewToolbar() {
    QPushButton* const buttons[] = {cmdOverview1_New,       cmdOverview1_Delete,     cmdOverview1_Search,
                                    cmdOverview1_Import,    cmdOverview1_Record,     cmdOverview1_SoundImport,
                                    cmdOverview1_ImportPic, cmdOverview1_GridOptions};
    constexpr int n = std::size(buttons);
    const double room = twips(fraOverview1->height()) - 120 - 60;
    const double step = std::min(540.0, (room - 480) / (n - 1));
    const double side = std::clamp(step - 30, 240.0, 480.0);
    for (int i = 0; i < n; ++i) {
        buttons[i]->setGeometry(px(60), px(120 + i * step), px(side), px(side));
        buttons[i]->setIconSize(QSize(px(side * 0.75), px(side * 0.75)));
    }
}

void frmMain::setupOverviewCommands() {
    struct Def {
        QPushButton** button;
        const char* name;
        const char* picture;  // resource, or an IL key
        void (frmMain::*click)();
    };
    const Def defs[] = {
        {&cmdOverview1_New, "New", ":/overview/toolbar_new.png", &frmMain::cmdOverview1_New_Click},
        {&cmdOverview1_Delete, "Delete", ":/overview/toolbar_delete.png",
         &frmMain::cmdOverview1_Delete_Click},
        {&cmdOverview1_Search, "Search", ":/overview/toolbar_search.png",
         &frmMain::cmdOverview1_Search_Click},
        {&cmdOverview1_Import, "Import", ":/overview/toolbar_import.png",
         &frmMain::cmdOverview1_Import_Click},
        {&cmdOverview1_Record, "Record", "Recorde", &frmMain::cmdOverview1_Record_Click},
        {&cmdOverview1_SoundImport, "SoundImport", "ImportSounde", &frmMain::cmdOverview1_SoundImport_Click},
        {&cmdOverview1_ImportPic, "ImportPic", "ImportPice", &frmMain::cmdOverview1_ImportPic_Click},
        {&cmdOverview1_GridOptions, "GridOptions", ":/overview/toolbar_gridoptions.png",
         &frmMain::cmdOverview1_GridOptions_Click},
    };
    for (const Def& d : defs) {
        const QString name = QStringLiteral("cmdOverview1_") + QLatin1String(d.name);
        auto* b = new QPushButton(fraOverview1);
        b->setObjectName(name);
        controls_.append(b);
        *d.button = b;
        // Tab reaches it; a click leaves the focus in the grid. Enter presses
        // it as Space does.
        b->setFocusPolicy(Qt::TabFocus);
        forms::enterPresses(b);
        const QString pic = QLatin1String(d.picture);
        b->setIcon(pic.startsWith(QLatin1Char(':')) ? QIcon(pic) : IL->Icon(pic));
        b->setMouseTracking(true);
        b->installEventFilter(new HoverFilter(*this, QLatin1String(d.name), b));
        connect(b, &QPushButton::clicked, this, [this, f = d.click] {
            try {
                (this->*f)();
            } catch (const wk::Error& e) {
                modMain::ShowError(e.number(), e.description(), QString());
            }
        });
    }

    layoutOverviewToolbar();

    // The grid's mouse and the menu's entries.
    connect(vg1, &grid::Grid::MouseDown, this,
            [this](int b, int s, int x, int y) { vg1_MouseDown(b, s, x, y); });
    connect(vg1, &grid::Grid::MouseUp, this, [this](int b, int s, int x, int y) { vg1_MouseUp(b, s, x, y); });
    connect(vg1, &grid::Grid::ContextMenuKey, this, [this] {
        try {
            vg1_ContextMenuKey();
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
        }
    });
    const std::pair<const char*, void (frmMain::*)()> entries[] = {
        {"mnuVGrid_Edit", &frmMain::mnuVGrid_Edit_Click},
        {"mnuVGrid_Del", &frmMain::mnuVGrid_Del_Click},
        {"mnuVGrid_Markieren", &frmMain::mnuVGrid_Markieren_Click},
        {"mnuVGrid_DelStat", &frmMain::mnuVGrid_DelStat_Click},
        {"mnuVGrid_AlleAntwortenAbfragen", &frmMain::mnuVGrid_AlleAntwortenAbfragen_Click},
        {"mnuVGrid_ReihenfolgeBeachten", &frmMain::mnuVGrid_ReihenfolgeBeachten_Click},
        {"mnuVGrid_ImportSound", &frmMain::mnuVGrid_ImportSound_Click},
        {"mnuVGrid_DelSound", &frmMain::mnuVGrid_DelSound_Click},
        {"mnuVGrid_ImportPic", &frmMain::mnuVGrid_ImportPic_Click},
        {"mnuVGrid_DelPic", &frmMain::mnuVGrid_DelPic_Click},
        {"mnuVGrid_CheckAll", &frmMain::mnuVGrid_CheckAll_Click},
        {"mnuVGrid_UncheckAll", &frmMain::mnuVGrid_UncheckAll_Click},
        {"mnuVGrid_Alle_SoundDel", &frmMain::mnuVGrid_Alle_SoundDel_Click},
        {"mnuVGrid_Alle_DelPic", &frmMain::mnuVGrid_Alle_DelPic_Click},
        {"mnuVGrid_Alle_DelStat", &frmMain::mnuVGrid_Alle_DelStat_Click},
        {"mnuVGrid_Alle_RenameT", &frmMain::mnuVGrid_Alle_RenameT_Click},
        {"mnuVGrid_Alle_Tausche", &frmMain::mnuVGrid_Alle_Tausche_Click},
        {"mnuVGrid_Markierte_Del", &frmMain::mnuVGrid_Markierte_Del_Click},
        {"mnuVGrid_Markierte_SoundDel", &frmMain::mnuVGrid_Markierte_SoundDel_Click},
        {"mnuVGrid_Markierte_RecordSound", &frmMain::mnuVGrid_Markierte_RecordSound_Click},
        {"mnuVGrid_Markierte_DelPic", &frmMain::mnuVGrid_Markierte_DelPic_Click},
        {"mnuVGrid_Markierte_DelStat", &frmMain::mnuVGrid_Markierte_DelStat_Click},
        {"mnuVGrid_Markierte_RenameT", &frmMain::mnuVGrid_Markierte_RenameT_Click},
        {"mnuVGrid_Markierte_Tausche", &frmMain::mnuVGrid_Markierte_Tausche_Click},
        {"mnuVGrid_FindDuplicates", &frmMain::mnuVGrid_FindDuplicates_Click},
        {"mnuVGrid_Alle_DelSpaces", &frmMain::mnuVGrid_Alle_DelSpaces_Click},
    };
    for (const auto& [name, handler] : entries) {
        QAction* a = menuItem(QLatin1String(name));
        if (!a) continue;
        connect(a, &QAction::triggered, this, [this, a, h = handler] {
            // The two answer entries turn their check mark themselves.
            if (a->isCheckable()) a->setChecked(!a->isChecked());
            try {
                (this->*h)();
            } catch (const wk::Error& e) {
                modMain::ShowError(e.number(), e.description(), QString());
            }
        });
    }
    // A separator is a line, not the designer's "-" caption.
    std::function<void(QMenu*)> plainSeparators = [&](QMenu* menu) {
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) a->setText(QString());
            if (a->menu()) plainSeparators(a->menu());
        }
    };
    plainSeparators(mnuVGrid);
    for (const char* n : {"mnuVGrid_AlleAntwortenAbfragen", "mnuVGrid_ReihenfolgeBeachten"})
        if (QAction* a = menuItem(QLatin1String(n))) a->setCheckable(true);
}

void frmMain::SetOverviewButton(QPushButton* button, bool enabled, const QPixmap& picture) {
    if (!button) return;
    if (!picture.isNull()) button->setIcon(QIcon(picture));
    button->setEnabled(enabled);
}

void frmMain::showOverviewEmpty() {
    // Hidden the way the rebuild hides an empty grid, so that the next
    // rebuild with rows shows it again; the focus goes to the toolbar below,
    // not on to the next control in the Tab order.
    if (QWidget* f = focusWidget(); f && vg1->isAncestorOf(f)) f->clearFocus();
    vg1->SetShowData(false);
    SetOverviewButton(cmdOverview1_Search, false);
    SetOverviewButton(cmdOverview1_Delete, false);
    SetOverviewButton(cmdOverview1_Record, false, ilVG->Picture(grid::keys::RecordDisabled));
    SetOverviewButton(cmdOverview1_SoundImport, false, ilVG->Picture(grid::keys::ImportSoundDisabled));
    SetOverviewButton(cmdOverview1_ImportPic, false, ilVG->Picture(grid::keys::ImportPicDisabled));
    mnuVGrid->setEnabled(false);
    FocusWork();
}

void frmMain::cmdOverview1_Delete_Click() {
    deleteCurrentItem(false);
}

void frmMain::cmdOverview1_SoundImport_Click() {
    mnuVGrid_ImportSound_Click();
}

void frmMain::cmdOverview1_ImportPic_Click() {
    mnuVGrid_ImportPic_Click();
}

void frmMain::cmdOverview1_MouseMove(const QString& name) {
    QPushButton* b = findChild<QPushButton*>(QStringLiteral("cmdOverview1_") + name);
    const overview::ToolbarHint h = overview::toolbarHint(name, IsRecording);
    if (!b || h.text == 0) return;
    BarPopupCursor = cursorPosition ? cursorPosition() : QCursor::pos();
    ShowBarPopup(modMain::GetText(h.text), b->isEnabled() ? 1 : 0,
                 std::lround(twips(fraMainBar->x()) + twips(imgBarNewDB->x())), modMain::GetText(h.shortcut));
    tmrBar->start();
}

}  // namespace mainwindow
