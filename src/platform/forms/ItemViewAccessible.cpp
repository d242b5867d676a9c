// Tables, lists and trees as assistive tools see them: Qt's own interface reports
// a view's current entry as focused whether the view has the focus or not,
// so tools took the focus to stay in the grid after it had gone on. These
// interfaces keep Qt's layout of the children (header cells first, as the
// views number them in their events) and report the focus only while the
// view has it.
#include "platform/forms/ItemViewAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QListView>
#include <QPointer>
#include <QTableView>
#include <QTreeView>
#include <optional>

namespace forms {
namespace {

QHeaderView* header(const QAbstractItemView* view, Qt::Orientation o) {
    if (auto* tree = qobject_cast<const QTreeView*>(view))
        return o == Qt::Horizontal ? tree->header() : nullptr;
    auto* table = qobject_cast<const QTableView*>(view);
    if (!table) return nullptr;
    return o == Qt::Horizontal ? table->horizontalHeader() : table->verticalHeader();
}

// The rows as shown: a tree's expanded items top to bottom, a table's or
// list's rows of the model.
QModelIndex shownRow(const QAbstractItemView* view, int row) {
    const QAbstractItemModel* model = view->model();
    auto* tree = qobject_cast<const QTreeView*>(view);
    if (!tree) return model->index(row, 0, view->rootIndex());
    QModelIndex i = model->index(0, 0, view->rootIndex());
    for (; i.isValid() && row > 0; --row) i = tree->indexBelow(i);
    return i;
}

int shownRows(const QAbstractItemView* view) {
    const QAbstractItemModel* model = view->model();
    auto* tree = qobject_cast<const QTreeView*>(view);
    if (!tree) return model->rowCount(view->rootIndex());
    int n = 0;
    for (QModelIndex i = model->index(0, 0, view->rootIndex()); i.isValid(); i = tree->indexBelow(i)) ++n;
    return n;
}

int visualRow(const QAbstractItemView* view, const QModelIndex& index) {
    auto* tree = qobject_cast<const QTreeView*>(view);
    if (!tree) return index.row();
    const QModelIndex first = index.sibling(index.row(), 0);
    int n = 0;
    for (QModelIndex i = view->model()->index(0, 0, view->rootIndex()); i.isValid();
         i = tree->indexBelow(i), ++n)
        if (i == first) return n;
    return -1;
}

// A cell, a header cell (`orientation` set) or the corner between headers
// (no index, no orientation).
class CellAccessible : public QAccessibleInterface,
                       public QAccessibleTableCellInterface,
                       public QAccessibleActionInterface {
public:
    CellAccessible(QAbstractItemView* view, const QModelIndex& index, QAccessible::Role role)
        : view_(view), index_(index), role_(role), toldTicked_(ticked()) {}
    CellAccessible(QAbstractItemView* view, Qt::Orientation o, int section)
        : view_(view),
          role_(o == Qt::Horizontal ? QAccessible::ColumnHeader : QAccessible::RowHeader),
          orientation_(o),
          section_(section) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
        if (t == QAccessible::ActionInterface && tickable())
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }
    bool isValid() const override {
        return view_ && view_->model() && (isHeader() || role_ == QAccessible::Pane || index_.isValid());
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (isHeader()) {
            return t == QAccessible::Name
                       ? view_->model()->headerData(section_, *orientation_, Qt::DisplayRole).toString()
                       : QString();
        }
        if (role_ == QAccessible::Pane) return {};  // the corner
        if (t == QAccessible::Name) {
            const QString own = index_.data(Qt::AccessibleTextRole).toString();
            return own.isEmpty() ? index_.data(Qt::DisplayRole).toString() : own;
        }
        if (t == QAccessible::Description) return index_.data(Qt::AccessibleDescriptionRole).toString();
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid()) return {};
        QRect r;
        if (isHeader()) {
            QHeaderView* h = header(view_, *orientation_);
            if (!h || !h->isVisible()) return {};
            r = *orientation_ == Qt::Horizontal
                    ? QRect(h->sectionViewportPosition(section_), 0, h->sectionSize(section_), h->height())
                    : QRect(0, h->sectionViewportPosition(section_), h->width(), h->sectionSize(section_));
            return r.translated(h->viewport()->mapToGlobal(QPoint(0, 0)));
        }
        if (!index_.isValid()) return {};
        r = view_->visualRect(index_);
        return r.translated(view_->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    // A list entry with a box to tick is a check box: tools have no other
    // way to learn that an entry not ticked can be.
    QAccessible::Role role() const override { return tickable() ? QAccessible::CheckBox : role_; }

    // The action interface: a tool ticks such an entry as a click on its
    // box does.
    QStringList actionNames() const override {
        return tickable() ? QStringList{toggleAction()} : QStringList();
    }
    void doAction(const QString& action) override {
        if (action != toggleAction() || !tickable()) return;
        view_->model()->setData(index_, ticked() ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }

    // Whether the entry's box was ticked or cleared since the tools last
    // learnt of it; they learn of it now.
    bool tickIsNews() {
        if (!isValid() || !showsBox() || ticked() == toldTicked_) return false;
        toldTicked_ = ticked();
        return true;
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) return s;
        // A header cell shows in its header, the others in the view's
        // viewport; a hidden column or header shows nowhere, nor a view on
        // a hidden panel (which still maps its cells to the screen).
        QHeaderView* h = isHeader() ? header(view_, *orientation_) : nullptr;
        const QWidget* area = h ? h->viewport() : view_->viewport();
        const QRect shown(area->mapToGlobal(QPoint(0, 0)), area->size());
        if ((isHeader() && (!h || h->isSectionHidden(section_))) || !area->isVisible() ||
            !shown.intersects(rect()))
            s.invisible = true;
        if (isHeader() || !index_.isValid()) return s;
        const QItemSelectionModel* selection = view_->selectionModel();
        if (index_.flags() & Qt::ItemIsSelectable) {
            s.selectable = true;
            s.focusable = true;
            s.multiSelectable = view_->selectionMode() == QAbstractItemView::MultiSelection;
            s.extSelectable = view_->selectionMode() == QAbstractItemView::ExtendedSelection;
        }
        if (selection && selection->isSelected(index_)) s.selected = true;
        // The current entry is where the focus is only while the view has it.
        if (selection && selection->currentIndex() == index_ && view_->hasFocus()) s.focused = true;
        if (showsBox()) {
            s.checkable = true;
            s.checked = ticked();
        }
        if (auto* tree = qobject_cast<const QTreeView*>(view_.data()); tree && index_.column() == 0) {
            s.expandable = index_.model()->hasChildren(index_);
            s.expanded = tree->isExpanded(index_);
            s.collapsed = s.expandable && !s.expanded;
        }
        return s;
    }

    // The table cell interface.
    bool isSelected() const override { return state().selected; }
    // The header cell of the cell's column and row, where the view shows
    // that header: tools name a column by it.
    QList<QAccessibleInterface*> columnHeaderCells() const override { return headerCell(Qt::Horizontal); }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return headerCell(Qt::Vertical); }
    int columnIndex() const override {
        if (isHeader()) return *orientation_ == Qt::Horizontal ? section_ : -1;
        return index_.column();
    }
    int rowIndex() const override {
        if (isHeader()) return *orientation_ == Qt::Vertical ? section_ : -1;
        return index_.isValid() ? visualRow(view_, index_) : -1;
    }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    bool isHeader() const { return orientation_.has_value(); }
    // Qt lets the user tick every entry of a QListWidget; the entry shows a
    // box only once it has a check state.
    bool showsBox() const {
        return index_.isValid() && (index_.flags() & Qt::ItemIsUserCheckable) &&
               index_.data(Qt::CheckStateRole).isValid();
    }
    bool tickable() const { return role_ == QAccessible::ListItem && isValid() && showsBox(); }
    bool ticked() const { return index_.isValid() && index_.data(Qt::CheckStateRole).toInt() == Qt::Checked; }
    QList<QAccessibleInterface*> headerCell(Qt::Orientation o) const {
        if (isHeader() || !index_.isValid()) return {};
        QHeaderView* h = header(view_, o);
        QAccessibleInterface* table = parent();
        QAccessibleTableInterface* t = table ? table->tableInterface() : nullptr;
        if (!h || h->isHidden() || !t) return {};
        // The header row comes first, the row headers first in each row.
        const int rowHeaders = header(view_, Qt::Vertical) ? 1 : 0;
        const int columnHeaders = header(view_, Qt::Horizontal) ? 1 : 0;
        const int width = t->columnCount() + rowHeaders;
        const int at =
            o == Qt::Horizontal ? index_.column() + rowHeaders : (rowIndex() + columnHeaders) * width;
        QAccessibleInterface* cell = table->child(at);
        return cell ? QList<QAccessibleInterface*>{cell} : QList<QAccessibleInterface*>{};
    }

