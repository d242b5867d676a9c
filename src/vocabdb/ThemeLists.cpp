#include "vocabdb/ThemeLists.h"

#include "core/modFunctions.h"

#include <QComboBox>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

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

// A text as a hash key for a walk over every record: few distinct texts,
// each looked up 100,000 times, where the general string hash and compare
// cost more than the rest of the walk.
struct TextKey {
    QString text;
    friend bool operator==(const TextKey& a, const TextKey& b) noexcept {
        return a.text.size() == b.text.size() && std::memcmp(a.text.constData(), b.text.constData(),
                                                             size_t(a.text.size()) * sizeof(QChar)) == 0;
    }
};

size_t qHash(const TextKey& k, size_t seed = 0) noexcept {
    quint64 h = 0xcbf29ce484222325ull ^ quint64(seed);
    for (const QChar c : k.text) h = (h ^ c.unicode()) * 0x100000001b3ull;
    return size_t(h ^ (h >> 32));
}

// The same for a text as the file holds it (plain UTF-8), looked up without
// decoding it.
struct BytesKey {
    QByteArray bytes;
    friend bool operator==(const BytesKey& a, const BytesKey& b) noexcept {
        return a.bytes.size() == b.bytes.size() &&
               std::memcmp(a.bytes.constData(), b.bytes.constData(), size_t(a.bytes.size())) == 0;
    }
};

size_t qHash(const BytesKey& k, size_t seed = 0) noexcept {
    quint64 h = 0xcbf29ce484222325ull ^ quint64(seed);
    for (const char c : k.bytes) h = (h ^ quint8(c)) * 0x100000001b3ull;
    return size_t(h ^ (h >> 32));
}

}  // namespace

SubjectLists CollectSubjects(const dao::RecordsetPtr& data) {
    const long remembered = data->AbsolutePosition();
    const long n = data->RecordCount();
    const int t = data->FieldIndex(QStringLiteral("T")), k = data->FieldIndex(QStringLiteral("Kategorie"));
    if (t < 0 || k < 0 || n == 0) {
        // A missing field raises as a read by name does.
        DistinctList themen, kategorien;
        for (long p = 0; p < n; ++p) {
            data->SetAbsolutePosition(p);
            themen.offer(data->Value(QStringLiteral("T")));
            kategorien.offer(data->Value(QStringLiteral("Kategorie")));
        }
        return {themen.items, kategorien.items};
    }
    // One pass in the order the file holds the records, keeping each text's
    // first position; the lists then follow the positions, as a walk by
    // position would have made them.
    QHash<TextKey, long> firstT, firstK;
    QVariant vt = QString(), vk = QString();
    auto note = [](QHash<TextKey, long>& first, const QVariant& v, long p) {
        if (v.isNull()) return;
        TextKey key{v.typeId() == QMetaType::QString ? *static_cast<const QString*>(v.constData())
                                                     : v.toString()};
        if (key.text.isEmpty()) return;
        auto it = first.find(key);
        if (it == first.end())
            // A copy of its own: the value's buffer is written again for the next record.
            first.insert(TextKey{QString(key.text.constData(), key.text.size())}, p);
        else if (p < *it)
            *it = p;
    };
    // Texts the file holds as plain UTF-8 are kept by their bytes, each
    // distinct one decoded once at the end; other values are read as values.
    QHash<BytesKey, long> bytesT, bytesK;
    auto noteBytes = [](QHash<BytesKey, long>& first, QByteArrayView utf8, long p) {
        if (utf8.isEmpty()) return;
        auto it = first.find(BytesKey{QByteArray::fromRawData(utf8.data(), utf8.size())});
        if (it == first.end())
            first.insert(BytesKey{QByteArray(utf8.data(), utf8.size())}, p);
        else if (p < *it)
            *it = p;
    };
    const int both[2] = {t, k};
    dao::PassValue plain[2];
    data->ForEachRecord({t, k}, [&](long p) {
        data->ReadPassValues(both, 2, plain);
        if (plain[0].kind == dao::PassValue::Text) {
            noteBytes(bytesT, plain[0].text, p);
        } else if (plain[0].kind != dao::PassValue::Null) {
            data->ReadValue(t, vt);
            note(firstT, vt, p);
        }
        if (plain[1].kind == dao::PassValue::Text) {
            noteBytes(bytesK, plain[1].text, p);
        } else if (plain[1].kind != dao::PassValue::Null) {
            data->ReadValue(k, vk);
            note(firstK, vk, p);
        }
    });
    auto merge = [](QHash<TextKey, long>& first, const QHash<BytesKey, long>& bytes) {
        for (auto it = bytes.begin(); it != bytes.end(); ++it) {
            const TextKey key{QString::fromUtf8(it.key().bytes)};
            auto at = first.find(key);
            if (at == first.end())
                first.insert(key, it.value());
            else if (it.value() < *at)
                *at = it.value();
        }
    };
    merge(firstT, bytesT);
    merge(firstK, bytesK);
    auto inOrder = [](const QHash<TextKey, long>& first) {
        std::vector<std::pair<long, QString>> byPosition;
        byPosition.reserve(size_t(first.size()));
        for (auto it = first.begin(); it != first.end(); ++it)
            byPosition.emplace_back(it.value(), it.key().text);
        std::sort(byPosition.begin(), byPosition.end());
        DistinctList list;
        for (const auto& [p, text] : byPosition) list.offer(text);
        return list.items;
    };
    // Without a current record before, on the last one, where a walk ends.
    if (remembered < 0) data->SetAbsolutePosition(n - 1);
    return {inOrder(firstT), inOrder(firstK)};
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
