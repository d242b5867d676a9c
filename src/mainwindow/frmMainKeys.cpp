// Keyboard shortcuts of the main window. The window sees every key before the
// control with the focus; the handlers only pass each key on to the command
// it names, which checks its own preconditions.
#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>

#include <vector>

#include "core/RunState.h"
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/Error.h"
#include "platform/forms/FocusMark.h"
#include "platform/forms/Keys.h"
#include "platform/grid/Grid.h"

namespace mainwindow {

using namespace runstate;

void frmMain::Form_KeyUp(int& KeyCode, int Shift) {
    if (Shift == forms::vbAltMask) {
        if (KeyCode == forms::vbKeyF4)
            CompactDatabasesAndEnd();
        else if (KeyCode == forms::vbKeyReturn)
            imgBarMax_Click();
        else if (KeyCode == forms::vbKeyF5)
            imgBarMin_Click();
        return;
    }
    if (Shift == forms::vbCtrlMask) {
        const QString key = QString(QChar(char16_t(KeyCode))).toUpper();
        // The main bar is hidden while a test is on screen, and so are the
        // buttons these keys stand for: they would leave the window without
        // either bar. Ctrl+S starts a new test from there as well.
        const bool mainBar = !TestActive;
        if (key == "O") {
            if (mainBar) imgBarOpenDB_Click();
        } else if (key == "N") {
            if (mainBar) imgBarNewDB_Click();
        } else if (key == "D") {
            if (mainBar) imgBarOverview_Click();
        } else if (key == "S") {
            imgBarStartTest_Click();
        } else if (key == "E") {
            if (mainBar) imgBarOptions_Click();
        } else if (key == "R") {
            cmdOverview1_Record_Click();
        } else if (key == "F") {
            // The grid takes its own Ctrl+F; on the overview the bars'
            // buttons and the grid's header search as well.
            const QWidget* f = focusWidget();
            const bool button = qobject_cast<const QAbstractButton*>(f) || qobject_cast<const ImageBox*>(f) ||
                                (f && f == vg1->view()->horizontalHeader());
            if (button && fraOverview1->isVisible() && cmdOverview1_Search->isEnabled())
                cmdOverview1_Search_Click();
        }
        return;
    }
    const bool overview = fraOverview1->isVisible();
    if (KeyCode == forms::vbKeyF4 && bDBOffen && overview) {
        // The grid does not see this F4.
        KeyCode = 0;
        cmdOverview1_New_Click();
    }
    if (KeyCode == forms::vbKeyF1 && bDBOffen && QuestionOpenNow() && TestActive)
        imgTestBarSolve_MouseUp(1, 0, 1, 1);
    const bool rowSelected = vg1 && vg1->SelectedRow() > 0;
    if (KeyCode == forms::vbKeyF6 && overview && bDBOffen && rowSelected) mnuVGrid_ImportSound_Click();
    if (KeyCode == forms::vbKeyF7 && overview && bDBOffen && rowSelected) mnuVGrid_ImportPic_Click();
    if (KeyCode == forms::vbKeyF8 && overview && bDBOffen) cmdOverview1_GridOptions_Click();
}

void frmMain::Form_KeyPress(int& KeyAscii) {
    if ((KeyAscii == 13 || KeyAscii == 32) && QuestionOpenNow() && !TestFinishedNow() && TestActive) {
        // An item without answer fields goes on. The key has done its work:
        // passed on, the next item's box would take it as its own Enter
        // (judging that item unanswered) or type the blank.
        if (ShownItemAnswerCount() == 0) {
            imgTestBarSolve_MouseUp(1, 0, 1, 1);
            KeyAscii = 0;
        }
    }
    if (KeyAscii == 27) {
        if (TestActive) imgTestBarCancel_Click();
        KeyAscii = 0;
    }
}

// ---- wiring ----

namespace {

// Handlers reached from Qt's event loop report a database error in the
// shared box instead of letting it escape.
template <class F>
void guarded(F&& f) {
    try {
        f();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
    }
}

// Mouse events of a plain frame (the bars, the overview panel) as the
// original's MouseDown/Move/Up, in twips relative to the frame.
class MouseRelay : public QObject {
public:
    using Handler = std::function<void(int, int, double, double)>;
    MouseRelay(QWidget* w, Handler down, Handler move, Handler up)
        : QObject(w), down_(std::move(down)), move_(std::move(move)), up_(std::move(up)) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        const auto t = e->type();
        if (t != QEvent::MouseButtonPress && t != QEvent::MouseMove && t != QEvent::MouseButtonRelease)
            return false;
        auto* m = static_cast<QMouseEvent*>(e);
        const double x = twips(int(m->position().x())), y = twips(int(m->position().y()));
        const int shift = forms::vbShiftState(m->modifiers());
        const Handler& h = t == QEvent::MouseButtonPress ? down_ : t == QEvent::MouseMove ? move_ : up_;
        if (!h) return false;
        guarded(
            [&] { h(t == QEvent::MouseMove ? vbButton(m->buttons()) : vbButton(m->button()), shift, x, y); });
        return true;
    }

private:
    Handler down_, move_, up_;
};

}  // namespace

