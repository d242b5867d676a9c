#include "vocabdb/modExit.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <cstdlib>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "vocabdb/frmGeduld.h"
#include "vocabdb/modCompact.h"

namespace vocabdb {

using namespace runstate;

namespace {

// Closes a database; false when it was not open.
bool closeDatabase(dao::DatabasePtr& db) {
    if (!db || !db->IsOpen()) return false;
    db->Close();
    return true;
}

}  // namespace

void SaveWindowPlacement(const dao::RecordsetPtr& rs, const QRect& geometry, bool maximised) {
    if (!rs) return;
    try {
        rs->Edit();
        rs->SetValue("R3", geometry.x());
        rs->SetValue("R4", geometry.y());
        rs->SetValue("LastWidth", geometry.width());
        rs->SetValue("LastHeight", geometry.height());
        rs->SetValue("R5", maximised ? 1 : 0);
        rs->Update();
    } catch (const wk::Error&) {
        try {
            rs->CancelUpdate();
        } catch (const wk::Error&) {
        }
    }
}

CompactOutcome CloseAndCompactDatabases(const std::function<void()>& beforeCompaction) {
    CompactOutcome out;

    rsBenutzer.reset();
    rsUserOptionen.reset();
    closeDatabase(dbUser);
    dbUser.reset();

    // The file the open database really came from, whatever the names say.
    const QString vokPath = dbVok ? dbVok->Name() : QString();
    rsOptions.reset();
    const bool vokClosed = closeDatabase(dbVok);
    dbVok.reset();
    wsVok = nullptr;
    if (!vokClosed || vokPath.isEmpty()) return out;  // nothing was opened in this run
    out.ran = true;

    if (beforeCompaction) beforeCompaction();

    out.vokOk = modCompact::CompactInPlace(vokPath, VokDBPasswort);
    if (!UserDBPfad.isEmpty()) out.userOk = modCompact::CompactInPlace(UserDBPfad, UserDBPasswort);
    return out;
}

void CompactDatabasesAndEnd(const ExitHost& host) {
    if (host.mainWindow) {
        const QWidget* w = host.mainWindow;
        // The outer position and size, the window manager's frame included.
        SaveWindowPlacement(rsBenutzer, w->frameGeometry(), w->isMaximized());
    }
    bProgEnde = true;

    frmGeduld geduld;
    CloseAndCompactDatabases([&] {
        if (host.mainWindow) host.mainWindow->hide();
        try {
            geduld.LblBBitteWarten->setText(modMain::GetText(49));
        } catch (const wk::Error&) {
        }
        geduld.show();
        forms::ui().DoEvents();
    });

    if (host.closeRecorder) {
        try {
            host.closeRecorder();
        } catch (...) {
        }
    }
    forms::ui().EndProgram(0);
    std::abort();  // EndProgram does not come back
}

}  // namespace vocabdb
