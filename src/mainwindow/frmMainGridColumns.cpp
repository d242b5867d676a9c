// The column menu of the grid: each entry shows or hides one optional
// column, stored in the database's options so every later build and every
// user of the database sees the same columns.
#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/Error.h"
#include "platform/grid/Grid.h"

namespace mainwindow {

using namespace runstate;

namespace {

// Showing costs a rebuild (the column is added with its width and font);
// hiding is immediate, the column stays until the next rebuild leaves it out.
void toggleColumn(frmMain& m, const QString& entry, const QString& field, const QString& key) {
    QAction* a = m.menuItem(entry);
    a->setChecked(!a->isChecked());
    const bool shown = a->isChecked();
    try {
        rsOptions->Edit();
        rsOptions->SetValue(field, shown ? -1 : 0);
        rsOptions->Update();
    } catch (const wk::Error& e) {
        // Not stored: the column and the check mark stay as they were.
        try {
            if (rsOptions->EditMode() != dao::dbEditNone) rsOptions->CancelUpdate();
        } catch (const wk::Error&) {
        }
        a->setChecked(!shown);
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    if (shown)
        m.FillVG1();
    else if (m.vg1->ColumnExists(key))
        m.vg1->SetColumnVisible(key, false);
}

QString slotKey(const char* prefix) {
    return QLatin1String(prefix) + QString::number(BenutzerNr);
}

}  // namespace

void frmMain::mnuVGrid_Ansicht_Begriff_Click(int Index) {
    toggleColumn(*this, QStringLiteral("mnuVGrid_Ansicht_Begriff_%1").arg(Index),
                 QStringLiteral("GridShowA%1").arg(Index), QStringLiteral("A%1").arg(Index));
}
void frmMain::mnuVGrid_Ansicht_Thema_Click() {
    toggleColumn(*this, "mnuVGrid_Ansicht_Thema", "GridShowT", "T");
}
void frmMain::mnuVGrid_Ansicht_Kategorie_Click() {
    toggleColumn(*this, "mnuVGrid_Ansicht_Kategorie", "GridShowKategorie", "Kategorie");
}
void frmMain::mnuVGrid_Ansicht_Explanation_Click() {
    toggleColumn(*this, "mnuVGrid_Ansicht_Explanation", "GridShowExplanation", "Explanation");
}
void frmMain::mnuVGrid_Ansicht_Tip_Click() {
    toggleColumn(*this, "mnuVGrid_Ansicht_Tip", "GridShowTip", "Tip");
}
void frmMain::mnuVGrid_Ansicht_Punkte_Click() {
    toggleColumn(*this, "mnuVGrid_Ansicht_Punkte", "GridShowPunkte", "Punkte");
}
void frmMain::mnuVGrid_Ansicht_AA_Click() {
    toggleColumn(*this, "mnuVGrid_Ansicht_AA", "GridShowAA", slotKey("AA"));
}
void frmMain::mnuVGrid_Ansicht_AR_Click() {
    toggleColumn(*this, "mnuVGrid_Ansicht_AR", "GridShowAR", slotKey("AR"));
}
void frmMain::mnuVGrid_Ansicht_AF_Click() {
    toggleColumn(*this, "mnuVGrid_Ansicht_AF", "GridShowAF", slotKey("AF"));
}
void frmMain::mnuVGrid_Ansicht_FQ_Click() {
    toggleColumn(*this, "mnuVGrid_Ansicht_FQ", "GridShowFQ", slotKey("FQ"));
}

}  // namespace mainwindow
