#pragma once
// Small string, path, file and list helpers shared by the forms.

#include <QString>

class QComboBox;
class QListWidget;

namespace modFunctions {

// True when the path names a visible regular file. A path ending in "/" asks
// whether that folder holds at least one; '*' and '?' in the file name match
// as patterns. Any failure answers false.
bool FileExists(const QString& path);

// The text without any occurrence of part (compared exactly).
QString RemoveString(const QString& text, const QString& part);

// Selector 1: the text after the last "/", or "" when there is none or the
// path ends in one. Any other selector: "".
QString FileNameFromPath(const QString& path, qint16 selector);

// The open database's file name (run state VokDBDatei) up to its first
// ".wkd", in any letter case; the whole name when it has none.
QString StripDBExtension();

// Selects each entry in turn (running the combo's selection handlers) and
// returns the first whose text begins with key; the earlier selection is
// restored. -1 when none does.
qint16 FindComboItemByID(QComboBox& combo, const QString& key);

// Mode 1: first entry equal to text ignoring letter case; mode 2: exactly
// equal; other modes and no match: -1.
qint16 FindListItem(const QListWidget& list, const QString& text, qint16 mode);

// True when some entry equals text ignoring letter case. The selection is
// not touched.
bool FindComboItem(const QComboBox& combo, const QString& text);

// Upper case character by character, so that "ß" stays "ß" as the
// original's comparisons had it.
QString UCase(const QString& s);

}  // namespace modFunctions
