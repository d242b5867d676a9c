#include "platform/grid/Grid.h"

#include "platform/Error.h"
#include "platform/grid/ImageList.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCollator>
#include <QDateTime>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>
#include <optional>

namespace grid {

namespace {
constexpr int kCellMargin = 2;  // pixels between a cell's border and its icon or text
constexpr int kIconSize = 16;

[[noreturn]] void outOfRange(const QString& what) {
    throw wk::Error(wk::err::SubscriptOutOfRange, QStringLiteral("Subscript out of range (%1)").arg(what));
}

// Windows virtual-key code of a Qt key, since the handlers compare key codes
// such as 46 (Delete) or 113 (F2).
int virtualKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;  // same codes
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Space:
            return 32;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        default:
            return key & 0xFFFF;
    }
}

int mouseButton(Qt::MouseButtons b) {
    int v = 0;
    if (b & Qt::LeftButton) v |= 1;
    if (b & Qt::RightButton) v |= 2;
    if (b & Qt::MiddleButton) v |= 4;
    return v;
}

// One line cut at the last word that fits, followed by an ellipsis; a single
// word too long for the cell is cut by character.
QString wordElided(const QFontMetrics& fm, QString text, int width) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (fm.horizontalAdvance(text) <= width) return text;
    const QString ell(QChar(0x2026));
    const int avail = width - fm.horizontalAdvance(ell);
    qsizetype cut = text.size();
    while (avail > 0) {
        const qsizetype sp = text.lastIndexOf(QLatin1Char(' '), cut - 1);
        if (sp <= 0) break;
        const QString head = text.left(sp);
        if (fm.horizontalAdvance(head) <= avail) return head + ell;
        cut = sp;
    }
    return fm.elidedText(text, Qt::ElideRight, width);
}

bool parseNumber(const QString& s, double& out) {
    if (s.isEmpty()) return false;
    bool ok = false;
    out = s.toDouble(&ok);
    if (ok) return true;
    QString t = s;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    out = t.toDouble(&ok);
    return ok;
}

bool parseDate(const QString& s, double& out) {
    if (s.size() < 8) return false;
    QDateTime d = QDateTime::fromString(s, Qt::ISODate);
    if (!d.isValid()) d = QDateTime::fromString(s, QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    if (!d.isValid()) d.setDate(QDate::fromString(s, QStringLiteral("dd.MM.yyyy")));
    if (!d.isValid()) d.setDate(QDate::fromString(s, Qt::ISODate));
    if (!d.isValid()) return false;
    out = static_cast<double>(d.toMSecsSinceEpoch());
    return true;
}
}  // namespace

int virtualKeyCode(int qtKey) {
    return virtualKey(qtKey);
}

int mouseButtons(Qt::MouseButtons b) {
    return mouseButton(b);
}

int shiftState(Qt::KeyboardModifiers m) {
    int s = 0;
    if (m & Qt::ShiftModifier) s |= 1;
    if (m & Qt::ControlModifier) s |= 2;
    if (m & Qt::AltModifier) s |= 4;
    return s;
}

