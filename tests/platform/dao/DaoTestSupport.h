#pragma once
// Shared set-up of the database layer tests: a temporary folder and a small
// table shaped like the program's item table.
#include "platform/Error.h"
#include "platform/dao/Dao.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace daotest {

// Runs fn and returns the engine error number it raised, 0 when none.
inline int errorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const wk::Error& e) {
        return e.number();
    }
    return 0;
}

// Lets the event loop run (the layer's timers) until done() holds, for at
// most a generous while; whether it came to hold.
inline bool waitFor(const std::function<bool()>& done, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
    }
    return true;
}

class DaoTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    dao::Workspace ws;

    QString path(const QString& name) const { return dir.filePath(name); }

    // VOK-like: Q Text(240), A1 Text(240), T Text(50) default "Other",
    // Markiert Boolean default False, Punkte Long, RA1 Integer default 0,
    // FQ1 Double, Bild Memo, ZuletztGelerntAm Date.
    static void makeVok(const dao::DatabasePtr& db, const QString& name = QStringLiteral("VOK")) {
        auto td = db->CreateTableDef(name);
        auto add = [&](const QString& n, int type, int size = 0, QVariant def = {}, bool azl = false) {
            auto f = td->CreateField(n, type, size);
            f->SetAllowZeroLength(azl);
            if (def.isValid()) f->SetDefaultValue(def);
            td->Append(f);
        };
        add("Q", dao::dbText, 240, {}, true);
        add("A1", dao::dbText, 240, {}, true);
        add("T", dao::dbText, 50, QStringLiteral("Other"), true);
        add("Markiert", dao::dbBoolean, 0, false);
        add("Punkte", dao::dbLong, 0, 0);
        add("RA1", dao::dbInteger, 0, 0);
        add("FQ1", dao::dbDouble);
        add("Bild", dao::dbMemo, 0, {}, true);
        add("ZuletztGelerntAm", dao::dbDate);
        db->Append(td);
    }

    static void addItem(const dao::RecordsetPtr& rs, const QString& q, const QString& a = {},
                        const QString& t = {}) {
        rs->AddNew();
        rs->SetValue("Q", q);
        if (!a.isNull()) rs->SetValue("A1", a);
        if (!t.isNull()) rs->SetValue("T", t);
        rs->Update();
    }

    dao::DatabasePtr freshDb(const QString& name = QStringLiteral("test.wkd")) {
        auto db = ws.CreateDatabase(path(name), dao::dbLangGeneral, dao::dbVersion30 | dao::dbEncrypt);
        makeVok(db);
        return db;
    }

    // Values of one column of a recordset, walked by position.
    static QStringList column(const dao::RecordsetPtr& rs, const QString& field) {
        QStringList out;
        for (long i = 0; i < rs->RecordCount(); ++i) {
            rs->SetAbsolutePosition(i);
            out << rs->Value(field).toString();
        }
        return out;
    }
};

}  // namespace daotest
