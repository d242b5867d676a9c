#pragma once
// Shared services of the start-up module: message texts by id and the
// interface language, the error report, the program's folders, the random
// integer and the duplicate search over a recordset.

#include <QHash>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace dao {
class Recordset;
}

namespace modMain {

// Language base of the message table: 0 until a language is chosen (the
// first lookup then settles on English), 10000 German, 20000 English.
inline qint32 TextBasis = 0;

// Closes the user database's workspace before the program ends on a fatal
// language error. The start-up code sets it once the user database is open.
inline std::function<void()> CloseUserWorkspace;

// The text of message `id` in the current language. Raises wk::Error 6 when
// id + TextBasis overflows and wk::Error 326 when the table has no such text.
QString GetText(qint32 id);

// 0 German, 1 English. Any other id shows "Fatal error:" and ends the program.
void SetLanguage(qint16 langId);

// Whether the database layer refused a change or an open for a reason of
// the file or the disk that its description tells the user: the full disk
// (3026), a file another program is at work on (3260), or a disk error or
// a file it cannot use (3043, 3051) that carries a description of the
// layer's own rather than the engine's stock text (the file was replaced or
// moved by another program, its name is too long). Such a refusal is no
// fault of the program.
bool IsRefusal(qint32 number, const QString& description);

// The shared error box: message 5002, number, ": ", description, two CRs,
// message 5009; titled with the location code, or the product name when the
// code is empty. A refusal (IsRefusal) is no error to report to the maker:
// it shows its description alone, with the exclamation icon, under the
// product name, wherever it was caught.
void ShowError(qint32 number, const QString& description, const QString& locationCode);

// Whether a text fits a text field of `size` characters. A text that does
// not is refused as the user's input, not reported as an error of the
// program: messages 5077, the size and 5078, under the title of message 40.
bool FitsField(const QString& text, int size);

// The program folder: $WORTKISTE_HOME, else the per-user data folder; no
// trailing slash.
QString ProgramFolder();
// Program folder & "/DB/" and & "/TEMP/". Nothing is tested or created here.
QString GetDBPath();
QString GetTempPath();

// A whole number in lo..hi, each value equally likely for whole lo <= hi:
// floor((hi - lo + 1) * r + lo) with r from the process-wide generator.
qint32 RandomInt(double lo, double hi);

// Value of A1 of the record the last FindRecordByField found, or "".
inline QVariant GefundenA1 = QString();

// Walks the recordset for the first record whose field equals value (texts
// exactly; Null never matches), sets GefundenA1 from it and returns whether
// one was found. The current record is the same before and after the call.
// A missing field raises wk::Error 3265.
bool FindRecordByField(const QString& fieldName, dao::Recordset& rs, const QVariant& value);
bool FindRecordByField(const QString& fieldName, const std::shared_ptr<dao::Recordset>& rs,
                       const QVariant& value);

// FindRecordByField for many look-ups on one recordset (an import): the
// same answer and the same GefundenA1, without a walk per look-up. The
// field's texts are read once, rows appended to the recordset since the last
// look-up are read as they come; a set that shrank is read again. Rows
// changed in place meanwhile are not seen, so keep it for one run of adds.
class RecordFinder {
public:
    RecordFinder(QString fieldName, dao::Recordset& rs);
    bool Find(const QVariant& value);
    // The record just appended to the recordset holds value in the field:
    // taken as it is, not read back. Anything else appended meanwhile is
    // read as usual.
    void Appended(const QVariant& value);

private:
    void catchUp();
    QString field_;
    dao::Recordset& rs_;
    long seen_ = 0;
    QHash<QString, long> first_;  // text -> position of its first record
};

}  // namespace modMain
