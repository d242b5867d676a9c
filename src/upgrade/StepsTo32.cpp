// The steps of the oldest files, up to version 3.2.
#include "upgrade/Steps.h"

namespace upgrade {

namespace {

const QString kFont = QStringLiteral("MS Sans Serif");
const QString kFontSize = QStringLiteral("8");

QString Add(const QString& table, const QString& column, const char* type) {
    return QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, QLatin1String(type));
}

QString Drop(const QString& table, const QString& column) {
    return QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(table, column);
}

const QString kOptions = QStringLiteral("Options");
const QString kVok = QStringLiteral("Vok");

bool IsOldKind(int kind) {
    return kind == 0 || kind == 1 || kind == 2;
}

}  // namespace

// Files from before the version column: pictures and sounds per item, and
// the version itself.
OptionValues UpgradeNoVersion(StepContext& ctx) {
    ctx.Execute(QStringLiteral("ALTER TABLE VOK ADD COLUMN Bild MEMO"));
    ctx.Execute(QStringLiteral("ALTER TABLE VOK ADD COLUMN Sound MEMO"));
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN AppVersion TEXT(10)"));
    return {};
}

// Fonts for every kind; kind 2 moves its answer settings from the options
// into each item and gets its nine answer columns where they are missing.
OptionValues Upgrade21To22(StepContext& ctx) {
    const bool kind2 = ctx.dbType() == 2;
    int mcaa = 0;
    int innerType = 0;
    if (kind2) {
        // Read before anything changes; a missing or empty value ends the step.
        auto opts = ctx.OpenOptions();
        mcaa = ToInteger(opts->Value(QStringLiteral("MCAA")));
        innerType = ToInteger(opts->Value(QStringLiteral("InnerType")));
        ctx.CloseRecordsets();
    }
    ctx.Execute(Add(kOptions, QStringLiteral("Schriftart"), "TEXT(40)"));
    ctx.Execute(Add(kOptions, QStringLiteral("Schriftgroesse"), "TEXT(3)"));
    if (kind2) {
        ctx.Execute(QStringLiteral("ALTER TABLE VOK ADD COLUMN MCAA INTEGER"));
        ctx.Execute(QStringLiteral("ALTER TABLE VOK ADD COLUMN MultipleAnswers INTEGER"));
        for (int n = 1; n <= 9; ++n) {
            ctx.AddColumnUnlessPresent(Add(QStringLiteral("VOK"), Numbered("A", n), "TEXT(200)"));
            ctx.AddColumnUnlessPresent(Add(QStringLiteral("VOK"), Numbered("RA", n), "INTEGER"));
        }
        // An empty table simply has nothing to fill.
        ctx.ForEachRow(false, [&](dao::Recordset& rs) {
            UpdateRow(rs, {{QStringLiteral("MCAA"), mcaa}, {QStringLiteral("MultipleAnswers"), innerType}});
        });
    }
    return {{QStringLiteral("Schriftart"), kFont}, {QStringLiteral("Schriftgroesse"), kFontSize}};
}

