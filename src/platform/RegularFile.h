#pragma once
// A name the user gives may stand for anything: a pipe, a device, a socket,
// a folder. Opening a pipe for reading waits for a writer that may never
// come, so files are opened without waiting and taken only when the opened
// descriptor is a regular file. And a file is known by its device and inode:
// two names may be one file, and one name may become another file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>

namespace wk {

enum class FileKind { Missing, Regular, Folder, Other };

// What the name stands for, links followed.
inline FileKind KindOfFile(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return FileKind::Missing;
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileKind::Folder;
    return FileKind::Other;
}

// Device and inode of the file a name stands for (links followed); invalid
// when there is none.
struct FileId {
    quint64 device = 0;
    quint64 inode = 0;
    bool valid = false;
    friend bool operator==(const FileId& a, const FileId& b) {
        return a.valid && b.valid && a.device == b.device && a.inode == b.inode;
    }
};

inline FileId FileIdOf(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return {quint64(st.st_dev), quint64(st.st_ino), true};
}

// Opens path for reading when it is a regular file; never waits. Returns the
// descriptor (blocking again, closed on exec), or -1 with *notRegular set
// when the name stands for something else, or errno for other failures.
inline int OpenRegularFileForReading(const QString& path, bool* notRegular = nullptr) {
    if (notRegular) *notRegular = false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A socket cannot be opened at all; it is still no file to read.
        const int e = errno;
        if (notRegular) *notRegular = KindOfFile(path) == FileKind::Other;
        errno = e;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (notRegular) *notRegular = true;
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Reads the whole regular file at path. On failure returns false with the
// reason in *why; *notRegular tells a pipe, device or folder apart.
inline bool ReadRegularFile(const QString& path, QByteArray& bytes, QString* why = nullptr,
                            bool* notRegular = nullptr) {
    bool other = false;
    const int fd = OpenRegularFileForReading(path, &other);
    if (notRegular) *notRegular = other;
    if (fd < 0) {
        if (why)
            *why =
                other ? QStringLiteral("Not a regular file") : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (why) *why = file.errorString();
        return false;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (why) *why = file.errorString();
        return false;
    }
    return true;
}

}  // namespace wk
