// The vocabulary grid as a whole: selecting a cell makes its item current,
// a header click sorts, column widths are stored, the header's right click
// opens the column menu. Also where vg1's events are wired to the window.
#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QTableView>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmMainGridShared.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridColouring.h"
#include "overview/GridModel.h"
#include "overview/GridUiRules.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/Keys.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace mainwindow {

using namespace runstate;

void setOverviewButton(frmMain& m, const char* name, bool enabled, const QString& pictureKey) {
    QWidget* w = m.findChild<QWidget*>(QLatin1String(name));
    if (!w) return;
    w->setEnabled(enabled);
    if (pictureKey.isEmpty() || !m.ilVG || !m.ilVG->KeyExists(pictureKey)) return;
    const QPixmap pic = m.ilVG->Picture(pictureKey);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setIcon(QIcon(pic));
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setPixmap(pic);
}

bool overviewButtonEnabled(const frmMain& m, const char* name) {
    const QWidget* w = m.findChild<QWidget*>(QLatin1String(name));
    return w && w->isEnabled();
}

int userOption(const char* field, int fallback) {
    try {
        if (!rsUserOptionen) return fallback;
        const QVariant v = rsUserOptionen->Value(QString::fromLatin1(field));
        return v.isValid() ? v.toInt() : fallback;
    } catch (const wk::Error&) {
        return fallback;
    }
}

void frmMain::vg1_SelectionChange(long lRow, long lCol) {
    if (inSelection_) return;  // our own moves of the selection
    struct Guard {
        bool& b;
        ~Guard() { b = false; }
    } guard{inSelection_};
    inSelection_ = true;

    if (lCol == 1 && vg1->Columns() >= 3) vg1->SetSelectedColumn(3);

    // The record the row shows, also after a header sort.
    if (!data || lRow < 1 || lRow > vg1->Rows()) return;
    const long pos = overview::recordPositionOfRow(*vg1, lRow);
    if (pos < 0 || pos >= data->RecordCount()) return;
    data->SetAbsolutePosition(pos);

    setOverviewButton(*this, "cmdOverview1_Delete", true);
    setOverviewButton(*this, "cmdOverview1_Search", true);
    setOverviewButton(*this, "cmdOverview1_Import", true);
    setOverviewButton(*this, "cmdOverview1_Record", true, grid::keys::RecordEnabled);
    setOverviewButton(*this, "cmdOverview1_SoundImport", true, grid::keys::ImportSoundEnabled);
    setOverviewButton(*this, "cmdOverview1_ImportPic", true, grid::keys::ImportPicEnabled);
    mnuVGrid->setEnabled(true);

    if (userOption("HighlightActiveRow", 0) != 1) return;
    if (vg1->Rows() < LastHighlightRow) LastHighlightRow = 0;
    if (lRow == LastHighlightRow) return;
    vg1->SetRedraw(false);
    const long first = userOption("IndikatorRand", 1) == 0 ? 1 : 2;
    const long last = vg1->Columns();
    overview::DaoRecordAccess rs(data);
    if (LastHighlightRow != 0) {
        try {
            for (long c = first; c <= last; ++c)
                vg1->SetCellBackColor(LastHighlightRow, c, LastHighlightColor);
            if (LastHighlightTyp == 1) overview::RMC_VGridColorEveryRightInRow(*vg1, rs, LastHighlightRow);
        } catch (const wk::Error&) {
        }
    }
    LastHighlightColor = vg1->CellBackColor(lRow, 2);
    for (long c = first; c <= last; ++c) vg1->SetCellBackColor(lRow, c, overview::colour::Highlight);
    QVariant typ;
    try {
        typ = data->Value(QStringLiteral("Typ"));
    } catch (const wk::Error&) {
        // A record gone elsewhere is highlighted as a typed one.
    }
    if (typ.isValid() && typ.toInt() != 0) overview::RMC_VGridColorEveryRightInRow(*vg1, rs, lRow);
    LastHighlightRow = lRow;
    LastHighlightTyp = typ.isValid() ? qint16(typ.toInt()) : 0;
    vg1->SetRedraw(true);
}