QColor colourFromBGR(long bgr) {
    const auto v = static_cast<quint32>(bgr);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

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
    std::vector<QString> text;
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
        return s.cols[size_t(idx.column())].text[size_t(idx.row())];
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

// ---------------------------------------------------------------- drawing

class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(Grid* g) : QStyledItemDelegate(g), g_(g) {}

    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& idx) const override {
        const auto& s = *g_->s_;
        const long r = idx.row(), ci = idx.column();
        if (ci >= long(s.cols.size()) || r >= s.rows) return;
        const auto& c = s.cols[size_t(ci)];
        const QRect rc = opt.rect;
        const bool sel = c.inSelect && s.selected[size_t(r)];
        const qint32 back = c.back[size_t(r)];
        if (back != -1) p->fillRect(rc, colourFromBGR(back));
        if (sel) {
            // Blended, so that the cell colours (right answers, the row
            // highlight) still show in a selected row.
            QColor hl = opt.palette.color(QPalette::Active, QPalette::Highlight);
            hl.setAlpha(110);
            p->fillRect(rc, hl);
        }
        int x = rc.left() + kCellMargin;
        const qint16 icon = c.icon[size_t(r)];
        if (icon >= 0 && g_->images_) {
            const QPixmap pm = g_->images_->PictureAt(icon);
            if (!pm.isNull()) {
                const int y = (c.format & DT_WORDBREAK) ? rc.top() + kCellMargin
                                                        : rc.top() + (rc.height() - kIconSize) / 2;
                p->drawPixmap(QRect(x, y, kIconSize, kIconSize), pm);
            }
            x += kIconSize + kCellMargin;
        }
        x += c.indent;
        const QString& text = c.text[size_t(r)];
        if (!text.isEmpty()) {
            QRect tr(x, rc.top() + kCellMargin, rc.right() - kCellMargin - x + 1,
                     rc.height() - 2 * kCellMargin);
            p->save();
            p->setFont(c.hasFont ? c.font : opt.font);
            QColor fg = c.fore != -1 ? colourFromBGR(c.fore) : opt.palette.color(QPalette::Text);
            p->setPen(fg);
            int halign = (c.format & DT_CENTER)  ? Qt::AlignHCenter
                         : (c.format & DT_RIGHT) ? Qt::AlignRight
                                                 : Qt::AlignLeft;
            if (c.format & DT_WORDBREAK) {
                p->drawText(tr, halign | Qt::AlignTop | Qt::TextWordWrap, text);
            } else {
                const QString shown = wordElided(p->fontMetrics(), text, tr.width());
                p->drawText(tr, halign | Qt::AlignVCenter | Qt::TextSingleLine, shown);
            }
            p->restore();
        }
        if (r + 1 == g_->curRow_ && ci + 1 == g_->curCol_ && g_->view_->hasFocus()) {
            p->save();
            QPen pen(opt.palette.color(QPalette::Text), 1, Qt::DotLine);
            p->setPen(pen);
            p->setBrush(Qt::NoBrush);
            p->drawRect(rc.adjusted(0, 0, -1, -1));
            p->restore();
        }
    }

private:
    Grid* g_;
};

// ---------------------------------------------------------------- view

class GridView : public QTableView {
public:
    explicit GridView(Grid* g) : QTableView(g), g_(g) {
        setSelectionMode(QAbstractItemView::NoSelection);
        setTabKeyNavigation(false);  // Tab leaves the grid
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        verticalHeader()->hide();
        verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
        horizontalHeader()->setSectionsClickable(true);
        horizontalHeader()->setHighlightSections(false);
        horizontalHeader()->setMinimumSectionSize(4);
        verticalHeader()->setMinimumSectionSize(4);
        horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
        horizontalHeader()->viewport()->installEventFilter(this);
        setMouseTracking(true);
        setWordWrap(true);
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        // A drag of a column border ends on release: report the width once then.
        if (e->type() == QEvent::MouseButtonRelease && g_->s_->resizingSection >= 0) {
            const long c = g_->s_->resizingSection;
            g_->s_->resizingSection = -1;
            if (c < long(g_->s_->cols.size()))
                emit g_->ColumnWidthChanged(c + 1, g_->s_->cols[size_t(c)].width);
        }
        return QTableView::eventFilter(o, e);
    }

