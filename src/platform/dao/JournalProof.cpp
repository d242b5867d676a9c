// The frames of the -wal and the proof that the main file is as this
// connection left it: read through descriptors the layer keeps, page by
// page, so that their cost grows with the journal, never with the file.
#include "platform/dao/Journal.h"

#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>

namespace dao::detail {

namespace {

// SQLite's -wal: a 32-byte header (page size at 8, salts at 16), then
// frames of a 24-byte header (page number at 0, salts at 8) and a page.
constexpr int kWalHeader = 32;
constexpr int kFrameHeader = 24;

bool validPageSize(int size) {
    return size >= 512 && size <= 65536 && (size & (size - 1)) == 0;
}

}  // namespace

FileState WalFrames::open(const QByteArray& path) {
    close();
    fd_ = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    return fd_ >= 0 ? FileState::of(fd_) : FileState::of(path);
}

void WalFrames::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    read_ = 0;
    pageSize_ = 0;
    salt_.clear();
}

bool WalFrames::empty() const {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_size == 0;
}

bool WalFrames::readHeader() {
    uchar header[kWalHeader];
    if (::pread(fd_, header, sizeof header, 0) != ssize_t(sizeof header)) return false;
    const int pageSize = int(qFromBigEndian<quint32>(header + 8));
    if (!validPageSize(pageSize)) return false;
    const QByteArray salt(reinterpret_cast<const char*>(header + 16), 8);
    if (salt != salt_ || pageSize != pageSize_) {
        // Begun anew since the last read (after a checkpoint that let the
        // journal start from its first frame again).
        salt_ = salt;
        pageSize_ = pageSize;
        read_ = 0;
    }
    return true;
}

bool WalFrames::readPages(int last, std::vector<quint32>& pages) {
    if (fd_ < 0) return false;
    // The header is read again only where the frames do not go on from the
    // last one read with the salts it gave: one read per frame while the
    // journal goes on.
    for (bool fresh = salt_.isEmpty() || (last >= 0 && last <= read_);; fresh = true) {
        if (fresh && !readHeader()) return last < 0;
        bool whole = true;
        for (int frame = read_ + 1; last < 0 || frame <= last; ++frame) {
            uchar f[kFrameHeader];
            const off_t at = kWalHeader + off_t(frame - 1) * (pageSize_ + kFrameHeader);
            if (::pread(fd_, f, sizeof f, at) != ssize_t(sizeof f) ||
                memcmp(f + 8, salt_.constData(), 8) != 0) {
                whole = false;
                break;
            }
            pages.push_back(qFromBigEndian<quint32>(f));
            read_ = frame;
        }
        // Read as far as there are frames; or all that were asked for.
        if (whole || last < 0) return true;
        if (fresh) return false;
    }
}

void MainFileProof::clear() {
    taken_ = false;
    failed_ = false;
    pages_.clear();
}

void MainFileProof::take(int mainFd, int pageSize) {
    clear();
    taken_ = true;
    pageSize_ = pageSize;
    file_ = FileState::of(mainFd);
    if (!validPageSize(pageSize) || !file_.exists()) failed_ = true;
    // The header: page count, free pages and schema cookie of the file.
    remember(mainFd, 1);
}

void MainFileProof::remember(int mainFd, quint32 page) {
    if (failed_ || page == 0 || pages_.contains(page)) return;
    size_t hash = 0;
    if (pageHash(mainFd, page, &hash))
        pages_.insert(page, hash);
    else
        failed_ = true;
}

bool MainFileProof::pageHash(int fd, quint32 page, size_t* hash) const {
    QByteArray bytes(pageSize_, Qt::Uninitialized);
    // A page past the end reads as nothing: it is new in the journal.
    const ssize_t n = ::pread(fd, bytes.data(), size_t(pageSize_), off_t(page - 1) * pageSize_);
    if (n < 0) return false;
    *hash = qHashBits(bytes.constData(), size_t(n), size_t(n));
    return true;
}

bool MainFileProof::holds(int mainFd) const {
    if (!taken_ || failed_ || !(FileState::of(mainFd) == file_)) return false;
    for (auto it = pages_.constBegin(); it != pages_.constEnd(); ++it) {
        size_t hash = 0;
        if (!pageHash(mainFd, it.key(), &hash) || hash != it.value()) return false;
    }
    return true;
}

}  // namespace dao::detail