void frmMain::vg1_ColumnClick(long lCol) {
    if (lCol <= 1 || lCol > vg1->Columns()) return;
    vg1->SetRedraw(false);
    const int empty = ilVG->KeyExists(grid::keys::Empty) ? ilVG->ItemIndex(grid::keys::Empty) : -1;
    try {
        vg1->SetColumnHeaderIcon(QStringLiteral("Q"), empty);
        const long previous = vg1->SortColumn(1);
        if (previous >= 1 && previous <= vg1->Columns())
            vg1->SetColumnHeaderIcon(vg1->ColumnKey(previous), empty);
    } catch (const wk::Error&) {
    }
    const QString key = vg1->ColumnKey(lCol);
    vg1->SetSortColumn(1, lCol);
    if (vg1->SortOrder(1) == grid::SortAscending) {
        vg1->SetSortOrder(1, grid::SortDescending);
        vg1->SetColumnHeaderIcon(key, ilVG->ItemIndex(grid::keys::SortDesc));
    } else {
        vg1->SetSortOrder(1, grid::SortAscending);
        vg1->SetColumnHeaderIcon(key, ilVG->ItemIndex(grid::keys::SortAsc));
    }
    vg1->SetSortType(1, grid::SortAuto);
    vg1->Sort();
    if (data) {
        overview::DaoRecordAccess rs(data);
        const long keep = data->AbsolutePosition();
        overview::VGridColorEverySecondCell(*vg1, rs, userOption("IndikatorRand", 1), true);
        if (keep >= 0 && keep < data->RecordCount()) data->SetAbsolutePosition(keep);
    }
    // The stripes were laid anew: the remembered row and colour no longer
    // describe any row.
    LastHighlightRow = 0;
    vg1->SetRedraw(true);
}

void frmMain::vg1_ColumnWidthChanging(long lCol, int, bool& bCancel) {
    if (lCol == 1) bCancel = true;
}

void frmMain::vg1_ColumnWidthChanged(long lCol, int lWidth) {
    for (long r = 1; r <= vg1->Rows(); ++r) {
        try {
            vg1->AutoHeightRow(r);
        } catch (const wk::Error&) {
        }
    }
    if (!rsOptions || lCol < 1 || lCol > vg1->Columns()) return;
    const QString field = overview::widthFieldForKey(vg1->ColumnKey(lCol), BenutzerNr);
    if (field.isEmpty()) return;
    try {
        rsOptions->Edit();
        rsOptions->SetValue(field, lWidth);
        rsOptions->Update();
    } catch (const wk::Error& e) {
        try {
            rsOptions->CancelUpdate();
        } catch (const wk::Error&) {
        }
        modMain::ShowError(e.number(), e.description(), QString());
    }
}

void frmMain::vg1_HeaderRightClick(int x, int y) {
    if (!rsOptions) return;
    auto shown = [](const char* field) {
        const QVariant v = rsOptions->Value(QString::fromLatin1(field));
        return v.isValid() && v.toInt() != 0;
    };
    for (int i = 1; i <= 9; ++i)
        menuItem(QStringLiteral("mnuVGrid_Ansicht_Begriff_%1").arg(i))
            ->setChecked(shown(QStringLiteral("GridShowA%1").arg(i).toLatin1().constData()));
    const std::pair<const char*, const char*> entries[] = {
        {"mnuVGrid_Ansicht_Thema", "GridShowT"},
        {"mnuVGrid_Ansicht_Kategorie", "GridShowKategorie"},
        {"mnuVGrid_Ansicht_Explanation", "GridShowExplanation"},
        {"mnuVGrid_Ansicht_Tip", "GridShowTip"},
        {"mnuVGrid_Ansicht_Punkte", "GridShowPunkte"},
        {"mnuVGrid_Ansicht_AA", "GridShowAA"},
        {"mnuVGrid_Ansicht_AR", "GridShowAR"},
        {"mnuVGrid_Ansicht_AF", "GridShowAF"},
        {"mnuVGrid_Ansicht_FQ", "GridShowFQ"},
    };
    for (const auto& [entry, field] : entries) menuItem(QLatin1String(entry))->setChecked(shown(field));
    auto* menu = mnuVGrid->findChild<QMenu*>(QStringLiteral("mnuVGrid_Ansicht"));
    if (!menu) return;
    // The column menu lives inside the context menu, which the grid switches
    // off while it lacks the focus; the header opens it all the same.
    const bool wasEnabled = mnuVGrid->isEnabled();
    mnuVGrid->setEnabled(true);
    forms::ui().PopupMenu(*menu, vg1->mapToGlobal(QPoint(x, y)));
    if (!wasEnabled) mnuVGrid->setEnabled(false);
}

void frmMain::vg1_CancelEdit() {
    // The grid takes the focus back first: an editor hidden with the focus
    // would pass it on along the Tab order, to the buttons beside the grid.
    const QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == txtEdit || focus == cboVGSubject || cboVGSubject->isAncestorOf(focus)))
        vg1->setFocus(Qt::OtherFocusReason);
    txtEdit->hide();
    cboVGSubject->hide();
}

