// Opening a vocabulary database: the one way a file becomes the open
// database of the program.
//
// Unlike the program this replaces, a file that fails to open, is refused
// for its version or fails on its way in (upgrade, slot claim, lists) leaves
// the program as it was: the previous database stays open with its names,
// recordsets and view, or the window stays in the no-database state.
#include <QDir>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/UserFiles.h"
#include "core/modFunctions.h"
#include "core/modMain.h"
#include "mainwindow/CloseQuietly.h"
#include "mainwindow/frmMain.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridUiRules.h"
#include "overview/frmLoading.h"
#include "platform/Error.h"
#include "platform/forms/Accessible.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/MousePointer.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"
#include "platform/shell/Shell.h"
#include "upgrade/UpgradeDatabase.h"
#include "vocabdb/DelStat.h"
#include "vocabdb/OpenCheck.h"
#include "vocabdb/ThemeLists.h"

namespace mainwindow {

using namespace runstate;
using modMain::GetText;

QString FileNameOfPath(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return cut < 0 ? path : path.mid(cut + 1);
}

QString DisplayNameFor(const QString& upperFileName) {
    if (upperFileName.endsWith(QLatin1String(".WKD")))
        return upperFileName.left(upperFileName.indexOf(QLatin1String(".WKD")));
    const qsizetype dot = upperFileName.lastIndexOf('.');
    return dot > 0 ? upperFileName.left(dot) : upperFileName;
}

frmMain::OpenState frmMain::captureOpenState() const {
    OpenState s;
    s.db = dbVok;
    s.options = rsOptions;
    s.grid = data;
    s.pfad = VokDBPfad;
    s.datei = VokDBDatei;
    s.name = VokDBName;
    s.dbType = DBTypeAktuell;
    s.open = bDBOffen;
    try {
        if (rsBenutzer) s.lastDB = rsBenutzer->Value("LastDB");
    } catch (const wk::Error&) {
    }
    s.viewGeneration = viewGeneration_;
    return s;
}

void frmMain::restoreOpenState(const OpenState& s) {
    if (dbVok != s.db) {
        if (data != s.grid) closeQuietly(data);
        if (rsOptions != s.options) closeQuietly(rsOptions);
        closeQuietly(dbVok);
    }
    dbVok = s.db;
    rsOptions = s.options;
    data = s.grid;
    VokDBPfad = s.pfad;
    VokDBDatei = s.datei;
    VokDBName = s.name;
    DBTypeAktuell = s.dbType;
    wsVok = s.db ? &dao::DBEngine::Workspaces(0) : nullptr;

    // The user's last database names the file that is open.
    try {
        if (rsBenutzer && rsBenutzer->Value("LastDB") != s.lastDB) {
            rsBenutzer->Edit();
            rsBenutzer->SetValue("LastDB", s.lastDB);
            rsBenutzer->Update();
        }
    } catch (const wk::Error&) {
        try {
            rsBenutzer->CancelUpdate();
        } catch (const wk::Error&) {
        }
    }

    if (!s.open) {
        if (bDBOffen || viewGeneration_ != s.viewGeneration) {
            HideAllPanels();
            DisableDataView();
        }
        return;
    }
    if (viewGeneration_ == s.viewGeneration) return;  // nothing on screen changed
    // A nested opening showed the failed file: show the previous one again.
    try {
        showOpenDatabase();
    } catch (const wk::Error&) {
        // The previous database is open again; a view that cannot be rebuilt
        // is rebuilt by the next change.
    }
}

void frmMain::showOpenDatabase() {
    EnableDataView();
    refreshSubjectLists();
    lblBDBName->setText(VokDBName.size() <= 25 ? VokDBName : VokDBName.left(22) + "...");
    fitDBNameLabel();
    FillVG1();
    imgBarOverview_Click();
}

void frmMain::refreshSubjectLists() {
    vocabdb::FillCombo(data, cboThemen, cboKategorien);
    QStringList themen, kategorien;
    vocabdb::ErstelleThemenListe(cboThemen, themen);
    vocabdb::ErstelleKategorienListe(cboKategorien, kategorien);
    arrThemen.clear();
    arrThemen = themen;
    arrKategorien.clear();
    arrKategorien = kategorien;
}

void frmMain::VokDBOeffnen(const QString& VokabelDBName) {
    openVokDB(VokabelDBName);
}

bool frmMain::UpgradeDatabase() {
    upgrade::UpgradeHost host;
    host.path = VokDBPfad;
    host.password = VokDBPasswort;
    host.dbType = DBTypeAktuell;
    host.maxUsers = MaxUsers;
    host.db = &dbVok;
    host.rsOptions = &rsOptions;
    host.data = &data;
    host.checkDepth = &Check_Depth;
    host.reopen = [this](const QString& path) { return openVokDB(path); };
    host.setMousePointer = [](int pointer) { forms::setMousePointer(pointer); };
    host.showError = [](int number, const QString& description, const QString& location) {
        modMain::ShowError(number, description, location);
    };
    host.defaultCategory = [] { return GetText(87); };
    const upgrade::UpgradeResult result = upgrade::UpgradeDatabase(host);
    if (result == upgrade::UpgradeResult::Current) {
        // No step applies, so the file must have the current layout: a
        // version text that selects nothing on an older or damaged file is
        // refused here rather than failing in every later use. That is the
        // user's situation, not a fault of ours: a plain notice, and the
        // file stays as it was.
        try {
            const vocabdb::MissingParts missing = vocabdb::MissingInCurrentVersion(dbVok);
            if (!missing.isEmpty()) {
                vocabdb::TellUnusable(VokDBPfad, missing);
                return false;
            }
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QStringLiteral("209"));
            return false;
        }
    }
    return upgrade::OpeningMayGoOn(result);
}

