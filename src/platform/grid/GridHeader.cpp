#include "platform/grid/GridHeader.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace grid {

GridHeader::GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setFocusPolicy(Qt::NoFocus);
    // Heard as one column header, named after the column in its frame.
    setProperty("wkColumnHeader", true);
    // Its frame on the current column is its focus mark.
    setProperty("wkOwnFocusMark", true);
}

void GridHeader::setTakesFocus(bool on) {
    takesFocus_ = on;
    setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
}

// A column without a title (the pictures) has nothing to be heard by and
// nothing a click there does: the keys pass it by.
bool GridHeader::usable(int logicalIndex) const {
    return logicalIndex >= 0 && logicalIndex < count() && !isSectionHidden(logicalIndex) && model() &&
           !model()->headerData(logicalIndex, orientation()).toString().isEmpty();
}

void GridHeader::setKeyboardSection(int logicalIndex) {
    if (hasFocus()) return;
    current_ = usable(logicalIndex) ? logicalIndex : -1;
    refresh();
}

void GridHeader::refresh() {
    if (!usable(current_)) current_ = shownFrom(-1, +1);
    const QString title =
        current_ >= 0 && model() ? model()->headerData(current_, orientation()).toString() : QString();
    if (accessibleName() != title) setAccessibleName(title);
    if (hasFocus()) viewport()->update();  // the frame shows only then
}

int GridHeader::shownFrom(int visual, int step) const {
    for (int v = visual + step; v >= 0 && v < count(); v += step)
        if (usable(logicalIndex(v))) return logicalIndex(v);
    return -1;
}

void GridHeader::showSection(int logicalIndex) {
    auto* view = qobject_cast<QAbstractItemView*>(parentWidget());
    if (!view) return;
    QScrollBar* bar = view->horizontalScrollBar();
    const int x = sectionPosition(logicalIndex), w = sectionSize(logicalIndex), room = viewport()->width();
    if (x < bar->value())
        bar->setValue(x);
    else if (x + w > bar->value() + room)
        bar->setValue(x + w - room);
}

void GridHeader::moveTo(int logicalIndex) {
    if (logicalIndex < 0) return;
    current_ = logicalIndex;
    showSection(current_);
    refresh();
}

void GridHeader::keyPressEvent(QKeyEvent* e) {
    if ((e->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return;
    const int visual = usable(current_) ? visualIndex(current_) : -1;
    switch (e->key()) {
        case Qt::Key_Left:
            moveTo(shownFrom(visual < 0 ? count() : visual, -1));
            break;
        case Qt::Key_Right:
            moveTo(shownFrom(visual, +1));
            break;
        case Qt::Key_Home:
            moveTo(shownFrom(-1, +1));
            break;
        case Qt::Key_End:
            moveTo(shownFrom(count(), -1));
            break;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // What a click on the column does, and only that.
            if (visual >= 0) emit sectionClicked(current_);
            break;
        default:
            // The grid's own keys (Delete, Space, F2) are for its cells: they
            // do not reach it from here.
            break;
    }
}

// The item view's focus handling would move the table's current cell; the
// header only shows its frame.
void GridHeader::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    refresh();
    if (current_ >= 0) showSection(current_);
}

void GridHeader::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    viewport()->update();
}

void GridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    if (!hasFocus() || logicalIndex != current_) return;
    drawFocusFrame(painter, rect.adjusted(2, 2, -2, -2), palette().color(QPalette::ButtonText));
}

void drawFocusFrame(QPainter* p, const QRect& r, const QColor& colour) {
    p->save();
    p->setClipRect(r);  // a header section's painting leaves no clip to draw in
    p->setPen(QPen(colour, 1, Qt::DotLine));
    p->setBrush(Qt::NoBrush);
    p->drawRect(r.adjusted(0, 0, -1, -1));
    p->restore();
}

}  // namespace grid