// The pictures that act as buttons take Tab and the keys as well. Tab goes
// from the main bar through the overview's toolbar to its grid; on the test
// screen from the answer to the test bar. The title-bar pictures take no
// focus: Alt+F4, Alt+Enter, Alt+F5 and the window's frame do their work, and
// a control that cannot take the focus is never handed it when the one that
// had it is hidden (a Return there would minimise the window mid-test).
void frmMain::setupTabOrder() {
    ImageBox* const bars[] = {imgBarNewDB,     imgBarOpenDB,    imgBarOverview,  imgBarOptions,
                              imgBarStartTest, imgTestBarSolve, imgTestBarSound, imgTestBarCancel};
    for (ImageBox* b : bars) {
        b->makeButton();
        // The focus mark lies inside the pictures' rim, on their light face.
        forms::focusMarkInset(b, 3);
    }
    for (ImageBox* b : {imgBarMin, imgBarMax, imgBarExit}) b->makeButton(false);

    std::vector<QWidget*> overview(std::begin(bars), std::begin(bars) + 5);
    // The side toolbar, top to bottom, then the grid beside it.
    for (QPushButton* b : fraOverview1->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        overview.push_back(b);
    overview.push_back(vg1);
    std::vector<QWidget*> test;
    for (int i = 1; i <= txtTestA.count(); ++i) test.push_back(txtTestA(i));
    for (int i = 1; i <= optTestA.count(); ++i) test.push_back(optTestA(i));
    for (int i = 1; i <= chkTestA.count(); ++i) test.push_back(chkTestA(i));
    test.insert(test.end(), {chkShowUmlaute, vgUmlaute, lstTestWrongWords, imgTestBarSolve, imgTestBarSound,
                             imgTestBarCancel});
    for (const auto* order : {&overview, &test})
        for (size_t i = 1; i < order->size(); ++i) setTabOrder((*order)[i - 1], (*order)[i]);
}

void frmMain::connectBars() {
    setMouseTracking(true);
    connect(tmrBar, &QTimer::timeout, this, [this] { tmrBar_Timer(); });

    // Main bar.
    struct Bar {
        ImageBox* img;
        void (frmMain::*move)(int, int, double, double);
        void (frmMain::*click)();
    };
    const Bar bars[] = {
        {imgBarNewDB, &frmMain::imgBarNewDB_MouseMove, &frmMain::imgBarNewDB_Click},
        {imgBarOpenDB, &frmMain::imgBarOpenDB_MouseMove, &frmMain::imgBarOpenDB_Click},
        {imgBarOverview, &frmMain::imgBarOverview_MouseMove, &frmMain::imgBarOverview_Click},
        {imgBarOptions, &frmMain::imgBarOptions_MouseMove, &frmMain::imgBarOptions_Click},
        // The test screen wires its own start.
        {imgBarStartTest, &frmMain::imgBarStartTest_MouseMove, nullptr},
    };
    for (const Bar& b : bars) {
        ImageBox* img = b.img;
        auto move = b.move;
        auto click = b.click;
        connect(img, &ImageBox::mouseDown, this, [this, img] { barButton_MouseDown(img); });
        connect(img, &ImageBox::mouseUp, this, [this, img] { barButton_MouseUp(img); });
        connect(img, &ImageBox::mouseMove, this, [this, move](int bt, int sh, double x, double y) {
            guarded([&] { (this->*move)(bt, sh, x, y); });
        });
        if (click)
            connect(img, &ImageBox::clicked, this, [this, click] { guarded([&] { (this->*click)(); }); });
    }

    // Title bar.
    connect(imgBarExit, &ImageBox::clicked, this, [this] { guarded([&] { imgBarExit_Click(); }); });
    connect(imgBarMax, &ImageBox::clicked, this, [this] { guarded([&] { imgBarMax_Click(); }); });
    connect(imgBarMin, &ImageBox::clicked, this, [this] { guarded([&] { imgBarMin_Click(); }); });
    connect(imgBarExit, &ImageBox::mouseMove, this, &frmMain::imgBarExit_MouseMove);
    connect(imgBarMax, &ImageBox::mouseMove, this, &frmMain::imgBarMax_MouseMove);
    connect(imgBarMin, &ImageBox::mouseMove, this, &frmMain::imgBarMin_MouseMove);

    // The top strip is background too.
    connect(imgTop, &ImageBox::mouseDown, this, &frmMain::Form_MouseDown);
    connect(imgTop, &ImageBox::mouseMove, this, &frmMain::Form_MouseMove);
    connect(imgTop, &ImageBox::mouseUp, this, &frmMain::Form_MouseUp);
    new MouseRelay(
        fraMainBar, [this](int b, int s, double x, double y) { fraMainBar_MouseDown(b, s, x, y); },
        [this](int b, int s, double x, double y) { fraMainBar_MouseMove(b, s, x, y); },
        [this](int b, int s, double x, double y) { fraMainBar_MouseUp(b, s, x, y); });
    new MouseRelay(
        fraTestBar, [this](int b, int s, double x, double y) { fraTestBar_MouseDown(b, s, x, y); },
        [this](int b, int s, double x, double y) { fraTestBar_MouseMove(b, s, x, y); },
        [this](int b, int s, double x, double y) { fraTestBar_MouseUp(b, s, x, y); });
    new MouseRelay(fraOverview1, {},
                   [this](int b, int s, double x, double y) { fraOverview1_MouseMove(b, s, x, y); }, {});

    connect(imgSizeArrow, &ImageBox::mouseDown, this, &frmMain::imgSizeArrow_MouseDown);
    connect(imgSizeArrow, &ImageBox::mouseMove, this, &frmMain::imgSizeArrow_MouseMove);
    connect(imgSizeArrow, &ImageBox::mouseUp, this, &frmMain::imgSizeArrow_MouseUp);

    // The lock buttons sit on the settings panel; the locks are the window's.
    fraVerwaltung->onCmdDBHideOverview_Click = [this] { guarded([&] { cmdDBHideOverview_Click(); }); };
    fraVerwaltung->onCmdDBHideOptions_Click = [this] { guarded([&] { cmdDBHideOptions_Click(); }); };
    fraVerwaltung->onCmdDBHideImportExport_Click = [this] {
        guarded([&] { cmdDBHideImportExport_Click(); });
    };

    forms::previewKeys(this, {.KeyPress = [this](int& a) { guarded([&] { Form_KeyPress(a); }); },
                              .KeyUp = [this](int& c, int s) { guarded([&] { Form_KeyUp(c, s); }); }});
}

}  // namespace mainwindow
