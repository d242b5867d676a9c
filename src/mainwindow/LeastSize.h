#pragma once
// The main window's least client size under a window manager's frame: the
// least size is an outer one, as the stored size is.

#include <QSize>
#include <Qt>

namespace mainwindow {

class LeastClientSize {
public:
    explicit LeastClientSize(QSize outerLeast) : outer_(outerLeast) {}

    // A frame (outer size less client size) seen while the window was in
    // `state`; true when the least client size changed.
    bool see(QSize frame, Qt::WindowStates state);
    // Invalid until a frame of the window in its normal state is known.
    QSize client() const;

private:
    QSize outer_;
    QSize frame_;
    bool known_ = false;
};

}  // namespace mainwindow
