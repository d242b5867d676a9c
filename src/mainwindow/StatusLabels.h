#pragma once
// The status labels' hints, the change of user by restart, and the
// clean-up of the program's TEMP folder.

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

#include "platform/dao/Dao.h"

namespace mainwindow {

// The user's error rate in per cent: 0 before the first question, else
// 100 / asked * wrong rounded to the nearest whole number, halves to even.
qint32 ErrorRate(qint32 anzFr, qint32 anzF);

// The first line of the hint over the user name, e.g. "Fehlerquote 12%,
// insgesamt 25 Abfragen, davon 22 richtig".
QString UserStatisticsLine(qint32 anzFr, qint32 anzR, qint32 anzF);
// Its second line (message 679).
QString UserStatisticsHint();
// The first line for the current user's row (totals AnzFr, AnzR, AnzF).
QString UserStatisticsLine(const dao::RecordsetPtr& rsBenutzer);

// The hint over the database name: the file's size in whole KB of 1000
// bytes ("12 KB"), or nothing when no database is open or its file is gone.
std::optional<QString> DatabaseSizeLine(bool dbOpen, const QString& path);

// The first part of the change of user: writes the empty restart marker in
// the program folder and starts a new instance without waiting for it.
// `startInstance` stands in for starting the program (tests). On a failure
// the user is told, the marker is removed and false comes back: this
// instance then goes on rather than end with no successor.
bool PrepareRestart(const std::function<bool()>& startInstance = {});
QString RestartMarkerPath();

// One tick of the clean-up: deletes every file in `folder`; files that
// cannot go yet (a sound still playing) are tried on a later tick. The
// timer stops when the folder is empty.
void killer_Timer(QTimer& killer, const QString& folder);

// Runs the clean-up on the main window's timer `killer` over the TEMP
// folder, and lets the sound players switch it on again.
class TempCleanup : public QObject {
    Q_OBJECT
public:
    TempCleanup(QTimer* killer, QString folder);
    ~TempCleanup() override;

private:
    QTimer* killer_;
    QString folder_;
};

}  // namespace mainwindow