    QPointer<QAbstractItemView> view_;
    QPersistentModelIndex index_;
    QAccessible::Role role_;
    std::optional<Qt::Orientation> orientation_;
    int section_ = -1;
    bool toldTicked_ = false;
};

// A table (QTableView and its kin), a list (QListView) or a tree
// (QTreeView, its expanded items as rows): its entries row by row, after a
// row of column headers and before each row its row header where the view
// has them, as Qt numbers them.
class ItemViewAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    ItemViewAccessible(QAbstractItemView* view, QAccessible::Role role) : QAccessibleWidget(view, role) {}
    ~ItemViewAccessible() override { dropChildren(); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        // A view reads its name as its value too, as Qt's does.
        return QAccessibleWidget::text(t == QAccessible::Value ? QAccessible::Name : t);
    }

    // The cells, then a header that takes the focus as a control of its own.
    int childCount() const override { return cellCount() + (ownHeader() ? 1 : 0); }

    QAccessibleInterface* child(int logical) const override {
        if (logical == cellCount() && ownHeader()) return QAccessible::queryAccessibleInterface(ownHeader());
        if (!model() || logical < 0 || logical >= cellCount()) return nullptr;
        if (const auto id = children_.constFind(logical); id != children_.constEnd())
            return QAccessible::accessibleInterface(*id);
        const int width = columnCount() + rowHeaders();
        int row = logical / width - columnHeaders();
        int column = logical % width - rowHeaders();
        QAccessibleInterface* cell = nullptr;
        if (row < 0 && column < 0)
            cell = new CellAccessible(view(), QModelIndex(), QAccessible::Pane);
        else if (row < 0)
            cell = new CellAccessible(view(), Qt::Horizontal, column);
        else if (column < 0)
            cell = new CellAccessible(view(), Qt::Vertical, row);
        else
            cell = new CellAccessible(view(), modelIndex(row, column), cellRole());
        const QAccessible::Id id = QAccessible::registerAccessibleInterface(cell);
        children_.insert(logical, id);
        return cell;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        if (ownHeader() && child->object() == ownHeader()) return cellCount();
        for (auto it = children_.constBegin(); it != children_.constEnd(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child) return it.key();
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = view()->viewport()->mapFromGlobal(QPoint(x, y));
        return cellOf(view()->indexAt(at));
    }

    QAccessibleInterface* focusChild() const override {
        return view()->hasFocus() ? cellOf(view()->currentIndex()) : nullptr;
    }

    // The table interface.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) return nullptr;
        return child((row + columnHeaders()) * (columnCount() + rowHeaders()) + column + rowHeaders());
    }
    int columnCount() const override {
        if (!model()) return 0;
        return isList() ? 1 : model()->columnCount(view()->rootIndex());
    }
    int rowCount() const override { return model() ? shownRows(view()) : 0; }
    int selectedCellCount() const override { return int(selectedIndexes().size()); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    QString columnDescription(int column) const override {
        return model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
    }
    QString rowDescription(int row) const override {
        return model() ? model()->headerData(row, Qt::Vertical).toString() : QString();
    }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> out;
        for (const QModelIndex& i : selectedIndexes())
            if (QAccessibleInterface* c = cellOf(i)) out << c;
        return out;
    }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> rows;
        for (const QModelIndex& i : selectedIndexes())
            if (const int row = visualRow(view(), i); !rows.contains(row)) rows << row;
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    bool selectRow(int row) override { return selectRowAs(row, QItemSelectionModel::Select); }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override { return selectRowAs(row, QItemSelectionModel::Deselect); }
    bool unselectColumn(int) override { return false; }
    // A change of data keeps the entries where they are (each keeps its
    // model index), and the tools hear a tick of the entries they know;
    // Qt tells them nothing of it. Any other change renumbers them.
    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) {
            dropChildren();
            return;
        }
        QList<int> news;  // told after the walk: the tools' questions may add entries
        for (auto it = children_.constBegin(); it != children_.constEnd(); ++it)
            if (auto* cell = static_cast<CellAccessible*>(QAccessible::accessibleInterface(it.value()));
                cell && cell->tickIsNews())
                news << it.key();
        for (int child : std::as_const(news)) {
            QAccessible::State ticked;
            ticked.checked = true;
            QAccessibleStateChangeEvent told(view(), ticked);
            told.setChild(child);
            QAccessible::updateAccessibility(&told);
        }
    }

