#include "vocabdb/ThemeLists.h"

#include <QComboBox>
#include <QSet>
#include <exception>

namespace vocabdb {

namespace {

QString upper(const QString& s) {
    QString u = s;
    for (auto& c : u) c = c.toUpper();
    return u;
}

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
        const QString key = upper(s);
        if (keys.contains(key)) return;
        keys.insert(key);
        items << s;
    }
};

}  // namespace

bool FindComboItem(const QStringList& items, const QString& text) {
    const QString key = upper(text);
    for (const auto& i : items)
        if (upper(i) == key) return true;
    return false;
}

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

QVariantList ListToArray(const QStringList& items) {
    if (items.isEmpty()) return {QVariant()};
    QVariantList arr;
    arr.reserve(items.size());
    for (const auto& s : items) arr << s;
    return arr;
}

void ErstelleThemenListe(const QComboBox* cboThemen, QVariantList& arrThemen) {
    arrThemen = ListToArray(comboItems(cboThemen));
}

void ErstelleKategorienListe(const QComboBox* cboKategorien, QVariantList& arrKategorien) {
    arrKategorien = ListToArray(comboItems(cboKategorien));
}

}  // namespace vocabdb
