// The two-line hint in the status area and the 50 ms timer that takes it and
// the lit bar pictures down again once the pointer has moved off or another
// window of the program covers them.
#include <QApplication>
#include <QCursor>
#include <cmath>

#include "mainwindow/frmMain.h"
#include "platform/forms/Colors.h"

namespace mainwindow {

QPoint frmMain::cursorPos() const {
    return cursorPosition ? cursorPosition() : QCursor::pos();
}

void frmMain::ShowBarPopup(const QString& text, int enabled, long x, const QString& shortcut) {
    // Repeated moves over the same control leave the hint as it is.
    if (lblBarPopup->text() == text && lblBarPopup->isVisible()) return;
    lblBarPopup->setText(text);
    lblBarPopup2->setText(shortcut);
    tmrBar->stop();
    tmrBar->start();
    const int colour = (enabled == 1 || enabled == -1) ? 0x000000 : 0x808080;
    forms::setForeColor(lblBarPopup, colour);
    forms::setForeColor(lblBarPopup2, colour);

    // Both labels size themselves to their text, keeping their height.
    for (QLabel* l : {lblBarPopup, lblBarPopup2}) {
        const int h = l->height();
        l->adjustSize();
        l->resize(l->width(), h);
    }
    const double W = twips(lblBarPopup->width());
    const double FW = twips(width());
    const double L = std::nearbyint(double(x) - W / 2);  // halves to even
    double left;
    if (float(L + W) > float(FW - 199)) {
        left = FW - 200 - W;
    } else {
        // Never over the database name.
        const double R = twips(lblBDBName->x()) + twips(lblBDBName->width()) + 200;
        left = R >= L ? R : L;
    }
    if (left < 2040) left = 2040;
    lblBarPopup->move(px(left), lblBarPopup->y());
    const double W2 = twips(lblBarPopup2->width());
    lblBarPopup2->move(px(left + W / 2 - W2 / 2), lblBarPopup2->y());
    lblBarPopup->show();
    lblBarPopup->raise();
    lblBarPopup2->show();
    lblBarPopup2->raise();
}

void frmMain::tmrBar_Timer() {
    // Another window of the program over this one (a wizard, a dialog, a
    // message) covers what the hint speaks of, though the pointer stays.
    const QWidget* active = QApplication::activeWindow();
    const bool covered = active && active != window();
    if (!covered) {
        if (bSolveDown || bSoundDown || bCancelDown || bOverviewDown || bNewDBDown || bOpenDBDown ||
            bStartTestDown || bOptionsDown)
            return;
        if (cursorPos() == BarPopupCursor) return;
    }

    imgBarExit->setPictureFrom(imgBarExit_Lo);
    imgBarMin->setPictureFrom(imgBarMin_Lo);
    imgBarMax->setPictureFrom((windowState() & Qt::WindowMaximized) ? imgBarRestore_Lo : imgBarMax_Lo);
    for (ImageBox* b : {imgBarNewDB, imgBarOpenDB, imgBarOverview, imgBarOptions, imgBarStartTest})
        b->setPictureFrom(barHolders[b->objectName() + "_Lo"]);
    // The test bar's holders come with the test screen.
    for (ImageBox* b : {imgTestBarCancel, imgTestBarSound, imgTestBarSolve})
        if (auto* lo = findChild<ImageBox*>(b->objectName() + "_Lo")) b->setPictureFrom(lo);
    HideBarPopup();
    tmrBar->stop();
}

}  // namespace mainwindow
