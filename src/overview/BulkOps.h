#pragma once
// Changes to many items of the grid's recordset at once: marks, sounds,
// pictures, statistics, the theme, question and answer exchanged, blanks
// trimmed, marked items deleted; and the search for duplicate questions.
//
// Each walk visits the records by position, 0 to the count read once at its
// start (on the marked items: the marked positions among them, the marks
// read in one pass first), and writes every changed record in its own edit
// and update. The whole walk runs in one transaction of the workspace: when
// a record fails, every record written before is put back, the recordset is
// re-read and the error passes to the caller.

#include <QString>
#include <QStringList>

#include "platform/dao/Dao.h"

namespace overview::bulk {

enum class Items { All, Marked };

// Markiert equals True; False and Null are unmarked.
bool isMarked(dao::Recordset& rs);

// Markiert := on in every record.
void SetMarks(dao::Recordset& rs, dao::Workspace& ws, bool on);
// Sound := "" in every record (marked: the marked ones), with or without one.
void ClearSounds(dao::Recordset& rs, dao::Workspace& ws, Items items);
// Bild := "" in the records that hold a picture.
void ClearPictures(dao::Recordset& rs, dao::Workspace& ws, Items items);
// AA, AR, AF, FQ and Known1..6 of slot u := 0 in the marked records.
void ClearMarkedStatistics(dao::Recordset& rs, dao::Workspace& ws, int u);
// T := theme, exactly as given.
void RenameTheme(dao::Recordset& rs, dao::Workspace& ws, Items items, const QString& theme);
// Q and A1 exchanged. For the marked items an empty A1 gives the question
// "-", for all items the empty text; a Null question counts as empty.
void ExchangeQuestionAnswer(dao::Recordset& rs, dao::Workspace& ws, Items items);
// Leading and trailing blanks (U+0020 only) removed from Q and A1..A9 of
// every record; Null stays Null.
void DeleteSpaces(dao::Recordset& rs, dao::Workspace& ws);

long CountMarked(dao::Recordset& rs);
// Deletes every marked record; the count deleted.
long DeleteMarked(dao::Recordset& rs, dao::Workspace& ws);

// text without its leading and trailing U+0020.
QString TrimBlanks(const QString& text);

// Index of the first text that equals another one of the list without
// regard to case, or -1.
long FindDuplicate(const QStringList& texts);

}  // namespace overview::bulk
