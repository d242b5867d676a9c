#include "startup/modUserDB.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "core/modMain.h"
#include "platform/Error.h"
#include "vocabdb/TableBuilder.h"

namespace modUserDB {

using namespace vocabdb;

namespace {

QString num(const QString& prefix, int n) {
    return prefix + QString::number(n);
}

QString connectString(const QString& password) {
    return QStringLiteral(";pwd=") + password;
}

// Moves a complete new file over path in one step, so that path is always
// either the old file or the whole new one.
void moveIntoPlace(const QString& from, const QString& to) {
    try {
        dao::ReplaceFile(from, to);
    } catch (const wk::Error&) {
        QFile::remove(from);
        throw;
    }
}

// Builds a complete user database at path (which must not exist) and closes it.
void buildFile(const QString& path, const QString& password, dao::Workspace& ws, int maxUsers) {
    auto db = ws.CreateDatabase(path, dao::dbLangGeneral, dao::dbVersion30 + dao::dbEncrypt);
    AppendTable(db, QStringLiteral("Benutzer"), BenutzerFields());
    AppendTable(db, QStringLiteral("Options"), OptionsFields());
    CreateQueries(db, UserQueries(maxUsers));
    db->NewPassword(QString(), password);
    db->Close();

    db = ws.OpenDatabase(path, false, false, connectString(password));
    auto opts = db->OpenRecordset(QStringLiteral("Optionen"), dao::dbOpenDynaset);
    opts->AddNew();
    opts->Update();
    opts->Close();
    auto users = db->OpenRecordset(QStringLiteral("SELECT * FROM Benutzer ORDER BY ID"), dao::dbOpenDynaset);
    for (int n = 1; n <= maxUsers; ++n) {
        users->AddNew();
        users->SetValue(QStringLiteral("ID"), n);
        users->SetValue(QStringLiteral("Name"), QString(""));
        users->SetValue(QStringLiteral("AnzFr"), 0);
        users->SetValue(QStringLiteral("AnzR"), 0);
        users->SetValue(QStringLiteral("AnzF"), 0);
        users->Update();
    }
    users->Close();
    db->Close();
}

// A new file written beside path, for moving into place.
QString buildBeside(const QString& path, const QString& password, dao::Workspace& ws, int maxUsers) {
    const QString part = path + QStringLiteral(".new");
    QFile::remove(part);
    try {
        buildFile(part, password, ws, maxUsers);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    return part;
}

long toInteger(const QVariant& v) {
    if (v.isNull()) throw wk::Error(94, QStringLiteral("Invalid use of Null"));
    bool ok = false;
    const long n = v.toLongLong(&ok);
    if (!ok) throw wk::Error(wk::err::TypeMismatch, QStringLiteral("Type mismatch"));
    return n;
}

}  // namespace

FieldList BenutzerFields() {
    FieldList f{Int("ID"),      Text("Name", 20),    Long("AnzFr"),       Long("AnzR"),
                Long("AnzF"),   Text("LastDB", 0),   Int("LANG", 1),      Text("R1A", 0),
                Text("R1B", 0), Int("LastWidth", 0), Int("LastHeight", 0)};
    for (int n = 1; n <= 15; ++n) f << Text(num("RT", n), 0);
    for (int n = 1; n <= 15; ++n) f << Int(num("RI", n), 0);
    f << Int("R2", 0) << Int("R3", 0) << Int("R4", 0) << Int("R5", 0);
    return f;
}

FieldList OptionsFields() {
    FieldList f{Int("LastUser", 0),           Int("PlayRight", 1),     Int("PlayWrong", 1),
                Int("RegFileType", 1),        Int("ListIcon", 1),      Int("MaxStart", 0),
                Int("HighlightActiveRow", 0), Int("IndikatorRand", 1), Int("Gridlines", 0)};
    for (int n = 1; n <= 15; ++n) f << Text(num("RT", n), 0);
    for (int n = 1; n <= 15; ++n) f << Int(num("RI", n), 0);
    return f;
}

QList<QueryDef> UserQueries(int maxUsers) {
    QList<QueryDef> q;
    for (int n = 1; n <= maxUsers; ++n)
        q << QueryDef{num("USER", n),
                      QStringLiteral("SELECT * FROM Benutzer WHERE ID=") + QString::number(n)};
    q << QueryDef{"Optionen", "SELECT * FROM Options"} << QueryDef{"AlleBenutzer", "SELECT * FROM Benutzer"};
    return q;
}

UserDB OpenUserDB(const QString& path, const QString& password, dao::Workspace& ws) {
    UserDB u;
    u.dbUser = ws.OpenDatabase(path, false, false, connectString(password));
    try {
        u.rsBenutzer =
            u.dbUser->OpenRecordset(QStringLiteral("SELECT * FROM Benutzer ORDER BY ID"), dao::dbOpenDynaset);
        u.rsUserOptionen = u.dbUser->OpenRecordset(QStringLiteral("Optionen"), dao::dbOpenDynaset);
        u.rsUserOptionen->SetAbsolutePosition(0);
    } catch (...) {
        Close(u);
        throw;
    }
    return u;
}

UserDB CreateUserDB(const QString& path, const QString& password, dao::Workspace& ws, int maxUsers) {
    if (QFileInfo::exists(path)) dao::Raise(wk::err::DatabaseExists);
    moveIntoPlace(buildBeside(path, password, ws, maxUsers), path);
    return OpenUserDB(path, password, ws);
}

void ProbeUserDB(const UserDB& u) {
    (void)toInteger(u.rsUserOptionen->Value(QStringLiteral("MaxStart")));
    u.rsBenutzer->MoveFirst();
    (void)toInteger(u.rsBenutzer->Value(QStringLiteral("LastWidth")));
}

UserDB ReplaceUserDB(UserDB& u, const QString& path, const QString& password, dao::Workspace& ws,
                     int maxUsers) {
    Close(u);
    moveIntoPlace(buildBeside(path, password, ws, maxUsers), path);
    return OpenUserDB(path, password, ws);
}

UserDB OpenOrCreateUserDB(const QString& path, const QString& password, dao::Workspace& ws, int maxUsers) {
    if (!QFileInfo::exists(path)) return CreateUserDB(path, password, ws, maxUsers);
    UserDB u = OpenUserDB(path, password, ws);
    try {
        ProbeUserDB(u);
    } catch (const wk::Error& e) {
        if (e.number() != wk::err::ItemNotFound) {
            Close(u);
            throw;
        }
        return ReplaceUserDB(u, path, password, ws, maxUsers);
    }
    return u;
}

void Close(UserDB& u) {
    if (u.rsBenutzer) u.rsBenutzer->Close();
    if (u.rsUserOptionen) u.rsUserOptionen->Close();
    if (u.dbUser) u.dbUser->Close();
    u = UserDB{};
}

QString WhyUnusable(const wk::Error& e) {
    // The layer's own account (a full disk, ...) is the reason itself.
    if (modMain::IsRefusal(e.number(), e.description())) return e.description();
    QString why;
    switch (e.number()) {
        case wk::err::NotValidPassword:
            why = QStringLiteral("It is not this program's user database");
            break;
        case wk::err::FileLocked:
            why = QStringLiteral("It is write-protected or in use by another program");
            break;
        default:
            why = QStringLiteral("It is damaged or cannot be read");
            break;
    }
    return QStringLiteral("%1 (%2: %3).").arg(why).arg(e.number()).arg(e.description());
}

}  // namespace modUserDB
