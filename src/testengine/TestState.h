#pragma once
// The state of the running test. The main window keeps one of these; the
// selection, presenting, the judge and the statistics read and write its
// fields, which keep the names the main window's handlers use.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace testengine {

struct TestState {
    // Answer controls in use for the shown item (0 to 9).
    int Test_WievieleAntwortFelder = 0;
    // Tries allowed per item (OPTIONS.AnzahlVersuche).
    int MaxTries = 1;
    // Whole-test limit in minutes (OPTIONS.BigZeitlimitM).
    int TestMinutes = 0;
    // The test has ended (result shown or screen left); the test screen's
    // handlers do nothing while it is set.
    bool TestFinished = true;
    // The shown item is asked again after it was resolved.
    bool IsAskAgain = false;
    // The solution of the shown item was revealed.
    bool WasResolved = false;
    // The test is in a repeat pass over wrongly answered items.
    bool RepeatPass = false;
    // The shown item was answered wrongly at least once: nothing more is
    // counted for it.
    bool AnsweredWrong = false;
    int AskedCount = 0;
    int WrongCount = 0;
    int RightCount = 0;
    // Current try of the shown item, from 1.
    int TryNumber = 1;
    // For each position of the test, the 0-based record position in the set.
    std::vector<int> QuestionOrder;
    // Bookmarks of the items the test has asked (first pass): a repeat pass
    // asks only these again, never items the test did not ask.
    QSet<QByteArray> TestItems;
    // Position of the shown item in QuestionOrder; -1 before the first.
    int CurrentIndex = -1;
    // Sum of Punkte over the test set, and the points earned.
    qint64 SetPoints = 0;
    qint64 PointsScored = 0;
    int TestSecondsLeft = 0;
    int ItemSecondsLeft = 0;
    // Question captions of wrongly answered items from entry 1 on, no
    // duplicates; entry 0 stays empty.
    QStringList WrongQuestions{QString()};
    // The shown item waits for its answer.
    bool QuestionOpen = false;
    // VOK.Typ of the shown item: 0 typed, 1 choice, others no answer controls.
    int ItemTyp = 0;
    // A test screen is up.
    bool TestActive = false;
    // The last selection produced at least one item.
    bool SetReady = false;

    // The accepted answers of the shown item: entry 0 empty, entries 1
    // upwards the parts of its answer fields (see BuildExpectedAnswers).
    QStringList ExpectedAnswers{QString()};
};

}  // namespace testengine
