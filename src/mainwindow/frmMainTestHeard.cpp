// What a screen reader hears of the test screen besides the controls
// themselves. The question is a label that changes silently from item to
// item, and right or wrong shows only in colours: so every shown answer
// control is described by the question, and the result's figures describe
// the control the result starts at. A reader speaks a description that
// changes on the control it is on, and reads it with the control when the
// focus comes. The news of a judgement (right, wrong, the next try, the
// solution) describes the control the learner answered on for a moment and
// is said there, once; the question describes it again right after, so that
// the news is not heard again, nor on another item.
#include <QAccessible>
#include <QApplication>

#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "testengine/Answers.h"
#include "testengine/Judge.h"
#include "testengine/Selection.h"

namespace mainwindow {

void frmMain::describeAnswerControls() {
    // A question the options keep hidden is not heard either.
    const QString question =
        lblTestQ->isVisible()
            ? QString(lblTestQ->text()).replace(QStringLiteral("\n\n"), QStringLiteral(": "))
            : QString();
    // Only changed words are told: the control the reader is on says them.
    for (int i = 1; i <= 9; ++i)
        for (QWidget* w : std::initializer_list<QWidget*>{txtTestA(i), optTestA(i), chkTestA(i)}) {
            const QString said = w->isVisible() ? question : QString();
            if (w->accessibleDescription() != said) w->setAccessibleDescription(said);
        }
}

void frmMain::tellNews(const QString& news) {
    QWidget* f = QApplication::focusWidget();
    if (news.isEmpty()) return;
    if (!f || !isAncestorOf(f)) {
        newsDue_ = news;
        return;
    }
    bool answer = false;
    for (int i = 1; i <= 9; ++i) answer = answer || f == txtTestA(i) || f == optTestA(i) || f == chkTestA(i);
    if (!answer && !newsOn_) {
        newsOn_ = f;
        newsOwn_ = f->accessibleDescription();
    }
    f->setAccessibleDescription(news);
}

// The window takes the keys back (when the desktop gets round to it): once
// Qt has told of the focus, which it does right after this, the news is
// told on the control the focus came to, as any news is, and the control
// is described again. A reader hears them in that order, however late it
// reads the control.
void frmMain::sayNewsDue(QWidget* now) {
    if (newsDue_.isEmpty() || !now || !isAncestorOf(now)) return;
    // Until then an answer control says nothing of its own: its question
    // follows the news.
    for (int i = 1; i <= 9; ++i)
        if (now == txtTestA(i) || now == optTestA(i) || now == chkTestA(i))
            now->setAccessibleDescription(QString());
    QMetaObject::invokeMethod(
        this,
        [this, news = std::exchange(newsDue_, QString())] {
            tellNews(news);
            describeAnswerControls();
            endNews();
        },
        Qt::QueuedConnection);
}

// An item starts on the choice control the learner was on: a reader hears
// it as it hears a choice the focus moves to, with its state, not as the
// one it stayed on (checked or chosen, the last it heard).
void frmMain::choiceRenewed(QWidget* was) {
    if (QApplication::focusWidget() != was) return;
    QAccessibleEvent focus(was, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

void frmMain::endNews() {
    // Once the focus has left it, a reader does not hear the words go back.
    if (newsOn_) newsOn_->setAccessibleDescription(std::exchange(newsOwn_, QString()));
    newsOn_ = nullptr;
}

QString frmMain::solutionNews() const {
    const int n = testState.Test_WievieleAntwortFelder;
    QStringList right;
    if (testState.ItemTyp == 1) {
        for (int k = 1; k <= n && k <= 9; ++k)
            if (dataTest && testengine::OptionInt(*dataTest, "RA" + QString::number(k)) == 1)
                right << (chkTestA(k)->isVisible() ? chkTestA(k)->text() : optTestA(k)->text());
    } else if (n == 1) {
        right << testengine::SolutionText(testState.ExpectedAnswers);
    } else {
        for (int k = 1; k <= n && k <= 9; ++k) right << testState.ExpectedAnswers.value(k);
    }
    return modMain::GetText(178) + QStringLiteral(", ") + modMain::GetText(198) + QStringLiteral(": ") +
           right.join(QStringLiteral(", "));
}

void frmMain::tellResult() {
    QStringList figures{lblTestBBR->text() + QLatin1Char(' ') + lblTestBR->text(),
                        lblTestBBF->text() + QLatin1Char(' ') + lblTestBF->text()};
    if (lblTestBPunkte->isVisibleTo(fraTestBewertung))
        figures << lblTestBPunkte->text() + QLatin1Char(' ') + lblTestBPunktzahl->text();
    if (lblTestBBewertung->isVisibleTo(fraTestBewertung)) figures << lblTestBBewertung->text();
    const QString said = figures.join(QStringLiteral(", "));
    // With nothing to revise the result starts at the button that ends it,
    // which the figures describe. The list of questions to revise hands
    // the focus on to its first entry at once, and a reader goes there
    // without a word of the list's description: the figures are news where
    // the learner is.
    if (lstTestWrongWords->isEnabled())
        tellNews(said);
    else
        imgTestBarCancel->setAccessibleDescription(said + QStringLiteral(", ") +
                                                   modMain::GetText(688).trimmed());
}

void frmMain::forgetResult() {
    const QString esc = modMain::GetText(688).trimmed();
    if (imgTestBarCancel->accessibleDescription() != esc) imgTestBarCancel->setAccessibleDescription(esc);
}

}  // namespace mainwindow
