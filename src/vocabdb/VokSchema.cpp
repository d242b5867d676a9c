#include "vocabdb/VokSchema.h"

#include "core/modMain.h"
#include "vocabdb/TableBuilder.h"

namespace vocabdb {

namespace {
QString num(const QString& prefix, int n) {
    return prefix + QString::number(n);
}
}  // namespace

FieldList VokFields(const QString& otherText, const QDateTime& created, int maxUsers) {
    FieldList f;
    f << Text("Q", 240);
    for (int i = 1; i <= 9; ++i) f << Text(num("A", i), 240) << Int(num("RA", i), 0);
    f << Text("T", 50, true, otherText) << Text("Kategorie", 50, true, otherText);
    f << Text("Tip", 240) << Text("Explanation", 240);
    f << Bool("Markiert", false) << Date("ZuletztGelerntAm", created);
    f << Memo("Bild") << Memo("Sound") << Memo("SoundTip") << Memo("SoundRichtig") << Memo("SoundFalsch");
    f << Int("AskAllItems", 0) << Int("MindTheOrder", 0) << Int("MultipleAnswers", 0) << Int("Typ", 0)
      << Int("MCAA", 3) << Long("Punkte", 0);
    for (int u = 1; u <= maxUsers; ++u)
        for (int k = 1; k <= 6; ++k) f << Int(num("Known", u * 10 + k), 0);
    // The per-slot counters have no default: whoever adds an item writes 0.
    for (int u = 1; u <= maxUsers; ++u)
        f << Long(num("AA", u)) << Long(num("AR", u)) << Long(num("AF", u)) << Dbl(num("FQ", u));
    return f;
}

FieldList OptionsFields(const QString& progVersion, int maxUsers) {
    const QString font = QStringLiteral("MS Sans Serif");
    const QString size = QStringLiteral("8");
    FieldList f;
    f << Int("DBType", CurrentDBType) << Text("Copyright", 100);
    for (const char* g : {"", "A", "T", "Rest"})
        f << Text(QString("Schriftart") + g, 40, true, font)
          << Text(QString("Schriftgroesse") + g, 3, true, size);
    f << Int("WriteProtection", 0) << Int("ReadProtection", 0) << Int("ExportProtection", 0)
      << Int("ZeigeThemaBeiAbfrage", 0) << Int("ShowFirstLetter", 0) << Int("ZeigeBewertung", 1)
      << Int("ShowOverview", 1) << Int("ShowOptions", 1) << Int("ShowBewertung", 1)
      << Int("TestMaxFragen", 50) << Int("bTestMaxFragen", 0) << Int("ZaehlePunkte", 0)
      << Int("Punktebewertung", 0);
    for (int i = 1; i <= 9; ++i) f << Text(num("Bewertung", i), 240);
    for (int i = 2; i <= 8; ++i) f << Long(num("BewertungP", i), 0);
    f << Int("ZeilenumbruchQ", 1) << Int("ZeilenumbruchA", 1) << Int("ZeilenumbruchT", 1)
      << Int("HighlightActiveRow", 0) << Int("IndikatorRand", 1) << Int("Gridlines", 0) << Int("Lernmodus", 0)
      << Int("KnownWieOft", 3);
    f << Int("GridWidthQ", 0);
    for (int i = 1; i <= 9; ++i) f << Int(num("GridWidthA", i), 0);
    for (const char* c : {"T", "Kategorie", "Explanation", "Tip", "Punkte", "AA", "AR", "AF", "FQ"})
        f << Int(QString("GridWidth") + c, 0);
    f << Int("GridShowQ", 1);
    for (int i = 1; i <= 9; ++i) f << Int(num("GridShowA", i), 1);
    f << Int("GridShowT", 1) << Int("GridShowKategorie", 1);
    f << Int("GridShowExplanation", 0) << Int("GridShowTip", 0) << Int("GridShowPunkte", 0);
    f << Int("GridShowAA", 1) << Int("GridShowAR", 1) << Int("GridShowAF", 1) << Int("GridShowFQ", 1);
    f << Memo("Kommentar") << Text("Version", 10) << Text("AppVersion", 10, true, progVersion)
      << Text("Stichworte", 200);
    f << Int("Abfragestil", 0) << Int("Abfragereihenfolge", 1) << Int("AbzufragenderBegriff", 0)
      << Int("AnzahlVersuche", 1) << Int("BegriffAufloesen", 1) << Int("DontAskTheKnown", 0)
      << Int("NochmalFragen", 1) << Int("FalscheNochmal", 1) << Int("GKignorieren", 1) << Int("Auswahl", 0)
      << Text("AuswahlThema", 50) << Text("AuswahlKategorie", 50) << Int("Zeitlimit", 0)
      << Int("BigZeitlimit", 0) << Int("SekundenZeitlimit", 12) << Int("BigZeitlimitM", 30)
      << Int("ShowText", 1) << Int("ShowSound", 1) << Int("ShowPic", 1);
    for (int u = 1; u <= maxUsers; ++u) f << Text(num("Benutzer", u), 21);
    return f;
}

QList<QueryDef> VokQueries() {
    return {{"Alles", "SELECT * FROM VOK ORDER BY Q, T"},
            {"AllesNichtSortiert", "SELECT * FROM VOK"},
            {"AllOptions", "SELECT * FROM OPTIONS"}};
}

void MakeType4(const dao::DatabasePtr& dbVok, const QString& neuDBCopyright, const MakeType4Options& opt) {
    // The creation moment is the default of every new item's date, fixed
    // once; seconds are all the file keeps.
    QDateTime created = opt.created.isValid() ? opt.created : QDateTime::currentDateTime();
    created = created.addMSecs(-created.time().msec());

    AppendTable(dbVok, QStringLiteral("VOK"), VokFields(opt.otherText, created, opt.maxUsers));
    AppendTable(dbVok, QStringLiteral("OPTIONS"), OptionsFields(opt.progVersion, opt.maxUsers));
    CreateQueries(dbVok, VokQueries());

    auto rsOptions = dbVok->OpenRecordset(QStringLiteral("AllOptions"), dao::dbOpenDynaset);
    rsOptions->AddNew();
    rsOptions->SetValue(QStringLiteral("Copyright"), neuDBCopyright);
    rsOptions->SetValue(QStringLiteral("AppVersion"), opt.progVersion);
    rsOptions->Update();
    rsOptions->Close();

    dbVok->NewPassword(QString(), opt.password);
    dbVok->Close();
}

QString DefaultOtherText() {
    return modMain::GetText(87);
}

}  // namespace vocabdb