    void keyPressEvent(QKeyEvent* e) override {
        const int vk = virtualKey(e->key());
        const int shift = shiftState(e->modifiers());
        emit g_->KeyDown(vk, shift);
        if (!e->text().isEmpty() && e->text().at(0).unicode() >= 32)
            emit g_->KeyPress(e->text().at(0).unicode());
        const long rows = g_->Rows();
        long r = g_->curRow_, c = g_->curCol_;
        const int page =
            std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
        switch (e->key()) {
            case Qt::Key_Up:
                r = std::max(1L, r - 1);
                break;
            case Qt::Key_Down:
                r = std::min(rows, r + 1);
                break;
            case Qt::Key_PageUp:
                r = std::max(1L, r - page);
                break;
            case Qt::Key_PageDown:
                r = std::min(rows, r + page);
                break;
            case Qt::Key_Home:
                if (e->modifiers() & Qt::ControlModifier)
                    r = 1;
                else
                    c = firstVisible();
                break;
            case Qt::Key_End:
                if (e->modifiers() & Qt::ControlModifier)
                    r = rows;
                else
                    c = lastVisible();
                break;
            case Qt::Key_Left:
                c = nextVisible(c, -1);
                break;
            case Qt::Key_Right:
                c = nextVisible(c, +1);
                break;
            case Qt::Key_F2:
                if (g_->editable_) requestEdit(113);
                return;
            case Qt::Key_Escape:
                if (g_->inEdit_) {
                    g_->inEdit_ = false;
                    emit g_->CancelEdit();
                }
                return;
            default:
                if (g_->editable_ && !e->text().isEmpty() && e->text().at(0).isPrint() &&
                    !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
                    requestEdit(e->text().at(0).unicode());
                return;
        }
        if (rows == 0) return;
        if (r < 1) r = 1;
        if (c < 1) c = firstVisible();
        g_->userClick(r, c, e->modifiers() & Qt::ShiftModifier);
        g_->EnsureVisible(r, c);
    }

    void keyReleaseEvent(QKeyEvent* e) override {
        emit g_->KeyUp(virtualKey(e->key()), shiftState(e->modifiers()));
    }

    void mousePressEvent(QMouseEvent* e) override {
        setFocus(Qt::MouseFocusReason);
        const QPoint gp = g_->mapFromGlobal(e->globalPosition().toPoint());
        emit g_->MouseDown(mouseButton(e->button()), shiftState(e->modifiers()), gp.x(), gp.y());
        const QModelIndex idx = indexAt(e->position().toPoint());
        if (idx.isValid() && (e->button() == Qt::LeftButton || e->button() == Qt::RightButton))
            g_->userClick(idx.row() + 1, idx.column() + 1, e->modifiers());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const QPoint gp = g_->mapFromGlobal(e->globalPosition().toPoint());
        emit g_->MouseMove(mouseButton(e->buttons()), shiftState(e->modifiers()), gp.x(), gp.y());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const QPoint gp = g_->mapFromGlobal(e->globalPosition().toPoint());
        emit g_->MouseUp(mouseButton(e->button()), shiftState(e->modifiers()), gp.x(), gp.y());
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        const QModelIndex idx = indexAt(e->position().toPoint());
        if (!idx.isValid()) return;
        emit g_->DblClick(idx.row() + 1, idx.column() + 1);
        if (g_->editable_) requestEdit(0);
    }
    void focusInEvent(QFocusEvent* e) override {
        QTableView::focusInEvent(e);
        emit g_->GotFocus();
    }
    void focusOutEvent(QFocusEvent* e) override {
        QTableView::focusOutEvent(e);
        emit g_->LostFocus();
    }

private:
    void requestEdit(int key) {
        if (g_->curRow_ < 1 || g_->curCol_ < 1) return;
        bool cancel = false;
        emit g_->RequestEdit(g_->curRow_, g_->curCol_, key, cancel);
        if (!cancel) g_->inEdit_ = true;
    }
    long firstVisible() const { return nextVisible(0, +1); }
    long lastVisible() const { return nextVisible(long(g_->s_->cols.size()) + 1, -1); }
    long nextVisible(long from, int step) const {
        const auto& cols = g_->s_->cols;
        for (long c = from + step; c >= 1 && c <= long(cols.size()); c += step)
            if (cols[size_t(c - 1)].visible) return c;
        return from >= 1 && from <= long(cols.size()) ? from : 0;
    }

    Grid* g_;
};

// ---------------------------------------------------------------- Grid

Grid::Grid(QWidget* parent) : QWidget(parent), s_(std::make_unique<Store>()) {
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    auto* v = new GridView(this);
    view_ = v;
    model_ = new GridItemModel(this);
    view_->setModel(model_);
    view_->setItemDelegate(new GridDelegate(this));
    lay->addWidget(view_);
    // A grid that shows no data keeps its place in the form, as an empty
    // control would; the pages around it do not shift or collapse.
    QSizePolicy keep = view_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    view_->setSizePolicy(keep);
    setFocusProxy(view_);
    defaultColumnWidth_ = view_->horizontalHeader()->defaultSectionSize();
    view_->verticalHeader()->setDefaultSectionSize(lineHeight(Column{}) + 2 * kCellMargin + 2);
    connect(view_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit ColumnClick(section + 1); });
    connect(view_->horizontalHeader(), &QHeaderView::sectionResized, this, &Grid::headerResized);
    connect(view_->horizontalHeader(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pt) {
        const QPoint p = mapFromGlobal(view_->horizontalHeader()->mapToGlobal(pt));
        emit HeaderRightClick(p.x(), p.y());
    });
}

Grid::~Grid() {
    // The view and model read the store; they go before it does.
    delete view_;
    delete model_;
}

QTableView* Grid::view() const {
    return view_;
}

Grid::Column& Grid::col(long column) {
    if (column < 1 || column > long(s_->cols.size())) outOfRange(QStringLiteral("column %1").arg(column));
    return s_->cols[size_t(column - 1)];
}
const Grid::Column& Grid::col(long column) const {
    return const_cast<Grid*>(this)->col(column);
}

