#pragma once
// Text-file import: reading the file (UTF-8 with or without BOM, else
// Windows-1252; lines end at CR LF, LF or CR), splitting it into preview
// rows in one of the two layouts, and adding the rows as new items through
// the grid recordset with the duplicate question.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/Error.h"
#include "platform/dao/Dao.h"

namespace exchange {

enum class TextLayout : int {
    QuestionAnswerTheme = 0,  // question, answer, topic
    QuestionAnswers = 1,      // question, answers 1 to 9
};

// Cells per row of a layout: 3 or 10.
int CellCount(TextLayout layout);

// The file's bytes as text: UTF-8 (a leading BOM dropped) when they are
// valid UTF-8; otherwise each line by itself, UTF-8 where it is valid and
// Windows-1252 where it is not.
QString DecodeImportText(const QByteArray& bytes);

// Lines at CR LF, LF or CR; the last line needs no end.
QStringList SplitImportLines(const QString& text);

struct TextPreview {
    std::vector<QStringList> rows;  // each with CellCount cells, trimmed of blanks
    int counted = 0;                // lines counted (not empty, not one blank)
    int skipped = 0;                // the header line
    int extraFields = 0;            // rows whose line had more fields than the layout takes
};

// Splits the text: empty lines and lines of one blank are ignored; with
// header the first counted line gives no row; fields beyond the layout's
// cells are left out (and counted in extraFields).
TextPreview ParseImportText(const QString& text, const QString& separator, TextLayout layout, bool header);

// Reads and parses a file. Raises wk::Error 53 when it cannot be read.
TextPreview ReadImportFile(const QString& path, const QString& separator, TextLayout layout, bool header);

// Whether some row lacks a topic: layout 0 a row with an empty third cell,
// layout 1 any row.
bool NeedsDefaultTopic(const std::vector<QStringList>& rows, TextLayout layout);

struct TextImportHooks {
    std::function<void(int percent)> progress;  // before each row
    std::function<void()> updateThemes;         // UpdateWindow("THEMEN") once, when items were added
};

struct TextImportResult {
    int imported = 0;                     // items really written
    int declined = 0;                     // duplicates the user did not want
    QList<int> tooLong;                   // rows (from 1) with a text longer than its field, not imported
    QList<int> failed;                    // rows whose values the table refused for another reason
    wk::Error failedError{0, QString()};  // the first of those refusals
};

// Adds every row as a new item of dst, in row order, all in one
// transaction. An existing question (FindRecordByField, also for rows added
// before in this run) asks with messages 750-753; No skips the row. A row
// whose values the table refuses is not added and is listed in tooLong
// (3163) or failed; any other error takes back every row of the run and
// passes on with the counts in *partial (imported 0).
TextImportResult ImportTextRows(const std::vector<QStringList>& rows, TextLayout layout,
                                const QString& defaultThema, dao::Recordset& dst, int maxUsers,
                                const QDateTime& now, const TextImportHooks& hooks,
                                TextImportResult* partial = nullptr);

}  // namespace exchange