void frmMain::vg1_GotFocus() {
    txtEdit->hide();
    // The menu went off only because the focus left (an edit, a dialog, a
    // message); with the focus back the selected row's item is there to act
    // on again, and the menu key must not wait for the next selection.
    const long r = vg1->SelectedRow();
    if (data && r >= 1 && r <= vg1->Rows()) mnuVGrid->setEnabled(true);
}

void frmMain::vg1_LostFocus() {
    // A menu popping up over the grid takes the focus only for itself; the
    // menu must not switch itself off while it opens.
    if (QApplication::activePopupWidget()) return;
    mnuVGrid->setEnabled(false);
}

namespace {

// Key and focus events of the in-place editors, in the original's terms.
class EditorEvents : public QObject {
public:
    EditorEvents(frmMain* m) : QObject(m), m_(m) {}

    // A key went down in the editor o: told by the control's own key handler,
    // which runs even where the window's key preview then swallows the key
    // (Esc), as the original's control saw the key go down before the
    // window dropped its character.
    void keyDown(QObject* o, int code) { pressed_ = {o, code}; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        // While the window is being destroyed it is no frmMain any more.
        if (!qobject_cast<frmMain*>(parent())) return false;
        try {
            return filter(o, e);
        } catch (const wk::Error& err) {
            modMain::ShowError(err.number(), err.description(), QString());
            return false;
        }
    }

private:
    bool filter(QObject* o, QEvent* e) {
        const bool isText = o == m_->txtEdit;
        const bool isCombo = o == m_->cboVGSubject || o == m_->cboVGSubject->lineEdit();
        if (!isText && !isCombo) return false;
        switch (e->type()) {
            case QEvent::KeyPress: {
                auto* k = static_cast<QKeyEvent*>(e);
                if (isText && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
                    int ascii = 13;
                    m_->txtEdit_KeyPress(ascii);
                    return ascii == 0;
                }
                return false;
            }
            case QEvent::KeyRelease: {
                auto* k = static_cast<QKeyEvent*>(e);
                if (k->isAutoRepeat()) return false;
                // Only a key pressed here: the release of the Enter that
                // closed a message box must not commit again.
                const int code = forms::vbKeyCode(*k);
                if (pressed_ != std::pair<QObject*, int>{o, code}) return false;
                pressed_ = {};
                const int shift = forms::vbShiftState(k->modifiers());
                if (isText)
                    m_->txtEdit_KeyUp(code, shift);
                else if (o == m_->cboVGSubject)  // the combo passes its keys on to its line
                    m_->cboVGSubject_KeyUp(code, shift);
                return false;
            }
            case QEvent::FocusOut: {
                auto* f = static_cast<QFocusEvent*>(e);
                if (pressed_.first == o) pressed_ = {};  // a message box took the key's release
                if (isText) {
                    m_->txtEdit_LostFocus();
                } else if (o == m_->cboVGSubject && f->reason() != Qt::PopupFocusReason &&
                           f->reason() != Qt::ActiveWindowFocusReason &&
                           !m_->cboVGSubject->isAncestorOf(QApplication::focusWidget())) {
                    m_->cboVGSubject_LostFocus();
                }
                return false;
            }
            case QEvent::Hide:
                // However the edit ended (Enter, Esc, a click elsewhere), its
                // "Confirm with <Enter>" has nothing left to confirm.
                if (isText && m_->lblBarPopup->text() == modMain::GetText(695)) m_->HideBarPopup();
                return false;
            case QEvent::MouseMove:
                if (isText) {
                    auto* me = static_cast<QMouseEvent*>(e);
                    m_->txtEdit_MouseMove(grid::mouseButtons(me->buttons()),
                                          forms::vbShiftState(me->modifiers()), int(me->position().x()),
                                          int(me->position().y()));
                }
                return false;
            default:
                return false;
        }
    }

    frmMain* m_;
    std::pair<QObject*, int> pressed_{nullptr, 0};
};

}  // namespace

