#pragma once
// What the pieces of the grid (Grid*.cpp) share: the storage behind it and
// the Qt model over that storage.

#include <QAbstractTableModel>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <QStringView>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "platform/Error.h"
#include "platform/grid/CellTexts.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace grid {

constexpr int kCellMargin = 2;  // pixels between a cell's border and its icon or text
constexpr int kIconSize = 16;

// Raises the out-of-range error for a wrong row, column or key.
[[noreturn]] void outOfRange(const QString& what);

// ---------------------------------------------------------------- storage

namespace detail {

// A text as the key of a measuring cache, with a cheap hash (four UTF-16
// units at a time, multiplied and folded): a rebuild asks these caches for
// every cell, and the general string hash, or one that takes a unit at a
// time, costs more there than much of the measuring it saves.
struct TextKey {
    QString text;
    friend bool operator==(const TextKey& a, const TextKey& b) noexcept {
        if (a.text.size() != b.text.size()) return false;
        // Four units at a time, without a call: the keys are short.
        const char* p = reinterpret_cast<const char*>(a.text.constData());
        const char* q = reinterpret_cast<const char*>(b.text.constData());
        const size_t n = size_t(a.text.size()) * sizeof(QChar);
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            quint64 x, y;
            std::memcpy(&x, p + i, 8);
            std::memcpy(&y, q + i, 8);
            if (x != y) return false;
        }
        for (; i < n; i += 2) {
            quint16 x, y;
            std::memcpy(&x, p + i, 2);
            std::memcpy(&y, q + i, 2);
            if (x != y) return false;
        }
        return true;
    }
};

inline size_t qHash(const TextKey& k, size_t seed = 0) noexcept {
    constexpr quint64 m = 0x9E3779B97F4A7C15ull;
    const char* p = reinterpret_cast<const char*>(k.text.constData());
    const size_t n = size_t(k.text.size()) * sizeof(QChar);
    quint64 h = (quint64(seed) ^ n) * m;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 x;
        std::memcpy(&x, p + i, 8);
        h = (h ^ x) * m;
        h ^= h >> 29;
    }
    if (i < n) {
        quint64 x = 0;
        for (size_t k = i; k < n; k += 2) {
            quint16 unit;
            std::memcpy(&unit, p + k, 2);
            x |= quint64(unit) << (8 * (k - i));
        }
        h = (h ^ x) * m;
        h ^= h >> 29;
    }
    return size_t(h ^ (h >> 32));
}

// Per-row values of a column that most columns leave at their default (the
// back colour, the icon): they take no room, and a rebuild writes nothing
// for them, until a row differs. A rebuild writes every column of every
// row; each vector written is one more stream of memory it goes through.
template <class T, T Default>
class RowValues {
public:
    T at(size_t r) const { return v_.empty() ? Default : v_[r]; }
    // rows: the column's row count, for the first value that differs.
    void set(size_t r, size_t rows, T x) {
        if (v_.empty()) {
            if (x == Default) return;
            v_.assign(rows, Default);
        }
        v_[r] = x;
    }
    bool anyDiffers() const { return !v_.empty(); }
    void resize(size_t n) {
        if (!v_.empty()) v_.resize(n, Default);
    }
    void insert(size_t at) {
        if (!v_.empty()) v_.insert(v_.begin() + long(at), Default);
    }
    void erase(size_t at) {
        if (!v_.empty()) v_.erase(v_.begin() + long(at));
    }
    // Row i takes the value of row perm[i].
    void permute(const std::vector<int>& perm) {
        if (v_.empty()) return;
        std::vector<T> out;
        out.reserve(v_.size());
        for (int i : perm) out.push_back(v_[size_t(i)]);
        v_.swap(out);
    }
    void clear() { v_ = {}; }

private:
    std::vector<T> v_;
};

}  // namespace detail

struct Grid::Column {
    QString key;
    QString header;
    int align = AlignLeft;
    int headerIcon = -1;
    int width = 96;
    bool visible = true;
    bool fixed = false;
    bool inSelect = true;
    bool sortable = true;
    bool hasFont = false;
    QFont font;
    long format = FormatSingleLine;
    long fore = -1;
    int indent = 0;
    mutable int lineHeight = 0;                       // cached single-line height of the font
    mutable QHash<detail::TextKey, int> wrapHeights;  // wrapped text -> height, for wrapWidth and wrapFont
    mutable int wrapWidth = -1;
    // Lookups in wrapHeights and how many found the text: once it is full
    // and seldom finds one (questions rarely repeat), it is not asked.
    mutable qint64 wrapLookups = 0, wrapHits = 0;
    mutable QFont wrapFont;
    mutable QHash<detail::TextKey, qreal> wordWidths;  // for wrapFont
    // Metrics of the font wrapped text is measured in, kept between rows.
    mutable std::optional<QFontMetricsF> metrics;
    mutable QFont metricsFont;
    mutable int metricsHeight = 0, metricsLeading = 0;
    // Whether a run of digits is as wide as its digits together (no kerning
    // or substitution between them): then numbers need no text shaping.
    mutable int digitsAdd = -1;    // -1 not yet known
    mutable int digitsAlike = -1;  // the same for digitsAlike()
    mutable qreal digitWidth[10] = {};
    // Characters that neither kern nor combine with a digit beside them.
    // Below U+0100 by table (-1 not yet known), the rest by hash.
    mutable std::array<qint8, 256> latinDigitNeighbours = [] {
        std::array<qint8, 256> unknown;
        unknown.fill(-1);
        return unknown;
    }();
    mutable QHash<char16_t, bool> digitNeighbours;
    // How each character below 0x1100 takes part in line breaking in this
    // font (GridMeasure.cpp); empty until wrapped text is first measured.
    mutable std::vector<quint8> breakKinds;
    // The text of the cell being measured, in a buffer kept from row to row.
    mutable QString measured;
    detail::CellTexts text;
    // -1: none of its own (the row's stripe or the grid's default);
    // kPlainBack: the grid's default, over a stripe too.
    detail::RowValues<qint32, -1> back;
    detail::RowValues<qint16, -1> icon;

