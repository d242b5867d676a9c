#pragma once
// The grid's column header. A click on a column is the owner's (its
// ColumnClick). For the keyboard the header can take the focus by Tab; Left,
// Right, Home and End then go from shown column to shown column (those with
// a title), and Space or Enter does to the column in the frame what a click
// on it does.

#include <QHeaderView>

namespace grid {

// The grid's one focus mark: a dotted frame just inside `r`, in `colour`,
// drawn whatever way the focus came (the style shows its own only after a
// Tab). The painter's state is left as it was; `r` is also the clip.
void drawFocusFrame(QPainter* p, const QRect& r, const QColor& colour);

class GridHeader : public QHeaderView {
public:
    explicit GridHeader(QWidget* parent);

    // Whether Tab stops at the header (a click never gives it the focus).
    void setTakesFocus(bool on);
    bool takesFocus() const { return takesFocus_; }
    // The column (logical index) in the keyboard's frame. Until the header
    // has the focus it follows the table's current column; with none, or
    // that one hidden or without a title, the first shown one with a title. The
    // header is named after that column's title.
    int keyboardSection() const { return current_; }
    void setKeyboardSection(int logicalIndex);
    // Takes in new, hidden or retitled columns.
    void refresh();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    // The shown section `step` places from the one in the frame, by the
    // order on screen; the frame's own when there is none further.
    int shownFrom(int visual, int step) const;
    bool usable(int logicalIndex) const;
    void showSection(int logicalIndex);
    void moveTo(int logicalIndex);

    bool takesFocus_ = false;
    int current_ = -1;
};

}  // namespace grid
