#include "platform/grid/Grid.h"
#include "platform/grid/GridStore.h"

#include "platform/Error.h"
#include "platform/forms/Keys.h"
#include "platform/grid/GridHeader.h"
#include "platform/grid/ImageList.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace grid {

[[noreturn]] void outOfRange(const QString& what) {
    throw wk::Error(wk::err::SubscriptOutOfRange, QStringLiteral("Subscript out of range (%1)").arg(what));
}

namespace {

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

}  // namespace

int mouseButtons(Qt::MouseButtons b) {
    return mouseButton(b);
}

QColor colourFromBGR(long bgr) {
    const auto v = static_cast<quint32>(bgr);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

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
        const qint32 back = s.backAt(size_t(r), size_t(ci));
        if (back != -1) p->fillRect(rc, colourFromBGR(back));
        if (sel) {
            // Blended, so that the cell colours (right answers, the row
            // highlight) still show in a selected row.
            QColor hl = opt.palette.color(QPalette::Active, QPalette::Highlight);
            hl.setAlpha(110);
            p->fillRect(rc, hl);
        }
        int x = rc.left() + kCellMargin;
        const qint16 icon = c.icon.at(size_t(r));
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
        const QString text = c.text.at(size_t(r));
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
            drawFocusFrame(p, rc, opt.palette.color(QPalette::Text));
        }
    }

private:
    Grid* g_;
};

// ---------------------------------------------------------------- view

