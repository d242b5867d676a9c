// The bars' two-line hint, as far as the test screen needs it until the
// main bar's own hint handling takes over.
#include "mainwindow/frmMain.h"
#include "platform/forms/Colors.h"

namespace mainwindow {

void frmMain::ShowBarPopup(const QString& text, int enabled, long x, const QString& shortcut) {
    if (lblBarPopup->isVisible() && lblBarPopup->text() == text) return;
    lblBarPopup->setText(text);
    lblBarPopup2->setText(shortcut);
    forms::setForeColor(lblBarPopup, enabled != 0 ? 0x000000 : 0x808080);
    for (QLabel* l : {lblBarPopup, lblBarPopup2}) {
        l->adjustSize();
        int left = px(double(x)) - l->width() / 2;
        left = std::clamp(left, 0, std::max(0, width() - l->width()));
        l->move(left, l->y());
        l->show();
        l->raise();
    }
    tmrBar->start();
}

}  // namespace mainwindow
