#pragma once
// Writing the export file: a text file with a field separator and an
// optional header line, or an HTML table. The items come from the grid
// recordset by record position; nothing in the database is changed.
//
// Files are UTF-8 with CR LF after every line and are replaced only by a
// complete new file.

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

#include "platform/dao/Dao.h"

namespace exchange {

enum class ExportFormat : int { Text = 0, Html = 1, Xml = 2 };

// What a field entry of the export stands for, recognised by its text.
enum class ExportFieldKind { Question, Answers, Theme, Total, ErrorRate, Category, None };

// Compares the entry text with messages 50, 51, 52, 53, 56 and 59 of the
// current language, in that order.
ExportFieldKind IdentifyExportField(const QString& entryText);

struct ExportField {
    QString text;
    bool selected = false;
};

struct ExportJob {
    ExportFormat format = ExportFormat::Text;
    QString separator = QStringLiteral("\t");
    bool header = false;          // text file: field names first
    std::vector<long> positions;  // record positions in the grid recordset, in file order
    QList<ExportField> fields;    // in list order; only selected ones are written
    int slot = 1;                 // user slot of AA and FQ
    QString dbName;               // display name of the open database
    // Called before row r (1..R) is written.
    std::function<void(long r, long total)> progress;
};

// A field value as the export writes it: text as stored, numbers in their
// shortest form (15 significant digits, the locale's decimal separator, no
// grouping), Null as "".
QString ExportValueText(const QVariant& value);

// Escapes &, <, > and " for HTML text.
QString HtmlEscape(const QString& text);

// A value of the text file: unchanged, or in double quotes with inner
// quotes doubled when it holds the separator, a double quote, CR or LF.
QString TextFieldValue(const QString& value, const QString& separator);

// The whole file for the job, n answer columns (the test engine's
// MaxAnswerCount of the whole grid recordset). Positions
// the recordset on each exported record; it is put back afterwards.
QByteArray BuildExport(dao::Recordset& data, const ExportJob& job, int n);

// Writes content to path beside the old file, then replaces it. Raises
// wk::Error 75 with the reason when the file cannot be written.
void WriteFileAtomically(const QString& path, const QByteArray& content);

// Why path cannot be written, in the user's words and language: the file
// name, the cause (missing folder, no permission, a failed write) and what
// to do about it. For a write that has just failed.
QString CannotWriteText(const QString& path);

}  // namespace exchange