bool frmMain::openVokDB(const QString& VokabelDBName) {
    // The path, from the caller or from the open dialog.
    QString path = VokabelDBName;
    if (path.isEmpty()) {
        forms::FileDialog dlg;
        dlg.InitDir = modMain::GetDBPath();
        dlg.DialogTitle = GetText(41);
        dlg.Flags = forms::cdlOFNFileMustExist | forms::cdlOFNHideReadOnly;
        dlg.Filter = GetText(42);
        dlg.FileName = QString();
        dlg.CancelError = true;
        try {
            if (!forms::ui().ShowOpen(dlg)) return false;
        } catch (const wk::Error&) {
            return false;
        }
        if (dlg.FileName.isEmpty()) return false;
        path = dlg.FileName;
    }
    // Names. A file without ".wkd" (or without a folder) is named after
    // its file name without extension.
    const QString datei = modFunctions::UCase(FileNameOfPath(path));
    const QString name = DisplayNameFor(datei);

    // A name whose bytes Qt could not read reaches no file, and has no
    // place among the recent documents either.
    if (userfiles::RefuseUnreadableName(path)) return false;

    // Recent documents; a failure there does not matter.
    try {
        shell::AddToRecentDocs(path);
    } catch (...) {
    }

    // A pipe or a device at that name would keep the program waiting.
    if (userfiles::RefuseNonRegularSource(path)) return false;

    // The file, with its password. Until it has passed the version
    // test nothing of the program's state changes.
    dao::Workspace& ws = dao::DBEngine::Workspaces(0);
    dao::DatabasePtr db;
    try {
        db = ws.OpenDatabase(path, false, false, QStringLiteral(";pwd=") + VokDBPasswort);
    } catch (const wk::Error& e) {
        if (e.number() == wk::err::FileNotFound) return false;
        if (e.number() == wk::err::FileLocked) {
            forms::ui().MsgBox(userfiles::CannotOpenDatabaseText(e), forms::vbInformation, GetText(40));
            return false;
        }
        modMain::ShowError(e.number(), e.description(), QStringLiteral("209"));
        return false;
    }
    // A journal beside it that could not be moved aside: nothing may be
    // written to it, not even the owner of the user's slot.
    if (const QString kept = userfiles::KeptJournalText(*db); !kept.isEmpty()) {
        closeQuietly(db);
        forms::ui().MsgBox(GetText(5050) + "\r" + QDir::toNativeSeparators(path) + "\r\r" + kept,
                           forms::vbExclamation, ProgName);
        return false;
    }
    userfiles::TellSetAsideJournal(*db);

    // The grid's recordset and the options record.
    dao::RecordsetPtr grid, options;
    short dbType = 0;
    try {
        const vocabdb::MissingParts missing = vocabdb::MissingInAnyVersion(db);
        if (!missing.isEmpty()) {
            closeQuietly(db);
            vocabdb::TellUnusable(path, missing);
            return false;
        }
        grid = db->OpenRecordset(QStringLiteral("Alles"), dao::dbOpenDynaset);
        options = db->OpenRecordset(QStringLiteral("AllOptions"));
        options->SetAbsolutePosition(0);
        const QVariant t = options->Value(QStringLiteral("DBType"));
        dbType = t.isValid() ? short(t.toInt()) : 0;
    } catch (const wk::Error&) {
        closeQuietly(db);
        throw;
    }

    // A file written by a newer program is refused (compared as text, as
    // the versions always were). A file without the column is upgraded.
    QVariant appVersion;
    try {
        appVersion = options->Value(QStringLiteral("AppVersion"));
    } catch (const wk::Error&) {
        appVersion = QVariant();
    }
    if (appVersion.isValid() && appVersion.toString() > ProgVersion) {
        forms::ui().MsgBox(GetText(5015) + appVersion.toString() + GetText(5016) + ProgVersion + "." +
                               "\r\r" + GetText(5017),
                           forms::vbCritical, GetText(5001));
        closeQuietly(options);
        closeQuietly(grid);
        closeQuietly(db);
        return false;
    }

    // The file takes the place of the previous one; that one is kept until
    // the new one is really in use.
    const OpenState previous = captureOpenState();
    VokDBDatei = datei;
    VokDBName = name;
    VokDBPfad = path;
    wsVok = &ws;
    dbVok = db;
    data = grid;
    rsOptions = options;
    DBTypeAktuell = dbType;

    try {
        // The upgrade brings an older file up to date, reopening it
        // through this operation once per step.
        if (!UpgradeDatabase()) {
            restoreOpenState(previous);
            return false;
        }

        // The current user's slot.
        const QString ownerField = QStringLiteral("Benutzer%1").arg(BenutzerNr);
        const QVariant owner = rsOptions->Value(ownerField);
        if (!(owner.isValid() && owner.toString() == BenutzerName)) {
            if (owner.isValid() && !owner.toString().isEmpty())
                vocabdb::DelStat(data, BenutzerNr, *wsVok, MaxUsers);
            rsOptions->Edit();
            rsOptions->SetValue(ownerField, BenutzerName);
            rsOptions->Update();
        }

        // The user's last database.
        if (rsBenutzer) {
            rsBenutzer->Edit();
            rsBenutzer->SetValue(QStringLiteral("LastDB"), VokDBPfad);
            rsBenutzer->Update();
        }

        // The view.
        ++viewGeneration_;
        showOpenDatabase();
    } catch (const wk::Error&) {
        for (auto* rs : {&rsOptions, &rsBenutzer})
            if (*rs) try {
                    if ((*rs)->EditMode() != dao::dbEditNone) (*rs)->CancelUpdate();
                } catch (const wk::Error&) {
                }
        restoreOpenState(previous);
        throw;
    }

    // The previous database is no longer needed.
    if (previous.db && previous.db != dbVok) {
        closeQuietly(previous.grid);
        closeQuietly(previous.options);
        closeQuietly(previous.db);
    }
    return true;
}