private:
    QAbstractItemView* view() const { return static_cast<QAbstractItemView*>(widget()); }
    int cellCount() const {
        if (!model()) return 0;
        return (rowCount() + columnHeaders()) * (columnCount() + rowHeaders());
    }
    QHeaderView* ownHeader() const {
        QHeaderView* h = header(view(), Qt::Horizontal);
        return h && h->property("wkColumnHeader").toBool() ? h : nullptr;
    }
    QAbstractItemModel* model() const { return view()->model(); }
    int columnHeaders() const { return header(view(), Qt::Horizontal) ? 1 : 0; }
    int rowHeaders() const { return header(view(), Qt::Vertical) ? 1 : 0; }
    bool isList() const { return role() == QAccessible::List; }
    QAccessible::Role cellRole() const {
        if (role() == QAccessible::Tree) return QAccessible::TreeItem;
        return isList() ? QAccessible::ListItem : QAccessible::Cell;
    }
    // A list shows one column of its model.
    QModelIndex modelIndex(int row, int column) const {
        if (auto* list = qobject_cast<const QListView*>(view())) column = list->modelColumn();
        const QModelIndex first = shownRow(view(), row);
        return first.sibling(first.row(), column);
    }
    QAccessibleInterface* cellOf(const QModelIndex& index) const {
        return index.isValid() ? cellAt(visualRow(view(), index), isList() ? 0 : index.column()) : nullptr;
    }
    QModelIndexList selectedIndexes() const {
        return view()->selectionModel() ? view()->selectionModel()->selectedIndexes() : QModelIndexList();
    }
    bool selectRowAs(int row, QItemSelectionModel::SelectionFlags how) {
        if (!model() || !view()->selectionModel() || row < 0 || row >= rowCount()) return false;
        view()->selectionModel()->select(modelIndex(row, 0), how | QItemSelectionModel::Rows);
        return true;
    }
    void dropChildren() {
        for (QAccessible::Id id : std::as_const(children_)) QAccessible::deleteAccessibleInterface(id);
        children_.clear();
    }

    mutable QHash<int, QAccessible::Id> children_;
};

}  // namespace

QAccessibleInterface* itemViewAccessible(const QString& className, QObject* o) {
    if (className == QLatin1String("QTableView"))
        return new ItemViewAccessible(static_cast<QTableView*>(o), QAccessible::Table);
    if (className == QLatin1String("QListView"))
        return new ItemViewAccessible(static_cast<QListView*>(o), QAccessible::List);
    if (className == QLatin1String("QTreeView"))
        return new ItemViewAccessible(static_cast<QTreeView*>(o), QAccessible::Tree);
    return nullptr;
}

}  // namespace forms
