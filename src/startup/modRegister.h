#pragma once
// Association of the ".wkd" vocabulary databases with the program, the way
// a freedesktop desktop finds it: a MIME type with the glob *.wkd, a desktop
// entry that opens such a file with this program, the program as the type's
// default application, and an icon, all below the user's data folder
// ($XDG_DATA_HOME, by default ~/.local/share). Start-up calls it on every
// start while the file-type option is on; a repeated call writes nothing
// new. The desktop entry is written only where it shadows no other: not
// over one the user or an install put there, and not at all while an
// installed one lies in $XDG_DATA_DIRS (one an earlier start wrote is then
// removed). Nothing else removes the entries again.

#include <QByteArray>
#include <QString>

namespace modRegister {

inline const QString kMimeType = QStringLiteral("application/x-wortkiste");
inline const QString kDesktopId = QStringLiteral("wortkiste.desktop");

// Registers the running program file. Failures are ignored, as the original
// ignored the registry's answers; the result (true when every file is in
// place) is only for tests.
bool RegisterFileType();
// The same for another program file.
bool RegisterFileType(const QString& programPath);

// Building blocks, public for the tests.

// The Exec line's value: the program path quoted and escaped as the desktop
// entry format wants, then %f for the file.
QString DesktopExec(const QString& programPath);

// The mimeapps.list text with `desktopId` as the first default and added
// application of `mimeType`, and no longer removed for it. Every other line
// is kept as it was.
QByteArray WithDefaultApplication(const QByteArray& mimeappsList, const QString& mimeType,
                                  const QString& desktopId);

}  // namespace modRegister
