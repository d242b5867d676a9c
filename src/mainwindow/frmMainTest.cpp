// The test screen of the main window: starting and leaving a test,
// presenting an item, the judge's form side, the end of a test with its
// result, and the two countdowns. The decisions are the test engine's; this
// file shows them.
#include <QApplication>
#include <QPixmap>
#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "mainwindow/SettingsModel.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmMainGridShared.h"
#include "overview/GridStatistics.h"
#include "platform/Error.h"
#include "platform/forms/Accessible.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"
#include "testengine/Answers.h"
#include "testengine/Judge.h"
#include "testengine/Presenting.h"
#include "testengine/Selection.h"
#include "testengine/frmHint.h"
#include "vocabdb/FontSettings.h"

namespace mainwindow {

using namespace runstate;
using namespace tsgeo;

namespace {

constexpr quint32 kLightGreen = 0x80FF80;
constexpr quint32 kLightRed = 0xAAAAFF;
constexpr quint32 kWhite = 0xFFFFFF;

int opt(const char* field) {
    if (!rsOptions) return 0;
    return testengine::OptionInt(*rsOptions, QString::fromLatin1(field));
}

int userOpt(const char* field) {
    if (!rsUserOptionen) return 0;
    return testengine::OptionInt(*rsUserOptionen, QString::fromLatin1(field));
}

bool itemTimerOn() {
    return rsOptions && testengine::ItemTimerOn(*rsOptions);
}

bool wholeTestTimerOn() {
    return rsOptions && testengine::WholeTestTimerOn(*rsOptions);
}

QString textOf(const QVariant& v) {
    return v.isValid() && !v.isNull() ? v.toString() : QString();
}

// The form side of the selection: the engine selects, the window hides the
// result, sets the whole-test countdown and reports an empty new test.
void selectTestItems(frmMain& f, bool bRepeat) {
    auto& st = f.testState;
    f.fraTestBewertung->hide();
    if (!bRepeat) f.cmdBar->hide();
    testengine::SelectOutcome out = testengine::SelectOutcome::Failed;
    if (dbVok && rsOptions) {
        const auto o = testengine::ReadSelectionOptions(*rsOptions);
        out = testengine::SelectTestItems(st, *dbVok, *rsOptions, o, BenutzerNr, bRepeat, f.dataTest);
    } else {
        st.SetReady = false;
    }
    if (out != testengine::SelectOutcome::Ready) {
        if (!f.TestActive) {
            if (out == testengine::SelectOutcome::Empty) testengine::ReportEmptySelection();
            // A failed query is already reported; the screen must not stay
            // without its bars either way.
            f.imgTestBarCancel_Click();
        }
        st.SetReady = false;
        return;
    }
    f.tmrTest->setEnabled(testengine::WholeTestTimerOn(*rsOptions));
    f.lblTestF->setText(QString::number(st.WrongCount));
    f.lblTestR->setText(QString::number(st.RightCount));
    if (f.txtTestA(1)->isVisible()) f.txtTestA(1)->setFocus();
}

// The tip window stands over the middle of the main window.
void showHint(frmMain& f, testengine::frmHint& hint) {
    hint.move(f.mapToGlobal(f.rect().center()) - hint.rect().center());
    hint.Show(forms::vbModal);
}

void setActive(frmMain& f, bool on) {
    f.TestActive = on;
    f.testState.TestActive = on;
}

// The overview's rows of the items the test asked show what the test stored
// there, as a change to one item is shown: in place, row by row.
void showAskedItemsStatistics(frmMain& f) {
    if (f.testState.TestItems.isEmpty() || !f.data || !f.vg1) return;
    overview::RefreshItemsStatistics(*f.vg1, f.data, f.testState.TestItems, BenutzerNr,
                                     userOption("IndikatorRand", 1));
}

}  // namespace

QString FormatSeconds(int s) {
    if (s < 1) return QStringLiteral("00:00");
    if (s < 10) return "00:0" + QString::number(s);
    if (s < 60) return "00:" + QString::number(s);
    const int m = s / 60, r = s % 60;
    return (m < 10 ? "0" : "") + QString::number(m) + ":" + (r < 10 ? "0" : "") + QString::number(r);
}

QString GradePictureKey(int r) {
    if (r >= 90) return QStringLiteral("Six");
    if (r >= 65) return QStringLiteral("Five");
    if (r >= 50) return QStringLiteral("Four");
    if (r >= 25) return QStringLiteral("Three");
    if (r >= 10) return QStringLiteral("Two");
    if (r >= 1) return QStringLiteral("One");
    return QStringLiteral("Best");
}

int GradeRow(qint64 p, qint64 total, const std::array<qint64, 9>& storedP) {
    // The rows as the settings panel lays them out, so that the grade is the
    // text the user wrote beside the range that holds p.
    const qint32 t = qint32(std::clamp<qint64>(total, 0, std::numeric_limits<qint32>::max()));
    const settings::ScalePlan plan = settings::PlanScale(t, storedP, QString());
    int row = 1;
    for (int k = 1; k <= settings::GradeRows; ++k) {
        if (!plan.rows[std::size_t(k)].on) break;
        row = k;
        if (p <= plan.rows[std::size_t(k)].upperEnd.toLongLong()) break;
    }
    return row;
}

void frmMain::imgBarStartTest_Click() {
    if (!bDBOffen || !vg1 || vg1->Rows() < 1) return;
    const QScopedValueRollback placing(placingFocus_, placingFocus_ + 1);
    // A new test over a test on screen: the grid keeps what the first stored.
    if (TestActive) showAskedItemsStatistics(*this);
    HideBarPopup();
    HideAllPanels();
    fraMainBar->hide();
    FillUmlauteGrid();
    selectTestItems(*this, false);
    if (!testState.SetReady) return;
    setActive(*this, true);
    testState.TestFinished = false;
    lblBDBName->setText(QString());
    lblBCount->setText(QString());
    // The result took them out of use.
    imgTestBarSolve->setEnabled(true);
    imgTestBarSound->setEnabled(true);
    fraAbfrage->show();
    fraTestBar->show();
    ShowNextQuestion(false);
}

void frmMain::imgTestBarCancel_Click() {
    newsDue_.clear();
    HideBarPopup();
    fraMainBar->show();
    HideAllPanels();
    tmrTestVok->setEnabled(false);
    tmrTest->setEnabled(false);
    if (opt("ShowOverview") == 1) fraOverview1->show();
    setActive(*this, false);
    testState.TestFinished = true;
    testState.QuestionOpen = false;
    lblBDBName->setText(VokDBName.size() <= 25 ? VokDBName : VokDBName.left(22) + "...");
    fitDBNameLabel();
    const long n = vg1 ? vg1->Rows() : 0;
    lblBCount->setText(QString::number(n) + " " + modMain::GetText(n == 1 ? 377 : 378));
    if (!lblBCount->isVisible()) lblBCount->show();
    showAskedItemsStatistics(*this);
    FocusWork();
    forgetResult();
}

void frmMain::ShowTryCount() {
    lblBCount->setText(modMain::GetText(180) + QString::number(testState.TryNumber) + modMain::GetText(181) +
                       QString::number(testState.MaxTries));
}

void frmMain::ShowNextQuestion(bool bStop) {
    auto& st = testState;
    const QScopedValueRollback placing(placingFocus_, placingFocus_ + 1);
    newsDue_.clear();  // of the item that ends
    // The choice the learner was on, cleared for the next item while a
    // reader is still on it.
    QWidget* choice = nullptr;
    for (int i = 1; i <= 9; ++i)
        if (QApplication::focusWidget() == optTestA(i) || QApplication::focusWidget() == chkTestA(i))
            choice = QApplication::focusWidget();
    tmrTestVok->setEnabled(false);
    tmrTest->setEnabled(false);
    imgTest->hide();
    lblTestQ->hide();
    for (int i = 1; i <= 9; ++i) {
        txtTestA(i)->hide();
        chkTestA(i)->hide();
        optTestA(i)->hide();
    }
    const quint32 panelBack = forms::backColor(fraAbfrage);
    for (int i = 1; i <= 9; ++i) {
        QLineEdit* t = txtTestA(i);
        t->setText(QString());
        setWidth(t, 6000);
        forms::setBackColor(t, kWhite);
        t->setReadOnly(false);
        chkTestA(i)->setChecked(false);
        chkTestA(i)->setText(QString());
        forms::setBackColor(chkTestA(i), panelBack);
        // Option buttons of one panel are exclusive; none selected needs the
        // exclusivity off for a moment.
        optTestA(i)->setAutoExclusive(false);
        optTestA(i)->setChecked(false);
        optTestA(i)->setAutoExclusive(true);
        optTestA(i)->setText(QString());
        forms::setBackColor(optTestA(i), panelBack);
    }
    // A new item is news even when its words are the last one's again.
    for (int i = 1; i <= 9; ++i)
        for (QWidget* w : std::initializer_list<QWidget*>{txtTestA(i), optTestA(i), chkTestA(i)})
            if (!w->accessibleDescription().isEmpty()) w->setAccessibleDescription(QString());

    if (!dataTest || !testengine::AdvanceToNextItem(st, *dataTest, bStop)) {
        EndOfTest(bStop);
        return;
    }
    // The choice the learner was on is not the next item's, whose controls
    // are shown afresh below.
    if (choice) forms::renewForTools(choice);
    dao::Recordset& rs = *dataTest;
    // A repeat set may hold wrong items the test never asked; the order names
    // the ones it asks.
    lblTestXvonX->setText(QString::number(st.CurrentIndex + 1) + " / " +
                          QString::number(st.QuestionOrder.size()));

    if (opt("ShowPic") == 1 && modMedia::HasPicture(rs)) {
        // A stored picture the program cannot read is left out rather than
        // ending the test.
        try {
            const QPixmap pic = modMedia::LoadBlobPicture(rs, QStringLiteral("Bild"));
            imgTest->setPixmap(pic);
            // A large photo is shown smaller, so that it leaves room for the
            // question and the answers.
            const QSize room(std::max(1, fraAbfrage->width() - px(1200)),
                             std::max(1, fraAbfrage->height() * 2 / 5));
            imgTest->resize(pic.width() > room.width() || pic.height() > room.height()
                                ? pic.size().scaled(room, Qt::KeepAspectRatio)
                                : pic.size());
            setLeft(imgTest, Width(fraAbfrage) / 2 - Width(imgTest) / 2);
            imgTest->show();
        } catch (const wk::Error&) {
            imgTest->clear();
        }
    }

    const bool reversed = testengine::ChooseReversed(opt("AbzufragenderBegriff"), st.ItemTyp);
    const QString qFont = vocabdb::GetSchriftart(rsOptions);
    const QString aFont = vocabdb::GetSchriftartA(rsOptions);
    auto setFamily = [](QWidget* w, const QString& family) {
        if (family.isEmpty()) return;
        QFont f = w->font();
        f.setFamily(family);
        w->setFont(f);
    };
    setFamily(lblTestQ, reversed ? aFont : qFont);
    for (int i = 1; i <= 9; ++i)
        for (QWidget* w : std::initializer_list<QWidget*>{txtTestA(i), optTestA(i), chkTestA(i)})
            setFamily(w, reversed ? qFont : aFont);
    QString caption = textOf(rs.Value(reversed ? QStringLiteral("A1") : QStringLiteral("Q")));
    if (opt("ZeigeThemaBeiAbfrage") != 0) caption = textOf(rs.Value(QStringLiteral("T"))) + "\n\n" + caption;
    lblTestQ->setText(caption);
    if (!reversed && opt("ShowSound") == 1 && modMedia::HasSound(rs)) modMedia::PlayItemSound(rs, true);

    testengine::PrepareItem(st, rs, reversed);
    // Filling the controls below must not run the live check.
    st.QuestionOpen = false;

    if (st.ItemTyp == 1) {
        chkShowUmlaute->hide();
        vgUmlaute->hide();
    } else {
        chkShowUmlaute->show();
        vgUmlaute->setVisible(chkShowUmlaute->isChecked());
    }

    LayoutTestControls(lblTestQ);
    if (opt("ShowText") == 1) lblTestQ->show();

    const int n = st.Test_WievieleAntwortFelder;
    if (opt("Lernmodus") == 1) {
        if (st.ItemTyp == 1) {
            for (int k = 1; k <= n && k <= 9; ++k) {
                QWidget* c = chkTestA(k)->isVisible() ? static_cast<QWidget*>(chkTestA(k)) : optTestA(k);
                const bool right = testengine::OptionInt(rs, "RA" + QString::number(k)) == 1;
                forms::setBackColor(c, right ? kLightGreen : panelBack);
            }
        } else if (n < 9) {
            QLineEdit* b = txtTestA(n + 1);
            b->setText(testengine::SolutionText(st.ExpectedAnswers));
            SetBestTextWidth(b, 2000, 600, long(Width(fraAbfrage) - 2000));
            setLeft(b, Width(fraAbfrage) / 2 - Width(b) / 2);
            if (n >= 1 && txtTestA(n)->isVisible()) setTop(b, Bottom(txtTestA(n)) + 100);
            b->setReadOnly(true);
            forms::setBackColor(b, forms::vbInfoBackground);
            b->show();
        }
    }

    st.ItemSecondsLeft = opt("SekundenZeitlimit");
    tmrTestVok->setEnabled(itemTimerOn());
    tmrTest->setEnabled(wholeTestTimerOn());

    st.TryNumber = 1;
    if (st.MaxTries > 1 && opt("BegriffAufloesen") == 0) {
        ShowTryCount();
        lblBCount->show();
    } else {
        lblBCount->hide();
    }
    // The first letter is a hint, not an answer: a one-letter answer must
    // not be taken as typed by the user.
    if (opt("ShowFirstLetter") == 1 && st.ItemTyp == 0 && st.ExpectedAnswers.size() > 1)
        txtTestA(1)->setText(st.ExpectedAnswers.at(1).left(1));
    st.QuestionOpen = true;
    // Told before the focus comes, so that a reader says it on arrival.
    describeAnswerControls();
    if (txtTestA(1)->isVisible()) {
        txtTestA(1)->setFocus();
        txtTestA(1)->setCursorPosition(txtTestA(1)->text().size());
    } else if (chkTestA(1)->isVisible()) {
        chkTestA(1)->setFocus();  // a choice is made with the keyboard as well
    } else if (optTestA(1)->isVisible()) {
        optTestA(1)->setFocus();
    } else {
        FocusWork();  // an item without answer controls goes on from the test bar
    }
    if (choice) choiceRenewed(choice);
    // Once the focus has left them, so that a reader does not hear them go.
    endNews();
    forgetResult();
}

void frmMain::EndOfTest(bool bStop) {
    auto& st = testState;
    if (opt("FalscheNochmal") != 0 && opt("BegriffAufloesen") == 1 && !bStop) {
        selectTestItems(*this, true);
        if (st.SetReady) {
            st.RepeatPass = true;
            ShowNextQuestion(false);
            return;
        }
    }
    st.QuestionOpen = false;
    lblTestBR->setText(QString::number(st.RightCount));
    lblTestBF->setText(QString::number(st.WrongCount));

    lblTestBPunktzahl->setText(QString::number(st.PointsScored) + modMain::GetText(181) +
                               QString::number(st.SetPoints));
    const bool points = opt("ZaehlePunkte") == 1;
    lblTestBPunktzahl->setVisible(points);
    lblTestBPunkte->setVisible(points);

    bool graded = false;
    if (opt("Punktebewertung") == 1 && data) {
        qint64 all = -1;
        try {
            all = testengine::SumPunkte(*data);
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
        }
        if (st.SetPoints == all) {
            std::array<qint64, 9> bounds{};
            for (int j = 2; j <= 8; ++j)
                bounds[std::size_t(j)] = rsOptions->Value("BewertungP" + QString::number(j)).toLongLong();
            const int row = GradeRow(st.PointsScored, all, bounds);
            lblTestBBewertung->setText(textOf(rsOptions->Value("Bewertung" + QString::number(row))));
            graded = true;
        }
    }
    lblTestBBewertung->setVisible(graded);

    if (graded) {
        setTop(lblTestBWrongWords, 2280);
        setTop(lstTestWrongWords, 2520);
        setHeight(lstTestWrongWords, 1395);
    } else {
        setTop(lblTestBWrongWords, 1200);
        setTop(lstTestWrongWords, 1440);
        setHeight(lstTestWrongWords, 2370);
    }

    lstTestWrongWords->clear();
    // A question shown under its theme is listed on one line.
    for (int i = 1; i < st.WrongQuestions.size(); ++i)
        lstTestWrongWords->addItem(
            QString(st.WrongQuestions.at(i)).replace(QStringLiteral("\n\n"), QStringLiteral(": ")));
    const bool any = lstTestWrongWords->count() > 0;
    lstTestWrongWords->setEnabled(any);
    forms::setBackColor(lstTestWrongWords, any ? kWhite : forms::SwitchedOffBackColor);

    // With nothing judged (the whole-test limit ran out at once) there is no
    // error rate and no picture.
    if (st.AskedCount > 0) {
        const int r = int((100.0 / st.AskedCount) * st.WrongCount);
        imgS->setPicture(":/testengine/grade_" + GradePictureKey(r).toLower() + ".png");
        imgS->setProperty("GradeKey", GradePictureKey(r));
    } else {
        imgS->setPicture(QString());
        imgS->setProperty("GradeKey", QString());
    }

    // The try label, an answer's hover hint and the special signs belong
    // to the item, not to the result (the signs would cover the list and
    // type into an answer box no longer shown).
    lblBCount->hide();
    chkShowUmlaute->hide();
    vgUmlaute->hide();
    HideBarPopup();

    setLeft(fraTestBewertung, Width(fraAbfrage) / 2 - Width(fraTestBewertung) / 2);
    setTop(fraTestBewertung, 0);
    if (opt("ZeigeBewertung") == 1) {
        // Nothing is left to judge or play: the two buttons take no keys.
        imgTestBarSolve->setEnabled(false);
        imgTestBarSound->setEnabled(false);
        fraTestBewertung->show();
        fraTestBewertung->raise();
        tellResult();
        FocusWork();
        endNews();
    } else {
        imgTestBarCancel_Click();
    }
    st.TestFinished = true;
}

void frmMain::tmrTest_Timer() {
    auto& st = testState;
    --st.TestSecondsLeft;
    lblBDBName->setText(FormatSeconds(st.TestSecondsLeft));
    if (st.TestSecondsLeft >= 1 && st.TestSecondsLeft <= 3) forms::ui().Beep();
    if (st.TestSecondsLeft == 0) {
        tmrTest->setEnabled(false);
        ShowNextQuestion(true);
    }
}

void frmMain::tmrTestVok_Timer() {
    auto& st = testState;
    --st.ItemSecondsLeft;
    if (st.ItemSecondsLeft >= 1 && st.ItemSecondsLeft <= 3) forms::ui().Beep();
    if (st.ItemSecondsLeft == 0) imgTestBarSolve_MouseUp(1, 0, 1, 1);
}

void frmMain::imgTestBarSolve_MouseUp(int Button, int, double, double) {
    auto& st = testState;
    if (st.TestFinished) return;
    if (bSolveDown) imgTestBarSolve->setPictureFrom(imgTestBarSolve_Hi);
    bSolveDown = false;
    if (!dataTest || !rsOptions) return;
    dao::Recordset& rs = *dataTest;

    if (Button == 2) {
        testengine::TipText tip;
        try {
            tip = testengine::ItemTip(rs);
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QStringLiteral("re51"));
            return;
        }
        testengine::frmHint hint;
        hint.Load();
        hint.Label1->setText(tip.text);
        hint.Label1->setEnabled(tip.enabled);
        hint.setWindowTitle(modMain::GetText(707));
        tmrTestVok->setEnabled(false);
        tmrTest->setEnabled(false);
        modMedia::PlaySoundTip(rs);
        showHint(*this, hint);
        tmrTestVok->setEnabled(itemTimerOn());
        tmrTest->setEnabled(wholeTestTimerOn());
        return;
    }

