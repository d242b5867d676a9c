#pragma once
// The grid control: keyed columns, rows of cells with text, icon, back
// colour, selection, sorting and redraw switching, drawn by a QTableView over
// a compact model of our own. Rows and columns are numbered from 1; colours
// are &H00BBGGRR values, -1 meaning the grid's default.
//
// Storage is one set of flat vectors per column (texts, back colours, icons);
// fonts, drawing formats, fore colour and indent are kept per column, so a
// cell's font or format given to CellDetails applies to its whole column.

#include <QAnyStringView>
#include <QFont>
#include <QRect>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <memory>
#include <vector>

class QFontMetricsF;
class QTableView;

namespace grid {

class ImageList;
class GridHeader;

// Drawing formats (the DrawText flags the program passes).
enum DrawFormat : long {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_END_ELLIPSIS = 0x8000,
    DT_WORD_ELLIPSIS = 0x40000,
};
// One line, cut at a word with an ellipsis.
constexpr long FormatSingleLine = DT_SINGLELINE | DT_WORD_ELLIPSIS;
constexpr long FormatWordWrap = DT_WORDBREAK;

// Header text alignment of AddColumn.
enum HeaderAlign : int { AlignLeft = 0, AlignCentre = 1, AlignRight = 2 };

// Sort orders and comparison types of a sort key.
enum SortOrderValue : int { SortNone = 0, SortAscending = 1, SortDescending = 2 };
enum SortTypeValue : int {
    SortNumeric = 100,       // numbers; text that is no number sorts first
    SortString = 101,        // text, case-sensitive
    SortStringNoCase = 102,  // text, case-insensitive
    SortAuto = 103,          // numbers as numbers, dates as dates, else text without case
};

// The button numbers (1 left, 2 right, 4 middle) of Qt buttons, as the
// grid's mouse events report them; key codes and shift states are the
// forms layer's (forms::vbKeyCode, forms::vbShiftState).
int mouseButtons(Qt::MouseButtons b);
// &H00BBGGRR -> QColor.
QColor colourFromBGR(long bgr);

class Grid : public QWidget {
    Q_OBJECT
public:
    explicit Grid(QWidget* parent = nullptr);
    ~Grid() override;

    // --- size
    long Rows() const;
    void SetRows(long rows);  // extra rows are empty; fewer rows drop the last ones
    long Columns() const;

    // --- display
    bool Redraw() const { return redraw_; }
    void SetRedraw(bool on);  // off: nothing is painted or announced until on again
    bool ShowData() const { return showData_; }
    void SetShowData(bool on);  // off: the cells are hidden, the grid takes no input and no focus
    // Whether Tab stops at the column header, where Left and Right choose a
    // column and Space or Enter acts as a click on it (ColumnClick).
    bool HeaderTakesFocus() const;
    void SetHeaderTakesFocus(bool on);
    bool GridLines() const;
    void SetGridLines(bool on);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool on) { multiSelect_ = on; }
    bool Editable() const { return editable_; }
    void SetEditable(bool on) { editable_ = on; }
    // The list cell and header icons are drawn from (not owned).
    void SetImageList(const ImageList* list);
    const ImageList* imageList() const { return images_; }
    // Width a column gets when AddColumn is given no width.
    int DefaultColumnWidth() const { return defaultColumnWidth_; }

    // Removes every row; with removeColumns also every column and the sort keys.
    void Clear(bool removeColumns = false);

