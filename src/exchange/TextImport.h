#pragma once
// Text-file import: reading the file (UTF-8 with or without BOM, else
// Windows-1252; lines end at CR LF, LF or CR), splitting it into preview
// rows in one of the two layouts, and adding the rows as new items through
// the grid recordset with the duplicate question.

#include <QDateTime>
#include <QIODevice>
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

struct TextPreview {
    int counted = 0;          // lines counted (not empty, not one blank)
    int skipped = 0;          // the header line
    int extraFields = 0;      // rows whose line had more fields than the layout takes
    int rows = 0;             // rows given
    qint64 previewBytes = 0;  // counted for holding the rows given (PreviewRowBytes)
    qint64 importBytes = 0;   // counted for importing them (ImportRowBytes)
};

// Takes each row as it is read: CellCount cells, trimmed of blanks.
using TextRowSink = std::function<void(const QStringList& cells)>;

// Reads the lines of `in` as a stream, `chunk` bytes at a time: a line ends
// at CR LF, LF or CR (the last needs no end); a line that is valid UTF-8 is
// read as UTF-8 (a BOM at the start of the input dropped), any other as
// Windows-1252, so that one line pasted from an old file does not garble
// the others. Empty lines and lines of one blank are ignored; with header
// the first counted line gives no row; fields beyond the layout's cells are
// left out (and counted in extraFields). Each row goes to `row` at once:
// nothing of the input is held beyond the line being read. Raises wk::Error
// 57 when the input cannot be read, 7 when `budget` bytes cannot hold the
// rows and their import (kImportBaseBytes, PreviewRowBytes and
// ImportRowBytes of every row) or memory runs out.
TextPreview ParseImportLines(QIODevice& in, const QString& separator, TextLayout layout, bool header,
                             const TextRowSink& row, qint64 budget, qint64 chunk = 1 << 16);

// What the preview's grid and then the import take for a row, in bytes:
// the most measured per row (bench/exchange_import_memory.cpp, for short,
// long, non-Latin and ten-cell lines) and a quarter more. The grid keeps a
// text below U+0100 at a byte a character, any other at two; the import
// keeps each question's text for the duplicate look-up.
qint64 PreviewRowBytes(const QStringList& cells);
qint64 ImportRowBytes(const QString& question);
// What an import takes whatever its size: SQLite's page cache and
// statements, about twice what was measured.
constexpr qint64 kImportBaseBytes = qint64(4) << 20;

// What the rest of the program keeps of the free memory while a file is
// read and imported.
constexpr qint64 kKeptFreeBytes = qint64(16) << 20;
// What a file's rows and their import may be counted at when `available`
// bytes are free: all of them but kKeptFreeBytes.
qint64 TextImportBudget(qint64 available);

// Opens the file and parses it as above. Raises wk::Error 53 when it cannot
// be opened, 75 for a file that is no text file (a pipe, a device, a
// database the program holds).
TextPreview ReadImportFile(const QString& path, const QString& separator, TextLayout layout, bool header,
                           const TextRowSink& row, qint64 budget);

// The runtime's "Out of memory".
constexpr int kOutOfMemory = 7;

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

// The cells of row r (from 1).
using TextRowSource = std::function<QStringList(int r)>;

// Adds rows 1 to rowCount as new items of dst, in row order, all in one
// transaction. An existing question (FindRecordByField, also for rows added
// before in this run) asks with messages 750-753; No skips the row. A row
// whose values the table refuses is not added and is listed in tooLong
// (3163) or failed; any other error takes back every row of the run and
// passes on with the counts in *partial (imported 0); running out of
// memory passes on as error 7.
TextImportResult ImportTextRows(int rowCount, const TextRowSource& rowAt, TextLayout layout,
                                const QString& defaultThema, dao::Recordset& dst, int maxUsers,
                                const QDateTime& now, const TextImportHooks& hooks,
                                TextImportResult* partial = nullptr);

// The same for rows held in memory.
inline TextImportResult ImportTextRows(const std::vector<QStringList>& rows, TextLayout layout,
                                       const QString& defaultThema, dao::Recordset& dst, int maxUsers,
                                       const QDateTime& now, const TextImportHooks& hooks,
                                       TextImportResult* partial = nullptr) {
    return ImportTextRows(
        int(rows.size()), [&rows](int r) { return rows[std::size_t(r - 1)]; }, layout, defaultThema, dst,
        maxUsers, now, hooks, partial);
}

}  // namespace exchange