    tmrTestVok->setEnabled(false);
    const int n = st.Test_WievieleAntwortFelder;
    testengine::JudgeInput in;
    for (int i = 1; i <= n && i <= 9; ++i) in.boxes << txtTestA(i)->text();
    in.checkValue = [this](int i) { return i >= 1 && i <= 9 && chkTestA(i)->isChecked() ? 1 : 0; };
    in.optionSelected = [this](int i) { return i >= 1 && i <= 9 && optTestA(i)->isChecked(); };
    in.questionCaption = lblTestQ->text();
    const auto jo = testengine::ReadJudgeOptions(*rsOptions);
    const bool solutionShown = st.WasResolved;
    const testengine::Judgement j = testengine::Judge(st, rs, rsBenutzer.get(), BenutzerNr, jo, in);
    if (j.step == testengine::JudgeStep::Ignored) return;

    // The controls are filled with the question closed, so that their
    // change handling does not judge again.
    const bool open = st.QuestionOpen;
    st.QuestionOpen = false;
    for (int k : j.greenBoxes)
        if (k >= 1 && k <= 9) forms::setBackColor(txtTestA(k), kLightGreen);
    if (j.playWrongSound) modMedia::PlaySoundFalsch(rs, userOpt("PlayWrong") == 1);
    if (j.playRightSound) modMedia::PlaySoundRichtig(rs, userOpt("PlayRight") == 1);
    const bool singleBox = st.ItemTyp == 0 && n == 1;