OptionValues Upgrade22To30(StepContext& ctx) {
    const int kind = ctx.dbType();
    // Fonts of the other text areas, word wrap and display settings.
    for (const char* area : {"A", "T", "Rest"}) {
        ctx.Execute(Add(kOptions, QStringLiteral("Schriftart") + QLatin1String(area), "TEXT(40)"));
        ctx.Execute(Add(kOptions, QStringLiteral("Schriftgroesse") + QLatin1String(area), "TEXT(3)"));
    }
    for (const char* c : {"ZeilenumbruchQ", "ZeilenumbruchA", "ZeilenumbruchT", "HighlightActiveRow",
                          "IndikatorRand", "Gridlines", "KnownWieOft", "Lernmodus"})
        ctx.Execute(Add(kOptions, QLatin1String(c), "INTEGER"));

    // Grid columns, shaped by the kind: one answer column or nine.
    if (IsOldKind(kind)) {
        ctx.Execute(Add(kOptions, QStringLiteral("GridWidthQ"), "INTEGER"));
        if (kind == 0) {
            ctx.Execute(Add(kOptions, QStringLiteral("GridWidthA"), "INTEGER"));
            ctx.Execute(Add(kOptions, QStringLiteral("GridShowA"), "INTEGER"));
        } else {
            for (int i = 1; i <= 9; ++i) {
                ctx.Execute(Add(kOptions, Numbered("GridWidthA", i), "INTEGER"));
                ctx.Execute(Add(kOptions, Numbered("GridShowA", i), "INTEGER"));
            }
        }
        for (const char* c :
             {"GridWidthT", "GridWidthAA", "GridWidthAR", "GridWidthAF", "GridWidthFQ", "GridShowQ",
              "GridShowT", "GridShowAA", "GridShowAR", "GridShowAF", "GridShowFQ"})
            ctx.Execute(Add(kOptions, QLatin1String(c), "INTEGER"));
        if (kind == 0 || kind == 2) {
            ctx.Execute(Drop(kOptions, QStringLiteral("LView0W")));
            for (int i = 1; i <= 6; ++i) {
                ctx.Execute(Drop(kOptions, Numbered("LView", i)));
                ctx.Execute(Drop(kOptions, Numbered("LView", i) + QLatin1Char('W')));
            }
        }
    }
    if (kind != 1) {
        QStringList stats;
        for (int j = 1; j <= 5; ++j)
            for (const char* stem : {"StatA", "StatB", "StatC"}) stats << Numbered(stem, j);
        ctx.DropColumns(kVok, stats);
    }
    const int maxUsers = ctx.maxUsers();
    for (int u = 1; u <= maxUsers; ++u)
        for (int k = 1; k <= 6; ++k) ctx.Execute(Add(kVok, Numbered("Known", u * 10 + k), "INTEGER"));

    // Every item: empty answers become "", an empty theme "-", and the known
    // history starts at 0. A value the row refuses costs only that value.
    QStringList answers;
    for (int i = 1; i <= 9; ++i) answers << Numbered("A", i);
    const QString theme = QStringLiteral("T");
    OptionValues history;
    for (int u = 1; u <= maxUsers; ++u)
        for (int k = 1; k <= 6; ++k) history.append({Numbered("Known", u * 10 + k), 0});
    OptionValues writes;
    ctx.ForEachRow(true, [&](dao::Recordset& rs) {
        writes.clear();
        if (kind == 1 || kind == 2) {
            for (const QString& a : answers) {
                bool empty = false;
                IgnoringErrors([&] { empty = rs.Value(a).toString().isEmpty(); });
                if (empty) writes.append({a, QStringLiteral("")});
            }
        }
        bool noTheme = false;
        IgnoringErrors([&] { noTheme = rs.Value(theme).toString().isEmpty(); });
        if (noTheme) writes.append({theme, QStringLiteral("-")});
        writes << history;
        UpdateRowEachValueAlone(rs, writes);
    });

    OptionValues values;
    for (const char* area : {"A", "T", "Rest"}) {
        values.append({QStringLiteral("Schriftart") + QLatin1String(area), kFont});
        values.append({QStringLiteral("Schriftgroesse") + QLatin1String(area), kFontSize});
    }
    values << OptionValues{{"ZeilenumbruchQ", 0},     {"ZeilenumbruchA", 0}, {"ZeilenumbruchT", 0},
                           {"HighlightActiveRow", 0}, {"IndikatorRand", 1},  {"Gridlines", 0},
                           {"KnownWieOft", 3},        {"Lernmodus", 0}};
    if (IsOldKind(kind)) {
        values.append({"GridShowQ", 1});
        if (kind == 0) {
            values << OptionValues{{"GridShowA", 1}, {"GridWidthA", 0}};
        } else {
            for (int i = 1; i <= 9; ++i)
                values << OptionValues{{Numbered("GridShowA", i), 1}, {Numbered("GridWidthA", i), 0}};
        }
        for (const char* c : {"GridShowT", "GridShowAA", "GridShowAR", "GridShowAF", "GridShowFQ"})
            values.append({QLatin1String(c), 1});
        for (const char* c :
             {"GridWidthQ", "GridWidthT", "GridWidthAA", "GridWidthAR", "GridWidthAF", "GridWidthFQ"})
            values.append({QLatin1String(c), 0});
    }
    return values;
}

// Kind 0 gets its per-item test flags; the other kinds only move on.
OptionValues Upgrade30To32(StepContext& ctx) {
    if (ctx.dbType() == 0) {
        ctx.Execute(QStringLiteral("ALTER TABLE Vok ADD COLUMN AskAllItems INTEGER"));
        ctx.Execute(QStringLiteral("ALTER TABLE Vok ADD COLUMN MindTheOrder INTEGER"));
        ctx.ForEachRow(true, [](dao::Recordset& rs) {
            UpdateRowIgnoringErrors(
                rs, {{QStringLiteral("AskAllItems"), 0}, {QStringLiteral("MindTheOrder"), 0}});
        });
    }
    return {};
}

}  // namespace upgrade