namespace {

// What the grid rebuild borrows from the main window.
class MainLoadingHost : public overview::LoadingHost {
public:
    explicit MainLoadingHost(frmMain& m) : m_(m), grid_(m.data), options_(rsOptions) {}

    bool DatabaseOpen() const override { return bDBOffen; }
    int UpgradeDepth() const override { return m_.Check_Depth; }
    void SetMainEnabled(bool on) override { m_.setEnabled(on); }
    void SetMousePointer(int pointer) override { forms::setMousePointer(pointer); }
    QString StatusCaption() const override { return m_.lblBDBName->text(); }
    void SetStatusCaption(const QString& text) override {
        m_.lblBDBName->setText(text);
        m_.lblBDBName->repaint();
    }
    void InitOptionTab() override { m_.InitOptionTab(); }
    void UpdateWindow(const QString& what) override { m_.UpdateWindow(what); }
    void SetOverviewButton(Button b, bool enabled, const QPixmap& picture) override {
        QPushButton* const buttons[] = {m_.cmdOverview1_Search, m_.cmdOverview1_Delete,
                                        m_.cmdOverview1_Record, m_.cmdOverview1_SoundImport,
                                        m_.cmdOverview1_ImportPic};
        m_.SetOverviewButton(buttons[int(b)], enabled, picture);
    }
    grid::Grid& vg1() override { return *m_.vg1; }
    overview::RecordAccess& gridRecordset() override { return grid_; }
    overview::RecordAccess& optionsRecord() override { return options_; }
    int BenutzerNr() const override { return runstate::BenutzerNr; }
    int ListIcon() const override { return programOption("ListIcon", 1); }
    int IndikatorRand() const override { return programOption("IndikatorRand", 1); }
    const grid::ImageList& ilVG() const override { return *m_.ilVG; }
    const grid::ImageList& IL() const override { return *m_.IL; }
    QString GetText(int id) const override { return modMain::GetText(id); }
    void ReportError(int number, const QString& description) override {
        modMain::ShowError(number, description, QString());
    }

private:
    static int programOption(const char* field, int fallback) {
        if (!rsUserOptionen) return fallback;
        const QVariant v = rsUserOptionen->Value(QString::fromLatin1(field));
        return v.isValid() ? v.toInt() : fallback;
    }
    frmMain& m_;
    overview::DaoRecordAccess grid_;
    overview::DaoRecordAccess options_;
};

}  // namespace

void frmMain::FillVG1() {
    if (!bDBOffen || !data || !rsOptions) return;
    MainLoadingHost host(*this);
    {
        // The status caption shows the per cent done, then the name again.
        forms::QuietProgress progress{lblBDBName};
        overview::FillVG1(host);
    }
    // The new rows have no current one, so no item may stay current either.
    if (vg1->SelectedRow() < 1) overview::leaveNoItemCurrent(*data);
}

}  // namespace mainwindow
