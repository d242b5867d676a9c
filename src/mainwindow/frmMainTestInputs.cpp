// The test screen's controls and what the user does with them: the answer
// boxes with their live check, the choices, the clicks that continue an
// item without answer fields, the special-character toggle and the three
// buttons of the test bar.
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "mainwindow/frmMain.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/FocusKeys.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/Keys.h"
#include "platform/grid/Grid.h"
#include "testengine/Answers.h"
#include "testengine/Selection.h"

namespace mainwindow {

using namespace runstate;
using namespace tsgeo;

namespace {

constexpr quint32 kLightGreen = 0x80FF80;
constexpr quint32 kWhite = 0xFFFFFF;

int opt(const char* field) {
    if (!rsOptions) return 0;
    return testengine::OptionInt(*rsOptions, QString::fromLatin1(field));
}

// Handlers called from Qt's event loop report their errors instead of
// letting them escape.
template <typename Fn>
void guarded(Fn&& fn) {
    try {
        fn();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
    }
}

bool isGreen(const QWidget* w) {
    return forms::backColor(w) == kLightGreen;
}

QString testbarPicture(const char* button, const char* state) {
    return QStringLiteral(":/testengine/testbar_%1_%2.png").arg(QLatin1String(button), QLatin1String(state));
}

}  // namespace

TestPanelEvents::TestPanelEvents(frmMain* f) : QObject(f), f_(f) {}

void TestPanelEvents::watch(QObject* o, Kind kind, int index) {
    table_[o] = {kind, index};
    o->installEventFilter(this);
}

bool TestPanelEvents::eventFilter(QObject* o, QEvent* e) {
    const auto t = e->type();
    if (t != QEvent::FocusIn && t != QEvent::MouseButtonDblClick && t != QEvent::MouseButtonRelease &&
        t != QEvent::MouseMove)
        return false;
    const auto it = table_.constFind(o);
    if (it == table_.constEnd()) return false;
    const int i = it->second;
    auto button = [&] { return vbButton(static_cast<QMouseEvent*>(e)->button()); };
    switch (it->first) {
        case Txt:
            if (t == QEvent::FocusIn) guarded([&] { f_->txtTestA_GotFocus(i); });
            break;
        case Opt:
            if (t == QEvent::MouseButtonDblClick) guarded([&] { f_->optTestA_DblClick(i); });
            if (t == QEvent::MouseButtonRelease) guarded([&] { f_->optTestA_MouseUp(i, button()); });
            if (t == QEvent::MouseMove) guarded([&] { f_->optTestA_MouseMove(i); });
            break;
        case Chk:
            if (t == QEvent::MouseButtonRelease) guarded([&] { f_->chkTestA_MouseUp(i, button()); });
            if (t == QEvent::MouseMove) guarded([&] { f_->chkTestA_MouseMove(i); });
            break;
        case Question:
            if (t == QEvent::MouseButtonRelease) {
                guarded([&] { f_->lblTestQ_MouseUp(button()); });
                return true;  // not the panel's click as well
            }
            if (t == QEvent::MouseMove) guarded([&] { f_->lblTestQ_MouseMove(); });
            break;
        case Panel:
            if (t == QEvent::MouseButtonRelease) guarded([&] { f_->fraAbfrage_MouseUp(button()); });
            break;
        case ShowUmlaute:
            if (t == QEvent::MouseMove) guarded([&] { f_->chkShowUmlaute_MouseMove(); });
            break;
    }
    return false;
}

void frmMain::BuildTestPanel() {
    if (testEvents_) return;
    testEvents_ = new TestPanelEvents(this);
    QFont big = font();
    big.setPointSize(12);
    // The panel's colour, which the choices take when they are not marked.
    forms::setBackColor(fraAbfrage, forms::toVbColor(palette().color(QPalette::Window)));

    lblTestQ->setWordWrap(true);
    lblTestQ->setAlignment(Qt::AlignCenter);
    lblTestQ->setFont(big);
    lblTestQ->setMouseTracking(true);
    testEvents_->watch(lblTestQ, TestPanelEvents::Question);
    testEvents_->watch(fraAbfrage, TestPanelEvents::Panel);

    imgTest = image("imgTest", fraAbfrage, 0, 0, 600, 600);
    imgTest->hide();
    connect(imgTest, &ImageBox::mouseUp, this,
            [this](int b, int, double, double) { guarded([&] { imgTest_MouseUp(b); }); });
    connect(imgTest, &ImageBox::mouseMove, this,
            [this](int, int, double, double) { guarded([&] { imgTest_MouseMove(); }); });

    for (int i = 1; i <= 9; ++i) {
        auto* t = new QLineEdit(fraAbfrage);
        t->setObjectName(QStringLiteral("txtTestA(%1)").arg(i));
        t->setFont(big);
        t->setGeometry(px(600), px(600), px(6000), t->sizeHint().height());
        t->hide();
        txtTestA.add(t);
        testEvents_->watch(t, TestPanelEvents::Txt, i);
        connect(t, &QLineEdit::textChanged, this, [this, i] { guarded([&] { txtTestA_Change(i); }); });
        forms::handleKeys(
            t, {.KeyPress = [this, i](int& KeyAscii) { guarded([&] { txtTestA_KeyPress(i, KeyAscii); }); }});

        auto* o = new QRadioButton(fraAbfrage);
        o->setObjectName(QStringLiteral("optTestA(%1)").arg(i));
        o->setFont(big);
        o->setMouseTracking(true);
        o->setAutoFillBackground(true);
        o->setBackgroundRole(QPalette::Window);  // the back colour set by code
        o->hide();
        optTestA.add(o);
        testEvents_->watch(o, TestPanelEvents::Opt, i);
        forms::handleKeys(
            o, {.KeyDown = [this, i](int& KeyCode, int) { guarded([&] { optTestA_KeyDown(i, KeyCode); }); },
                .KeyPress = [this, i](int& KeyAscii) { guarded([&] { optTestA_KeyPress(i, KeyAscii); }); }});

        auto* c = new QCheckBox(fraAbfrage);
        c->setObjectName(QStringLiteral("chkTestA(%1)").arg(i));
        c->setFont(big);
        c->setMouseTracking(true);
        c->setAutoFillBackground(true);
        c->setBackgroundRole(QPalette::Window);
        c->hide();
        chkTestA.add(c);
        testEvents_->watch(c, TestPanelEvents::Chk, i);
        forms::handleKeys(
            c, {.KeyPress = [this, i](int& KeyAscii) { guarded([&] { chkTestA_KeyPress(i, KeyAscii); }); }});
    }

    forms::tabStopOnChoice(std::vector<QRadioButton*>(optTestA.begin(), optTestA.end()));
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { sayNewsDue(now); });

