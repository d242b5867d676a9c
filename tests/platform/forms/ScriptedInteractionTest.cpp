// The scripted interaction every form test stands on: answers in order,
// records what was asked, fails loudly on a call nobody scripted.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QMenu>

#include "platform/Error.h"
#include "platform/dialogs/CommonDialog.h"
#include "platform/forms/Interaction.h"
#include "support/ScriptedInteraction.h"

using namespace forms;
using wktest::CallKind;

TEST(ScriptedInteraction, AnswersMessageBoxesInOrderAndRecordsThem) {
    wktest::ScriptedUi s;
    s.pushMsgBox(vbYes);
    s.pushMsgBox(vbCancel);
    EXPECT_EQ(ui().MsgBox("Delete?", vbYesNo | vbQuestion, "Warning:"), vbYes);
    EXPECT_EQ(ui().MsgBox("Save?", vbYesNoCancel), vbCancel);

    ASSERT_EQ(s.count(CallKind::MsgBox), 2);
    const auto& first = s.calls()[0];
    EXPECT_EQ(first.prompt, "Delete?");
    EXPECT_EQ(first.style, vbYesNo | vbQuestion);
    EXPECT_EQ(first.title, "Warning:");
    EXPECT_EQ(s.last(CallKind::MsgBox).prompt, "Save?");
    EXPECT_EQ(s.msgBoxPrompts(), QStringList({"Delete?", "Save?"}));
}

TEST(ScriptedInteraction, UnscriptedCallFailsTheTestAndThrows) {
    // The failure is expected here; it is what a forgotten answer produces.
    EXPECT_NONFATAL_FAILURE(
        {
            wktest::ScriptedInteraction s;
            wktest::InteractionGuard g(s);
            EXPECT_THROW(ui().MsgBox("Unexpected text", vbOKOnly, "T"), wktest::UnexpectedInteraction);
        },
        "Unexpected text");
    EXPECT_NONFATAL_FAILURE(
        {
            wktest::ScriptedInteraction s;
            wktest::InteractionGuard g(s);
            FileDialog d;
            d.DialogTitle = "Open database";
            EXPECT_THROW(ui().ShowOpen(d), wktest::UnexpectedInteraction);
        },
        "Open database");
}

TEST(ScriptedInteraction, AnswerThatIsNoButtonOfTheBoxIsReported) {
    EXPECT_NONFATAL_FAILURE(
        {
            wktest::ScriptedUi s;
            s.pushMsgBox(vbYes);
            ui().MsgBox("Only OK here", vbOKOnly | vbInformation, {});
        },
        "is not a button");
}

TEST(ScriptedInteraction, LeftOverAnswersFailAtTheEndOfScope) {
    EXPECT_NONFATAL_FAILURE(
        {
            wktest::ScriptedUi s;
            s.pushMsgBox(vbOK);
            s.pushOpenCancel();
        },
        "1 MsgBox, 1 ShowOpen");
    // ...unless the test says they may stay.
    wktest::ScriptedUi s;
    s.pushInputBox("x");
    s.allowUnusedAnswers();
}

TEST(ScriptedInteraction, StandingAnswerFitsEachBox) {
    wktest::ScriptedUi s;
    s.answerAllMsgBoxes(vbYes);
    EXPECT_EQ(ui().MsgBox("a", vbYesNo, {}), vbYes);
    EXPECT_EQ(ui().MsgBox("b", vbOKOnly, {}), vbOK);  // no Yes: the first button
    s.pushMsgBox(vbNo);                               // a queued one goes first
    EXPECT_EQ(ui().MsgBox("c", vbYesNo, {}), vbNo);
}

TEST(ScriptedInteraction, InputBoxRecordsDefaultAndGivesQueuedText) {
    wktest::ScriptedUi s;
    s.pushInputBox("Anna");
    s.pushInputBox("");
    EXPECT_EQ(ui().InputBox("Name?", "New user", "Bob"), "Anna");
    EXPECT_EQ(ui().InputBox("Name?", {}, {}), "");
    EXPECT_EQ(s.calls(CallKind::InputBox)[0].defaultText, "Bob");
    EXPECT_EQ(s.calls(CallKind::InputBox)[0].title, "New user");
}

TEST(ScriptedInteraction, FileDialogsFillFieldsAndRecordWhatTheFormSet) {
    wktest::ScriptedUi s;
    s.pushOpen("/data/DB/kurs.WKD");
    s.pushSave("/out/liste", 2);

    dialogs::CommonDialog open;
    open.InitDir = "/data/DB/";
    open.Filter = "Vocabulary database (*.wkd)|*.wkd";
    open.Flags = cdlOFNFileMustExist | cdlOFNHideReadOnly;
    ASSERT_TRUE(open.ShowOpen());
    EXPECT_EQ(open.FileName, "/data/DB/kurs.WKD");
    EXPECT_EQ(open.FileTitle, "kurs.WKD");
    EXPECT_EQ(open.FilterIndex, 1);

    FileDialog save;
    save.Filter = "Text|*.txt|HTML|*.htm";
    save.DefaultExt = "htm";
    ASSERT_TRUE(ui().ShowSave(save));
    EXPECT_EQ(save.FileName, "/out/liste.htm");
    EXPECT_EQ(save.FilterIndex, 2);

    const auto& rec = s.last(CallKind::ShowOpen);
    EXPECT_EQ(rec.dialog.InitDir, "/data/DB/");
    EXPECT_EQ(rec.dialog.Flags, 4100);
    EXPECT_EQ(rec.dialog.FileName, "");  // as the form handed it over
}