class GridView : public QTableView {
public:
    explicit GridView(Grid* g) : QTableView(g), g_(g) {
        setHorizontalHeader(new GridHeader(this));
        setSelectionMode(QAbstractItemView::NoSelection);
        setAutoScroll(false);        // the grid's owner scrolls, by EnsureVisible
        setTabKeyNavigation(false);  // Tab leaves the grid
        // The frame of its current cell (of the whole table without one) is
        // its focus mark.
        setProperty("wkOwnFocusMark", true);
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

    // Row heights from `first` on were set without telling the view row by
    // row: it hears of them as of one, and lays out and repaints as it would.
    void rowsResized(int first) { rowResized(first, 0, 0); }

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
        // The program's key codes, the same its handlers compare.
        const int code = forms::vbKeyCode(*e);
        const int shift = forms::vbShiftState(e->modifiers());
        if (code != 0) emit g_->KeyDown(code, shift);
        if (!e->text().isEmpty() && e->text().at(0).unicode() >= 32)
            emit g_->KeyPress(e->text().at(0).unicode());
        const long rows = g_->Rows();
        long r = g_->curRow_, c = g_->curCol_;
        const int page =
            std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
        switch (code) {
            case forms::vbKeyUp:
                r = std::max(1L, r - 1);
                break;
            case forms::vbKeyDown:
                r = std::min(rows, r + 1);
                break;
            case forms::vbKeyPageUp:
                r = std::max(1L, r - page);
                break;
            case forms::vbKeyPageDown:
                r = std::min(rows, r + page);
                break;
            case forms::vbKeyHome:
                if (shift & forms::vbCtrlMask)
                    r = 1;
                else
                    c = firstVisible();
                break;
            case forms::vbKeyEnd:
                if (shift & forms::vbCtrlMask)
                    r = rows;
                else
                    c = lastVisible();
                break;
            case forms::vbKeyLeft:
                c = nextVisible(c, -1);
                break;
            case forms::vbKeyRight:
                c = nextVisible(c, +1);
                break;
            case forms::vbKeyF2:
                if (g_->editable_) requestEdit(forms::vbKeyF2);
                return;
            case forms::vbKeyEscape:
                if (g_->inEdit_) {
                    g_->inEdit_ = false;
                    emit g_->CancelEdit();
                }
                return;
            case forms::vbKeyApps:
                menuKey();
                return;
            case forms::vbKeyF10:
                if (shift == forms::vbShiftMask) menuKey();
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

    // The window system's own menu-key event: the key itself opened the menu.
    void contextMenuEvent(QContextMenuEvent* e) override {
        if (e->reason() == QContextMenuEvent::Keyboard)
            e->accept();
        else
            QTableView::contextMenuEvent(e);
    }

    void keyReleaseEvent(QKeyEvent* e) override {
        if (const int code = forms::vbKeyCode(*e)) emit g_->KeyUp(code, forms::vbShiftState(e->modifiers()));
    }

    void mousePressEvent(QMouseEvent* e) override {
        setFocus(Qt::MouseFocusReason);
        const QPoint gp = g_->mapFromGlobal(e->globalPosition().toPoint());
        emit g_->MouseDown(mouseButton(e->button()), forms::vbShiftState(e->modifiers()), gp.x(), gp.y());
        const QModelIndex idx = indexAt(e->position().toPoint());
        if (idx.isValid() && (e->button() == Qt::LeftButton || e->button() == Qt::RightButton))
            g_->userClick(idx.row() + 1, idx.column() + 1, e->modifiers());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const QPoint gp = g_->mapFromGlobal(e->globalPosition().toPoint());
        emit g_->MouseMove(mouseButton(e->buttons()), forms::vbShiftState(e->modifiers()), gp.x(), gp.y());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const QPoint gp = g_->mapFromGlobal(e->globalPosition().toPoint());
        emit g_->MouseUp(mouseButton(e->button()), forms::vbShiftState(e->modifiers()), gp.x(), gp.y());
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        const QModelIndex idx = indexAt(e->position().toPoint());
        if (!idx.isValid()) return;
        emit g_->DblClick(idx.row() + 1, idx.column() + 1);
        if (g_->editable_) requestEdit(0);
    }
    // The item view would make its first cell current on the focus; the
    // grid's current cell stays what it was, none after a rebuild.
    void focusInEvent(QFocusEvent* e) override {
        QAbstractScrollArea::focusInEvent(e);
        viewport()->update();
        announceSoon();
        emit g_->GotFocus();
    }
    // The table view tells assistive tools of every move of its current
    // cell, with the focus or without it, and of each step of one key (the
    // first column, then the one the owner moves to). Here they hear the
    // cell the grid ends on, and only while the grid has the focus.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        QAbstractItemView::currentChanged(current, previous);
        announceSoon();
    }
    // The focus event names the table; the current cell follows it.
    void announceSoon() {
        if (announcing_ || !hasFocus() || !QAccessible::isActive()) return;
        announcing_ = true;
        QTimer::singleShot(0, this, [this] {
            announcing_ = false;
            QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
            QAccessibleInterface* cell = table && hasFocus() ? table->focusChild() : nullptr;
            if (!cell) return;
            QAccessibleEvent heard(this, QAccessible::Focus);
            heard.setChild(table->indexOfChild(cell));
            QAccessible::updateAccessibility(&heard);
        });
    }

    // With the focus and no current cell the whole table is framed, so the
    // user sees where the keys go before the first arrow key.
    void paintEvent(QPaintEvent* e) override {
        QTableView::paintEvent(e);
        if (!hasFocus() || g_->curRow_ >= 1) return;
        QPainter p(viewport());
        drawFocusFrame(&p, viewport()->rect().adjusted(1, 1, -1, -1), palette().color(QPalette::Text));
    }
    void focusOutEvent(QFocusEvent* e) override {
        QTableView::focusOutEvent(e);
        emit g_->LostFocus();
    }

private:
    // The menu is for the current cell. Right after a rebuild there is none
    // while the grid keeps the focus: the key takes the first row, as Down
    // would, instead of waiting for an arrow key.
    void menuKey() {
        if (g_->curRow_ < 1 && g_->Rows() > 0)
            g_->userClick(1, g_->curCol_ >= 1 ? g_->curCol_ : firstVisible(), Qt::NoModifier);
        emit g_->ContextMenuKey();
    }
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
    bool announcing_ = false;
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
    // The grid takes the focus as its view does, so that it has a place of
    // its own in a form's Tab order.
    viewFocus_ = view_->focusPolicy();
    setFocusPolicy(viewFocus_);
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
    // Hidden cells take no focus: Tab passes the grid by, as it passes any
    // hidden control, instead of stopping at it.
    setFocusPolicy(on ? viewFocus_ : Qt::NoFocus);
    view_->setFocusPolicy(on ? viewFocus_ : Qt::NoFocus);
    view_->setVisible(on);
    update();
}

GridHeader* Grid::header() const {
    return static_cast<GridHeader*>(view_->horizontalHeader());
}

void Grid::SetHeaderTakesFocus(bool on) {
    header()->setTakesFocus(on);
}

bool Grid::HeaderTakesFocus() const {
    return header()->takesFocus();
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
        c.text = detail::CellTexts();
        c.back.clear();
        c.icon.clear();
    }
    s_->rows = 0;
    s_->stripeFirst = 0;
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

// ---------------------------------------------------------------- selection

void Grid::setCurrent(long row, long column, bool fromUser) {
    const bool changed = row != curRow_ || column != curCol_;
    if (changed) cellNews_.clear();
    curRow_ = row;
    curCol_ = column;
    header()->setKeyboardSection(int(column - 1));
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

// ---------------------------------------------------------------- view

void Grid::EnsureVisible(long row, long column) {
    cellIndex(row, column);
    if (redraw_ && structureDirty_) publish();
    if (row - 1 >= model_->pubRows || column - 1 >= model_->pubCols) return;
    if (!view_->isColumnHidden(int(column - 1))) {
        view_->scrollTo(model_->index(int(row - 1), int(column - 1)));
        return;
    }
    // A hidden column cannot be shown; its row is, where the view stands.
    for (int c = 0; c < model_->pubCols; ++c) {
        if (view_->isColumnHidden(c)) continue;
        QScrollBar* across = view_->horizontalScrollBar();
        const int keep = across->value();
        view_->scrollTo(model_->index(int(row - 1), c));
        across->setValue(keep);
        return;
    }
}

void Grid::EndEdit() {
    inEdit_ = false;
}

void Grid::cellsChanged(long, long) {
    if (!redraw_) {
        cellsDirty_ = true;
        return;
    }
    showCurrentToView();
    view_->viewport()->update();
}

// The view keeps no selection of its own; its current index is only what
// assistive tools read as the current cell, kept to the grid's. It never
// scrolls the view (its auto-scroll is off).
void Grid::showCurrentToView() {
    QItemSelectionModel* sel = view_->selectionModel();
    if (!sel) return;
    if (curRow_ >= 1 && curCol_ >= 1 && curRow_ <= model_->pubRows && curCol_ <= model_->pubCols)
        sel->setCurrentIndex(model_->index(int(curRow_ - 1), int(curCol_ - 1)),
                             QItemSelectionModel::NoUpdate);
    else if (sel->currentIndex().isValid())
        sel->clearCurrentIndex();
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
    header()->refresh();
    showCurrentToView();
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
    auto wanted = [&](long r) {
        const int h = s_->height[size_t(r)];
        return h > 0 && h != def ? h : def;
    };
    long first = 0;  // the first row the view changes
    while (first < s_->rows && vh->sectionSize(int(first)) == wanted(first)) ++first;
    {
        // A signal per resized row, each queueing that row for the view,
        // costs more than the rest of it.
        const QSignalBlocker quiet(vh);
        vh->setDefaultSectionSize(def);
        for (long r = 0; r < s_->rows; ++r) {
            const int h = s_->height[size_t(r)];
            if (h > 0 && h != def) vh->resizeSection(int(r), h);
        }
    }
    if (first < s_->rows) static_cast<GridView*>(view_)->rowsResized(int(first));
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