    lblTestXvonX = new QLabel(fraAbfrage);
    lblTestXvonX->setObjectName("lblTestXvonX");
    lblTestXvonX->setGeometry(px(6000), px(60), px(1200), px(255));
    lblTestXvonX->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblTestF = new QLabel(fraAbfrage);
    lblTestF->setObjectName("lblTestF");
    lblTestF->hide();
    lblTestR = new QLabel(fraAbfrage);
    lblTestR->setObjectName("lblTestR");
    lblTestR->hide();

    // The result panel.
    fraTestBewertung = new QWidget(fraAbfrage);
    fraTestBewertung->setObjectName("fraTestBewertung");
    fraTestBewertung->setGeometry(0, 0, px(6600), px(4080));
    fraTestBewertung->hide();
    auto label = [&](const char* name, int l, int t, int w, int h, const char* tag = nullptr) {
        auto* lb = new QLabel(fraTestBewertung);
        lb->setObjectName(QString::fromLatin1(name));
        lb->setGeometry(px(l), px(t), px(w), px(h));
        if (tag) {
            forms::setTag(lb, QString::fromLatin1(tag));
            lb->setText(modMain::GetText(QString::fromLatin1(tag).toInt()));
        }
        return lb;
    };
    lblTestBBR = label("lblTestBBR", 120, 120, 2700, 285, "255");
    lblTestBR = label("lblTestBR", 2880, 120, 1200, 285);
    lblTestBBF = label("lblTestBBF", 120, 420, 2700, 285, "254");
    lblTestBF = label("lblTestBF", 2880, 420, 1200, 285);
    lblTestBPunkte = label("lblTestBPunkte", 120, 720, 2700, 285, "257");
    lblTestBPunktzahl = label("lblTestBPunktzahl", 2880, 720, 1800, 285);
    lblTestBBewertung = label("lblTestBBewertung", 120, 1200, 6360, 960);
    lblTestBBewertung->setWordWrap(true);
    lblTestBBewertung->setAlignment(Qt::AlignCenter);
    QFont gradeFont = font();
    gradeFont.setPointSize(12);
    gradeFont.setBold(true);
    lblTestBBewertung->setFont(gradeFont);
    for (QLabel* l : {lblTestBR, lblTestBF, lblTestBPunktzahl}) {
        QFont b = l->font();
        b.setBold(true);
        l->setFont(b);
    }
    lblTestBWrongWords = label("lblTestBWrongWords", 120, 1200, 6360, 255, "258");
    lstTestWrongWords = new QListWidget(fraTestBewertung);
    lstTestWrongWords->setObjectName("lstTestWrongWords");
    lstTestWrongWords->setGeometry(px(120), px(1440), px(6360), px(2370));
    imgS = image("imgS", fraTestBewertung, 5280, 120, 960, 960);
    imgS->setScaledContents(false);

