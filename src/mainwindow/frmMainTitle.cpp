// The window's own title-bar pictures, dragging the window by its background
// and bars, and the size grip. Screen positions are in logical
// pixels, so a scaled screen moves the window by the pointer's own distance.
#include <QMouseEvent>
#include <cmath>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/Error.h"
#include "platform/forms/Keys.h"

namespace mainwindow {

using namespace runstate;

namespace {

bool isMaximised(const QWidget* w) {
    return w->windowState() & Qt::WindowMaximized;
}

// The user's row, with any failure ignored: the placement is a courtesy.
void storeUserValues(std::initializer_list<std::pair<const char*, int>> values) {
    if (!rsBenutzer) return;
    try {
        rsBenutzer->Edit();
        for (const auto& [field, value] : values) rsBenutzer->SetValue(QString::fromLatin1(field), value);
        rsBenutzer->Update();
    } catch (const wk::Error&) {
        try {
            rsBenutzer->CancelUpdate();
        } catch (const wk::Error&) {
        }
    }
}

long centreOf(const QWidget* w) {
    return long(std::lround(twips(w->x()) + twips(w->width()) / 2.0));
}

}  // namespace

// ---- close, maximise, minimise ----

void frmMain::imgBarExit_Click() {
    HideBarPopup();
    CompactDatabasesAndEnd();
}

void frmMain::Form_Unload(int&) {
    CompactDatabasesAndEnd();
}

void frmMain::imgBarMin_Click() {
    HideBarPopup();
    setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
}

void frmMain::imgBarMax_Click() {
    HideBarPopup();
    imgBottom->hide();
    imgSizeArrow->hide();
    // The window is not hidden around the change: a window manager may not
    // map a hidden borderless window again.
    const bool wasMaximised = isMaximised(this);
    if (wasMaximised)
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    else
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    // The state change lays the window out at once.
    Form_Resize();
    if (!isVisible()) show();
    const bool nowMax = isMaximised(this);
    imgBarMax->setPictureFrom(nowMax ? imgBarRestore_Lo : imgBarMax_Lo);
    storeUserValues({{"R5", nowMax ? 1 : 0}});
    imgBottom->setGeometry(0, height() - imgBottom->height(), width(), imgBottom->height());
    imgBottom->show();
    imgSizeArrow->show();
}

void frmMain::imgBarExit_MouseMove(int, int, double, double) {
    imgBarMax->setPictureFrom(isMaximised(this) ? imgBarRestore_Lo : imgBarMax_Lo);
    imgBarMin->setPictureFrom(imgBarMin_Lo);
    ShowBarPopup(modMain::GetText(460), imgBarExit->property("Tag").toInt(), centreOf(imgBarExit),
                 modMain::GetText(461));
    imgBarExit->setPictureFrom(imgBarExit_Hi);
    BarPopupCursor = cursorPos();
    tmrBar->start();
}

void frmMain::imgBarMax_MouseMove(int, int, double, double) {
    BarPopupCursor = cursorPos();
    imgBarExit->setPictureFrom(imgBarExit_Lo);
    imgBarMin->setPictureFrom(imgBarMin_Lo);
    const bool max = isMaximised(this);
    ShowBarPopup(modMain::GetText(max ? 464 : 462), imgBarMax->property("Tag").toInt(), centreOf(imgBarMax),
                 modMain::GetText(max ? 465 : 463));
    imgBarMax->setPictureFrom(max ? imgBarRestore_Hi : imgBarMax_Hi);
    tmrBar->start();
}

void frmMain::imgBarMin_MouseMove(int, int, double, double) {
    imgBarMin->setPictureFrom(imgBarMin_Hi);
    imgBarExit->setPictureFrom(imgBarExit_Lo);
    imgBarMax->setPictureFrom(isMaximised(this) ? imgBarRestore_Lo : imgBarMax_Lo);
    ShowBarPopup(modMain::GetText(466), imgBarMin->property("Tag").toInt(), centreOf(imgBarMin),
                 modMain::GetText(467));
    BarPopupCursor = cursorPos();
    tmrBar->start();
}

// ---- window drag ----

void frmMain::windowDragMove(double barLeft) {
    if (!bWindowDrag || (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) return;
    storeUserValues({{"R3", x()}, {"R4", y()}});
    const QPoint p = cursorPos();
    if (p == CursorPos) return;
    const double left = twips(p.x()) - GrabX - barLeft;
    const double top = twips(p.y()) - GrabY;
    // The grab point is in the client area; the position is the frame's.
    move(QPoint(px(left), px(top)) - frameOffset());
    CursorPos = p;
}

void frmMain::Form_MouseDown(int, int, double X, double Y) {
    GrabX = qint32(std::lround(X));
    GrabY = qint32(std::lround(Y));
    bWindowDrag = true;
}

void frmMain::Form_MouseMove(int, int, double, double) {
    HideBarPopup();
    windowDragMove(0);
}

void frmMain::Form_MouseUp(int, int, double, double) {
    bWindowDrag = false;
}

void frmMain::fraMainBar_MouseDown(int Button, int Shift, double X, double Y) {
    Form_MouseDown(Button, Shift, X, Y);
}

void frmMain::fraMainBar_MouseMove(int, int, double, double) {
    windowDragMove(twips(fraMainBar->x()));
}

void frmMain::fraMainBar_MouseUp(int, int, double, double) {
    bWindowDrag = false;
}

void frmMain::fraTestBar_MouseDown(int Button, int Shift, double X, double Y) {
    Form_MouseDown(Button, Shift, X, Y);
}

void frmMain::fraTestBar_MouseMove(int, int, double, double) {
    windowDragMove(twips(fraTestBar->x()));
}

void frmMain::fraTestBar_MouseUp(int, int, double, double) {
    bWindowDrag = false;
}

void frmMain::fraOverview1_MouseMove(int, int, double, double) {
    HideBarPopup();
}

void frmMain::mousePressEvent(QMouseEvent* e) {
    Form_MouseDown(vbButton(e->button()), forms::vbShiftState(e->modifiers()), twips(int(e->position().x())),
                   twips(int(e->position().y())));
}

void frmMain::mouseMoveEvent(QMouseEvent* e) {
    Form_MouseMove(vbButton(e->buttons()), forms::vbShiftState(e->modifiers()), twips(int(e->position().x())),
                   twips(int(e->position().y())));
}

void frmMain::mouseReleaseEvent(QMouseEvent* e) {
    Form_MouseUp(vbButton(e->button()), forms::vbShiftState(e->modifiers()), twips(int(e->position().x())),
                 twips(int(e->position().y())));
}

// ---- size grip ----

void frmMain::imgSizeArrow_MouseDown(int, int, double X, double Y) {
    bSizeGripDrag = true;
    GripGrabX = qint32(std::lround(X));
    GripGrabY = qint32(std::lround(Y));
}

void frmMain::imgSizeArrow_MouseMove(int, int, double, double) {
    if (isMaximised(this) || !bSizeGripDrag) return;
    imgBottom->hide();
    const QPoint p = cursorPos();
    if (p == SizeGripCursor) return;
    // The grip's far corner follows the pointer; the layout raises a size
    // below the minimum.
    const double w = twips(p.x()) - GripGrabX - twips(x()) + twips(imgSizeArrow->width());
    const double h = twips(p.y()) - GripGrabY - twips(y()) + twips(imgSizeArrow->height());
    // w and h reach from the frame's top left; the frame's left border and
    // caption are not part of the client size.
    resize(QSize(px(w > 8500 ? w : 8500), px(h > 6255 ? h : 6255)) -
           QSize(frameOffset().x(), frameOffset().y()));
    SizeGripCursor = p;
}

void frmMain::imgSizeArrow_MouseUp(int, int, double, double) {
    bSizeGripDrag = false;
    imgBottom->setGeometry(0, height() - imgBottom->height(), width(), imgBottom->height());
    imgBottom->show();
}

}  // namespace mainwindow