    switch (j.step) {
        case testengine::JudgeStep::Retry: {
            ShowTryCount();
            tellNews(modMain::GetText(178) + QStringLiteral(", ") + lblBCount->text());
            if (st.ItemTyp == 1) {
                for (int k = 1; k <= n && k <= 9; ++k) {
                    optTestA(k)->setAutoExclusive(false);
                    optTestA(k)->setChecked(false);
                    optTestA(k)->setAutoExclusive(true);
                    chkTestA(k)->setChecked(false);
                }
                if (chkTestA(1)->isVisible())
                    chkTestA(1)->setFocus();
                else
                    optTestA(1)->setFocus();
            } else if (singleBox) {
                forms::setBackColor(txtTestA(1), kWhite);
                txtTestA(1)->setText(QString());
                txtTestA(1)->setFocus();
            } else if (j.failingBox >= 1 && j.failingBox <= 9) {
                QLineEdit* t = txtTestA(j.failingBox);
                forms::setBackColor(t, kLightRed);
                t->setText(QString());
                t->setFocus();
            }
            describeAnswerControls();
            endNews();
            st.QuestionOpen = open;
            tmrTestVok->setEnabled(itemTimerOn());
            break;
        }
        case testengine::JudgeStep::Resolved: {
            if (!j.explanation.isEmpty()) {
                testengine::frmHint hint;
                hint.Load();
                hint.Label1->setText(j.explanation);
                hint.Label1->setEnabled(true);
                hint.setWindowTitle(modMain::GetText(708));
                showHint(*this, hint);
                // The whole-test limit may have ended the test meanwhile.
                if (st.TestFinished) return;
            }
            tellNews(solutionNews());
            if (st.ItemTyp == 1) {
                for (int k = 1; k <= n && k <= 9; ++k) {
                    QWidget* c = chkTestA(k)->isVisible() ? static_cast<QWidget*>(chkTestA(k)) : optTestA(k);
                    if (testengine::OptionInt(rs, "RA" + QString::number(k)) == 1) {
                        forms::setBackColor(c, kLightGreen);
                        c->setFocus();
                    } else {
                        forms::setBackColor(c, forms::backColor(fraAbfrage));
                    }
                }
            } else if (singleBox) {
                QLineEdit* b = txtTestA(2);
                b->setText(testengine::SolutionText(st.ExpectedAnswers));
                setTop(b, Bottom(txtTestA(1)) + 100);
                SetBestTextWidth(b, 0, 600, long(Width(fraAbfrage) - 2000));
                setLeft(b, Width(fraAbfrage) / 2 - Width(b) / 2);
                b->setReadOnly(true);
                b->setVisible(testengine::ShowSolutionList(st.ExpectedAnswers));
                txtTestA(1)->setText(st.ExpectedAnswers.value(1));
                forms::setBackColor(txtTestA(1), kLightGreen);
            } else {
                for (int k = 1; k <= n && k <= 9; ++k) {
                    txtTestA(k)->setText(st.ExpectedAnswers.value(k));
                    forms::setBackColor(txtTestA(k), kLightGreen);
                }
            }
            describeAnswerControls();
            endNews();
            st.QuestionOpen = open;
            tmrTestVok->setEnabled(itemTimerOn());
            break;
        }
        case testengine::JudgeStep::Completed:
            st.QuestionOpen = open;
            // The solution shown, confirmed, is no answer of the learner's:
            // nothing is counted or sounded for it, and no verdict is said.
            if (!solutionShown && j.verdict == testengine::Verdict::Right) tellNews(modMain::GetText(177));
            if (!solutionShown && j.verdict == testengine::Verdict::Wrong) tellNews(modMain::GetText(178));
            setLeft(cmdBar, 5000 - 1020.0 / 100.0 * j.testErrorPercent);
            cmdBar->show();
            ShowNextQuestion(false);
            break;
        case testengine::JudgeStep::Ignored:
            break;
    }
}

}  // namespace mainwindow

namespace mainwindow {

bool frmMain::QuestionOpenNow() const {
    return testState.QuestionOpen;
}
bool frmMain::TestFinishedNow() const {
    return testState.TestFinished;
}
long frmMain::ShownItemAnswerCount() const {
    return dataTest && !dataTest->Eof() && !dataTest->Bof() ? testengine::CountAnswers(*dataTest) : 0;
}

}  // namespace mainwindow