    // --- columns
    // Appends a column, or inserts it before the column keyed insertBefore.
    // width < 0 gives the default width. Raises wk::Error 457 when key is taken.
    void AddColumn(const QString& key, const QString& header = {}, int align = AlignLeft, int headerIcon = -1,
                   int width = -1, bool visible = true, bool fixedWidth = false,
                   const QString& insertBefore = {}, bool includeInSelect = true);
    void RemoveColumn(const QString& key);
    QString ColumnKey(long column) const;
    // Index of the column keyed key; raises wk::Error 9 when there is none.
    long ColumnIndex(const QString& key) const;
    bool ColumnExists(const QString& key) const;
    QString ColumnHeader(const QString& key) const;
    void SetColumnHeader(const QString& key, const QString& header);
    int ColumnHeaderIcon(const QString& key) const;
    void SetColumnHeaderIcon(const QString& key, int icon);
    int ColumnWidth(const QString& key) const;
    void SetColumnWidth(const QString& key, int width);
    bool ColumnVisible(const QString& key) const;
    void SetColumnVisible(const QString& key, bool visible);
    bool ColumnFixedWidth(const QString& key) const;
    void SetColumnFixedWidth(const QString& key, bool fixed);
    bool ColumnIncludeInSelect(const QString& key) const;
    int ColumnAlign(const QString& key) const;
    // The per-column settings a cell's CellDetails also sets.
    QFont ColumnFont(const QString& key) const;
    void SetColumnFont(const QString& key, const QFont& font);
    long ColumnFormat(const QString& key) const;
    void SetColumnFormat(const QString& key, long format);
    // Whether the column may be sorted by a header click (kept for the caller;
    // the grid itself sorts only on Sort()).
    bool ColumnSortable(const QString& key) const;
    void SetColumnSortable(const QString& key, bool on);
    // Fits the width to the header and the texts and icons of every row.
    void AutoWidthColumn(const QString& key);

    // --- rows
    // Inserts an empty row before row `before` (-1: at the end).
    void AddRow(long before = -1, const QString& key = {});
    void RemoveRow(long row);
    QString RowKey(long row) const;
    int RowHeight(long row) const;
    void SetRowHeight(long row, int height);
    // Fits the row's height to its cells (wrapped text, fonts, icons).
    void AutoHeightRow(long row);
    // AutoHeightRow for every row, measured column by column.
    void AutoHeightRows();

    // --- cells
    // Sets one cell. An invalid text leaves the cell without text; icon -1 is
    // none, colours -1 are the grid's defaults; font nullptr keeps the column's.
    void CellDetails(long row, long column, const QVariant& text = {}, long format = FormatSingleLine,
                     int icon = -1, long backColor = -1, long foreColor = -1, const QFont* font = nullptr,
                     int indent = 0);
    // CellDetails with the text as a view of Latin-1, UTF-8 (read as
    // QString::fromUtf8 reads it) or UTF-16; a null view leaves the cell
    // without text. A file's text goes in without a string made for it.
    void CellDetailsText(long row, long column, QAnyStringView text, long format = FormatSingleLine,
                         int icon = -1, long backColor = -1, long foreColor = -1, const QFont* font = nullptr,
                         int indent = 0);
    QString CellText(long row, long column) const;
    void SetCellText(long row, long column, const QString& text);
    // The text read as a value: a number when it is one, else the text.
    QVariant CellValue(long row, long column) const;
    int CellIcon(long row, long column) const;
    void SetCellIcon(long row, long column, int icon);
    // The colour the cell shows: its own, else the stripe of its row.
    long CellBackColor(long row, long column) const;
    void SetCellBackColor(long row, long column, long colour);
    // Stripes: every odd row shows `colour` from column `first` on, in each
    // cell not given a colour of its own afterwards. Drops the cell colours
    // there of the odd rows, and with `evenToo` of the even rows as well.
    // The stripes belong to row numbers: a sort leaves them where they are
    // (its caller lays them anew); a row added or removed moves the rows
    // below with the colours they show. Clear, or first 0, takes them away.
    void SetRowStripes(long first, long colour, bool evenToo);
    long CellForeColor(long row, long column) const;
    QFont CellFont(long row, long column) const;
    long CellFormat(long row, long column) const;
    int CellIndent(long row, long column) const;
    // Where the cell is drawn, in the grid widget's coordinates.
    QRect CellBoundary(long row, long column) const;

    // --- selection (rows numbered from 1, 0 = none)
    long SelectedRow() const { return curRow_; }
    void SetSelectedRow(long row);
    long SelectedColumn() const { return curCol_; }
    void SetSelectedColumn(long column);
    bool CellSelected(long row, long column) const;
    void SetCellSelected(long row, long column, bool on);
    long SelectionCount() const;
    std::vector<long> SelectedRows() const;
    void ClearSelection();

    // --- sorting: keys numbered from 1
    long SortColumn(int sortKey) const;
    void SetSortColumn(int sortKey, long column);
    int SortOrder(int sortKey) const;
    void SetSortOrder(int sortKey, int order);
    int SortType(int sortKey) const;
    void SetSortType(int sortKey, int type);
    void ClearSortKeys();
    // Reorders the rows by the sort keys (stable); the selection follows its rows.
    void Sort();

