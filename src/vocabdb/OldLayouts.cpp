#include "vocabdb/OldLayouts.h"

#include <QFile>
#include <QFileInfo>

#include "platform/Error.h"
#include "vocabdb/TableBuilder.h"
#include "vocabdb/VokSchema.h"

namespace vocabdb {

namespace {

QString num(const QString& prefix, int n) {
    return prefix + QString::number(n);
}

// Column groups the three kinds share with each other and with the current
// layout.
FieldList vokKnownAndCounters() {
    FieldList f;
    for (int u = 1; u <= MaxUsers; ++u)
        for (int k = 1; k <= 6; ++k) f << Int(num("Known", u * 10 + k), 0);
    for (int u = 1; u <= MaxUsers; ++u)
        f << Long(num("AA", u)) << Long(num("AR", u)) << Long(num("AF", u)) << Dbl(num("FQ", u));
    return f;
}

FieldList vokPictureAndSound() {
    return {Bool("Markiert", false), Memo("Bild"), Memo("Sound")};
}

FieldList vokReserved() {
    return {Text("R1", 0), Text("R2", 0), Int("R3", 0), Int("R4", 0)};
}

FieldList optFontsAndView() {
    FieldList f;
    for (const char* g : {"", "A", "T", "Rest"})
        f << Text(QString("Schriftart") + g, 40, true, QStringLiteral("MS Sans Serif"))
          << Text(QString("Schriftgroesse") + g, 3, true, QStringLiteral("8"));
    f << Int("ZeilenumbruchQ", 1) << Int("ZeilenumbruchA", 1) << Int("ZeilenumbruchT", 1)
      << Int("HighlightActiveRow", 0) << Int("IndikatorRand", 1) << Int("Gridlines", 0) << Int("Lernmodus", 0)
      << Int("KnownWieOft", 3);
    return f;
}

FieldList optAbout(const QString& appVersion) {
    FieldList f{Memo("Kommentar"), Text("Version", 10)};
    if (!appVersion.isEmpty()) f << Text("AppVersion", 10, true, appVersion);
    f << Text("Stichworte", 200);
    return f;
}

// Kind 0 has a single answer column; kinds 1 and 2 have nine.
FieldList optGrid(bool nineAnswers) {
    FieldList f{Int("GridWidthQ", 0)};
    if (nineAnswers)
        for (int i = 1; i <= 9; ++i) f << Int(num("GridWidthA", i), 0);
    else
        f << Int("GridWidthA", 0);
    for (const char* c : {"T", "AA", "AR", "AF", "FQ"}) f << Int(QString("GridWidth") + c, 0);
    f << Int("GridShowQ", 1);
    if (nineAnswers)
        for (int i = 1; i <= 9; ++i) f << Int(num("GridShowA", i), 1);
    else
        f << Int("GridShowA", 1);
    for (const char* c : {"T", "AA", "AR", "AF", "FQ"}) f << Int(QString("GridShow") + c, 1);
    return f;
}

// Test options from "Anzahl Versuche" on, as kinds 0 and 2 share them.
FieldList optTestTail(bool withGK) {
    FieldList f{Int("Anzahl Versuche", 1), Int("Begriff aufloesen", 1), Int("DontAskTheKnown", 1),
                Int("Nochmal fragen", 1), Int("Falsche nochmal", 1)};
    if (withGK) f << Int("GK ignorieren", 1);
    f << Int("Auswahl", 0) << Text("AuswahlThema", 0) << Int("Zeitlimit", 0) << Long("Sekunden Zeitlimit", 12)
      << Int("ShowText", 1) << Int("ShowSound", 1) << Int("ShowPic", 1);
    return f;
}

FieldList optUsersAndReserved(bool kind2) {
    FieldList f;
    for (int u = 1; u <= MaxUsers; ++u) f << Text(num("Benutzer", u), 21);
    f << Memo("R5") << Text("R1", 0) << Text("R2", 0) << Int("R3", 0) << Int("R4", 0);
    if (kind2) f << Int("R6", 0) << Int("R7", 0);
    return f;
}

// The old kinds' theme T is Text(50) without a default: the default theme
// came with the categories of kind 4.
FieldList kind0Vok() {
    FieldList f{Text("Q", 120, false), Text("A", 120, false), Text("T", 50)};
    f << vokPictureAndSound() << Int("AskAllItems", 0) << Int("MindTheOrder", 0);
    f << vokKnownAndCounters() << vokReserved();
    return f;
}

FieldList kind1Vok() {
    FieldList f{Text("Q", 120, false), Text("T", 50), Int("AnzahlAntworten", 3)};
    for (int i = 1; i <= 9; ++i) f << Text(num("A", i), 40) << Bool(num("E", i));
    f << vokPictureAndSound() << vokKnownAndCounters() << vokReserved();
    return f;
}

FieldList kind2Vok() {
    FieldList f{Text("Q", 240, false)};
    for (int i = 1; i <= 9; ++i) f << Text(num("A", i), 200) << Int(num("RA", i), 0);
    f << Int("MCAA", 3) << Int("MultipleAnswers", 0) << Long("Punkte", 0) << Text("T", 50);
    f << vokPictureAndSound() << vokKnownAndCounters() << Memo("R5") << vokReserved();
    return f;
}

FieldList kind0Options(const QString& v) {
    FieldList f{Int("DBType", 0), Text("Copyright", 100)};
    f << optFontsAndView() << optGrid(false) << optAbout(v);
    f << Int("Abfragestil", 0) << Int("Abfragereihenfolge", 1) << Int("Abzufragender Begriff", 0);
    f << optTestTail(true) << optUsersAndReserved(false);
    return f;
}

FieldList kind1Options(const QString& v) {
    FieldList f{Int("DBType", 1), Int("AllowMixed", 0), Text("Copyright", 100)};
    f << optFontsAndView() << optGrid(true) << optAbout(v);
    f << Int("Begriff aufloesen", 1) << Int("Nur markierte", 0);
    f << optUsersAndReserved(false);
    return f;
}

FieldList kind2Options(const QString& v) {
    FieldList f{Int("DBType", 2), Long("MaxPunkte", 0), Int("ZaehlePunkte", 0), Text("Copyright", 100)};
    f << optFontsAndView() << optAbout(v);
    f << Int("BigZeitlimit", 0) << Int("BigZeitlimitM", 30) << Int("Mixen", 0)
      << Int("Abzufragender Begriff", 0) << Int("Abfragestil", 0) << Int("Abfragereihenfolge", 1);
    f << optTestTail(false) << optGrid(true) << optUsersAndReserved(true);
    return f;
}

}  // namespace

DatabaseLayout OldKindLayout(int kind, const QString& appVersion) {
    DatabaseLayout l;
    l.kind = kind;
    l.appVersion = appVersion;
    l.queries = VokQueries();
    switch (kind) {
        case 0:
            l.vok = kind0Vok();
            l.options = kind0Options(appVersion);
            break;
        case 1:
            l.vok = kind1Vok();
            l.options = kind1Options(appVersion);
            break;
        case 2:
            l.vok = kind2Vok();
            l.options = kind2Options(appVersion);
            break;
        default:
            throw wk::Error(wk::err::SubscriptOutOfRange,
                            QStringLiteral("No such database kind: %1").arg(kind));
    }
    return l;
}

void BuildLayout(const dao::DatabasePtr& db, const DatabaseLayout& layout) {
    AppendTable(db, QStringLiteral("VOK"), layout.vok);
    AppendTable(db, QStringLiteral("OPTIONS"), layout.options);
    CreateQueries(db, layout.queries);
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM OPTIONS"), dao::dbOpenDynaset);
    rs->AddNew();
    for (const auto& [name, value] : layout.optionsRow) rs->SetValue(name, value);
    rs->Update();
    rs->Close();
}

void CreateDatabaseFile(const QString& path, const DatabaseLayout& layout, const QString& password) {
    if (QFileInfo::exists(path)) dao::Raise(wk::err::DatabaseExists);
    // Built beside and renamed, so a failure never leaves a half-made file
    // under the name asked for.
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    try {
        auto db = dao::DBEngine::CreateDatabase(part, VokDBLocale, dao::dbVersion30 + dao::dbEncrypt);
        BuildLayout(db, layout);
        db->NewPassword(QString(), password);
        db->Close();
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    if (QFileInfo::exists(path)) {
        QFile::remove(part);
        dao::Raise(wk::err::DatabaseExists);
    }
    try {
        dao::ReplaceFile(part, path);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
}

}  // namespace vocabdb
