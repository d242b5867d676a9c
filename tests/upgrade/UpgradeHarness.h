#pragma once
// Plays frmMain's part for the upgrade tests: an opening that binds the file
// the way VokDBOeffnen does, raises Check_Depth around the upgrade, and
// fills the grid at its end only when no upgrade call is in progress.

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "upgrade/OldKinds.h"
#include "upgrade/UpgradeDatabase.h"
#include "vocabdb/VokSchema.h"

namespace upgradetest {

inline QString Password() {
    return vocabdb::VokDBPasswort;
}

// Tables with their field definitions and every row, and the stored
// queries: what "the file is unchanged" compares.
inline QString Snapshot(const QString& path) {
    auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    QStringList out;
    for (const auto& t : db->TableDefs()) {
        out << QStringLiteral("TABLE %1").arg(t->Name());
        for (const auto& f : t->Fields())
            out << QStringLiteral("  %1 type=%2 size=%3 zl=%4 def=%5")
                       .arg(f->Name())
                       .arg(f->Type())
                       .arg(f->Size())
                       .arg(f->AllowZeroLength())
                       .arg(f->DefaultValue().isValid() ? f->DefaultValue().toString() : QStringLiteral("-"));
        auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM [%1]").arg(t->Name()), dao::dbOpenSnapshot);
        while (!rs->Eof()) {
            QStringList vals;
            for (int i = 0; i < rs->FieldCount(); ++i) {
                const QVariant v = rs->Value(i);
                vals << (v.isValid() ? v.toString() : QStringLiteral("<Null>"));
            }
            out << QStringLiteral("  row ") + vals.join(QLatin1Char('|'));
            rs->MoveNext();
        }
        rs->Close();
    }
    for (const auto& q : db->QueryDefs()) out << QStringLiteral("QUERY %1: %2").arg(q->Name(), q->SQL());
    db->Close();
    return out.join(QLatin1Char('\n'));
}

inline QStringList OptionColumns(const QString& path) {
    auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    QStringList names;
    const auto def = db->GetTableDef(QStringLiteral("OPTIONS"));
    for (const auto& f : def->Fields()) names << f->Name();
    db->Close();
    return names;
}

inline QVariant OptionValue(const QString& path, const QString& field) {
    auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    auto rs = db->OpenRecordset(QStringLiteral("AllOptions"));
    const QVariant v = rs->Value(field);
    db->Close();
    return v;
}

struct ShownError {
    int number;
    QString description;
    QString location;
};

class Opening {
public:
    dao::DatabasePtr dbVok;
    dao::RecordsetPtr rsOptions;
    dao::RecordsetPtr data;
    qint16 checkDepth = 0;
    int dbTypeAktuell = 0;

    // What happened, for the tests.
    int openings = 0;
    int upgradeCalls = 0;
    int deepest = 0;
    QStringList filledAt;  // AppVersion in the file when the grid was filled
    std::vector<int> pointers;
    std::vector<ShownError> errors;
    std::vector<upgrade::UpgradeResult> results;
    // Makes the n-th opening (1-based) throw after binding, as an opening
    // whose own work fails would.
    int throwAtOpening = 0;

    // VokDBOeffnen, as far as the upgrade relies on it. Returns whether the
    // opening completed.
    bool VokDBOeffnen(const QString& path) {
        ++openings;
        dbVok = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
        data = dbVok->OpenRecordset(QStringLiteral("Alles"), dao::dbOpenDynaset);
        rsOptions = dbVok->OpenRecordset(QStringLiteral("AllOptions"));
        rsOptions->SetAbsolutePosition(0);
        dbTypeAktuell = rsOptions->Value(QStringLiteral("DBType")).toInt();
        if (openings == throwAtOpening)
            throw wk::Error(3265, QStringLiteral("Item not found in this collection."));

        upgrade::UpgradeHost host;
        host.path = path;
        host.password = Password();
        host.dbType = dbTypeAktuell;
        host.db = &dbVok;
        host.rsOptions = &rsOptions;
        host.data = &data;
        host.checkDepth = &checkDepth;
        host.reopen = [this](const QString& p) {
            deepest = std::max(deepest, int(checkDepth));
            return VokDBOeffnen(p);
        };
        host.setMousePointer = [this](int p) { pointers.push_back(p); };
        host.showError = [this](int n, const QString& d, const QString& l) { errors.push_back({n, d, l}); };
        host.defaultCategory = [] { return QStringLiteral("Other"); };

        ++upgradeCalls;
        const auto r = upgrade::UpgradeDatabase(host);
        results.push_back(r);
        if (!upgrade::OpeningMayGoOn(r)) return false;
        // FillVG1: the grid is rebuilt only by the outermost opening.
        if (checkDepth == 0) filledAt << rsOptions->Value(QStringLiteral("AppVersion")).toString();
        return true;
    }

    void Close() {
        for (auto* rs : {&data, &rsOptions})
            if (*rs) (*rs)->Close();
        if (dbVok) dbVok->Close();
        dbVok.reset();
        rsOptions.reset();
        data.reset();
    }

    ~Opening() {
        try {
            Close();
        } catch (const wk::Error&) {
        }
    }
};

class Files {
public:
    QString Make(int kind, const QString& version, const QString& stored = {},
                 const QList<QPair<QString, QVariant>>& optionValues = {}) {
        auto layout = upgrade::OldDatabaseLayout(kind, version, stored);
        layout.optionsRow << optionValues;
        return Make(layout);
    }

    QString Make(const vocabdb::DatabaseLayout& layout) {
        const QString path = dir_.filePath(QStringLiteral("f%1.wkd").arg(++count_));
        upgrade::CreateOldDatabase(path, layout, Password());
        return path;
    }

private:
    QTemporaryDir dir_;
    int count_ = 0;
};

}  // namespace upgradetest