    // The test bar's picture holders, the error-rate marker and the timers.
    ImageBox** holders[] = {&imgTestBarCancel_Lo, &imgTestBarCancel_Hi, &imgTestBarCancel_Down,
                            &imgTestBarSolve_Lo,  &imgTestBarSolve_Hi,  &imgTestBarSolve_Down,
                            &imgTestBarSound_Lo,  &imgTestBarSound_Hi,  &imgTestBarSound_Down};
    const char* buttons[] = {"cancel", "solve", "sound"};
    const char* states[] = {"lo", "hi", "down"};
    const char* names[] = {"imgTestBarCancel", "imgTestBarSolve", "imgTestBarSound"};
    const char* suffix[] = {"_Lo", "_Hi", "_Down"};
    for (int b = 0; b < 3; ++b)
        for (int s = 0; s < 3; ++s) {
            ImageBox* h = image(QString::fromLatin1(names[b]) + suffix[s], fraTestBar, 0, 0, 570, 555,
                                testbarPicture(buttons[b], states[s]));
            h->hide();
            *holders[b * 3 + s] = h;
        }
    imgTestBarCancel->setPictureFrom(imgTestBarCancel_Lo);
    imgTestBarSolve->setPictureFrom(imgTestBarSolve_Lo);
    imgTestBarSound->setPictureFrom(imgTestBarSound_Lo);
    cmdBar = image("cmdBar", fraTestBar, 5000, 90, 150, 555, ":/testengine/testbar_marker.png");
    cmdBar->hide();

    connect(imgTestBarCancel, &ImageBox::mouseDown, this, [this](int b, int s, double x, double y) {
        guarded([&] { imgTestBarCancel_MouseDown(b, s, x, y); });
    });
    connect(imgTestBarCancel, &ImageBox::mouseMove, this, [this](int b, int s, double x, double y) {
        guarded([&] { imgTestBarCancel_MouseMove(b, s, x, y); });
    });
    connect(imgTestBarCancel, &ImageBox::mouseUp, this, [this](int b, int s, double x, double y) {
        guarded([&] { imgTestBarCancel_MouseUp(b, s, x, y); });
    });
    connect(imgTestBarCancel, &ImageBox::clicked, this,
            [this] { guarded([&] { imgTestBarCancel_Click(); }); });
    connect(imgTestBarSolve, &ImageBox::mouseDown, this, [this](int b, int s, double x, double y) {
        guarded([&] { imgTestBarSolve_MouseDown(b, s, x, y); });
    });
    connect(imgTestBarSolve, &ImageBox::mouseMove, this, [this](int b, int s, double x, double y) {
        guarded([&] { imgTestBarSolve_MouseMove(b, s, x, y); });
    });
    connect(imgTestBarSolve, &ImageBox::mouseUp, this, [this](int b, int s, double x, double y) {
        guarded([&] { imgTestBarSolve_MouseUp(b, s, x, y); });
    });
    connect(imgTestBarSound, &ImageBox::mouseDown, this, [this](int b, int s, double x, double y) {
        guarded([&] { imgTestBarSound_MouseDown(b, s, x, y); });
    });
    connect(imgTestBarSound, &ImageBox::mouseMove, this, [this](int b, int s, double x, double y) {
        guarded([&] { imgTestBarSound_MouseMove(b, s, x, y); });
    });
    connect(imgTestBarSound, &ImageBox::mouseUp, this, [this](int b, int s, double x, double y) {
        guarded([&] { imgTestBarSound_MouseUp(b, s, x, y); });
    });
    connect(imgTestBarSound, &ImageBox::clicked, this, [this] { guarded([&] { imgTestBarSound_Click(); }); });
    connect(imgBarStartTest, &ImageBox::clicked, this, [this] { guarded([&] { imgBarStartTest_Click(); }); });

