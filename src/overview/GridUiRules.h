#pragma once
// Rules of working on the vocabulary grid that need no window: which option
// field stores a column's width or visibility, which columns may be edited
// and how long their text may be, what an emptied cell stores, and keeping
// the rows' record positions right after a record is deleted.

#include <QString>

namespace dao {
class Recordset;
}
namespace grid {
class Grid;
}

namespace overview {

// True for "AA", "AR", "AF" and "FQ" followed by the user slot's digit.
bool isStatisticsKey(const QString& key, int user);

// The options field that stores a column's width: "GridWidth" & key, or
// "GridWidth" & the first two letters for the per-user columns; "" for a
// column whose width is not stored ("icon", "no", another slot's columns).
QString widthFieldForKey(const QString& key, int user);

// Columns that the in-place editor leaves alone: "icon", "no" and the
// statistics of the current user slot.
bool isReadOnlyKey(const QString& key, int user);

// Length limit of the text editor for a column; 0 = none.
int editLimitForKey(const QString& key);
// Length of the VOK text field a column shows (240 or 50); 0 for the rest.
int fieldLengthForKey(const QString& key);

// What the text editor stores for the typed text of column key: line breaks
// removed, "-" for an emptied question, an emptied first answer of a typed
// item (typ 0), and an emptied answer that a filled answer follows
// (storedAnswerCount = the item's last filled answer number as stored).
QString textToStore(const QString& key, const QString& typed, int typ, int storedAnswerCount);

// First letter of each word upper case, the rest lower case.
QString properCase(const QString& text);

// After the record at `deletedPosition` left the grid's recordset, every row
// showing a later record shows it one position lower.
void lowerPositionsAfter(grid::Grid& g, long deletedPosition);

// The row whose "no" cell names `position`; 0 when none does.
long rowOfRecordPosition(const grid::Grid& g, long position);

// Leaves the grid's recordset with no current record, as a grid with no
// current row shows it: a walk, a rebuild or a dialog leaves it on a record
// no row shows as current, and Space or the menu would act on that unseen.
// Quietly where the set cannot move: then it has no record to leave.
void leaveNoItemCurrent(dao::Recordset& rs);

}  // namespace overview