Grid::Column& Grid::colByKey(const QString& key) {
    return col(ColumnIndex(key));
}
const Grid::Column& Grid::colByKey(const QString& key) const {
    return col(ColumnIndex(key));
}

size_t Grid::cellIndex(long row, long column) const {
    if (row < 1 || row > s_->rows) outOfRange(QStringLiteral("row %1").arg(row));
    if (column < 1 || column > long(s_->cols.size())) outOfRange(QStringLiteral("column %1").arg(column));
    return size_t(row - 1);
}

long Grid::Rows() const {
    return s_->rows;
}
long Grid::Columns() const {
    return long(s_->cols.size());
}

void Grid::SetRows(long rows) {
    if (rows < 0) outOfRange(QStringLiteral("rows %1").arg(rows));
    if (rows == s_->rows) return;
    for (auto& c : s_->cols) c.resize(size_t(rows));
    s_->height.resize(size_t(rows), 0);
    s_->selected.resize(size_t(rows), 0);
    if (!s_->rowKeys.empty()) s_->rowKeys.resize(size_t(rows));
    s_->rows = rows;
    if (curRow_ > rows) {
        curRow_ = 0;
        curCol_ = 0;
    }
    structureChanged();
}

void Grid::SetRedraw(bool on) {
    if (on == redraw_) return;
    redraw_ = on;
    view_->setUpdatesEnabled(on);
    if (on) publish();
}

void Grid::SetShowData(bool on) {
    showData_ = on;
    view_->setVisible(on);
    update();
}

