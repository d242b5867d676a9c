#include "mainwindow/StatusLabels.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

#include "core/modMain.h"
#include "core/modMedia.h"
#include "platform/shell/Shell.h"

namespace mainwindow {

using modMain::GetText;

namespace {
constexpr int kFileAccessError = 75;  // the runtime's "Path/File access error"
constexpr int kFileNotFound = 53;     // the runtime's "File not found"
}  // namespace

qint32 ErrorRate(qint32 anzFr, qint32 anzF) {
    if (anzFr == 0) return 0;
    return qint32(std::nearbyint(100.0 / double(anzFr) * double(anzF)));
}

QString UserStatisticsLine(qint32 anzFr, qint32 anzR, qint32 anzF) {
    return GetText(681) + QString::number(ErrorRate(anzFr, anzF)) + "%, " + GetText(682) +
           QString::number(anzFr) + GetText(anzFr == 1 ? 683 : 684) + QString::number(anzR) +
           GetText(anzR == 1 ? 685 : 686);
}

QString UserStatisticsHint() {
    return GetText(679);
}

QString UserStatisticsLine(const dao::RecordsetPtr& rs) {
    auto total = [&](const char* field) {
        return qint32(rs->Value(QString::fromLatin1(field)).toLongLong());
    };
    return UserStatisticsLine(total("AnzFr"), total("AnzR"), total("AnzF"));
}

std::optional<QString> DatabaseSizeLine(bool dbOpen, const QString& path) {
    const QFileInfo fi(path);
    if (!dbOpen || path.isEmpty() || !fi.isFile()) return std::nullopt;
    return QString::number(fi.size() / 1000) + " KB";
}

QString RestartMarkerPath() {
    return modMain::ProgramFolder() + "/restart";
}

bool PrepareRestart(const std::function<bool()>& startInstance) {
    QFile marker(RestartMarkerPath());
    if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        modMain::ShowError(kFileAccessError, marker.errorString(), QString());
        return false;
    }
    marker.close();
    const bool started = startInstance ? startInstance() : shell::StartNewInstance();
    if (!started) {
        QFile::remove(RestartMarkerPath());
        modMain::ShowError(kFileNotFound, QCoreApplication::applicationFilePath(), QString());
        return false;
    }
    return true;
}

void killer_Timer(QTimer& killer, const QString& folder) {
    const QDir dir(folder);
    const QDir::Filters files = QDir::Files | QDir::Hidden | QDir::System;
    const QStringList listed = dir.entryList(files);
    if (listed.isEmpty()) {
        killer.stop();
        return;
    }
    for (const QString& name : listed)
        QFile::remove(dir.filePath(name));  // a busy file waits for the next tick
}

TempCleanup::TempCleanup(QTimer* killer, QString folder)
    : QObject(killer), killer_(killer), folder_(std::move(folder)) {
    connect(killer_, &QTimer::timeout, this, [this] { killer_Timer(*killer_, folder_); });
    modMedia::EnableTempCleanup = [k = killer_] { k->start(); };
}

TempCleanup::~TempCleanup() {
    modMedia::EnableTempCleanup = nullptr;
}

}  // namespace mainwindow
