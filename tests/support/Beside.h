#pragma once
// What lies beside a database file: the files in its folder whose names
// begin with its own and a dash (journals, their indexes, journals set
// aside). A database that is closed, or open between commits, has none.
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace wktest {

inline QStringList Beside(const QString& file) {
    const QFileInfo fi(file);
    return QDir(fi.absolutePath())
        .entryList({fi.fileName() + "-*"}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace wktest
