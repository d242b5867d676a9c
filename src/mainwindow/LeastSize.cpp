#include "mainwindow/LeastSize.h"

#include <algorithm>

namespace mainwindow {

bool LeastClientSize::see(QSize frame, Qt::WindowStates state) {
    // A maximised or full-screen window has a thinner frame or none, and
    // taking the least size from it grows the window when it is restored.
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) return false;
    if (frame == QSize(0, 0)) return false;  // not framed yet
    // Right after a restore the state may be normal while the frame is still
    // the maximised one: the normal frame is the thickest.
    const QSize thickest(std::max(frame.width(), frame_.width()), std::max(frame.height(), frame_.height()));
    if (known_ && thickest == frame_) return false;
    frame_ = thickest;
    known_ = true;
    return true;
}

QSize LeastClientSize::client() const {
    if (!known_) return {};
    return outer_ - frame_;
}

}  // namespace mainwindow
