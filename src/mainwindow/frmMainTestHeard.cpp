// What a screen reader hears of the test screen besides the controls
// themselves. The question is a label that changes silently from item to
// item, and right or wrong shows only in colours: so every shown answer
// control is described by the question, after the news of the last
// judgement, and the result's figures describe the control the result
// starts at. A description changed on the control with the focus is read
// out at once; one on another control is read when the focus comes.
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "testengine/Answers.h"
#include "testengine/Judge.h"
#include "testengine/Selection.h"

namespace mainwindow {

namespace {

QString joined(const QStringList& parts) {
    QStringList said;
    for (const QString& p : parts)
        if (!p.isEmpty()) said << p;
    return said.join(QStringLiteral(", "));
}

}  // namespace

void frmMain::tellAnswerControls(const QString& news) {
    // A question the options keep hidden is not heard either.
    const QString question =
        lblTestQ->isVisible()
            ? QString(lblTestQ->text()).replace(QStringLiteral("\n\n"), QStringLiteral(": "))
            : QString();
    const QString said = joined({news, question});
    for (int i = 1; i <= 9; ++i)
        for (QWidget* w : std::initializer_list<QWidget*>{txtTestA(i), optTestA(i), chkTestA(i)}) {
            if (!w->isVisible()) continue;
            // Qt tells of the words even when they are the same again (an
            // item asked once more): they are news too.
            w->setAccessibleDescription(said);
        }
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
    const QString said = joined({std::exchange(judgedNews, QString()), figures.join(QStringLiteral(", "))});
    lstTestWrongWords->setAccessibleDescription(said);
    // With nothing to revise the result starts at the button that ends it.
    imgTestBarCancel->setAccessibleDescription(
        lstTestWrongWords->isEnabled() ? modMain::GetText(688).trimmed()
                                       : said + QStringLiteral(", ") + modMain::GetText(688).trimmed());
}

}  // namespace mainwindow
