// The grid's contents: columns, rows, cells, and sorting.
#include "platform/grid/Grid.h"
#include "platform/grid/GridStore.h"

#include "platform/Error.h"
#include "platform/grid/ImageList.h"

#include <QAccessible>
#include <QCollator>
#include <QDateTime>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <iterator>
#include <numeric>

namespace grid {

namespace {

bool parseNumber(const QString& s, double& out) {
    if (s.isEmpty()) return false;
    // A number starts with a sign, a digit or a point, after blanks; only
    // "inf" and "nan" start with a letter. Most texts are no number, and
    // saying so early spares two conversions each.
    qsizetype i = 0;
    while (i < s.size() && s.at(i).isSpace()) ++i;
    if (i < s.size() && s.at(i).isLetter() && !QStringLiteral("iInN").contains(s.at(i))) return false;
    bool ok = false;
    out = s.toDouble(&ok);
    if (ok) return true;
    QString t = s;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    out = t.toDouble(&ok);
    return ok;
}

bool parseDate(const QString& s, double& out) {
    // Every form taken here starts with the digits of a year or a day.
    if (s.size() < 8 || !s.at(0).isDigit()) return false;
    QDateTime d = QDateTime::fromString(s, Qt::ISODate);
    if (!d.isValid()) d = QDateTime::fromString(s, QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    if (!d.isValid()) d.setDate(QDate::fromString(s, QStringLiteral("dd.MM.yyyy")));
    if (!d.isValid()) d.setDate(QDate::fromString(s, Qt::ISODate));
    if (!d.isValid()) return false;
    out = static_cast<double>(d.toMSecsSinceEpoch());
    return true;
}
}  // namespace

QLatin1StringView DecimalText(qint64 v, char (&buf)[24]) {
    char* const end = std::end(buf);
    char* p = end;
    quint64 u = v < 0 ? 0 - quint64(v) : quint64(v);
    do {
        *--p = char('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (v < 0) *--p = '-';
    return QLatin1StringView(p, end - p);
}

// ---------------------------------------------------------------- columns

void Grid::AddColumn(const QString& key, const QString& header, int align, int headerIcon, int width,
                     bool visible, bool fixedWidth, const QString& insertBefore, bool includeInSelect) {
    if (!key.isEmpty() && s_->byKey.contains(key))
        throw wk::Error(457,
                        QStringLiteral("This key is already associated with an element of this collection"));
    Column c;
    c.key = key;
    c.header = header;
    c.align = align;
    c.headerIcon = headerIcon;
    c.width = width < 0 ? defaultColumnWidth_ : width;
    c.visible = visible;
    c.fixed = fixedWidth;
    c.inSelect = includeInSelect;
    c.font = font();
    c.resize(size_t(s_->rows));
    size_t at = s_->cols.size();
    if (!insertBefore.isEmpty()) at = size_t(ColumnIndex(insertBefore) - 1);
    s_->cols.insert(s_->cols.begin() + long(at), std::move(c));
    s_->reindex();
    if (curCol_ > long(at)) ++curCol_;
    structureChanged();
}

void Grid::RemoveColumn(const QString& key) {
    const long i = ColumnIndex(key);
    s_->cols.erase(s_->cols.begin() + (i - 1));
    s_->reindex();
    if (curCol_ == i)
        curCol_ = 0;
    else if (curCol_ > i)
        --curCol_;
    structureChanged();
}

QString Grid::ColumnKey(long column) const {
    return col(column).key;
}

long Grid::ColumnIndex(const QString& key) const {
    auto it = s_->byKey.find(key);
    if (it == s_->byKey.end()) outOfRange(QStringLiteral("column key \"%1\"").arg(key));
    return *it + 1;
}

bool Grid::ColumnExists(const QString& key) const {
    return s_->byKey.contains(key);
}

QString Grid::ColumnHeader(const QString& key) const {
    return colByKey(key).header;
}
void Grid::SetColumnHeader(const QString& key, const QString& header) {
    colByKey(key).header = header;
    if (redraw_) model_->headersChanged();
}
int Grid::ColumnHeaderIcon(const QString& key) const {
    return colByKey(key).headerIcon;
}
void Grid::SetColumnHeaderIcon(const QString& key, int icon) {
    colByKey(key).headerIcon = icon;
    if (redraw_) model_->headersChanged();
}
int Grid::ColumnWidth(const QString& key) const {
    return colByKey(key).width;
}
void Grid::SetColumnWidth(const QString& key, int width) {
    const long i = ColumnIndex(key);
    col(i).width = std::max(0, width);
    if (lookApplies() && i <= model_->pubCols) {
        applyingLook_ = true;
        view_->horizontalHeader()->resizeSection(int(i - 1), col(i).width);
        applyingLook_ = false;
    }
}
bool Grid::ColumnVisible(const QString& key) const {
    return colByKey(key).visible;
}
void Grid::SetColumnVisible(const QString& key, bool visible) {
    const long i = ColumnIndex(key);
    col(i).visible = visible;
    if (lookApplies() && i <= model_->pubCols) view_->setColumnHidden(int(i - 1), !visible);
}
bool Grid::ColumnFixedWidth(const QString& key) const {
    return colByKey(key).fixed;
}
void Grid::SetColumnFixedWidth(const QString& key, bool fixed) {
    const long i = ColumnIndex(key);
    col(i).fixed = fixed;
    if (lookApplies() && i <= model_->pubCols)
        view_->horizontalHeader()->setSectionResizeMode(
            int(i - 1), fixed ? QHeaderView::Fixed : QHeaderView::Interactive);
}
bool Grid::ColumnIncludeInSelect(const QString& key) const {
    return colByKey(key).inSelect;
}
int Grid::ColumnAlign(const QString& key) const {
    return colByKey(key).align;
}
QFont Grid::ColumnFont(const QString& key) const {
    const auto& c = colByKey(key);
    return c.hasFont ? c.font : font();
}
void Grid::SetColumnFont(const QString& key, const QFont& f) {
    auto& c = colByKey(key);
    c.font = f;
    c.hasFont = true;
    c.lineHeight = 0;
    cellsChanged(0, 0);
}
long Grid::ColumnFormat(const QString& key) const {
    return colByKey(key).format;
}
void Grid::SetColumnFormat(const QString& key, long format) {
    colByKey(key).format = format;
    cellsChanged(0, 0);
}
bool Grid::ColumnSortable(const QString& key) const {
    return colByKey(key).sortable;
}
void Grid::SetColumnSortable(const QString& key, bool on) {
    colByKey(key).sortable = on;
}

// ---------------------------------------------------------------- rows

void Grid::AddRow(long before, const QString& key) {
    long at = s_->rows;  // 0-based insertion point
    if (before != -1) {
        if (before < 1 || before > s_->rows + 1) outOfRange(QStringLiteral("row %1").arg(before));
        at = before - 1;
    }
    s_->keepStripesFrom(size_t(at));
    for (auto& c : s_->cols) {
        c.text.insert(size_t(at));
        c.back.insert(size_t(at));
        c.icon.insert(size_t(at));
    }
    s_->height.insert(s_->height.begin() + at, 0);
    s_->selected.insert(s_->selected.begin() + at, 0);
    if (!key.isEmpty() && s_->rowKeys.empty()) s_->rowKeys.resize(size_t(s_->rows));
    if (!s_->rowKeys.empty()) s_->rowKeys.insert(s_->rowKeys.begin() + at, key);
    ++s_->rows;
    if (curRow_ > at) ++curRow_;
    if (redraw_ && !structureDirty_) {
        model_->insertRow(int(at));
    } else {
        structureChanged();
    }
}

void Grid::RemoveRow(long row) {
    if (row < 1 || row > s_->rows) outOfRange(QStringLiteral("row %1").arg(row));
    const long at = row - 1;
    s_->keepStripesFrom(size_t(at));
    for (auto& c : s_->cols) {
        c.text.erase(size_t(at));
        c.back.erase(size_t(at));
        c.icon.erase(size_t(at));
    }
    s_->height.erase(s_->height.begin() + at);
    s_->selected.erase(s_->selected.begin() + at);
    if (!s_->rowKeys.empty()) s_->rowKeys.erase(s_->rowKeys.begin() + at);
    --s_->rows;
    if (curRow_ == row) {
        curRow_ = 0;
        curCol_ = 0;
    } else if (curRow_ > row) {
        --curRow_;
    }
    if (redraw_ && !structureDirty_) {
        model_->removeRow(int(at));
    } else {
        structureChanged();
    }
}

QString Grid::RowKey(long row) const {
    if (row < 1 || row > s_->rows) outOfRange(QStringLiteral("row %1").arg(row));
    return s_->rowKeys.empty() ? QString() : s_->rowKeys[size_t(row - 1)];
}

int Grid::RowHeight(long row) const {
    if (row < 1 || row > s_->rows) outOfRange(QStringLiteral("row %1").arg(row));
    const int h = s_->height[size_t(row - 1)];
    return h > 0 ? h : view_->verticalHeader()->defaultSectionSize();
}

void Grid::SetRowHeight(long row, int height) {
    if (row < 1 || row > s_->rows) outOfRange(QStringLiteral("row %1").arg(row));
    s_->height[size_t(row - 1)] = std::max(1, height);
    if (lookApplies()) view_->setRowHeight(int(row - 1), s_->height[size_t(row - 1)]);
}

// ---------------------------------------------------------------- cells

void Grid::CellDetails(long row, long column, const QVariant& text, long format, int icon, long backColor,
                       long foreColor, const QFont* f, int indent) {
    const size_t r = cellIndex(row, column);
    auto& c = s_->cols[size_t(column - 1)];
    // Texts and whole numbers, most of a build's cells, are stored without
    // a string made for them.
    const int type = text.isValid() && !text.isNull() ? text.metaType().id() : QMetaType::UnknownType;
    char digits[24];
    if (type == QMetaType::UnknownType)
        c.text.set(r, QStringView());
    else if (type == QMetaType::QString)
        c.text.set(r, *static_cast<const QString*>(text.constData()));
    else if (type == QMetaType::Int)
        c.text.setLatin1(r, DecimalText(*static_cast<const int*>(text.constData()), digits));
    else if (type == QMetaType::LongLong)
        c.text.setLatin1(r, DecimalText(*static_cast<const qlonglong*>(text.constData()), digits));
    else
        c.text.set(r, text.toString());
    setCellLook(c, r, format, icon, backColor, foreColor, f, indent);
    cellsChanged(row, column);
}

void Grid::CellDetailsText(long row, long column, QAnyStringView text, long format, int icon, long backColor,
                           long foreColor, const QFont* f, int indent) {
    const size_t r = cellIndex(row, column);
    auto& c = s_->cols[size_t(column - 1)];
    c.text.setAny(r, text);
    setCellLook(c, r, format, icon, backColor, foreColor, f, indent);
    cellsChanged(row, column);
}

void Grid::setCellLook(Column& c, size_t r, long format, int icon, long backColor, long foreColor,
                       const QFont* f, int indent) {
    c.icon.set(r, size_t(s_->rows), qint16(icon < 0 ? -1 : icon));
    c.back.set(r, size_t(s_->rows), s_->ownBack(r, size_t(&c - s_->cols.data()), backColor));
    // Per-column settings: compare first, so that a build's 100,000 calls do
    // not copy fonts around.
    if (c.format != format) c.format = format;
    if (c.fore != foreColor) c.fore = foreColor;
    if (c.indent != indent) c.indent = indent;
    if (f && (!c.hasFont || c.font != *f)) {
        c.font = *f;
        c.hasFont = true;
        c.lineHeight = 0;
    }
}

QString Grid::CellText(long row, long column) const {
    return s_->cols[size_t(column - 1)].text.at(cellIndex(row, column));
}

void Grid::SetCellText(long row, long column, const QString& text) {
    const size_t r = cellIndex(row, column);
    s_->cols[size_t(column - 1)].text.set(r, text);
    cellsChanged(row, column);
}

QVariant Grid::CellValue(long row, long column) const {
    const QString t = CellText(row, column);
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    if (ok) return n;
    const double d = t.toDouble(&ok);
    if (ok) return d;
    return t;
}

int Grid::CellIcon(long row, long column) const {
    return s_->cols[size_t(column - 1)].icon.at(cellIndex(row, column));
}

void Grid::SetCellIcon(long row, long column, int icon) {
    const size_t r = cellIndex(row, column);
    s_->cols[size_t(column - 1)].icon.set(r, size_t(s_->rows), qint16(icon < 0 ? -1 : icon));
    cellsChanged(row, column);
}

long Grid::CellBackColor(long row, long column) const {
    return s_->backAt(cellIndex(row, column), size_t(column - 1));
}

void Grid::SetCellBackColor(long row, long column, long colour) {
    const size_t r = cellIndex(row, column), c = size_t(column - 1);
    s_->cols[c].back.set(r, size_t(s_->rows), s_->ownBack(r, c, colour));
    cellsChanged(row, column);
}

void Grid::SetRowStripes(long first, long colour, bool evenToo) {
    if (first < 0 || first > long(s_->cols.size())) outOfRange(QStringLiteral("column %1").arg(first));
    s_->stripeFirst = first;
    s_->stripeColour = qint32(colour);
    if (first == 0) {
        cellsChanged(0, 0);
        return;
    }
    // A rule, not a colour in every second cell: the stripes of 100,000
    // rows cost nothing to lay after a sort.
    for (size_t c = size_t(first - 1); c < s_->cols.size(); ++c) {
        auto& back = s_->cols[c].back;
        if (evenToo || !back.anyDiffers()) {
            back.clear();
            continue;
        }
        for (size_t r = 0; r < size_t(s_->rows); r += 2) back.set(r, size_t(s_->rows), -1);
    }
    cellsChanged(0, 0);
}

long Grid::CellForeColor(long row, long column) const {
    cellIndex(row, column);
    return col(column).fore;
}
QFont Grid::CellFont(long row, long column) const {
    cellIndex(row, column);
    const auto& c = col(column);
    return c.hasFont ? c.font : font();
}
long Grid::CellFormat(long row, long column) const {
    cellIndex(row, column);
    return col(column).format;
}
int Grid::CellIndent(long row, long column) const {
    cellIndex(row, column);
    return col(column).indent;
}

void Grid::TellOnCurrentCell(const QString& words) {
    cellNews_ = words;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view_);
    QAccessibleInterface* cell = table && view_->hasFocus() ? table->focusChild() : nullptr;
    if (!cell) return;
    QAccessibleEvent told(view_, QAccessible::DescriptionChanged);
    told.setChild(table->indexOfChild(cell));
    QAccessible::updateAccessibility(&told);
}

QRect Grid::CellBoundary(long row, long column) const {
    cellIndex(row, column);
    const QRect vr = view_->visualRect(model_->index(int(row - 1), int(column - 1)));
    if (!vr.isValid()) return {};
    return QRect(view_->viewport()->mapTo(const_cast<Grid*>(this), vr.topLeft()), vr.size());
}

// ---------------------------------------------------------------- sorting

static SortKey& sortKeyAt(std::vector<SortKey>& keys, int n) {
    if (n < 1 || n > 32) outOfRange(QStringLiteral("sort key %1").arg(n));
    if (size_t(n) > keys.size()) keys.resize(size_t(n));
    return keys[size_t(n - 1)];
}

long Grid::SortColumn(int k) const {
    return size_t(k) <= s_->sortKeys.size() && k >= 1 ? s_->sortKeys[size_t(k - 1)].column : 0;
}
void Grid::SetSortColumn(int k, long column) {
    sortKeyAt(s_->sortKeys, k).column = column;
}
int Grid::SortOrder(int k) const {
    return size_t(k) <= s_->sortKeys.size() && k >= 1 ? s_->sortKeys[size_t(k - 1)].order : SortNone;
}
void Grid::SetSortOrder(int k, int order) {
    sortKeyAt(s_->sortKeys, k).order = order;
}
int Grid::SortType(int k) const {
    return size_t(k) <= s_->sortKeys.size() && k >= 1 ? s_->sortKeys[size_t(k - 1)].type : SortAuto;
}
void Grid::SetSortType(int k, int type) {
    sortKeyAt(s_->sortKeys, k).type = type;
}
void Grid::ClearSortKeys() {
    s_->sortKeys.clear();
}

void Grid::Sort() {
    const size_t n = size_t(s_->rows);
    if (n < 2) return;
    // One prepared key per sort key and row: a class (number, date, text), a
    // number and a collation key, so that the comparisons do no parsing.
    struct Prepared {
        int order;
        std::vector<char> cls;
        std::vector<double> num;
        // Collation keys of the rows that sort as text only: a number or a
        // date needs none, and a key costs more than all the rest.
        std::vector<QCollatorSortKey> text;
        std::vector<int> textOf;  // per row, index into text or -1
    };
    std::vector<Prepared> prep;
    QCollator noCase{QLocale(QLocale::German, QLocale::Germany)};
    noCase.setCaseSensitivity(Qt::CaseInsensitive);
    noCase.setNumericMode(false);
    QCollator withCase{QLocale(QLocale::German, QLocale::Germany)};
    withCase.setCaseSensitivity(Qt::CaseSensitive);
    for (const auto& k : s_->sortKeys) {
        if (k.column < 1 || k.column > long(s_->cols.size()) || k.order == SortNone) continue;
        const auto& c = s_->cols[size_t(k.column - 1)];
        Prepared p{
            k.order == SortDescending ? -1 : 1, std::vector<char>(n, 2), std::vector<double>(n, 0), {}, {}};
        const bool textual = k.type != SortNumeric;
        if (textual) p.textOf.assign(n, -1);
        QString t;  // each row's text in turn, in one buffer
        for (size_t r = 0; r < n; ++r) {
            c.text.read(r, t);
            if (k.type == SortNumeric) {
                p.cls[r] = parseNumber(t, p.num[r]) ? 1 : 0;
            } else if (k.type == SortAuto) {
                if (parseNumber(t, p.num[r]))
                    p.cls[r] = 0;
                else if (parseDate(t, p.num[r]))
                    p.cls[r] = 1;
            }
            if (textual && p.cls[r] == 2) {
                p.textOf[r] = int(p.text.size());
                p.text.push_back((k.type == SortString ? withCase : noCase).sortKey(t));
            }
        }
        prep.push_back(std::move(p));
    }
    if (prep.empty()) return;
    std::vector<int> perm(n);
    std::iota(perm.begin(), perm.end(), 0);
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        for (const auto& p : prep) {
            int cmp = 0;
            const size_t ia = size_t(a), ib = size_t(b);
            if (p.cls[ia] != p.cls[ib])
                cmp = p.cls[ia] < p.cls[ib] ? -1 : 1;
            else if (p.cls[ia] < 2 && p.num[ia] != p.num[ib])
                cmp = p.num[ia] < p.num[ib] ? -1 : 1;
            else if (p.cls[ia] == 2 && !p.textOf.empty())
                cmp = p.text[size_t(p.textOf[ia])].compare(p.text[size_t(p.textOf[ib])]);
            if (cmp != 0) return cmp * p.order < 0;
        }
        return false;
    });
    auto permute = [&](auto& v) {
        if (v.empty()) return;
        std::remove_reference_t<decltype(v)> out;
        out.reserve(v.size());
        for (int i : perm) out.push_back(std::move(v[size_t(i)]));
        v.swap(out);
    };
    for (auto& c : s_->cols) {
        c.text.permute(perm);
        c.back.permute(perm);
        c.icon.permute(perm);
    }
    permute(s_->height);
    permute(s_->selected);
    permute(s_->rowKeys);
    if (curRow_ >= 1) {
        const int old = int(curRow_ - 1);
        curRow_ = long(std::find(perm.begin(), perm.end(), old) - perm.begin()) + 1;
    }
    s_->selectAnchor = 0;
    // Heights moved with their rows: the view has to take them anew.
    structureChanged();
}

}  // namespace grid
