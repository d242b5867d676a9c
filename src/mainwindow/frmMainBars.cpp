// The main bar's five buttons (pictures for hover and press, when each can be
// used, what each click does) and the three one-way locks of a database.
#include <QCursor>
#include <cmath>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"

namespace mainwindow {

using namespace runstate;

namespace {

// An option of the open database; Null and a missing record count as `absent`.
int optionValue(const char* field, int absent) {
    if (!rsOptions) return absent;
    try {
        const QVariant v = rsOptions->Value(QString::fromLatin1(field));
        return v.isValid() ? v.toInt() : absent;
    } catch (const wk::Error&) {
        return absent;
    }
}

}  // namespace

bool frmMain::barButtonAvailable(const ImageBox* b) const {
    if (b == imgBarNewDB || b == imgBarOpenDB) return true;
    if (!bDBOffen) return false;
    if (b == imgBarOverview) return optionValue("ShowOverview", 1) != 0;
    if (b == imgBarOptions) return optionValue("ShowOptions", 1) != 0;
    if (b == imgBarStartTest) return vg1 && vg1->Rows() >= 1;
    return false;
}

void frmMain::refreshBarLocks() {
    bool focusLost = false;
    for (ImageBox* b : {imgBarOverview, imgBarOptions, imgBarStartTest}) {
        if (!b) continue;
        b->refreshAvailability();
        focusLost = focusLost || (b->hasFocus() && b->looksLocked());
    }
    if (focusLost) FocusWork();
}

namespace {

bool* pressedFlag(frmMain& f, const ImageBox* b) {
    if (b == f.imgBarNewDB) return &f.bNewDBDown;
    if (b == f.imgBarOpenDB) return &f.bOpenDBDown;
    if (b == f.imgBarOverview) return &f.bOverviewDown;
    if (b == f.imgBarOptions) return &f.bOptionsDown;
    if (b == f.imgBarStartTest) return &f.bStartTestDown;
    return nullptr;
}

}  // namespace

void frmMain::barButton_MouseDown(ImageBox* b) {
    if (!barButtonAvailable(b)) return;
    if (bool* flag = pressedFlag(*this, b)) *flag = true;
    b->setPictureFrom(barHolders[b->objectName() + "_Down"]);
}

void frmMain::barButton_MouseUp(ImageBox* b) {
    if (!barButtonAvailable(b)) return;
    if (bool* flag = pressedFlag(*this, b)) *flag = false;
    b->setPictureFrom(barHolders[b->objectName() + "_Hi"]);
}

namespace {

struct BarHint {
    int text, shortcut;
    bool enabled;
};

}  // namespace

// The hover of a main-bar button: the others go dark, the hint shows, the
// button lights when it can be used.
static void barHover(frmMain& f, ImageBox* b, const BarHint& hint) {
    for (ImageBox* o : {f.imgBarNewDB, f.imgBarOpenDB, f.imgBarOverview, f.imgBarOptions, f.imgBarStartTest})
        if (o != b) o->setPictureFrom(f.barHolders[o->objectName() + "_Lo"]);
    const double centre = twips(f.fraMainBar->x()) + twips(b->x()) + twips(b->width()) / 2;
    f.ShowBarPopup(modMain::GetText(hint.text), hint.enabled ? 1 : 0, long(std::lround(centre)),
                   modMain::GetText(hint.shortcut));
    if (f.barButtonAvailable(b)) b->setPictureFrom(f.barHolders[b->objectName() + "_Hi"]);
    f.BarPopupCursor = f.cursorPosition ? f.cursorPosition() : QCursor::pos();
    f.tmrBar->start();
}

void frmMain::imgBarNewDB_MouseMove(int, int, double, double) {
    barHover(*this, imgBarNewDB, {478, 479, true});
}

void frmMain::imgBarOpenDB_MouseMove(int, int, double, double) {
    barHover(*this, imgBarOpenDB, {476, 477, true});
}

void frmMain::imgBarOverview_MouseMove(int, int, double, double) {
    // The hint says "locked" for anything but exactly 1.
    if (!bDBOffen)
        barHover(*this, imgBarOverview, {474, 475, false});
    else if (optionValue("ShowOverview", 1) == 1)
        barHover(*this, imgBarOverview, {474, 475, true});
    else
        barHover(*this, imgBarOverview, {474, 498, false});
}

void frmMain::imgBarOptions_MouseMove(int, int, double, double) {
    if (!bDBOffen)
        barHover(*this, imgBarOptions, {472, 473, false});
    else if (optionValue("ShowOptions", 1) == 1)
        barHover(*this, imgBarOptions, {472, 473, true});
    else
        barHover(*this, imgBarOptions, {472, 498, false});
}

void frmMain::imgBarStartTest_MouseMove(int, int, double, double) {
    barHover(*this, imgBarStartTest, {470, 471, barButtonAvailable(imgBarStartTest)});
}

void frmMain::imgBarOpenDB_Click() {
    HideBarPopup();
    VokDBOeffnen(QString());
}

void frmMain::imgBarOptions_Click() {
    if (!barButtonAvailable(imgBarOptions)) return;
    InitOptionTab();
    HideBarPopup();
    HideAllPanels();
    fraVerwaltung->show();
    fraVerwaltung->tvVerwaltung->setFocus();
    // The focus event is not to be relied on (the tree may have the focus
    // already, or the window is not active): the selected node's page
    // shows at once either way.
    fraVerwaltung->tvVerwaltung_GotFocus();
}

// ---- the locks ----

namespace {

// Asks the lock's question; only Yes goes on.
bool confirmLock(int first, int question) {
    const QString prompt = modMain::GetText(first) + "\r\n\r\n" + modMain::GetText(question);
    return forms::ui().MsgBox(prompt, forms::vbYesNoCancel, modMain::GetText(592)) == forms::vbYes;
}

// Writes the lock into the options record at once. A database that refuses
// the write (read-only file) keeps its lock open and says why.
bool writeLock(const char* field, int value) {
    if (!rsOptions) return false;
    try {
        rsOptions->Edit();
        rsOptions->SetValue(QString::fromLatin1(field), value);
        rsOptions->Update();
        return true;
    } catch (const wk::Error& e) {
        try {
            rsOptions->CancelUpdate();
        } catch (const wk::Error&) {
        }
        modMain::ShowError(e.number(), e.description(), QString());
        return false;
    }
}

}  // namespace

void frmMain::cmdDBHideOverview_Click() {
    if (!confirmLock(590, 591)) return;
    if (!writeLock("ShowOverview", 0)) return;
    fraVerwaltung->cmdDBHideOverview->setEnabled(false);
    refreshBarLocks();
}

void frmMain::cmdDBHideOptions_Click() {
    if (!confirmLock(593, 594)) return;
    if (!writeLock("ShowOptions", 0)) return;
    fraVerwaltung->cmdDBHideOptions->setEnabled(false);
    refreshBarLocks();
    HideAllPanels();
    if (optionValue("ShowOverview", 1) == 1) fraOverview1->show();
    FocusWork();
}

void frmMain::cmdDBHideImportExport_Click() {
    if (!confirmLock(596, 597)) return;
    if (!writeLock("ExportProtection", 1)) return;
    fraVerwaltung->cmdDBHideImportExport->setEnabled(false);
}

}  // namespace mainwindow
