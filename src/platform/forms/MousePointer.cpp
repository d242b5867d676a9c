#include "platform/forms/MousePointer.h"

#include <QApplication>
#include <QCursor>

namespace forms {
namespace {

int current = vbDefault;

Qt::CursorShape qtShape(int shape) {
    switch (shape) {
        case vbCrosshair:
            return Qt::CrossCursor;
        case vbIbeam:
            return Qt::IBeamCursor;
        case vbSizeNESW:
            return Qt::SizeBDiagCursor;
        case vbSizeNS:
            return Qt::SizeVerCursor;
        case vbSizeNWSE:
            return Qt::SizeFDiagCursor;
        case vbSizeWE:
            return Qt::SizeHorCursor;
        case vbUpArrow:
            return Qt::UpArrowCursor;
        case vbHourglass:
            return Qt::WaitCursor;
        case vbNoDrop:
            return Qt::ForbiddenCursor;
        case vbArrowHourglass:
            return Qt::BusyCursor;
        case vbArrowQuestion:
            return Qt::WhatsThisCursor;
        case vbSizeAll:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

}  // namespace

int MousePointer() {
    return current;
}

void setMousePointer(int shape) {
    // Only our own override is pushed, so at most one is ever on Qt's stack.
    const bool had = current != vbDefault;
    current = shape;
    if (shape == vbDefault) {
        if (had) QApplication::restoreOverrideCursor();
    } else if (had) {
        QApplication::changeOverrideCursor(QCursor(qtShape(shape)));
    } else {
        QApplication::setOverrideCursor(QCursor(qtShape(shape)));
    }
}

BusyCursor::BusyCursor(int shape) : previous_(MousePointer()) {
    setMousePointer(shape);
}

BusyCursor::~BusyCursor() {
    setMousePointer(previous_);
}

}  // namespace forms
