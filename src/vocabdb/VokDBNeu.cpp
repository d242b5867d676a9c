#include "vocabdb/VokDBNeu.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/UserFiles.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/RegularFile.h"
#include "platform/dao/Dao.h"
#include "platform/forms/Interaction.h"
#include "vocabdb/VokSchema.h"

namespace vocabdb {

using modMain::GetText;

namespace {

const QString kLocation = QStringLiteral("348");

// A name in the chosen file's folder for the file under construction.
QString NameBeside(const QString& path) {
    const QFileInfo fi(path);
    QTemporaryFile t(fi.absolutePath() + "/." + fi.fileName() + ".XXXXXX.new");
    if (!t.open()) return fi.absolutePath() + "/." + fi.fileName() + ".new";
    return t.fileName();  // removed again when t goes; CreateDatabase wants no file there
}

// Builds the complete new database at `temp`; reports a failure and removes
// what was begun.
bool BuildBeside(const QString& temp) {
    dao::DatabasePtr db;
    try {
        db =
            dao::DBEngine::Workspaces(0).CreateDatabase(temp, VokDBLocale, dao::dbVersion30 + dao::dbEncrypt);
        MakeType4(db, runstate::NeuDBCopyright);
        return true;
    } catch (const wk::Error& e) {
        if (db) try {
                if (db->IsOpen()) db->Close();
            } catch (const wk::Error&) {
            }
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) QFile::remove(temp + suffix);
        modMain::ShowError(e.number(), e.description(), kLocation);
        return false;
    }
}

}  // namespace

bool IsOpenDatabaseFile(const QString& path) {
    const dao::DatabasePtr& db = runstate::dbVok;
    if (!db || !db->IsOpen()) return false;
    return wk::FileIdOf(db->Name()) == wk::FileIdOf(path);
}

void VokDBNeu(const NewDBHost& host) {
    QString path;
    for (;;) {
        // 1. The save dialog.
        forms::FileDialog dlg;
        dlg.InitDir = modMain::GetDBPath();
        dlg.DialogTitle = GetText(36);
        dlg.Flags = forms::cdlOFNCreatePrompt | forms::cdlOFNHideReadOnly;
        dlg.Filter = GetText(37);
        // A name typed without an ending gets ".wkd", or the open dialog's
        // filter would never show the new file again.
        dlg.DefaultExt = QStringLiteral("wkd");
        dlg.FileName = QString();
        try {
            if (!forms::ui().ShowSave(dlg)) return;
        } catch (const wk::Error&) {
            return;
        }
        // 2. The path.
        path = dlg.FileName;
        if (path.isEmpty()) return;
        // The open database may be replaced (it is closed first); USER.MDB
        // or a journal may not: the new file would take their place under
        // the connections that hold them.
        if (userfiles::IsHeldFile(path) && !IsOpenDatabaseFile(path)) {
            forms::ui().MsgBox(userfiles::HeldFileText(path), forms::vbExclamation, GetText(40));
            continue;
        }
        if (wk::KindOfFile(path) == wk::FileKind::Other) {
            forms::ui().MsgBox(userfiles::NonRegularTargetText(path), forms::vbExclamation, GetText(40));
            continue;
        }
        if (!QFileInfo::exists(path)) break;
        // The file exists: replace it only when the user says so.
        const QString title = dlg.FileTitle.isEmpty() ? QFileInfo(path).fileName() : dlg.FileTitle;
        if (forms::ui().MsgBox(GetText(38) + title + " !" + "\r\r" + GetText(39), forms::vbYesNo,
                               GetText(40)) == forms::vbYes)
            break;
    }

    // 3.-5. The new file with the current schema, built beside.
    const QString temp = NameBeside(path);
    if (!BuildBeside(temp)) return;

    // Only the file that is replaced is closed; any other open database
    // stays open until the new one has opened.
    const bool closedOpen = IsOpenDatabaseFile(path);
    if (closedOpen && host.closeOpenDatabase) host.closeOpenDatabase();

    // Refused while another program has the old file open; its leftover
    // journals would otherwise be applied to the new file.
    try {
        dao::ReplaceFile(temp, path);
    } catch (const wk::Error& e) {
        QFile::remove(temp);
        modMain::ShowError(e.number(), e.description(), kLocation);
        // The old file is untouched: it is the open database again.
        if (closedOpen && host.openDatabase) try {
                host.openDatabase(path);
            } catch (const wk::Error&) {
            }
        return;
    }

    // 6. The new file becomes the open database. When it cannot, the
    // previous database stays open, or the window shows no database.
    if (!host.openDatabase) return;
    try {
        host.openDatabase(path);
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), kLocation);
    }
}

}  // namespace vocabdb
