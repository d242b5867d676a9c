#include "vocabdb/ThemeLists.h"

#include "core/modFunctions.h"

#include <QComboBox>
#include <QSet>
#include <exception>

namespace vocabdb {

namespace {

QStringList comboItems(const QComboBox* cbo) {
    QStringList items;
    if (!cbo) return items;
    for (int i = 0; i < cbo->count(); ++i) items << cbo->itemText(i);
    return items;
}

// Keeps the upper-cased keys beside the list, so a walk over many records
// does not upper-case the whole list again for every record.
struct DistinctList {
    QStringList items;
    QSet<QString> keys;
    void offer(const QVariant& v) {
        if (v.isNull()) return;  // a Null theme is no theme
        const QString s = v.toString();
        if (s.isEmpty()) return;
        const QString key = modFunctions::UCase(s);
        if (keys.contains(key)) return;
        keys.insert(key);
        items << s;
    }
};

}  // namespace

SubjectLists CollectSubjects(const dao::RecordsetPtr& data) {
    DistinctList themen, kategorien;
    const long remembered = data->AbsolutePosition();
    const long n = data->RecordCount();
    for (long p = 0; p < n; ++p) {
        data->SetAbsolutePosition(p);
        themen.offer(data->Value(QStringLiteral("T")));
        kategorien.offer(data->Value(QStringLiteral("Kategorie")));
    }
    try {
        data->SetAbsolutePosition(remembered);
    } catch (const std::exception&) {
        // No current record before: stay on the last one visited.
    }
    return {themen.items, kategorien.items};
}

void FillCombo(const dao::RecordsetPtr& data, QComboBox* cboThemen, QComboBox* cboKategorien) {
    cboThemen->clear();
    cboKategorien->clear();
    const SubjectLists lists = CollectSubjects(data);
    cboThemen->addItems(lists.themen);
    cboKategorien->addItems(lists.kategorien);
    if (cboThemen->count() > 0) cboThemen->setCurrentIndex(0);
    if (cboKategorien->count() > 0) cboKategorien->setCurrentIndex(0);
}

QStringList ListToArray(const QStringList& items) {
    if (items.isEmpty()) return {QString()};
    return items;
}

void ErstelleThemenListe(const QComboBox* cboThemen, QStringList& arrThemen) {
    arrThemen = ListToArray(comboItems(cboThemen));
}

void ErstelleKategorienListe(const QComboBox* cboKategorien, QStringList& arrKategorien) {
    arrKategorien = ListToArray(comboItems(cboKategorien));
}

}  // namespace vocabdb