    void resize(size_t n) {
        text.resize(n);
        back.resize(n);
        icon.resize(n);
    }
};

// A cell's own colour that is the grid's default even in a striped row.
constexpr qint32 kPlainBack = -2;

struct SortKey {
    long column = 0;
    int order = SortNone;
    int type = SortAuto;
};

struct Grid::Store {
    std::vector<Column> cols;
    QHash<QString, int> byKey;  // key -> 0-based column
    long rows = 0;
    std::vector<int> height;       // 0 = the grid's default
    std::vector<char> selected;    // row is part of the selection
    std::vector<QString> rowKeys;  // empty until a row gets a key
    std::vector<SortKey> sortKeys;
    long stripeFirst = 0;  // 0-based first striped column + 1; 0 = no stripes
    qint32 stripeColour = -1;
    long resizingSection = -1;  // column being dragged in the header
    long selectAnchor = 0;

    // The colour cell (r, c) shows, both 0-based.
    qint32 backAt(size_t r, size_t c) const {
        const qint32 own = cols[c].back.at(r);
        if (own == kPlainBack) return -1;
        if (own != -1 || stripeFirst == 0 || long(c) + 1 < stripeFirst || r % 2 != 0) return own;
        return stripeColour;
    }
    // What cell (r, c) keeps for `colour`: the default in a striped cell
    // must be told from no colour of its own.
    qint32 ownBack(size_t r, size_t c, long colour) const {
        if (colour != -1 || stripeFirst == 0 || long(c) + 1 < stripeFirst || r % 2 != 0)
            return qint32(colour);
        return kPlainBack;
    }

    // Rows from `at` on take the stripes as their own colours: a row added
    // or removed there moves the rows below with the colours they show.
    void keepStripesFrom(size_t at) {
        if (stripeFirst == 0) return;
        for (size_t c = size_t(stripeFirst - 1); c < cols.size(); ++c)
            for (size_t r = at; r < size_t(rows); ++r)
                if (cols[c].back.at(r) == -1)
                    cols[c].back.set(r, size_t(rows), r % 2 ? kPlainBack : stripeColour);
    }

    void reindex() {
        byKey.clear();
        for (int i = 0; i < int(cols.size()); ++i) byKey.insert(cols[size_t(i)].key, i);
    }
};

// ---------------------------------------------------------------- Qt model

class GridItemModel : public QAbstractTableModel {
public:
    explicit GridItemModel(Grid* g) : QAbstractTableModel(g), g_(g) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : pubRows; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : pubCols; }

    QVariant data(const QModelIndex& idx, int role) const override {
        if (role == Qt::AccessibleDescriptionRole && idx.row() + 1 == g_->curRow_ &&
            idx.column() + 1 == g_->curCol_)
            return g_->cellNews_;
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
        const auto& s = *g_->s_;
        if (!idx.isValid() || idx.column() >= int(s.cols.size()) || idx.row() >= s.rows) return {};
        QString text = s.cols[size_t(idx.column())].text.at(size_t(idx.row()));
        // A tip that looks like markup would be drawn as such: the cell's
        // text is shown as it stands.
        if (role == Qt::ToolTipRole && Qt::mightBeRichText(text))
            return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
                   QStringLiteral("</p>");
        return text;
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        const auto& s = *g_->s_;
        if (o != Qt::Horizontal || section < 0 || section >= int(s.cols.size())) return {};
        const auto& c = s.cols[size_t(section)];
        switch (role) {
            case Qt::DisplayRole:
                return c.header;
            case Qt::DecorationRole:
                if (c.headerIcon >= 0 && g_->images_) return g_->images_->PictureAt(c.headerIcon);
                return {};
            case Qt::TextAlignmentRole:
                return int((c.align == AlignCentre  ? Qt::AlignHCenter
                            : c.align == AlignRight ? Qt::AlignRight
                                                    : Qt::AlignLeft) |
                           Qt::AlignVCenter);
            default:
                return {};
        }
    }

    void reset() {
        beginResetModel();
        pubRows = int(g_->s_->rows);
        pubCols = int(g_->s_->cols.size());
        endResetModel();
    }
    void insertRow(int at) {
        beginInsertRows({}, at, at);
        ++pubRows;
        endInsertRows();
    }
    void removeRow(int at) {
        beginRemoveRows({}, at, at);
        --pubRows;
        endRemoveRows();
    }
    void headersChanged() {
        if (pubCols > 0) emit headerDataChanged(Qt::Horizontal, 0, pubCols - 1);
    }

    int pubRows = 0;
    int pubCols = 0;

private:
    Grid* g_;
};

}  // namespace grid
