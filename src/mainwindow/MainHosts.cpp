#include "mainwindow/MainHosts.h"

#include "mainwindow/CloseQuietly.h"
#include "mainwindow/StatusLabels.h"
#include "mainwindow/frmMain.h"

#include <QWindow>
#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "platform/Error.h"
#include "vocabdb/frmNewDB.h"

namespace mainwindow {

void VokDBSchliessen(frmMain& f) {
    using namespace runstate;
    closeQuietly(f.data);
    closeQuietly(rsOptions);
    closeQuietly(dbVok);
    f.data.reset();
    rsOptions.reset();
    dbVok.reset();
    wsVok = nullptr;
    VokDBPfad.clear();
    VokDBDatei.clear();
    VokDBName.clear();
    f.DisableDataView();
}

vocabdb::NewDBHost NewDBHostFor(frmMain& f) {
    vocabdb::NewDBHost host;
    host.closeOpenDatabase = [&f] { VokDBSchliessen(f); };
    host.openDatabase = [&f](const QString& path) {
        f.VokDBOeffnen(path);
        return vocabdb::IsOpenDatabaseFile(path);
    };
    return host;
}

vocabdb::ExitHost ExitHostFor(frmMain& f) {
    vocabdb::ExitHost host;
    host.mainWindow = &f;
    return host;
}

void ShowNewDBDialog(frmMain& f) {
    f.setEnabled(false);
    auto* dlg = new vocabdb::frmNewDB(&f, [&f] { vocabdb::VokDBNeu(NewDBHostFor(f)); });
    dlg->move(f.geometry().center() - dlg->rect().center());
    dlg->show();
    // Kept above the disabled main window.
    if (dlg->windowHandle() && f.windowHandle()) dlg->windowHandle()->setTransientParent(f.windowHandle());
}

}  // namespace mainwindow

namespace mainwindow {

void ChangeUser(frmMain& f, const std::function<bool()>& startInstance) {
    if (!PrepareRestart(startInstance)) return;
    vocabdb::CompactDatabasesAndEnd(ExitHostFor(f));
}

}  // namespace mainwindow
