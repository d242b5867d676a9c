#pragma once
// What a connection knows of its journal: the -wal it writes into and its
// -shm index as they were at connect, the frames in the -wal, and the proof
// that lets a lost journal be written back into the main file; and what
// its checkpointer knows of the commits still waiting in the journal.

#include <QByteArray>
#include <QHash>
#include <QtGlobal>

#include <vector>

namespace dao::detail {

// What identifies a file's content from outside: another process that
// writes it changes at least one of these.
struct FileState {
    quint64 dev = 0;
    quint64 ino = 0;
    qint64 size = -1;  // -1: no such file
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    bool operator==(const FileState&) const = default;
    bool exists() const { return size >= 0; }
    bool sameFile(const FileState& o) const { return exists() && o.exists() && dev == o.dev && ino == o.ino; }
    static FileState of(const QByteArray& path);
    static FileState of(int fd);
};

// The frames of the -wal, read from their headers through a descriptor of
// the watch's own: SQLite takes no locks on the -wal, so closing it drops
// none. Counted from 1 since the journal last began anew.
class WalFrames {
public:
    WalFrames() = default;
    WalFrames(const WalFrames&) = delete;
    WalFrames& operator=(const WalFrames&) = delete;
    ~WalFrames() { close(); }
    // Opens the -wal under path; its identity.
    FileState open(const QByteArray& path);
    void close();
    // Appends the page of every frame after the last one read, up to frame
    // `last` (-1: as far as there are frames). A journal that began anew
    // since is read from its first frame. False when a frame that should
    // be there cannot be read.
    bool readPages(int last, std::vector<quint32>& pages);
    // The next read starts after frame n.
    void seek(int n) { read_ = n; }
    int pageSize() const { return pageSize_; }
    // The -wal holds nothing: no opener could replay anything from it.
    bool empty() const;

private:
    bool readHeader();
    int fd_ = -1;
    int read_ = 0;
    int pageSize_ = 0;
    QByteArray salt_;
};

// The proof that no one else wrote the main file since this connection
// last saw it: its size and timestamps, and what it held in page 1 and in
// every page that the waiting frames would overwrite. A write-back writes
// those pages alone, so another program's write that it could undo changes
// one of them (or the size); a write elsewhere in the file it leaves as it
// is. Read through the layer's own descriptor of the main file: the cost
// grows with the journal, never with the file.
class MainFileProof {
public:
    bool taken() const { return taken_; }
    void clear();
    // Begins on the main file as it is now.
    void take(int mainFd, int pageSize);
    // What the main file holds at this page, unless already known.
    void remember(int mainFd, quint32 page);
    // Nothing can be proved (a frame or a page could not be read).
    void fail() { failed_ = true; }
    // The main file still holds everything remembered.
    bool holds(int mainFd) const;

private:
    bool pageHash(int fd, quint32 page, size_t* hash) const;
    bool taken_ = false;
    bool failed_ = false;
    int pageSize_ = 0;
    FileState file_;
    QHash<quint32, size_t> pages_;
};

// The journal watch of a connection. Another process that believes it is
// the file's last user deletes the -wal and -shm, a clean-up tool may
// delete either, and a sync tool may rename a new version over the file's
// name. Writing on into a deleted journal, past an index others no longer
// share, or into a journal beside a file that is not this connection's
// would lose their changes or ours. So a change that begins a transaction
// of its own begins only after the watch found all three as they were, in
// this user action (the edit that leads to it may have looked), and its
// commit a moment later is not asked again; every other commit is checked
// and refused when they are not as they were.
struct JournalWatch {
    enum class Loss {
        None,
        Index,    // the -shm was removed or replaced
        Journal,  // the -wal was removed or replaced
        File,     // the name no longer points at the file open here
    };
    QByteArray walPath;
    QByteArray shmPath;
    // As they were at connect; `file` through the layer's own descriptor.
    FileState wal;
    FileState shm;
    FileState file;
    Loss loss = Loss::None;
    // The user was told what a lost journal cost (by the refused commit).
    bool lossReported = false;
    // Set by the check before a change of its own begins (or an edit that
    // leads to one), so that the change and its commit need not ask again
    // in the same user action; a change that does not begin its own
    // transaction clears it.
    bool justChecked = false;
    quint64 checkedInAction = 0;
    WalFrames frames;
    MainFileProof proof;
    std::vector<quint32> pages;  // read at a commit, kept to save allocations
    // Descriptors of the open file met under its name while looking for
    // another one: closing them would drop SQLite's locks, so they stay
    // open until the connection is closed.
    std::vector<int> keptOpen;
};

// The commits that wait in the journal for the main file. Users copy, back
// up and sync the main file alone, so it is brought up to date shortly
// after each change (see scheduleCheckpoint).
struct Checkpointer {
    bool unsaved = false;    // commits the main file lacks
    int backfilled = 0;      // frames the last checkpoint had copied
    bool scheduled = false;  // waiting for the idle timer
};

}  // namespace dao::detail
