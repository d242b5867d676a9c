// The 3.2 step: the old kinds 0, 1 and 2 become the one current kind. Each
// branch adds the 4.0 columns, converts every item, fills the options row
// and drops the columns of its old layout.
#include "upgrade/Steps.h"

namespace upgrade {

namespace {

void AddOptions(StepContext& ctx, const QString& column, const char* type) {
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN %1 %2").arg(column, QLatin1String(type)));
}

void AddVok(StepContext& ctx, const QString& column, const char* type) {
    ctx.Execute(QStringLiteral("ALTER TABLE Vok ADD COLUMN %1 %2").arg(column, QLatin1String(type)));
}

void DropOptions(StepContext& ctx, const QString& column, bool ignoreErrors) {
    const QString sql = QStringLiteral("ALTER TABLE Options DROP COLUMN %1").arg(column);
    ignoreErrors ? void(ctx.ExecuteIgnoringErrors(sql)) : ctx.Execute(sql);
}

void DropVok(StepContext& ctx, const QStringList& columns) {
    ctx.DropColumnsIgnoringErrors(QStringLiteral("Vok"), columns);
}

QStringList NumberedList(const char* stem, int last) {
    QStringList out;
    for (int i = 1; i <= last; ++i) out << Numbered(stem, i);
    return out;
}

const QString kEmpty = QStringLiteral("");

// Grading texts and points, the same in every branch.
void AddGrading(StepContext& ctx) {
    for (int i = 1; i <= 9; ++i) AddOptions(ctx, Numbered("Bewertung", i), "TEXT(240)");
    for (int i = 2; i <= 8; ++i) AddOptions(ctx, Numbered("BewertungP", i), "LONG");
}

void AddGridOfNewItemParts(StepContext& ctx) {
    for (const char* part : {"Kategorie", "Explanation", "Tip", "Punkte"}) {
        AddOptions(ctx, QStringLiteral("GridShow") + QLatin1String(part), "INTEGER");
        AddOptions(ctx, QStringLiteral("GridWidth") + QLatin1String(part), "INTEGER");
    }
}

OptionValues GradingValues() {
    OptionValues v;
    for (int i = 1; i <= 9; ++i) v.append({Numbered("Bewertung", i), kEmpty});
    for (int i = 2; i <= 8; ++i) v.append({Numbered("BewertungP", i), 0});
    return v;
}

OptionValues GridOfNewItemPartsValues() {
    return {{"GridWidthKategorie", 0},   {"GridShowKategorie", 0}, {"GridShowExplanation", 0},
            {"GridWidthExplanation", 0}, {"GridShowTip", 0},       {"GridWidthTip", 0},
            {"GridShowPunkte", 0},       {"GridWidthPunkte", 0}};
}

// The item parts every kind gets empty, with the category and the time of
// the upgrade, fetched anew for every item.
OptionValues NewItemParts(StepContext& ctx) {
    return {{"Tip", kEmpty},
            {"Explanation", kEmpty},
            {"Kategorie", ctx.defaultCategory()},
            {"ZuletztGelerntAm", ctx.now()}};
}

// Options whose old names had blanks, copied as they are (Null included).
void CopyOption(dao::Recordset& rs, const char* from, const char* to) {
    rs.SetValue(QLatin1String(to), rs.Value(QLatin1String(from)));
}

// The test options that had blanks in their old names.
void CopyTestOptions(dao::Recordset& rs) {
    CopyOption(rs, "Sekunden Zeitlimit", "SekundenZeitlimit");
    CopyOption(rs, "Abzufragender Begriff", "AbzufragenderBegriff");
    CopyOption(rs, "Anzahl Versuche", "AnzahlVersuche");
    CopyOption(rs, "Begriff aufloesen", "BegriffAufloesen");
    CopyOption(rs, "Nochmal fragen", "NochmalFragen");
    CopyOption(rs, "Falsche nochmal", "FalscheNochmal");
}

void ConvertItems(StepContext& ctx, const std::function<OptionValues(dao::Recordset&)>& values) {
    ctx.ForEachRow(true, [&](dao::Recordset& rs) { UpdateRowIgnoringErrors(rs, values(rs)); });
    ctx.CloseRecordsets();
}

}  // namespace

OptionValues Upgrade32To40(StepContext& ctx) {
    switch (ctx.dbType()) {
        case 0:
            Upgrade32To40Kind0(ctx);
            break;
        case 1:
            Upgrade32To40Kind1(ctx);
            break;
        case 2:
            Upgrade32To40Kind2(ctx);
            break;
        default:
            break;  // any other kind only takes the new version and kind
    }
    return {{QStringLiteral("DBType"), 4}};
}

void Upgrade32To40Kind0(StepContext& ctx) {
    for (const char* c : {"WriteProtection", "ReadProtection", "ExportProtection", "BigZeitlimit",
                          "BigZeitlimitM", "SekundenZeitlimit", "AbzufragenderBegriff", "AnzahlVersuche",
                          "BegriffAufloesen", "NochmalFragen", "FalscheNochmal", "GKignorieren"})
        AddOptions(ctx, QLatin1String(c), "INTEGER");
    AddOptions(ctx, QStringLiteral("AuswahlKategorie"), "TEXT(50)");
    AddGridOfNewItemParts(ctx);
    for (int i = 1; i <= 9; ++i) {
        AddOptions(ctx, Numbered("GridWidthA", i), "INTEGER");
        AddOptions(ctx, Numbered("GridShowA", i), "INTEGER");
    }
    AddOptions(ctx, QStringLiteral("ZaehlePunkte"), "INTEGER");
    AddOptions(ctx, QStringLiteral("Punktebewertung"), "INTEGER");
    AddGrading(ctx);
    for (int i = 1; i <= 9; ++i) {
        AddVok(ctx, Numbered("A", i), "TEXT(240)");
        AddVok(ctx, Numbered("RA", i), "INTEGER");
    }
    AddVok(ctx, QStringLiteral("Tip"), "TEXT(240)");
    AddVok(ctx, QStringLiteral("Explanation"), "TEXT(240)");
    AddVok(ctx, QStringLiteral("Kategorie"), "TEXT(50)");
    AddVok(ctx, QStringLiteral("ZuletztGelerntAm"), "DATETIME");
    AddVok(ctx, QStringLiteral("MultipleAnswers"), "INTEGER");
    AddVok(ctx, QStringLiteral("Typ"), "INTEGER");
    AddVok(ctx, QStringLiteral("Punkte"), "LONG");
    AddVok(ctx, QStringLiteral("MCAA"), "INTEGER");
    AddVok(ctx, QStringLiteral("SoundTip"), "MEMO");
    AddVok(ctx, QStringLiteral("SoundFalsch"), "MEMO");
    AddVok(ctx, QStringLiteral("SoundRichtig"), "MEMO");

    // The single answer becomes the first of nine. Column A goes at the end
    // of the step, so an answer that cannot be copied fails the whole step
    // (and the file stays as it was) instead of being lost.
    ctx.ForEachRow(true, [&](dao::Recordset& rs) {
        const QVariant answer = rs.Value(QStringLiteral("A"));
        rs.Edit();
        rs.SetValue(QStringLiteral("A1"), answer);
        try {
            OptionValues v;
            for (int j = 2; j <= 9; ++j) v.append({Numbered("A", j), kEmpty});
            v << NewItemParts(ctx);
            v << OptionValues{{"MultipleAnswers", 0}, {"Typ", 0},           {"MCAA", 3},
                              {"Punkte", 0},          {"SoundTip", kEmpty}, {"SoundRichtig", kEmpty},
                              {"SoundFalsch", kEmpty}};
            for (const auto& [field, value] : v) IgnoringErrors([&] { rs.SetValue(field, value); });
            rs.Update();
        } catch (...) {
            IgnoringErrors([&] { rs.CancelUpdate(); });
            throw;
        }
    });
    ctx.CloseRecordsets();

    auto opts = ctx.OpenOptions();
    opts->Edit();
    for (const auto& [f, v] : OptionValues{{"WriteProtection", 0},
                                           {"ReadProtection", 0},
                                           {"ExportProtection", 0},
                                           {"BigZeitlimit", 0},
                                           {"BigZeitlimitM", 30}})
        opts->SetValue(f, v);
    CopyTestOptions(*opts);
    CopyOption(*opts, "GK ignorieren", "GKignorieren");
    opts->SetValue(QStringLiteral("ZaehlePunkte"), 0);
    opts->SetValue(QStringLiteral("Punktebewertung"), 0);
    for (const auto& [f, v] : GradingValues()) opts->SetValue(f, v);
    for (const auto& [f, v] : GridOfNewItemPartsValues()) opts->SetValue(f, v);
    opts->SetValue(QStringLiteral("HighlightActiveRow"), 0);
    CopyOption(*opts, "GridWidthA", "GridWidthA1");
    CopyOption(*opts, "GridShowA", "GridShowA1");
    for (int j = 2; j <= 9; ++j) {
        opts->SetValue(Numbered("GridWidthA", j), 0);
        opts->SetValue(Numbered("GridShowA", j), 0);
    }
    opts->SetValue(QStringLiteral("AuswahlKategorie"), kEmpty);
    opts->Update();
    ctx.CloseRecordsets();

    DropVok(ctx, QStringList{QStringLiteral("A")} + NumberedList("R", 4));
    for (int i = 1; i <= 5; ++i) DropOptions(ctx, Numbered("R", i), true);
    for (const char* c :
         {"[Sekunden Zeitlimit]", "[Abzufragender Begriff]", "[Anzahl Versuche]", "[Begriff aufloesen]",
          "[Nochmal fragen]", "[Falsche nochmal]", "[GK ignorieren]", "GridWidthA", "GridShowA"})
        DropOptions(ctx, QLatin1String(c), false);
}

void Upgrade32To40Kind1(StepContext& ctx) {
    for (const char* c : {"WriteProtection", "ReadProtection", "ExportProtection", "BigZeitlimit",
                          "BigZeitlimitM", "Zeitlimit", "SekundenZeitlimit", "AbfrageStil",
                          "AbfrageReihenfolge", "AbzufragenderBegriff", "AnzahlVersuche", "DontAskTheKnown",
                          "NochmalFragen", "BegriffAufloesen", "FalscheNochmal", "GKignorieren", "Auswahl"})
        AddOptions(ctx, QLatin1String(c), "INTEGER");
    AddOptions(ctx, QStringLiteral("AuswahlThema"), "TEXT(50)");
    AddOptions(ctx, QStringLiteral("AuswahlKategorie"), "TEXT(50)");
    for (const char* c : {"ShowText", "ShowSound", "ShowPic", "ZaehlePunkte", "Punktebewertung"})
        AddOptions(ctx, QLatin1String(c), "INTEGER");
    AddGrading(ctx);
    AddGridOfNewItemParts(ctx);
    for (int i = 1; i <= 9; ++i) AddVok(ctx, Numbered("RA", i), "INTEGER");
    AddVok(ctx, QStringLiteral("Tip"), "TEXT(240)");
    AddVok(ctx, QStringLiteral("Explanation"), "TEXT(240)");
    AddVok(ctx, QStringLiteral("Kategorie"), "TEXT(50)");
    AddVok(ctx, QStringLiteral("ZuletztGelerntAm"), "DATETIME");
    AddVok(ctx, QStringLiteral("MultipleAnswers"), "INTEGER");
    AddVok(ctx, QStringLiteral("Typ"), "INTEGER");
    AddVok(ctx, QStringLiteral("MCAA"), "INTEGER");
    AddVok(ctx, QStringLiteral("Punkte"), "LONG");
    AddVok(ctx, QStringLiteral("AskAllItems"), "INTEGER");
    AddVok(ctx, QStringLiteral("MindTheOrder"), "INTEGER");
    AddVok(ctx, QStringLiteral("SoundTip"), "MEMO");
    AddVok(ctx, QStringLiteral("SoundFalsch"), "MEMO");
    AddVok(ctx, QStringLiteral("SoundRichtig"), "MEMO");

    // Every item asks all its answers; the old per-answer flags are not read.
    ConvertItems(ctx, [&](dao::Recordset&) {
        OptionValues v = NewItemParts(ctx);
        v << OptionValues{
            {"MultipleAnswers", 0}, {"Typ", 0},          {"MCAA", 3},          {"Punkte", 0},
            {"AskAllItems", 1},     {"MindTheOrder", 0}, {"SoundTip", kEmpty}, {"SoundRichtig", kEmpty},
            {"SoundFalsch", kEmpty}};
        return v;
    });

    auto opts = ctx.OpenOptions();
    opts->Edit();
    for (const auto& [f, v] : OptionValues{{"WriteProtection", 0},
                                           {"ReadProtection", 0},
                                           {"ExportProtection", 0},
                                           {"BigZeitlimit", 0},
                                           {"BigZeitlimitM", 30},
                                           {"Zeitlimit", 0},
                                           {"SekundenZeitlimit", 12},
                                           {"ZaehlePunkte", 0},
                                           {"Punktebewertung", 0}})
        opts->SetValue(f, v);
    for (const auto& [f, v] : GradingValues()) opts->SetValue(f, v);
    for (const auto& [f, v] : OptionValues{{"Abfragestil", 0},
                                           {"Abfragereihenfolge", 1},
                                           {"AbzufragenderBegriff", 0},
                                           {"AnzahlVersuche", 1},
                                           {"DontAskTheKnown", 1},
                                           {"NochmalFragen", 1},
                                           {"FalscheNochmal", 1},
                                           {"GKignorieren", 1}})
        opts->SetValue(f, v);
    CopyOption(*opts, "Begriff aufloesen", "BegriffAufloesen");
    for (const auto& [f, v] : OptionValues{{"Auswahl", 0},
                                           {"AuswahlThema", kEmpty},
                                           {"AuswahlKategorie", kEmpty},
                                           {"ShowText", 1},
                                           {"ShowSound", 1},
                                           {"ShowPic", 1}})
        opts->SetValue(f, v);
    for (const auto& [f, v] : GridOfNewItemPartsValues()) opts->SetValue(f, v);
    opts->SetValue(QStringLiteral("HighlightActiveRow"), 0);
    opts->Update();
    ctx.CloseRecordsets();

    DropVok(ctx,
            NumberedList("R", 4) + QStringList{QStringLiteral("AnzahlAntworten")} + NumberedList("E", 9));
    for (int i = 1; i <= 5; ++i) DropOptions(ctx, Numbered("R", i), true);
    for (const char* c : {"AllowMixed", "[Nur markierte]", "[Begriff aufloesen]"})
        DropOptions(ctx, QLatin1String(c), true);
}

void Upgrade32To40Kind2(StepContext& ctx) {
    for (const char* c : {"WriteProtection", "ReadProtection", "ExportProtection", "SekundenZeitlimit",
                          "AbzufragenderBegriff", "AnzahlVersuche", "BegriffAufloesen", "NochmalFragen",
                          "FalscheNochmal", "GKignorieren"})
        AddOptions(ctx, QLatin1String(c), "INTEGER");
    AddOptions(ctx, QStringLiteral("AuswahlKategorie"), "TEXT(50)");
    AddOptions(ctx, QStringLiteral("Punktebewertung"), "INTEGER");
    AddGrading(ctx);
    AddGridOfNewItemParts(ctx);
    AddVok(ctx, QStringLiteral("Tip"), "TEXT(240)");
    AddVok(ctx, QStringLiteral("Explanation"), "TEXT(240)");
    AddVok(ctx, QStringLiteral("Kategorie"), "TEXT(50)");
    AddVok(ctx, QStringLiteral("ZuletztGelerntAm"), "DATETIME");
    AddVok(ctx, QStringLiteral("Typ"), "INTEGER");
    AddVok(ctx, QStringLiteral("AskAllItems"), "INTEGER");
    AddVok(ctx, QStringLiteral("MindTheOrder"), "INTEGER");
    AddVok(ctx, QStringLiteral("SoundTip"), "MEMO");
    AddVok(ctx, QStringLiteral("SoundFalsch"), "MEMO");
    AddVok(ctx, QStringLiteral("SoundRichtig"), "MEMO");

    // Every item becomes a multiple-choice item.
    ConvertItems(ctx, [&](dao::Recordset&) {
        OptionValues v = NewItemParts(ctx);
        v << OptionValues{{"Typ", 1},           {"AskAllItems", 0},       {"MindTheOrder", 0},
                          {"SoundTip", kEmpty}, {"SoundRichtig", kEmpty}, {"SoundFalsch", kEmpty}};
        return v;
    });

    auto opts = ctx.OpenOptions();
    opts->Edit();
    for (const auto& [f, v] :
         OptionValues{{"WriteProtection", 0}, {"ReadProtection", 0}, {"ExportProtection", 0}})
        opts->SetValue(f, v);
    CopyTestOptions(*opts);
    opts->SetValue(QStringLiteral("GKignorieren"), 1);
    opts->SetValue(QStringLiteral("Punktebewertung"), 0);
    for (const auto& [f, v] : GradingValues()) opts->SetValue(f, v);
    for (const auto& [f, v] : OptionValues{{"GridShowKategorie", 0},
                                           {"GridWidthKategorie", 0},
                                           {"GridShowExplanation", 0},
                                           {"GridWidthExplanation", 0},
                                           {"GridShowTip", 0},
                                           {"GridWidthTip", 0},
                                           {"GridShowPunkte", 0},
                                           {"GridWidthPunkte", 0},
                                           {"HighlightActiveRow", 0},
                                           {"AuswahlKategorie", kEmpty}})
        opts->SetValue(f, v);
    opts->Update();
    ctx.CloseRecordsets();

    DropVok(ctx, NumberedList("R", 5));
    for (int i = 1; i <= 7; ++i) DropOptions(ctx, Numbered("R", i), true);
    DropOptions(ctx, QStringLiteral("MCAA"), true);
    DropOptions(ctx, QStringLiteral("InnerType"), true);
    for (const char* c :
         {"Mixen", "MaxPunkte", "[Sekunden Zeitlimit]", "[Abzufragender Begriff]", "[Anzahl Versuche]",
          "[Begriff aufloesen]", "[Nochmal fragen]", "[Falsche nochmal]"})
        DropOptions(ctx, QLatin1String(c), false);
}

}  // namespace upgrade