void frmMain::connectGrid() {
    txtEdit = new QLineEdit(vg1);
    txtEdit->setObjectName("txtEdit");
    txtEdit->setFrame(false);
    txtEdit->setMouseTracking(true);
    txtEdit->hide();
    cboVGSubject = new QComboBox(vg1);
    cboVGSubject->setObjectName("cboVGSubject");
    cboVGSubject->setEditable(true);
    cboVGSubject->setInsertPolicy(QComboBox::NoInsert);
    cboVGSubject->hide();
    auto* events = new EditorEvents(this);
    txtEdit->installEventFilter(events);
    cboVGSubject->installEventFilter(events);
    cboVGSubject->lineEdit()->installEventFilter(events);
    for (QWidget* w : {static_cast<QWidget*>(txtEdit), static_cast<QWidget*>(cboVGSubject)})
        forms::handleKeys(w, {.KeyDown = [events, w](int& code, int) { events->keyDown(w, code); }});
    controls_.append(txtEdit);
    controls_.append(cboVGSubject);

    connect(txtEdit, &QLineEdit::textChanged, this, [this] { txtEdit_Change(); });
    connect(cboVGSubject, qOverload<int>(&QComboBox::activated), this, [this] { cboVGSubject_Click(); });

    // An error no handler expected is shown, never let out of the event loop.
    auto safely = [this](auto handler) {
        return [this, handler](auto&&... args) {
            try {
                (this->*handler)(std::forward<decltype(args)>(args)...);
            } catch (const wk::Error& e) {
                modMain::ShowError(e.number(), e.description(), QString());
            }
        };
    };
    connect(vg1, &grid::Grid::SelectionChange, this, safely(&frmMain::vg1_SelectionChange));
    // "Start test" is there while the grid has rows.
    const QAbstractItemModel* rows = vg1->view()->model();
    connect(rows, &QAbstractItemModel::modelReset, this, [this] { refreshBarLocks(); });
    connect(rows, &QAbstractItemModel::rowsInserted, this, [this] { refreshBarLocks(); });
    connect(rows, &QAbstractItemModel::rowsRemoved, this, [this] { refreshBarLocks(); });
    // A header click sorts; the keyboard reaches the header by Tab to sort.
    vg1->SetHeaderTakesFocus(true);
    connect(vg1, &grid::Grid::ColumnClick, this, safely(&frmMain::vg1_ColumnClick));
    connect(vg1, &grid::Grid::ColumnWidthChanging, this, safely(&frmMain::vg1_ColumnWidthChanging));
    connect(vg1, &grid::Grid::ColumnWidthChanged, this, safely(&frmMain::vg1_ColumnWidthChanged));
    connect(vg1, &grid::Grid::HeaderRightClick, this, safely(&frmMain::vg1_HeaderRightClick));
    connect(vg1, &grid::Grid::CancelEdit, this, &frmMain::vg1_CancelEdit);
    connect(vg1, &grid::Grid::GotFocus, this, &frmMain::vg1_GotFocus);
    connect(vg1, &grid::Grid::LostFocus, this, &frmMain::vg1_LostFocus);
    connect(vg1, &grid::Grid::KeyDown, this, safely(&frmMain::vg1_KeyDown));
    connect(vg1, &grid::Grid::DblClick, this, safely(&frmMain::vg1_DblClick));
    connect(vg1, &grid::Grid::MouseMove, this, safely(&frmMain::vg1_MouseMove));
    connect(vg1, &grid::Grid::RequestEdit, this, safely(&frmMain::vg1_RequestEdit));

    // The column menu's entries are checkable: Qt has already turned the
    // check mark when triggered arrives; the handler turns it itself.
    auto wire = [this](const QString& name, auto handler) {
        QAction* a = menuItem(name);
        connect(a, &QAction::triggered, this, [this, a, handler] {
            a->setChecked(!a->isChecked());
            (this->*handler)();
        });
    };
    for (int i = 1; i <= 9; ++i) {
        QAction* a = menuItem(QStringLiteral("mnuVGrid_Ansicht_Begriff_%1").arg(i));
        connect(a, &QAction::triggered, this, [this, a, i] {
            a->setChecked(!a->isChecked());
            mnuVGrid_Ansicht_Begriff_Click(i);
        });
    }
    wire("mnuVGrid_Ansicht_Thema", &frmMain::mnuVGrid_Ansicht_Thema_Click);
    wire("mnuVGrid_Ansicht_Kategorie", &frmMain::mnuVGrid_Ansicht_Kategorie_Click);
    wire("mnuVGrid_Ansicht_Explanation", &frmMain::mnuVGrid_Ansicht_Explanation_Click);
    wire("mnuVGrid_Ansicht_Tip", &frmMain::mnuVGrid_Ansicht_Tip_Click);
    wire("mnuVGrid_Ansicht_Punkte", &frmMain::mnuVGrid_Ansicht_Punkte_Click);
    wire("mnuVGrid_Ansicht_AA", &frmMain::mnuVGrid_Ansicht_AA_Click);
    wire("mnuVGrid_Ansicht_AR", &frmMain::mnuVGrid_Ansicht_AR_Click);
    wire("mnuVGrid_Ansicht_AF", &frmMain::mnuVGrid_Ansicht_AF_Click);
    wire("mnuVGrid_Ansicht_FQ", &frmMain::mnuVGrid_Ansicht_FQ_Click);
}

}  // namespace mainwindow
