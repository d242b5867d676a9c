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
#include <limits>
#include <optional>
#include <vector>

#include "platform/Error.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace grid {

constexpr int kCellMargin = 2;  // pixels between a cell's border and its icon or text
constexpr int kIconSize = 16;

// Raises the out-of-range error for a wrong row, column or key.
[[noreturn]] void outOfRange(const QString& what);

// ---------------------------------------------------------------- storage

namespace detail {

// A text as the key of a measuring cache, with a cheap hash (FNV-1a over its
// UTF-16 units): a rebuild asks these caches for every cell, and the general
// string hash costs more there than much of the measuring it saves.
struct TextKey {
    QString text;
    friend bool operator==(const TextKey& a, const TextKey& b) noexcept { return a.text == b.text; }
};

inline size_t qHash(const TextKey& k, size_t seed = 0) noexcept {
    quint64 h = 0xcbf29ce484222325ull ^ quint64(seed);
    for (const QChar c : k.text) h = (h ^ c.unicode()) * 0x100000001b3ull;
    return size_t(h ^ (h >> 32));
}

// A column's cell texts: their UTF-16 units in one buffer, a span per row.
// A rebuild stores millions of texts; one allocation each costs more to make
// and to free than much of the rest of the build, and takes more room.
class CellTexts {
public:
    size_t size() const { return spans_.size(); }
    void resize(size_t n) {
        spans_.resize(n);
        touched_.resize(n, false);
    }
    bool isEmpty(size_t r) const { return spans_[r].length <= 0; }
    // Valid until the column's texts next change.
    QStringView view(size_t r) const {
        const Span& s = spans_[r];
        return s.length > 0 ? QStringView(units_.data() + s.at, s.length) : QStringView();
    }
    // A copy: a text never set is a null string, an empty one stays empty.
    QString at(size_t r) const {
        const Span& s = spans_[r];
        if (s.length < 0) return {};
        if (s.length == 0) return QString(QLatin1String(""));
        return QString(reinterpret_cast<const QChar*>(units_.data() + s.at), s.length);
    }
    // A null view makes a null text.
    void set(size_t r, QStringView t) {
        Span& s = spans_[r];
        const qsizetype n = t.isNull() ? -1 : t.size();
        if (!touched_[r]) {
            // A row not yet set: its span is not read back (a rebuild sets
            // millions, in the order the records come, and the reads are
            // cache misses).
            append(s, t, n);
            touched_[r] = true;
            return;
        }
        if (n > 0 && n <= s.length) {
            // Fits where the old one was.
            std::copy_n(t.utf16(), n, units_.data() + s.at);
            dead_ += size_t(s.length - n);
            s.length = qint32(n);
        } else {
            if (s.length > 0) dead_ += size_t(s.length);
            append(s, t, n);
        }
        if (dead_ > 4096 && dead_ > units_.size() / 2) compact();
    }
    void insert(size_t at) {
        spans_.insert(spans_.begin() + long(at), Span{});
        touched_.insert(touched_.begin() + long(at), false);
    }
    void erase(size_t at) {
        if (spans_[at].length > 0) dead_ += size_t(spans_[at].length);
        spans_.erase(spans_.begin() + long(at));
        touched_.erase(touched_.begin() + long(at));
    }
    // Row i takes the text of row perm[i].
    void permute(const std::vector<int>& perm) {
        std::vector<Span> out;
        out.reserve(spans_.size());
        for (int i : perm) out.push_back(spans_[size_t(i)]);
        spans_.swap(out);
        touched_.assign(spans_.size(), true);
    }

private:
    // Small, as there is one per cell; a column holds up to 2^31 units.
    struct Span {
        quint32 at = 0;
        qint32 length = -1;  // -1: null
    };
    static constexpr size_t kMaxUnits = size_t(std::numeric_limits<qint32>::max());
    void append(Span& s, QStringView t, qsizetype n) {
        if (n > 0 && units_.size() + size_t(n) > kMaxUnits) {
            if (dead_ > 0) compact();
            if (units_.size() + size_t(n) > kMaxUnits) throw wk::Error(7, QStringLiteral("Out of memory"));
        }
        s.at = quint32(units_.size());
        if (n > 0) {
            if (units_.size() + size_t(n) > units_.capacity()) grow(size_t(n));
            units_.insert(units_.end(), t.utf16(), t.utf16() + n);
            ++appended_;
        }
        s.length = qint32(n);
    }
    // A build fills every row: once some texts are in, room for all of them
    // at their length so far, rather than doubling (each doubling copies the
    // whole buffer into new pages).
    void grow(size_t n) {
        size_t want = std::max(units_.capacity() * 2, units_.size() + n);
        if (appended_ >= 64 && spans_.size() > appended_)
            want = std::max(want, units_.size() / appended_ * spans_.size() * 9 / 8 + n);
        units_.reserve(std::min(want, kMaxUnits));
    }
    // Texts overwritten or removed leave their units behind: drop them once
    // they are half of the buffer.
    void compact() {
        std::vector<char16_t> kept;
        kept.reserve(units_.size() - dead_);
        for (Span& s : spans_) {
            const size_t from = s.at;
            s.at = quint32(kept.size());
            if (s.length > 0)
                kept.insert(kept.end(), units_.begin() + long(from), units_.begin() + long(from) + s.length);
        }
        units_.swap(kept);
        dead_ = 0;
        appended_ =
            size_t(std::count_if(spans_.begin(), spans_.end(), [](const Span& s) { return s.length > 0; }));
    }
    std::vector<Span> spans_;
    std::vector<char16_t> units_;
    size_t dead_ = 0;
    size_t appended_ = 0;  // texts appended since the buffer was last made
    // False for a row whose span was never set: it is null, and is written
    // without reading it first. One bit a row stays in the cache.
    std::vector<bool> touched_;
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
    mutable int digitsAdd = -1;  // -1 not yet known
    mutable qreal digitWidth[10] = {};
    // Characters that neither kern nor combine with a digit beside them.
    mutable QHash<char16_t, bool> digitNeighbours;
    // How each character below 0x1100 takes part in line breaking in this
    // font (GridMeasure.cpp); empty until wrapped text is first measured.
    mutable std::vector<quint8> breakKinds;
    detail::CellTexts text;
    std::vector<qint32> back;
    std::vector<qint16> icon;

    void resize(size_t n) {
        text.resize(n);
        back.resize(n, -1);
        icon.resize(n, -1);
    }
};

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
    long resizingSection = -1;  // column being dragged in the header
    long selectAnchor = 0;

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