    tmrTest = new forms::Timer(this, 1000, false);
    tmrTest->setObjectName("tmrTest");
    tmrTest->onTimer = [this] { guarded([&] { tmrTest_Timer(); }); };
    tmrTestVok = new forms::Timer(this, 1000, false);
    tmrTestVok->setObjectName("tmrTestVok");
    tmrTestVok->onTimer = [this] { guarded([&] { tmrTestVok_Timer(); }); };

    vgUmlaute->view()->horizontalHeader()->hide();
    vgUmlaute->view()->verticalHeader()->hide();
    vgUmlaute->hide();
    connect(vgUmlaute, &grid::Grid::DblClick, this,
            [this](long r, long c) { guarded([&] { vgUmlaute_DblClick(r, c); }); });
    forms::handleKeys(vgUmlaute, {.KeyPress = [this](int& k) { guarded([&] { vgUmlaute_KeyPress(k); }); }});
    connect(chkShowUmlaute, &QCheckBox::toggled, this, [this] { chkShowUmlaute_Click(); });
    chkShowUmlaute->setMouseTracking(true);
    testEvents_->watch(chkShowUmlaute, TestPanelEvents::ShowUmlaute);
}

// ---- answer inputs ----------------------------------------------------------------

bool frmMain::ContinueCondition() {
    const auto& st = testState;
    return st.QuestionOpen && TestActive && !st.TestFinished && dataTest &&
           testengine::CountAnswers(*dataTest) <= 0;
}

void frmMain::SubmitAnswer() {
    imgTestBarSolve_MouseUp(1, 0, 1, 1);
}

void frmMain::txtTestA_Change(int Index) {
    auto& st = testState;
    QLineEdit* box = txtTestA(Index);
    SetBestTextWidth(box, 2000, 600, long(Width(fraAbfrage) - 4000));
    setLeft(box, Width(fraAbfrage) / 2 - Width(box) / 2);

    if (!st.QuestionOpen || !box->isVisible()) return;
    if (!rsBenutzer || testengine::OptionInt(*rsBenutzer, QStringLiteral("R2")) != 0) return;
    const int n = st.Test_WievieleAntwortFelder;
    // The solution box below the answers is filled by the program, never typed.
    if (Index > n) return;
    const bool ignoreCase = opt("GKignorieren") == 1;
    const auto& expected = st.ExpectedAnswers;
    auto same = [&](const QString& a, const QString& b) {
        return ignoreCase ? testengine::FoldCase(a) == testengine::FoldCase(b) : a == b;
    };
    auto accepted = [&](const QString& s) { return testengine::IsAcceptedAnswer(expected, s, !ignoreCase); };
    // The first box not yet accepted takes the focus; 0 when all are.
    auto focusFirstOpen = [&]() -> int {
        for (int k = 1; k <= n; ++k)
            if (!isGreen(txtTestA(k))) {
                txtTestA(k)->setFocus();
                return k;
            }
        return 0;
    };

    if (n == 1) {
        if (accepted(txtTestA(1)->text()))
            SubmitAnswer();
        else
            forms::setBackColor(txtTestA(1), kWhite);
        return;
    }
    if (testengine::OptionInt(*dataTest, QStringLiteral("MindTheOrder")) != 0) {
        if (same(box->text(), expected.value(Index))) {
            forms::setBackColor(box, kLightGreen);
            if (focusFirstOpen() == 0) SubmitAnswer();
        } else {
            forms::setBackColor(box, kWhite);
        }
        return;
    }
    if (!accepted(box->text())) {
        forms::setBackColor(box, kWhite);
        return;
    }
    if (Index == 1) {
        forms::setBackColor(box, kLightGreen);
        focusFirstOpen();
        return;
    }
    for (int j = 1; j < Index; ++j) {
        if (same(txtTestA(j)->text(), box->text())) {
            forms::setBackColor(box, kWhite);
            return;
        }
        forms::setBackColor(box, kLightGreen);
        if (focusFirstOpen() != 0) return;
    }
    if (Index == n) SubmitAnswer();
}

void frmMain::txtTestA_GotFocus(int Index) {
    QLineEdit* box = txtTestA(Index);
    FocusedAnswerBox = box;
    if (!box->isReadOnly() || Index == 1) return;
    if (txtTestA(1)->isVisible())
        txtTestA(1)->setFocus();
    else if (chkTestA(1)->isVisible())
        chkTestA(1)->setFocus();
    else
        optTestA(1)->setFocus();
}

