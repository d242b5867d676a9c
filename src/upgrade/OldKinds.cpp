#include "upgrade/OldKinds.h"

#include <QDateTime>

#include "platform/Error.h"
#include "vocabdb/VokSchema.h"

namespace upgrade {

using vocabdb::FieldList;
using vocabdb::Int;
using vocabdb::RemoveFields;

namespace {

QString num(const QString& stem, int n) {
    return stem + QString::number(n);
}

QStringList numbered(const QString& stem, int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i) out << num(stem, i);
    return out;
}

[[noreturn]] void noSuchLayout(int kind, const QString& version) {
    throw wk::Error(wk::err::SubscriptOutOfRange,
                    QStringLiteral("No database of kind %1 at version \"%2\"").arg(kind).arg(version));
}

// The 3.0 step's options and known history, taken away to reach "2.2".
QStringList addedBy30Options(int kind) {
    QStringList out{"SchriftartA",    "SchriftgroesseA",    "SchriftartT",    "SchriftgroesseT",
                    "SchriftartRest", "SchriftgroesseRest", "ZeilenumbruchQ", "ZeilenumbruchA",
                    "ZeilenumbruchT", "HighlightActiveRow", "IndikatorRand",  "Gridlines",
                    "KnownWieOft",    "Lernmodus"};
    if (kind == 0 || kind == 1 || kind == 2) {
        for (const char* c : {"Q", "T", "AA", "AR", "AF", "FQ"})
            out << QString("GridWidth") + c << QString("GridShow") + c;
        if (kind == 0) {
            out << "GridWidthA"
                << "GridShowA";
        } else {
            out << numbered("GridWidthA", 1, 9) << numbered("GridShowA", 1, 9);
        }
    }
    return out;
}

QStringList knownColumns(int maxUsers) {
    QStringList out;
    for (int u = 1; u <= maxUsers; ++u)
        for (int k = 1; k <= 6; ++k) out << num("Known", u * 10 + k);
    return out;
}

// The list-view and statistics columns that the 3.0 step drops.
FieldList lviewColumns() {
    FieldList f{Int("LView0W")};
    for (int n = 1; n <= 6; ++n) f << Int(num("LView", n)) << Int(num("LView", n) + "W");
    return f;
}

FieldList statColumns() {
    FieldList f;
    for (int n = 1; n <= 5; ++n) f << Int(num("StatA", n)) << Int(num("StatB", n)) << Int(num("StatC", n));
    return f;
}

void setAppVersion(vocabdb::DatabaseLayout& l, const QString& text) {
    l.appVersion = text;
    const int i = vocabdb::IndexOfField(l.options, QStringLiteral("AppVersion"));
    if (i >= 0) l.options[i].defaultValue = text;
}

vocabdb::DatabaseLayout oldKind(int kind, const QString& version) {
    const int rank = QStringList{"", "2.1", "2.2", "3.0", "3.2"}.indexOf(version);
    if (rank < 0) noSuchLayout(kind, version);
    vocabdb::DatabaseLayout l = vocabdb::OldKindLayout(kind, QStringLiteral("3.2"));
    if (rank < 4 && kind == 0) RemoveFields(l.vok, {"AskAllItems", "MindTheOrder"});
    if (rank < 3) {
        RemoveFields(l.options, addedBy30Options(kind));
        RemoveFields(l.vok, knownColumns(vocabdb::MaxUsers));
        if (kind != 1) {
            l.options << lviewColumns();
            l.vok << statColumns();
        }
    }
    if (rank < 2) {
        RemoveFields(l.options, {"Schriftart", "Schriftgroesse"});
        if (kind == 2) {
            // Kind 2 kept its answer settings in the options row until 2.2;
            // the nine answer columns may or may not be there yet.
            RemoveFields(l.vok, {"MCAA", "MultipleAnswers"});
            l.options << Int("MCAA", 3) << Int("InnerType", 0);
        }
    }
    if (rank < 1) {
        RemoveFields(l.vok, {"Bild", "Sound"});
        RemoveFields(l.options, {"AppVersion"});
    }
    l.appVersion = version;
    return l;
}

vocabdb::DatabaseLayout kind4(const QString& version) {
    const int rank = QStringList{"4.0", "4.1", "4.2", "4.3"}.indexOf(version);
    if (rank < 0) noSuchLayout(4, version);
    vocabdb::DatabaseLayout l;
    l.kind = 4;
    l.appVersion = version;
    l.vok = vocabdb::VokFields(vocabdb::DefaultOtherText(), QDateTime::currentDateTime());
    l.options = vocabdb::OptionsFields(version);
    l.queries = vocabdb::VokQueries();
    if (rank < 3) RemoveFields(l.options, {"ZeigeThemaBeiAbfrage", "ShowFirstLetter", "ZeigeBewertung"});
    if (rank < 1)
        RemoveFields(l.options,
                     {"ShowOverview", "ShowOptions", "ShowBewertung", "TestMaxFragen", "bTestMaxFragen"});
    return l;
}

}  // namespace

vocabdb::DatabaseLayout OldDatabaseLayout(int kind, const QString& version, const QString& storedVersion) {
    vocabdb::DatabaseLayout l = kind == 4 ? kind4(version) : oldKind(kind, version);
    if (!version.isEmpty()) setAppVersion(l, storedVersion.isNull() ? version : storedVersion);
    return l;
}

void CreateOldDatabase(const QString& path, const vocabdb::DatabaseLayout& layout, const QString& password) {
    vocabdb::CreateDatabaseFile(path, layout, password);
}

}  // namespace upgrade
