#pragma once
// An in-memory recordset and a main window stand-in for the overview tests.

#include "overview/frmLoading.h"
#include "platform/Error.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

#include <QByteArray>
#include <QVariantMap>
#include <map>
#include <vector>

namespace test {

class FakeRecords : public overview::RecordAccess {
public:
    std::vector<QVariantMap> rows;
    long pos = -1;
    long failAt = -1;                // SetAbsolutePosition(failAt) raises 3021
    mutable QStringList valueReads;  // names read through Value()
    std::vector<long> positionsSet;

    long RecordCount() const override { return long(rows.size()); }
    void MoveFirst() override {
        if (rows.empty()) throw wk::Error(3021, "No current record.");
        pos = 0;
    }
    void MoveLast() override {
        if (rows.empty()) throw wk::Error(3021, "No current record.");
        pos = long(rows.size()) - 1;
    }
    long AbsolutePosition() const override { return pos; }
    void SetAbsolutePosition(long p) override {
        positionsSet.push_back(p);
        if (p == failAt) throw wk::Error(3021, "No current record.");
        if (p < 0 || p >= long(rows.size())) throw wk::Error(3001, "Invalid argument.");
        pos = p;
    }
    const QVariantMap& cur() const {
        if (pos < 0 || pos >= long(rows.size())) throw wk::Error(3021, "No current record.");
        return rows[size_t(pos)];
    }
    QVariant Value(const QString& f) const override {
        valueReads.append(f);
        if (bulkBegun == bulkEnded) ++readsOutsideBulk;
        const auto& r = cur();
        auto it = r.find(f);
        if (it == r.end()) {
            if (known.contains(f)) return {};
            throw wk::Error(3265, "Item not found in this collection.");
        }
        return *it;
    }
    qint64 FieldSize(const QString& f) const override {
        const auto& r = cur();
        auto it = r.find(f);
        if (it == r.end()) return 0;
        return it->typeId() == QMetaType::QByteArray ? it->toByteArray().size() : it->toString().size();
    }
    QStringList known;  // fields that exist but are Null when a row lacks them
    int bulkBegun = 0, bulkEnded = 0;
    mutable int readsOutsideBulk = 0;  // Value() calls outside BeginBulkRead/EndBulkRead
    void BeginBulkRead() override { ++bulkBegun; }
    void EndBulkRead() override { ++bulkEnded; }
};

// A VOK row with the statistics of every slot at 0.
inline QVariantMap item(const QString& q, const QString& a1 = {}, double fq1 = 0) {
    QVariantMap m{{"Q", q}, {"A1", a1}, {"T", ""}, {"Kategorie", ""}, {"Markiert", false}, {"Punkte", 0}};
    for (int u = 1; u <= 5; ++u) {
        m.insert(QString("AA%1").arg(u), 0);
        m.insert(QString("AR%1").arg(u), 0);
        m.insert(QString("AF%1").arg(u), 0);
        m.insert(QString("FQ%1").arg(u), 0.0);
    }
    m["FQ1"] = fq1;
    return m;
}

inline FakeRecords vokRecords() {
    FakeRecords r;
    QStringList f{"Q",        "T",    "Kategorie", "Explanation", "Tip",          "Punkte",
                  "Markiert", "Bild", "Sound",     "SoundTip",    "SoundRichtig", "SoundFalsch"};
    for (int i = 1; i <= 9; ++i) f << QString("A%1").arg(i) << QString("RA%1").arg(i);
    for (int u = 1; u <= 5; ++u)
        for (const char* s : {"AA", "AR", "AF", "FQ"}) f << QString("%1%2").arg(s).arg(u);
    r.known = f;
    return r;
}

// The options record with every grid switch off and nothing stored.
inline FakeRecords optionsRecord() {
    QVariantMap o;
    for (const char* k : {"Q", "A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8", "A9", "T", "Kategorie",
                          "Explanation", "Tip", "Punkte", "AA", "AR", "AF", "FQ"}) {
        o.insert(QString("GridShow") + k, 0);
        o.insert(QString("GridWidth") + k, 0);
    }
    o.insert("GridShowQ", 1);
    for (const char* z : {"ZeilenumbruchQ", "ZeilenumbruchA", "ZeilenumbruchT"}) o.insert(z, 0);
    FakeRecords r;
    r.rows.push_back(o);
    r.pos = 0;
    return r;
}

inline QString englishText(int id) {
    switch (id) {
        case 50:
            return "Word/Question";
        case 51:
            return "Answer";
        case 52:
            return "Subject";
        case 59:
            return "Category";
        case 574:
            return "Explanation";
        case 575:
            return "Hint";
        case 239:
            return "Points";
        case 53:
            return "Total";
        case 54:
            return "Right";
        case 55:
            return "Wrong";
        case 56:
            return "Rate of Mistake";
        case 654:
            return "Loading..";
        default:
            return QString("#%1").arg(id);
    }
}

class FakeHost : public overview::LoadingHost {
public:
    FakeHost() { grid::fillOverviewImages(images); }

    bool open = true;
    int upgradeDepth = 0;
    bool enabled = true;
    QStringList log;  // enabled/pointer/caption changes in order
    QString caption = "MYWORDS";
    std::vector<int> pointers;
    int initOptionTabCalls = 0;
    QStringList updateWindowCalls;
    std::map<Button, bool> buttons;
    std::map<Button, qint64> pictures;
    grid::Grid grid;
    FakeRecords records = vokRecords();
    FakeRecords options = test::optionsRecord();
    int user = 1, listIcon = 0, indikatorRand = 1;
    grid::ImageList images;
    std::vector<std::pair<int, QString>> errors;
    bool redrawSeenOnDuringBuild = false;

    bool DatabaseOpen() const override { return open; }
    int UpgradeDepth() const override { return upgradeDepth; }
    void SetMainEnabled(bool on) override {
        enabled = on;
        log << (on ? "enabled" : "disabled");
    }
    void SetMousePointer(int p) override { pointers.push_back(p); }
    QString StatusCaption() const override { return caption; }
    void SetStatusCaption(const QString& t) override {
        caption = t;
        if (!grid.Redraw() && t.endsWith('%')) log << "progress";
    }
    void InitOptionTab() override { ++initOptionTabCalls; }
    void UpdateWindow(const QString& what) override { updateWindowCalls << what; }
    void SetOverviewButton(Button b, bool on, const QPixmap& picture) override {
        buttons[b] = on;
        if (!picture.isNull()) pictures[b] = picture.cacheKey();
    }
    grid::Grid& vg1() override { return grid; }
    overview::RecordAccess& gridRecordset() override { return records; }
    overview::RecordAccess& optionsRecord() override { return options; }
    int BenutzerNr() const override { return user; }
    int ListIcon() const override { return listIcon; }
    int IndikatorRand() const override { return indikatorRand; }
    const grid::ImageList& ilVG() const override { return images; }
    const grid::ImageList& IL() const override { return images; }
    QString GetText(int id) const override { return englishText(id); }
    void ReportError(int number, const QString& d) override { errors.emplace_back(number, d); }
};

}  // namespace test