void frmMain::txtTestA_KeyPress(int Index, int& KeyAscii) {
    if (KeyAscii != 13) return;
    const int n = testState.Test_WievieleAntwortFelder;
    if (n == 1)
        SubmitAnswer();
    else if (Index < n)
        txtTestA(Index + 1)->setFocus();
    else
        SubmitAnswer();
    KeyAscii = 0;
}

void frmMain::optTestA_DblClick(int) {
    SubmitAnswer();
}

namespace {

// A choice item's controls that are on: Enter judges only what the learner
// chose. The focus rests on the first choice without choosing it, and Enter
// there is no answer.
bool anythingChosen(const frmMain& f) {
    for (int i = 1; i <= f.testState.Test_WievieleAntwortFelder && i <= 9; ++i)
        if (f.optTestA(i)->isChecked() || f.chkTestA(i)->isChecked()) return true;
    return false;
}

}  // namespace

// Enter with nothing chosen judges nothing, and says so.
void frmMain::enterOnChoice() {
    if (anythingChosen(*this)) {
        SubmitAnswer();
        return;
    }
    QString ask = modMain::GetText(188);  // "Please choose the right answer :"
    if (ask.endsWith(QLatin1Char(':'))) ask.chop(1);
    tellNews(ask.trimmed());
    describeAnswerControls();
    endNews();
}

void frmMain::optTestA_KeyPress(int, int& KeyAscii) {
    if (KeyAscii == 13) enterOnChoice();
}

// The arrow keys move to the next shown choice, round the ends, and choose
// it, as in any group of option buttons; nothing chosen yet is no reason to
// only move.
void frmMain::optTestA_KeyDown(int Index, int& KeyCode) {
    int step = 0;
    if (KeyCode == forms::vbKeyDown || KeyCode == forms::vbKeyRight)
        step = 1;
    else if (KeyCode == forms::vbKeyUp || KeyCode == forms::vbKeyLeft)
        step = -1;
    else
        return;
    KeyCode = 0;
    for (int k = 1; k <= 9; ++k) {
        QRadioButton* o = optTestA((Index - 1 + step * k + 9 * 9) % 9 + 1);
        if (o->isHidden() || !o->isEnabled()) continue;
        o->setChecked(true);
        o->setFocus(Qt::OtherFocusReason);
        return;
    }
}

void frmMain::chkTestA_KeyPress(int, int& KeyAscii) {
    if (KeyAscii == 13) enterOnChoice();
}

void frmMain::optTestA_MouseUp(int, int Button) {
    if (Button == 2) SubmitAnswer();
}

void frmMain::optTestA_MouseMove(int) {
    if (testState.TestFinished) return;  // nothing left to correct or continue
    ShowBarPopup(modMain::GetText(706), 1, long(std::lround(twips(imgBarOverview->x()))), QString());
    BarPopupCursor = QCursor::pos();
    tmrBar->start();
}

void frmMain::chkTestA_MouseUp(int, int Button) {
    if (Button == 2) SubmitAnswer();
}

void frmMain::chkTestA_MouseMove(int) {
    if (testState.TestFinished) return;  // nothing left to correct or continue
    ShowBarPopup(modMain::GetText(705), 1, long(std::lround(twips(imgBarOverview->x()))), QString());
    BarPopupCursor = cursorPos();
    tmrBar->start();
}

void frmMain::fraAbfrage_MouseUp(int Button) {
    if (Button == 1 && ContinueCondition()) SubmitAnswer();
}

void frmMain::imgTest_MouseUp(int Button) {
    if (Button == 1 && ContinueCondition()) SubmitAnswer();
}

void frmMain::lblTestQ_MouseUp(int Button) {
    if (Button == 1 && ContinueCondition()) SubmitAnswer();
}

void frmMain::imgTest_MouseMove() {
    if (!ContinueCondition()) return;
    ShowBarPopup(modMain::GetText(711), 1, 1, QString());
    BarPopupCursor = QCursor::pos();
    tmrBar->start();
}

void frmMain::lblTestQ_MouseMove() {
    imgTest_MouseMove();
}

void frmMain::chkShowUmlaute_MouseMove() {
    ShowBarPopup(modMain::GetText(696), 1, 1, modMain::GetText(697));
    BarPopupCursor = cursorPos();
    tmrBar->start();
}