void Grid::paintEvent(QPaintEvent*) {
    if (showData_) return;
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool Grid::GridLines() const {
    return view_->showGrid();
}
void Grid::SetGridLines(bool on) {
    view_->setShowGrid(on);
}

void Grid::SetImageList(const ImageList* list) {
    images_ = list;
    cellsChanged(0, 0);
    if (redraw_) model_->headersChanged();
}

void Grid::Clear(bool removeColumns) {
    for (auto& c : s_->cols) {
        c.text.clear();
        c.text.shrink_to_fit();
        c.back.clear();
        c.back.shrink_to_fit();
        c.icon.clear();
        c.icon.shrink_to_fit();
    }
    s_->rows = 0;
    s_->height = {};
    s_->selected = {};
    s_->rowKeys = {};
    if (removeColumns) {
        s_->cols.clear();
        s_->byKey.clear();
        s_->sortKeys.clear();
    }
    curRow_ = curCol_ = 0;
    s_->selectAnchor = 0;
    inEdit_ = false;
    structureChanged();
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

void Grid::AutoWidthColumn(const QString& key) {
    auto& c = colByKey(key);
    const QFontMetrics fm(c.hasFont ? c.font : font());
    const QFontMetrics hfm(view_->horizontalHeader()->font());
    int w =
        hfm.horizontalAdvance(c.header) + 4 * kCellMargin + (c.headerIcon >= 0 ? kIconSize + kCellMargin : 0);
    // Statistics columns repeat few distinct texts: measure each text once.
    // Where the font's digits are all alike and touch nothing, texts that
    // differ only in their digits are as wide: they share one measure.
    QHash<detail::TextKey, int> seen;
    const qsizetype maxChar = std::max(1, fm.maxWidth());
    bool anyIcon = false;
    int widest = 0;
    for (long r = 0; r < s_->rows; ++r) {
        const QString& t = c.text[size_t(r)];
        if (c.icon[size_t(r)] >= 0) anyIcon = true;
        // A text too short to beat the widest so far needs no measuring.
        if (t.isEmpty() || t.size() * maxChar <= widest) continue;
        QString key = t;
        if (numbersMeasureAlike(c, t))
            for (QChar& ch : key)
                if (ch >= QLatin1Char('1') && ch <= QLatin1Char('9')) ch = QLatin1Char('0');
        auto it = seen.constFind(detail::TextKey{key});
        int tw;
        if (it != seen.constEnd()) {
            tw = *it;
        } else {
            tw = fm.horizontalAdvance(t);
            if (seen.size() < 4096) seen.insert(detail::TextKey{key}, tw);
        }
        widest = std::max(widest, tw);
    }
    const int cell = widest + c.indent + 2 * kCellMargin + 2 + (anyIcon ? kIconSize + kCellMargin : 0);
    w = std::max(w, cell);
    SetColumnWidth(key, w);
}

// ---------------------------------------------------------------- rows

void Grid::AddRow(long before, const QString& key) {
    long at = s_->rows;  // 0-based insertion point
    if (before != -1) {
        if (before < 1 || before > s_->rows + 1) outOfRange(QStringLiteral("row %1").arg(before));
        at = before - 1;
    }
    for (auto& c : s_->cols) {
        c.text.insert(c.text.begin() + at, QString());
        c.back.insert(c.back.begin() + at, -1);
        c.icon.insert(c.icon.begin() + at, -1);
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
    for (auto& c : s_->cols) {
        c.text.erase(c.text.begin() + at);
        c.back.erase(c.back.begin() + at);
        c.icon.erase(c.icon.begin() + at);
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

int Grid::lineHeight(const Column& c) const {
    if (c.lineHeight == 0) c.lineHeight = QFontMetrics(c.hasFont ? c.font : font()).height();
    return c.lineHeight;
}

const QFontMetricsF& Grid::wrapMetrics(const Column& c) const {
    const QFont f = c.hasFont ? c.font : font();
    if (!c.metrics || c.metricsFont != f) {
        c.metrics.emplace(f);
        c.metricsFont = f;
        const QFontMetrics im(f);
        c.metricsHeight = im.height();
        c.metricsLeading = im.leading();
        c.digitsAdd = -1;
        c.digitNeighbours.clear();
    }
    return *c.metrics;
}

bool Grid::digitsAdd(const Column& c) const {
    const QFontMetricsF& fm = wrapMetrics(c);  // also notices a new font
    if (c.digitsAdd < 0) {
        bool add = true;
        for (int d = 0; d < 10; ++d) c.digitWidth[d] = fm.horizontalAdvance(QString(QChar(u'0' + d)));
        for (int a = 0; a < 10 && add; ++a)
            for (int b = 0; b < 10 && add; ++b)
                add = fm.horizontalAdvance(QString(QChar(u'0' + a)) + QChar(u'0' + b)) ==
                      c.digitWidth[a] + c.digitWidth[b];
        qreal all = 0;
        for (int d = 0; d < 10; ++d) all += c.digitWidth[d];
        add = add && fm.horizontalAdvance(QStringLiteral("0123456789")) == all &&
              fm.horizontalAdvance(QStringLiteral("9876543210")) == all;
        c.digitsAdd = add ? 1 : 0;
    }
    return c.digitsAdd == 1;
}

bool Grid::numbersMeasureAlike(const Column& c, const QString& t) const {
    if (!digitsAdd(c)) return false;
    for (int d = 1; d < 10; ++d)
        if (c.digitWidth[d] != c.digitWidth[0]) return false;
    const QFontMetricsF& fm = *c.metrics;
    auto neighbourOk = [&](QChar ch) {
        if (ch.isSurrogate()) return false;
        auto it = c.digitNeighbours.constFind(ch.unicode());
        if (it != c.digitNeighbours.constEnd()) return *it;
        const qreal w = fm.horizontalAdvance(QString(ch));
        bool ok = true;
        for (int d = 0; d < 10 && ok; ++d) {
            const QChar digit(u'0' + d);
            ok = fm.horizontalAdvance(QString(ch) + digit) == w + c.digitWidth[d] &&
                 fm.horizontalAdvance(QString(digit) + ch) == w + c.digitWidth[d];
        }
        c.digitNeighbours.insert(ch.unicode(), ok);
        return ok;
    };
    bool anyDigit = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const bool digit = t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9');
        anyDigit = anyDigit || digit;
        if (digit) continue;
        const bool besideDigit =
            (i > 0 && t[i - 1] >= QLatin1Char('0') && t[i - 1] <= QLatin1Char('9')) ||
            (i + 1 < t.size() && t[i + 1] >= QLatin1Char('0') && t[i + 1] <= QLatin1Char('9'));
        if (besideDigit && !neighbourOk(t[i])) return false;
    }
    return anyDigit;
}

// Lines of text word-wrapped into width w, laid out word by word with the
// widths of the words cached per column (words repeat down a column), or -1
// where only the full text layout knows (other break rules, tabs, scripts).
int Grid::wrappedLines(const Column& c, const QString& t, qreal w) const {
    if (t.startsWith(QLatin1Char(' ')) || t.endsWith(QLatin1Char(' ')) || t.contains(QLatin1String("  ")))
        return -1;
    for (const QChar ch : t) {
        const ushort u = ch.unicode();
        if (u < 0x20 || u == '-' || u == '/' || u == '?' || u == '!' || u == 0xA0 || u == 0xAD ||
            (u >= 0x2000 && u <= 0x206F) || u >= 0x2E80 || ch.isSurrogate())
            return -1;
    }
    const QFontMetricsF& fm = wrapMetrics(c);
    auto width = [&](QStringView word) {
        // Looked up without copying the word.
        const QString key = QString::fromRawData(word.data(), word.size());
        auto it = c.wordWidths.constFind(detail::TextKey{key});
        if (it != c.wordWidths.constEnd()) return *it;
        const bool number = !word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar ch) {
            return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
        });
        if (number && digitsAdd(c)) {
            // Numbers rarely repeat: added up, not cached.
            qreal ww = 0;
            for (const QChar ch : word) ww += c.digitWidth[ch.unicode() - u'0'];
            return ww;
        }
        const qreal ww = fm.horizontalAdvance(key);
        if (c.wordWidths.size() < 65536) c.wordWidths.insert(detail::TextKey{word.toString()}, ww);
        return ww;
    };
    const qreal space = width(u" ");
    int lines = 1;
    qreal x = -1;
    const QStringView text(t);
    for (qsizetype start = 0;;) {
        const qsizetype sp = text.indexOf(QLatin1Char(' '), start);
        const qreal ww = width(text.mid(start, (sp < 0 ? text.size() : sp) - start));
        if (x < 0) {
            x = ww;
        } else if (x + space + ww <= w) {
            x += space + ww;
        } else {
            ++lines;
            x = ww;
        }
        if (sp < 0) break;
        start = sp + 1;
    }
    return lines;
}

int Grid::wrappedHeight(const Column& c, size_t r, bool icon) const {
    const QString& t = c.text[r];
    // The width the delegate draws into (the grid line takes one pixel).
    const int w =
        std::max(1, c.width - 1 - 2 * kCellMargin - c.indent - (icon ? kIconSize + kCellMargin : 0));
    if (c.wrapWidth != w || c.wrapFont != c.font) {
        c.wrapHeights.clear();
        c.wordWidths.clear();
        c.wrapWidth = w;
        c.wrapFont = c.font;
    }
    auto it = c.wrapHeights.constFind(detail::TextKey{t});
    if (it != c.wrapHeights.constEnd()) return *it;
    int h;
    const int lines = wrappedLines(c, t, w);
    if (lines > 0) {
        h = lines * c.metricsHeight + (lines - 1) * c.metricsLeading;
    } else {
        const QFontMetrics fm(c.hasFont ? c.font : font());
        h = fm.boundingRect(QRect(0, 0, w, 1000000), Qt::TextWordWrap, t).height();
    }
    // Themes and categories repeat; questions rarely do, so the cache stays small.
    if (c.wrapHeights.size() < 4096) c.wrapHeights.insert(detail::TextKey{t}, h);
    return h;
}

// The height the full text layout gives, for comparison in tests.
int Grid::layoutHeight(const QString& key, const QString& text, int width) const {
    const auto& c = colByKey(key);
    return QFontMetrics(c.hasFont ? c.font : font())
        .boundingRect(QRect(0, 0, width, 1000000), Qt::TextWordWrap, text)
        .height();
}

int Grid::fastWrapHeight(const QString& key, const QString& text, int width) const {
    const auto& c = colByKey(key);
    const int lines = wrappedLines(c, text, width);
    if (lines < 0) return -1;
    const QFontMetrics fm(c.hasFont ? c.font : font());
    return lines * fm.height() + (lines - 1) * fm.leading();
}

void Grid::AutoHeightRow(long row) {
    if (row < 1 || row > s_->rows) outOfRange(QStringLiteral("row %1").arg(row));
    const size_t r = size_t(row - 1);
    int h = 0;
    for (const auto& c : s_->cols) {
        if (!c.visible) continue;
        int ch = lineHeight(c);
        const bool icon = c.icon[r] >= 0;
        if (icon) ch = std::max(ch, kIconSize);
        if ((c.format & DT_WORDBREAK) && !c.text[r].isEmpty()) ch = std::max(ch, wrappedHeight(c, r, icon));
        h = std::max(h, ch);
    }
    h += 2 * kCellMargin + 2;
    s_->height[r] = h;
    if (lookApplies()) view_->setRowHeight(int(r), h);
}

// ---------------------------------------------------------------- cells

void Grid::CellDetails(long row, long column, const QVariant& text, long format, int icon, long backColor,
                       long foreColor, const QFont* f, int indent) {
    const size_t r = cellIndex(row, column);
    auto& c = s_->cols[size_t(column - 1)];
    c.text[r] = text.isValid() && !text.isNull() ? text.toString() : QString();
    c.icon[r] = qint16(icon < 0 ? -1 : icon);
    c.back[r] = qint32(backColor);
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
    cellsChanged(row, column);
}

QString Grid::CellText(long row, long column) const {
    return s_->cols[size_t(column - 1)].text[cellIndex(row, column)];
}

void Grid::SetCellText(long row, long column, const QString& text) {
    const size_t r = cellIndex(row, column);
    s_->cols[size_t(column - 1)].text[r] = text;
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
    return s_->cols[size_t(column - 1)].icon[cellIndex(row, column)];
}

void Grid::SetCellIcon(long row, long column, int icon) {
    const size_t r = cellIndex(row, column);
    s_->cols[size_t(column - 1)].icon[r] = qint16(icon < 0 ? -1 : icon);
    cellsChanged(row, column);
}

long Grid::CellBackColor(long row, long column) const {
    return s_->cols[size_t(column - 1)].back[cellIndex(row, column)];
}

void Grid::SetCellBackColor(long row, long column, long colour) {
    const size_t r = cellIndex(row, column);
    s_->cols[size_t(column - 1)].back[r] = qint32(colour);
    cellsChanged(row, column);
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

QRect Grid::CellBoundary(long row, long column) const {
    cellIndex(row, column);
    const QRect vr = view_->visualRect(model_->index(int(row - 1), int(column - 1)));
    if (!vr.isValid()) return {};
    return QRect(view_->viewport()->mapTo(const_cast<Grid*>(this), vr.topLeft()), vr.size());
}

// ---------------------------------------------------------------- selection

void Grid::setCurrent(long row, long column, bool fromUser) {
    const bool changed = row != curRow_ || column != curCol_;
    curRow_ = row;
    curCol_ = column;
    cellsChanged(0, 0);
    if (changed || fromUser) emit SelectionChange(row, column);
}

void Grid::userClick(long row, long column, Qt::KeyboardModifiers mods) {
    if (row < 1 || row > s_->rows) return;
    auto& sel = s_->selected;
    if (multiSelect_ && (mods & Qt::ControlModifier)) {
        sel[size_t(row - 1)] = !sel[size_t(row - 1)];
        s_->selectAnchor = row;
    } else if (multiSelect_ && (mods & Qt::ShiftModifier) && s_->selectAnchor >= 1 &&
               s_->selectAnchor <= s_->rows) {
        std::fill(sel.begin(), sel.end(), 0);
        const long a = std::min(row, s_->selectAnchor), b = std::max(row, s_->selectAnchor);
        std::fill(sel.begin() + (a - 1), sel.begin() + b, 1);
    } else {
        std::fill(sel.begin(), sel.end(), 0);
        sel[size_t(row - 1)] = 1;
        s_->selectAnchor = row;
    }
    setCurrent(row, column, true);
}

void Grid::SetSelectedRow(long row) {
    if (row == 0) {
        ClearSelection();
        return;
    }
    if (row < 1 || row > s_->rows) outOfRange(QStringLiteral("row %1").arg(row));
    std::fill(s_->selected.begin(), s_->selected.end(), 0);
    s_->selected[size_t(row - 1)] = 1;
    s_->selectAnchor = row;
    long c = curCol_;
    if (c < 1) c = s_->cols.empty() ? 0 : 1;
    setCurrent(row, c, false);
}

void Grid::SetSelectedColumn(long column) {
    if (column < 1 || column > long(s_->cols.size())) outOfRange(QStringLiteral("column %1").arg(column));
    if (curRow_ < 1) {
        curCol_ = column;
        return;
    }
    setCurrent(curRow_, column, false);
}

bool Grid::CellSelected(long row, long column) const {
    const size_t r = cellIndex(row, column);
    return s_->selected[r] != 0;
}

void Grid::SetCellSelected(long row, long column, bool on) {
    const size_t r = cellIndex(row, column);
    if (!multiSelect_ && on) std::fill(s_->selected.begin(), s_->selected.end(), 0);
    s_->selected[r] = on ? 1 : 0;
    cellsChanged(row, column);
}

long Grid::SelectionCount() const {
    return long(std::count(s_->selected.begin(), s_->selected.end(), 1));
}

std::vector<long> Grid::SelectedRows() const {
    std::vector<long> out;
    for (long r = 0; r < s_->rows; ++r)
        if (s_->selected[size_t(r)]) out.push_back(r + 1);
    return out;
}

void Grid::ClearSelection() {
    std::fill(s_->selected.begin(), s_->selected.end(), 0);
    curRow_ = 0;
    curCol_ = 0;
    cellsChanged(0, 0);
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
        std::vector<QCollatorSortKey> text;
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
            k.order == SortDescending ? -1 : 1, std::vector<char>(n, 2), std::vector<double>(n, 0), {}};
        const bool textual = k.type != SortNumeric;
        if (textual) p.text.reserve(n);
        for (size_t r = 0; r < n; ++r) {
            const QString& t = c.text[r];
            if (k.type == SortNumeric) {
                p.cls[r] = parseNumber(t, p.num[r]) ? 1 : 0;
            } else if (k.type == SortAuto) {
                if (parseNumber(t, p.num[r]))
                    p.cls[r] = 0;
                else if (parseDate(t, p.num[r]))
                    p.cls[r] = 1;
            }
            if (textual) p.text.push_back((k.type == SortString ? withCase : noCase).sortKey(t));
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
            else if (p.cls[ia] == 2 || p.text.empty())
                cmp = p.text.empty() ? 0 : p.text[ia].compare(p.text[ib]);
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
        permute(c.text);
        permute(c.back);
        permute(c.icon);
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

// ---------------------------------------------------------------- view

void Grid::EnsureVisible(long row, long column) {
    cellIndex(row, column);
    if (redraw_ && structureDirty_) publish();
    if (row - 1 < model_->pubRows && column - 1 < model_->pubCols)
        view_->scrollTo(model_->index(int(row - 1), int(column - 1)));
}

void Grid::EndEdit() {
    inEdit_ = false;
}

void Grid::cellsChanged(long, long) {
    if (!redraw_) {
        cellsDirty_ = true;
        return;
    }
    view_->viewport()->update();
}

void Grid::structureChanged() {
    structureDirty_ = true;
    if (redraw_) publish();
}

bool Grid::lookApplies() {
    if (redraw_ && !structureDirty_) return true;
    lookDirty_ = true;  // widths, visibility and heights go to the view at the next publish
    return false;
}

void Grid::publish() {
    if (structureDirty_) {
        structureDirty_ = false;
        lookDirty_ = false;
        model_->reset();
        applyColumnLook();
    } else if (lookDirty_) {
        lookDirty_ = false;
        applyColumnLook();
        model_->headersChanged();
    } else if (cellsDirty_) {
        model_->headersChanged();
    }
    cellsDirty_ = false;
    view_->viewport()->update();
}

void Grid::applyColumnLook() {
    // With updates off the header skips its position arithmetic per resized
    // section, which would make 100,000 row heights quadratic.
    const bool updates = view_->updatesEnabled();
    if (updates) view_->setUpdatesEnabled(false);
    applyingLook_ = true;
    auto* hh = view_->horizontalHeader();
    for (int i = 0; i < int(s_->cols.size()); ++i) {
        const auto& c = s_->cols[size_t(i)];
        hh->setSectionResizeMode(i, c.fixed ? QHeaderView::Fixed : QHeaderView::Interactive);
        hh->resizeSection(i, c.width);
        view_->setColumnHidden(i, !c.visible);
    }
    // Rows share one default height; only rows that differ are told apart.
    int def = 0;
    for (const auto& c : s_->cols)
        if (c.visible) def = std::max(def, lineHeight(c));
    def = std::max(def, kIconSize) + 2 * kCellMargin + 2;
    auto* vh = view_->verticalHeader();
    vh->setDefaultSectionSize(def);
    for (long r = 0; r < s_->rows; ++r) {
        const int h = s_->height[size_t(r)];
        if (h > 0 && h != def) vh->resizeSection(int(r), h);
    }
    applyingLook_ = false;
    if (updates) view_->setUpdatesEnabled(true);
}

void Grid::headerResized(int section, int oldSize, int newSize) {
    if (applyingLook_ || section < 0 || section >= int(s_->cols.size())) return;
    auto& c = s_->cols[size_t(section)];
    bool cancel = c.fixed;
    if (!cancel) emit ColumnWidthChanging(section + 1, newSize, cancel);
    if (cancel) {
        applyingLook_ = true;
        view_->horizontalHeader()->resizeSection(section, oldSize);
        applyingLook_ = false;
        return;
    }
    c.width = newSize;
    const bool dragging = QApplication::mouseButtons() & Qt::LeftButton;
    if (dragging) {
        s_->resizingSection = section;  // reported once on release
    } else {
        emit ColumnWidthChanged(section + 1, newSize);
    }
}

}  // namespace grid
