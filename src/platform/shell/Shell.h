#pragma once
// What the program asks of the desktop and the operating system: the
// single-instance lock, unique temporary files, opening pages and files,
// the documents folder, the recent-documents list, the colour depth, the
// font list and starting another instance of the program.

#include <QString>
#include <QStringList>

namespace shell {

// ---- single instance -------------------------------------------------------

// Folder of the instance locks: the user's runtime folder ($XDG_RUNTIME_DIR,
// made when it is named but missing),
// or the system's temporary folder when the session has none.
QString LockFolder();

// Takes the lock called `name` for the rest of the process. Returns false
// when another live process holds it. A lock left by a process that ended,
// even by a kill, is taken over. Taking a lock this process already holds
// answers true. Failure to create the lock file for another reason also
// answers true, so that a broken runtime folder never keeps the program from
// starting.
bool AcquireInstanceLock(const QString& name);

// Gives a lock of this process back early. Only tests need this; the program
// holds its lock until it ends.
void ReleaseInstanceLock(const QString& name);

// ---- temporary files -------------------------------------------------------

// Creates a new, empty file with a unique name in `folder` and returns its
// full path: `prefix` (at most its first three characters), four to eight
// hexadecimal digits and ".tmp". Returns "" when the folder does not exist or
// no file can be created there.
// The file is readable and writable by its owner alone: it may hold a
// picture or sound of the user's.
QString CreateTempFile(const QString& folder, const QString& prefix = {});

// Makes the folder (and its parents) when missing and lets its owner alone
// in, also when it was there before. Returns false when that fails.
bool MakePrivateFolder(const QString& folder);

// ---- desktop ---------------------------------------------------------------

// Opens a web address (anything with a scheme such as https: or mailto:) or a
// local file in the program the desktop chooses for it. A file path is handed
// over as one argument, so blanks and quotes in it need no care. Returns
// false when the desktop cannot open it; it never waits for the program.
bool OpenDocument(const QString& pathOrUrl);

// The user's documents folder, without a closing slash.
QString DocumentsFolder();

// Adds a file to the desktop's list of recently used documents
// ($XDG_DATA_HOME/recently-used.xbel), with the program as the application
// that used it. Does nothing where the desktop keeps no such list (the file
// does not exist) and leaves a list it cannot read untouched. The list is
// replaced only by a complete new one. Returns true when the file was added.
bool AddToRecentDocs(const QString& path,
                     const QString& mimeType = QStringLiteral("application/x-wortkiste"));

// Bits per pixel of the primary screen, 0 when there is no screen.
int GetColorDepth();

// Font families the user can choose, sorted as the font database sorts
// them. With scalableOnly, only families that scale to any size and cover
// the Latin script (what the original listed as TrueType faces of the ANSI
// character set).
// A face made by several foundries is listed once, without the foundry.
QStringList FontFamilies(bool scalableOnly = false);
// The families without their foundry ("C059 [urw]" is "C059"), each once,
// in the order given.
QStringList UniqueFaces(const QStringList& families);

// Shows the old platform's own faces ("MS Sans Serif", ...) with the
// desktop's face of the same kind where they are not installed. Once at
// start; stored font names are not changed.
void SubstituteMissingFonts();

// Starts a new instance of this program with `arguments`, without waiting
// for it. Returns false when it could not be started.
bool StartNewInstance(const QStringList& arguments = {});

}  // namespace shell