    // --- view
    void EnsureVisible(long row, long column);
    // Words a screen reader says on the current cell, where a key did
    // something out of the grid; read with the cell until another is current.
    void TellOnCurrentCell(const QString& words);
    // Ends an in-place edit started through RequestEdit.
    void EndEdit();
    bool InEditMode() const { return inEdit_; }

    // The inner view, for screenshots and event tests.
    QTableView* view() const;
    // Height of text wrapped into width in the column's font: by the full
    // text layout, and by the word-by-word measure AutoHeightRow uses (-1
    // where it defers to the layout). For tests.
    int layoutHeight(const QString& key, const QString& text, int width) const;
    int fastWrapHeight(const QString& key, const QString& text, int width) const;

signals:
    void SelectionChange(long row, long column);
    void ColumnClick(long column);
    void ColumnWidthChanging(long column, int width, bool& cancel);
    void ColumnWidthChanged(long column, int width);
    void HeaderRightClick(int x, int y);
    void DblClick(long row, long column);
    // Asks the owner to edit a cell (F2, typing or a double click while
    // Editable); keyAscii is the key that asked (113 for F2).
    void RequestEdit(long row, long column, int keyAscii, bool& cancel);
    void CancelEdit();
    // The menu key or Shift+F10: the context menu, asked for without a mouse.
    void ContextMenuKey();
    // Only for keys with a code (forms::vbKeyCode); a character is a KeyPress.
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void GotFocus();
    void LostFocus();

protected:
    // With its data hidden the grid shows as an empty list, framed.
    void paintEvent(QPaintEvent* e) override;

private:
    friend class GridView;
    friend class GridItemModel;
    friend class GridDelegate;
    struct Column;
    struct Store;

    Column& col(long column);
    const Column& col(long column) const;
    Column& colByKey(const QString& key);
    const Column& colByKey(const QString& key) const;
    size_t cellIndex(long row, long column) const;  // checks and gives the 0-based row
    void setCellLook(Column& c, size_t r, long format, int icon, long backColor, long foreColor,
                     const QFont* font, int indent);
    void cellsChanged(long row, long column);
    void structureChanged();
    void publish();
    bool lookApplies();
    void applyColumnLook();
    int lineHeight(const Column& c) const;
    int wrappedHeight(const Column& c, size_t row, bool icon) const;
    // The height the cell in row r asks for: its line, icon or wrapped text.
    int cellHeight(const Column& c, size_t r, int line) const;
    bool knownBreaks(const Column& c, QStringView text) const;
    int wrappedLines(const Column& c, QStringView text, qreal width) const;
    const QFontMetricsF& wrapMetrics(const Column& c) const;
    bool digitsAdd(const Column& c) const;
    // Whether the column's font draws every digit alike, none kerning.
    bool digitsAlike(const Column& c) const;
    // Whether t is as wide as any text with other digits in their places,
    // where digitsAlike(c).
    bool numbersMeasureAlike(const Column& c, QStringView t) const;
    void setCurrent(long row, long column, bool fromUser);
    // Hands the current cell to the view, where assistive tools look for it.
    void showCurrentToView();
    void userClick(long row, long column, Qt::KeyboardModifiers mods);
    void headerResized(int section, int oldSize, int newSize);
    GridHeader* header() const;

    std::unique_ptr<Store> s_;
    QTableView* view_ = nullptr;
    class GridItemModel* model_ = nullptr;
    const ImageList* images_ = nullptr;
    bool redraw_ = true;
    bool showData_ = true;
    bool multiSelect_ = false;
    bool editable_ = false;
    bool inEdit_ = false;
    Qt::FocusPolicy viewFocus_ = Qt::StrongFocus;
    bool structureDirty_ = false;
    bool cellsDirty_ = false;
    bool lookDirty_ = false;
    bool applyingLook_ = false;
    int defaultColumnWidth_ = 96;
    long curRow_ = 0;
    long curCol_ = 0;
    QString cellNews_;  // TellOnCurrentCell's
};

// v in decimal, as QString::number writes it, in the end of buf: a whole
// number for CellDetailsText without a string made for it.
QLatin1StringView DecimalText(qint64 v, char (&buf)[24]);

}  // namespace grid
