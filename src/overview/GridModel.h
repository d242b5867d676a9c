#pragma once
// The vocabulary grid's model: which columns the grid has, in which order,
// under which keys, headers, widths and fonts; the error-rate colour and the
// row icon of an item; and how a row finds its record.

#include <QFont>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <vector>

namespace dao {
struct PassValue;
}  // namespace dao
namespace grid {
class Grid;
class ImageList;
}  // namespace grid

namespace overview {

// What the overview reads of a recordset: the grid's dynaset of "Alles" or
// the options record. DaoRecordAccess.h adapts a dao::Recordset; tests may
// give their own.
class RecordAccess {
public:
    virtual ~RecordAccess() = default;
    virtual long RecordCount() const = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveLast() = 0;
    // 0-based, -1 without a current record.
    virtual long AbsolutePosition() const = 0;
    virtual void SetAbsolutePosition(long position) = 0;
    // Null is an invalid QVariant.
    virtual QVariant Value(const QString& field) const = 0;
    // Stored length of the field's value, without loading it.
    virtual qint64 FieldSize(const QString& field) const = 0;
    // Fields by number, for a walk that reads the same fields of every
    // record: -1 where the source has no numbers or no such field, and then
    // the field is read by its name.
    virtual int FieldNumber(const QString& field) const {
        Q_UNUSED(field);
        return -1;
    }
    virtual QVariant ValueAt(int number) const {
        Q_UNUSED(number);
        return {};
    }
    virtual qint64 FieldSizeAt(int number) const {
        Q_UNUSED(number);
        return 0;
    }
    // ValueAt(number) put into `into`, whose text buffer a source may reuse.
    virtual void ReadValueAt(int number, QVariant& into) const { into = ValueAt(number); }
    // During ForEachRecord, the values of these fields without a QVariant
    // each, where the source can (dao::Recordset::ReadPassValues); false
    // where it cannot, and ReadValueAt reads them.
    virtual bool ReadPassValues(const int* numbers, size_t count, dao::PassValue* out) const {
        Q_UNUSED(numbers);
        Q_UNUSED(count);
        Q_UNUSED(out);
        return false;
    }
    // Around a walk over every record: a database may take its read lock
    // once for the walk instead of once per record. Nothing is written.
    virtual void BeginBulkRead() {}
    virtual void EndBulkRead() {}
    // Calls visit(position) once for every record, that record then
    // current, in the order the source reads them fastest (here by
    // position); `numbers` are the fields (FieldNumber) the visit reads. The
    // visit only reads; afterwards the position is as before.
    virtual void ForEachRecord(const std::vector<int>& numbers,
                               const std::function<void(long position)>& visit) {
        Q_UNUSED(numbers);
        const long kept = AbsolutePosition();
        const long n = RecordCount();
        for (long p = 0; p < n; ++p) {
            SetAbsolutePosition(p);
            visit(p);
        }
        if (kept >= 0 && kept < n) SetAbsolutePosition(kept);
    }
};

// Colours of the grid (&H00BBGGRR; -1 is the grid's default).
namespace colour {
constexpr long Default = -1;
constexpr long LightRed = 0xAAAAFF;
constexpr long LightYellow = 0xAAFFFF;
constexpr long LightGreen = 0x80FF80;
constexpr long Stripe = 0xE0E0E0;
constexpr long Highlight = 0xFFFF00;
}  // namespace colour

// Widths used when the options store none.
constexpr int IconColumnWidth = 20;
constexpr int TextColumnWidth = 150;
// Indent of the question text.
constexpr int QuestionIndent = 5;

// The grid settings of the options record (OPTIONS), read at each build.
struct GridOptions {
    bool showA[10] = {};  // 1..9
    bool showT = false, showKategorie = false, showExplanation = false, showTip = false, showPunkte = false;
    bool showAA = false, showAR = false, showAF = false, showFQ = false;
    // Stored widths by field suffix ("Q", "A1", .., "AA", ..); 0 = none stored.
    int widthQ = 0, widthA[10] = {}, widthT = 0, widthKategorie = 0, widthExplanation = 0, widthTip = 0,
        widthPunkte = 0, widthAA = 0, widthAR = 0, widthAF = 0, widthFQ = 0;
    int zeilenumbruchQ = 0, zeilenumbruchA = 0, zeilenumbruchT = 0;
    // Font names and sizes as stored (Text fields), "" when not readable.
    QString schriftart, schriftgroesse, schriftartA, schriftgroesseA, schriftartT, schriftgroesseT,
        schriftartRest, schriftgroesseRest;

