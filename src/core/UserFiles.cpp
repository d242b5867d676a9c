#include "core/UserFiles.h"

#include <QDir>
#include <QFileInfo>

#include <dirent.h>

#include "core/MessageTable.h"
#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "platform/RegularFile.h"
#include "platform/forms/Interaction.h"

namespace userfiles {

using modMain::GetText;

namespace {

// Message ids of these texts.
constexpr int kCannotWrite = 656;
constexpr int kChooseAnother = 646;
constexpr int kCannotOpen = 5050;
constexpr int kInUse = 5051;
constexpr int kInUseWhatToDo = 5052;
constexpr int kHeld = 5070;
constexpr int kNotRegular = 5071;
constexpr int kOpenedAsItIs = 5080;
constexpr int kJournalSetAside = 5081;
constexpr int kJournalKept = 5083;
constexpr int kJournalKeptNotOpened = 5084;
constexpr int kUnreadableName = 5082;

// Whether writing at target writes over file: one file by device and
// inode, or, while either does not exist, one name in one folder.
bool samePlace(const QString& target, const QString& file) {
    const wk::FileId a = wk::FileIdOf(target);
    const wk::FileId b = wk::FileIdOf(file);
    if (a.valid && b.valid) return a == b;
    const QFileInfo t(target);
    const QFileInfo f(file);
    return t.fileName() == f.fileName() && wk::FileIdOf(t.absolutePath()) == wk::FileIdOf(f.absolutePath());
}

QStringList heldDatabases() {
    QStringList out;
    if (runstate::dbVok && runstate::dbVok->IsOpen()) out << runstate::dbVok->Name();
    // USER.MDB is the program's whether it is open at the moment or not.
    if (!runstate::UserDBPfad.isEmpty()) out << runstate::UserDBPfad;
    return out;
}

// Whether folder holds an entry that Qt reads as name, called where name
// itself leads nowhere: its bytes are then not name written in UTF-8.
bool holdsUnreadable(const QString& folder, const QString& name) {
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray bytes(entry->d_name);
        if (QFile::decodeName(bytes) == name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

QString cannotWrite(const QString& path, int why) {
    return GetText(kCannotWrite) + QLatin1Char('\r') + QDir::toNativeSeparators(path) +
           QStringLiteral("\r\r") + GetText(why) + QLatin1Char('\r') + GetText(kChooseAnother);
}

}  // namespace

bool IsHeldFile(const QString& path) {
    if (path.isEmpty()) return false;
    if (dao::IsOpenDatabaseFile(path)) return true;
    for (const QString& db : heldDatabases())
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            if (samePlace(path, db + QLatin1String(suffix))) return true;
    return false;
}

bool IsNonRegular(const QString& path) {
    const wk::FileKind kind = wk::KindOfFile(path);
    return kind == wk::FileKind::Folder || kind == wk::FileKind::Other;
}

QString HeldFileText(const QString& path) {
    return cannotWrite(path, kHeld);
}

QString NonRegularTargetText(const QString& path) {
    return cannotWrite(path, kNotRegular);
}

QString NonRegularSourceText(const QString& path) {
    return GetText(kCannotOpen) + QLatin1Char('\r') + QDir::toNativeSeparators(path) +
           QStringLiteral("\r\r") + GetText(kNotRegular);
}

QString HeldSourceText(const QString& path) {
    return GetText(kCannotOpen) + QLatin1Char('\r') + QDir::toNativeSeparators(path) +
           QStringLiteral("\r\r") + GetText(kHeld);
}

QString CannotOpenDatabaseText(const wk::Error& e) {
    const QString paragraph = QStringLiteral("\r\n\r\n");
    // The layer's own account (the name is too long, ...) is what is wrong.
    if (modMain::IsRefusal(e.number(), e.description()))
        return GetText(kCannotOpen) + paragraph + e.description();
    return GetText(kCannotOpen) + paragraph + GetText(kInUse) + paragraph + GetText(kInUseWhatToDo);
}

bool IsUnreadableName(const QString& path) {
    // Qt reads every byte that is no UTF-8 as U+FFFD; without one, a name
    // that leads nowhere is missing (or behind a folder we may not enter).
    if (!path.contains(QChar::ReplacementCharacter)) return false;
    // The first name on the way that leads nowhere is the one to look for.
    QDir folder = QDir::root();
    for (const QString& name :
         QDir::cleanPath(QFileInfo(path).absoluteFilePath()).split(u'/', Qt::SkipEmptyParts)) {
        const QString next = folder.filePath(name);
        if (wk::KindOfFile(next) == wk::FileKind::Missing) return holdsUnreadable(folder.path(), name);
        folder.setPath(next);
    }
    return false;
}

QString UnreadableNameText(const QString& path) {
    return GetText(kCannotOpen) + QLatin1Char('\r') + QDir::toNativeSeparators(path) +
           QStringLiteral("\r\r") + GetText(kUnreadableName);
}

bool RefuseUnreadableName(const QString& path) {
    if (!IsUnreadableName(path)) return false;
    forms::ui().MsgBox(UnreadableNameText(path), forms::vbExclamation, runstate::ProgName);
    return true;
}

bool RefuseNonRegularSource(const QString& path) {
    if (!IsNonRegular(path)) return false;
    forms::ui().MsgBox(NonRegularSourceText(path), forms::vbExclamation, runstate::ProgName);
    return true;
}

bool RefuseHeldSource(const QString& path) {
    if (!IsHeldFile(path)) return false;
    forms::ui().MsgBox(HeldSourceText(path), forms::vbExclamation, runstate::ProgName);
    return true;
}

namespace {

// English from the table itself: asking GetText would choose a language.
QString text(qint32 id, bool english) {
    return english ? modMain::MessageTable::instance().text(20000 + id) : GetText(id);
}

}  // namespace

QString KeptJournalText(const dao::Database& db, bool english) {
    const std::optional<dao::JournalSetAside> journal = db.SetAside();
    if (!journal || !journal->keptAs.isEmpty()) return {};
    return text(kJournalKeptNotOpened, english) + QLatin1Char('\r') +
           QDir::toNativeSeparators(journal->journal);
}

QString SetAsideJournalText(const dao::JournalSetAside& journal, bool english) {
    auto text = [english](qint32 id) { return userfiles::text(id, english); };
    const bool kept = journal.keptAs.isEmpty();
    return text(kOpenedAsItIs) + QLatin1Char('\r') + QDir::toNativeSeparators(journal.database) +
           QStringLiteral("\r\r") + text(kept ? kJournalKept : kJournalSetAside) + QLatin1Char('\r') +
           QDir::toNativeSeparators(kept ? journal.journal : journal.keptAs);
}

namespace {

void tellSetAside(const dao::JournalSetAside& journal, bool english) {
    forms::ui().MsgBox(SetAsideJournalText(journal, english), forms::vbExclamation,
                       runstate::ProgName.isEmpty() ? QStringLiteral("Wortkiste") : runstate::ProgName);
}

}  // namespace

void TellSetAsideJournal(const dao::Database& db, bool english) {
    if (const auto journal = db.SetAside()) tellSetAside(*journal, english);
}

void TellJournalsSetAsideLater() {
    dao::OnJournalSetAside([](const dao::JournalSetAside& journal) { tellSetAside(journal, false); });
}

}  // namespace userfiles