// Enter and Space pick the current sign as a double click does.
void frmMain::vgUmlaute_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13 && KeyAscii != 32) return;
    KeyAscii = 0;
    const long row = vgUmlaute->SelectedRow(), col = vgUmlaute->SelectedColumn();
    if (row >= 1 && col >= 1) vgUmlaute_DblClick(row, col);
}

void frmMain::chkShowUmlaute_Click() {
    vgUmlaute->setVisible(chkShowUmlaute->isChecked());
    if (txtTestA(1)->isVisible()) txtTestA(1)->setFocus();
}

// ---- test bar -----------------------------------------------------------------------

namespace {

bool itemHasSound(const dao::RecordsetPtr& rs) {
    if (!rs) return false;
    try {
        return modMedia::HasSound(*rs);
    } catch (const wk::Error&) {
        return false;
    }
}

}  // namespace

void frmMain::imgTestBarCancel_MouseDown(int, int, double, double) {
    bCancelDown = true;
    imgTestBarCancel->setPictureFrom(imgTestBarCancel_Down);
}

void frmMain::imgTestBarCancel_MouseMove(int, int, double, double) {
    imgTestBarSound->setPictureFrom(imgTestBarSound_Lo);
    imgTestBarSolve->setPictureFrom(imgTestBarSolve_Lo);
    const double x = Left(fraTestBar) + Left(imgTestBarCancel) + Width(imgTestBarCancel) / 2;
    ShowBarPopup(modMain::GetText(687), 1, std::lround(x), modMain::GetText(688));
    BarPopupCursor = QCursor::pos();
    imgTestBarCancel->setPictureFrom(imgTestBarCancel_Hi);
    tmrBar->start();
}

void frmMain::imgTestBarCancel_MouseUp(int, int, double, double) {
    bCancelDown = false;
    imgTestBarCancel->setPictureFrom(imgTestBarCancel_Hi);
}

void frmMain::imgTestBarSolve_MouseDown(int, int, double, double) {
    if (testState.TestFinished) return;
    bSolveDown = true;
    imgTestBarSolve->setPictureFrom(imgTestBarSolve_Down);
}

void frmMain::imgTestBarSolve_MouseMove(int, int, double, double) {
    if (testState.TestFinished || bSolveDown) return;
    imgTestBarCancel->setPictureFrom(imgTestBarCancel_Lo);
    imgTestBarSound->setPictureFrom(imgTestBarSound_Lo);
    const double x = Left(fraTestBar) + Left(imgTestBarSolve) + Width(imgTestBarSolve) / 2;
    ShowBarPopup(modMain::GetText(693), 1, std::lround(x), modMain::GetText(694));
    BarPopupCursor = QCursor::pos();
    imgTestBarSolve->setPictureFrom(imgTestBarSolve_Hi);
    tmrBar->start();
}

void frmMain::imgTestBarSound_MouseDown(int, int, double, double) {
    if (testState.TestFinished || !itemHasSound(dataTest)) return;
    bSoundDown = true;
    imgTestBarSound->setPictureFrom(imgTestBarSound_Down);
}

void frmMain::imgTestBarSound_MouseMove(int, int, double, double) {
    if (testState.TestFinished) return;
    imgTestBarCancel->setPictureFrom(imgTestBarCancel_Lo);
    imgTestBarSolve->setPictureFrom(imgTestBarSolve_Lo);
    const bool sound = itemHasSound(dataTest);
    const double x = Left(fraTestBar) + Left(imgTestBarSound) + Width(imgTestBarSound) / 2;
    ShowBarPopup(modMain::GetText(689), sound ? 1 : 0, std::lround(x), modMain::GetText(690));
    BarPopupCursor = QCursor::pos();
    if (sound) imgTestBarSound->setPictureFrom(imgTestBarSound_Hi);
    tmrBar->start();
}

void frmMain::imgTestBarSound_MouseUp(int, int, double, double) {
    if (testState.TestFinished || !itemHasSound(dataTest)) return;
    bSoundDown = false;
    imgTestBarSound->setPictureFrom(imgTestBarSound_Hi);
}

void frmMain::imgTestBarSound_Click() {
    if (testState.TestFinished || !dataTest) return;
    if (opt("ShowSound") == 1 && itemHasSound(dataTest)) modMedia::PlayItemSound(*dataTest, true);
}

}  // namespace mainwindow