    // Reads the current record of the options recordset. A missing GridShow
    // or GridWidth field raises (3265); a missing font field reads as "".
    static GridOptions read(const RecordAccess& options);
};

enum class FontKind { None, Question, Answer, Topic, Rest };
enum class WidthRule {
    Fixed,    // "icon": always 20
    Default,  // "no": the grid's default
    Text150,  // "Q", "A1".."A9": stored width, else 150
    Topic,    // "T", "Kategorie": stored width, else left as added
    Fit,      // the rest: stored width, else fitted to the contents
};
// How a column's cells are filled.
enum class CellRule { Icon, No, Question, Answer, Topic, ErrorRate, Plain };

struct ColumnSpec {
    QString key;
    QString header;
    QString field;  // the VOK field the cells show ("" for icon and no)
    FontKind font = FontKind::None;
    WidthRule widthRule = WidthRule::Default;
    int storedWidth = 0;
    CellRule cell = CellRule::Plain;
};

// The columns of a build in their order: "icon", "no", "Q", the answers that
// are shown, "T", "Kategorie", "Explanation", "Tip", "Punkte" and the
// statistics of user slot `user`, each when its option is set. getText
// gives the message texts of the headers.
std::vector<ColumnSpec> gridColumns(const GridOptions& o, int user,
                                    const std::function<QString(int)>& getText);

// Message ids of the headers.
namespace msg {
constexpr int Question = 50, Answer = 51, Theme = 52, Category = 59, Explanation = 574, Tip = 575,
              Points = 239, Total = 53, Right = 54, Wrong = 55, ErrorRate = 56, Loading = 654;
}  // namespace msg

// A font of the options: the face name and the size as stored ("8").
QFont optionFont(const QString& name, const QString& size);

// The error rate rounded to a 16-bit integer, a half to the even neighbour
// (raises wk::Error 6 beyond the 16-bit range). A Null rate counts as 0.
int roundedErrorRate(const QVariant& fq);
// Colour of the icon cell by the error rate: > 80 light red, > 35 light
// yellow, else light green.
long errorRateColour(const QVariant& fq);
// Text of the "FQ" cell: the rate cut down to a whole number ("" for Null).
QString errorRateText(const QVariant& fq);
// The same as a whole number (Null where there is no text).
QVariant errorRateValue(const QVariant& fq);

// A field looked up once for a walk: by number where the source has one.
struct FieldRef {
    QString name;
    int number = -1;
    FieldRef() = default;
    FieldRef(const RecordAccess& rs, const QString& field) : name(field), number(rs.FieldNumber(field)) {}
    QVariant value(const RecordAccess& rs) const { return number >= 0 ? rs.ValueAt(number) : rs.Value(name); }
    // The value into `into`, reusing its text buffer where the source can.
    void read(const RecordAccess& rs, QVariant& into) const {
        if (number >= 0)
            rs.ReadValueAt(number, into);
        else
            into = rs.Value(name);
    }
    qint64 size(const RecordAccess& rs) const {
        return number >= 0 ? rs.FieldSizeAt(number) : rs.FieldSize(name);
    }
};

// The fields a row icon is made from.
struct IconFields {
    FieldRef markiert, sound, soundTip, soundRichtig, soundFalsch, bild;
    IconFields() = default;
    explicit IconFields(const RecordAccess& rs);
};

// The key of the row icon of the current record: by the mark alone when
// listIcon is 0, else by mark, any of the four sounds and the picture.
QString gridIconKeyName(const RecordAccess& rs, int listIcon);
QString gridIconKeyName(const RecordAccess& rs, int listIcon, const IconFields& fields);
// The same as flags (mark, sound, picture; sound and picture only where
// listIcon is not 0), and the key those flags give.
enum IconKind { IconMarked = 1, IconSound = 2, IconPicture = 4 };
int gridIconKind(const RecordAccess& rs, int listIcon, const IconFields& fields);
// The same of a record whose mark, sounds and picture are known.
int gridIconKindOf(int listIcon, bool marked, bool sound, bool picture);
QString gridIconKeyNameOfKind(int kind);
// Its index in the image list.
int GridIconKey(const RecordAccess& rs, int listIcon, const grid::ImageList& images);
int GridIconKey(const RecordAccess& rs, int listIcon, const grid::ImageList& images,
                const IconFields& fields);

// The record position a grid row shows: its hidden "no" cell, which stays
// with the row through sorts; row - 1 when the grid has no "no" column.
long recordPositionOfRow(const grid::Grid& g, long row);

// True for the keys "A1" .. "A9".
bool isAnswerKey(const QString& key);

}  // namespace overview