TEST(ScriptedInteraction, CancelReturnsFalseOrRaisesTheCancelError) {
    wktest::ScriptedUi s;
    s.pushOpenCancel();
    s.pushSaveCancel();
    FileDialog quiet;
    quiet.FileName = "kept.wkd";
    EXPECT_FALSE(ui().ShowOpen(quiet));
    EXPECT_EQ(quiet.FileName, "kept.wkd");

    FileDialog loud;
    loud.CancelError = true;
    try {
        ui().ShowSave(loud);
        ADD_FAILURE() << "no error raised";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::DialogCancelled);
    }
}

TEST(ScriptedInteraction, EndProgramThrowsWithTheCode) {
    wktest::ScriptedUi s;
    try {
        ui().EndProgram(3);
        ADD_FAILURE() << "EndProgram returned";
    } catch (const ProgramEnded& e) {
        EXPECT_EQ(e.code, 3);
    }
    EXPECT_EQ(s.last(CallKind::EndProgram).exitCode, 3);
}

TEST(ScriptedInteraction, ClockTicksAndDoEventsMoveTogether) {
    wktest::ScriptedUi s;
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 30, 0));
    s.setNow(start);
    s.setTickCount(1000);
    s.advance(1500);
    EXPECT_EQ(ui().TickCount(), 2500);
    EXPECT_EQ(ui().Now(), start.addMSecs(1500));

    // A wait loop on the tick count ends, as the program's waits do.
    s.setDoEventsStep(25);
    const qint64 t0 = ui().TickCount();
    int rounds = 0;
    while (ui().TickCount() - t0 < 100) {
        ui().DoEvents();
        ++rounds;
    }
    EXPECT_EQ(rounds, 4);
    EXPECT_EQ(s.doEventsCount(), 4);
}

TEST(ScriptedInteraction, RndGivesQueuedValuesThenASeededSequence) {
    wktest::ScriptedUi s;
    s.pushRnd(0.25);
    EXPECT_DOUBLE_EQ(ui().Rnd(), 0.25);
    s.seedRnd(7);
    std::vector<double> a;
    for (int i = 0; i < 5; ++i) a.push_back(ui().Rnd());
    s.seedRnd(7);
    for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(ui().Rnd(), a[i]);
    for (double r : a) {
        EXPECT_GE(r, 0.0);
        EXPECT_LT(r, 1.0);
    }
}

TEST(ScriptedInteraction, BeepAndKeysAreRecordedAndMalformedKeysStillFail) {
    wktest::ScriptedUi s;
    ui().Beep();
    ui().SendKeys("{TAB}");
    EXPECT_EQ(s.count(CallKind::Beep), 1);
    EXPECT_EQ(s.last(CallKind::SendKeys).keys, "{TAB}");
    EXPECT_THROW(ui().SendKeys("{NOSUCHKEY}"), wk::Error);
}

TEST(ScriptedInteraction, GuardsNestAndRestore) {
    Interaction* qt = &qtInteraction();
    EXPECT_EQ(&ui(), qt);
    {
        wktest::ScriptedInteraction outer;
        wktest::InteractionGuard g1(outer);
        EXPECT_EQ(&ui(), &outer);
        {
            wktest::ScriptedUi inner;
            EXPECT_EQ(&ui(), &inner);
        }
        EXPECT_EQ(&ui(), &outer);
    }
    EXPECT_EQ(&ui(), qt);
}

TEST(ScriptedInteraction, PopupMenuTriggersTheChosenReachableEntry) {
    QMenu menu;
    menu.setObjectName("mnuVGrid");
    QAction* del = menu.addAction("&Delete");
    del->setObjectName("mnuVGrid_Delete");
    QAction* hidden = menu.addAction("Hidden");
    hidden->setObjectName("mnuVGrid_Hidden");
    hidden->setVisible(false);
    QMenu* columns = menu.addMenu("Columns");
    QAction* colQ = columns->addAction("Question");
    colQ->setObjectName("mnuVGrid_ColQ");
    int deleted = 0, colToggled = 0;
    QObject::connect(del, &QAction::triggered, [&] { ++deleted; });
    QObject::connect(colQ, &QAction::triggered, [&] { ++colToggled; });

    wktest::ScriptedUi s;
    s.pushPopupChoice("mnuVGrid_Delete");
    s.pushPopupChoice("Question");  // by its text, inside a submenu
    s.pushPopupDismiss();
    EXPECT_EQ(ui().PopupMenu(menu, {}), del);
    EXPECT_EQ(ui().PopupMenu(menu, {}), colQ);
    EXPECT_EQ(ui().PopupMenu(menu, {}), nullptr);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(colToggled, 1);
    EXPECT_EQ(s.last(CallKind::PopupMenu).entries, QStringList({"mnuVGrid_Delete", "mnuVGrid_ColQ"}));

    columns->menuAction()->setEnabled(false);
    EXPECT_NONFATAL_FAILURE(
        {
            s.pushPopupChoice("mnuVGrid_ColQ");
            EXPECT_EQ(ui().PopupMenu(menu, {}), nullptr);
        },
        "could not choose");
    EXPECT_EQ(colToggled, 1);
}
