#pragma once
// The Interaction that tests install: it answers message boxes, input boxes
// and file dialogs from queues the test fills, records every call, keeps a
// clock the test sets, and turns EndProgram into forms::ProgramEnded.
//
// A call with no queued answer fails the test with what was asked and throws
// UnexpectedInteraction, so a forgotten answer never blocks or passes quietly.
//
//   wktest::ScriptedUi ui;                 // installed until the end of scope
//   ui.pushMsgBox(forms::vbYes);           // the next MsgBox answers Yes
//   ui.pushOpen("/tmp/x/kurs.wkd");        // the next open dialog picks a file
//   ui.pushPopupChoice("mnuVGrid_Delete");  // the next pop-up menu: that entry
//   ui.pushModal([](QWidget& f) {           // the next modal form: play the user
//       static_cast<frmSearch&>(f).cmdCancel->click();
//   });
//   form.cmdDelete_Click();
//   EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).style, forms::vbYesNo | forms::vbQuestion);

#include <QDateTime>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#include "platform/forms/Interaction.h"

namespace wktest {

enum class CallKind {
    MsgBox,
    InputBox,
    ShowOpen,
    ShowSave,
    ShowModal,
    PopupMenu,
    EndProgram,
    Beep,
    SendKeys
};

const char* toString(CallKind kind);

// One recorded call; only the fields of its kind are filled.
struct InteractionCall {
    CallKind kind = CallKind::MsgBox;
    QString prompt;            // MsgBox, InputBox
    int style = 0;             // MsgBox
    QString title;             // MsgBox, InputBox (as passed, may be empty); ShowModal: window title
    QString formName;          // ShowModal: the form's objectName; PopupMenu: the menu's
    QStringList entries;       // PopupMenu: objectNames of the entries the user could choose
    QPoint at;                 // PopupMenu: where it opens, in screen coordinates
    QString defaultText;       // InputBox
    forms::FileDialog dialog;  // ShowOpen, ShowSave: the fields as the form set them
    QString keys;              // SendKeys
    int exitCode = 0;          // EndProgram
};

struct UnexpectedInteraction : std::logic_error {
    using std::logic_error::logic_error;
};

class ScriptedInteraction : public forms::Interaction {
public:
    ScriptedInteraction();

    // --- answers, used first in first out ---
    void pushMsgBox(int result);                              // a forms::MsgBoxResult
    void pushInputBox(const QString& text);                   // "" is what a cancel gives
    void pushOpen(const QString& path, int filterIndex = 0);  // 0 keeps FilterIndex
    void pushOpenCancel();
    void pushSave(const QString& path, int filterIndex = 0);
    void pushSaveCancel();
    // The next modal form: shown (not modally), handed to `script`, which
    // plays the user (fills its controls, clicks OK); the form must be hidden
    // or gone when the script returns, as a modal form is when Show returns.
    void pushModal(std::function<void(QWidget& form)> script);
    // The next pop-up menu: the entry to choose, by objectName (or by its
    // text without "&"), searched in submenus too. Choosing a hidden or
    // disabled entry fails the test, as a user could not. The entry is
    // triggered, as the real menu does before it returns.
    void pushPopupChoice(const QString& entry);
    void pushPopupDismiss();
    // Answers every further MsgBox with `result` once its queue is empty
    // (for tests that do not care about a form's notices). 0 switches off.
    void answerAllMsgBoxes(int result) { standingMsgBox_ = result; }
    // Runs whenever a box, dialog, modal form or pop-up menu is asked for, as
    // the window system acts while one is up (e.g. takes the focus away).
    void setWhileAsking(std::function<void()> action) { whileAsking_ = std::move(action); }

    // --- clock and random numbers ---
    void setNow(const QDateTime& now) { now_ = now; }
    void setTickCount(qint64 ms) { tick_ = ms; }
    // Moves both the clock and the tick count on.
    void advance(qint64 ms);
    // How far each DoEvents moves the clock (default 10 ms), so waits on the
    // tick count end.
    void setDoEventsStep(qint64 ms) { doEventsStep_ = ms; }
    // Whether DoEvents also runs Qt's pending events (default true).
    void setProcessEvents(bool on) { processEvents_ = on; }
    void pushRnd(double value);  // returned before the seeded generator is used
    void seedRnd(unsigned seed) { random_.seed(seed); }
    // Whether SendKeys also posts the keys to the focus widget as the program
    // does (default false: only recorded).
    void setDeliverKeys(bool on) { deliverKeys_ = on; }

    // --- what was asked ---
    const std::vector<InteractionCall>& calls() const { return calls_; }
    std::vector<InteractionCall> calls(CallKind kind) const;
    int count(CallKind kind) const;
    // The last call of that kind; fails the test (and throws) when there is none.
    const InteractionCall& last(CallKind kind) const;
    QStringList msgBoxPrompts() const;
    int doEventsCount() const { return doEvents_; }
    void clearCalls() { calls_.clear(); }
    // The answers still queued, described; empty when all were used.
    QString unusedAnswers() const;

    // --- forms::Interaction ---
    int MsgBox(const QString& prompt, int style, const QString& title) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    bool ShowOpen(forms::FileDialog& dlg) override;
    bool ShowSave(forms::FileDialog& dlg) override;
    void ShowModal(QWidget& form) override;
    QAction* PopupMenu(QMenu& menu, const QPoint& globalPos) override;
    [[noreturn]] void EndProgram(int exitCode) override;
    void Beep() override;
    void SendKeys(const QString& keys) override;
    void DoEvents() override;
    QDateTime Now() override { return now_; }
    qint64 TickCount() override { return tick_; }
    double Rnd() override;

private:
    struct FileAnswer {
        bool cancel = false;
        QString path;
        int filterIndex = 0;
    };
    bool answerFile(std::deque<FileAnswer>& queue, CallKind kind, forms::FileDialog& dlg);
    [[noreturn]] void unexpected(const InteractionCall& call) const;

    std::vector<InteractionCall> calls_;
    std::deque<int> msgBoxes_;
    std::deque<QString> inputs_;
    std::deque<FileAnswer> opens_, saves_;
    std::deque<double> rnds_;
    std::deque<std::function<void(QWidget&)>> modals_;
    std::deque<QString> popups_;  // "" dismisses
    int standingMsgBox_ = 0;
    std::function<void()> whileAsking_;
    QDateTime now_;
    qint64 tick_ = 0;
    qint64 doEventsStep_ = 10;
    bool processEvents_ = true;
    bool deliverKeys_ = false;
    int doEvents_ = 0;
    std::mt19937 random_{12345u};
};

// Installs an Interaction for its lifetime and puts back the one in force
// before.
class InteractionGuard {
public:
    explicit InteractionGuard(forms::Interaction& impl);
    ~InteractionGuard();
    InteractionGuard(const InteractionGuard&) = delete;
    InteractionGuard& operator=(const InteractionGuard&) = delete;

private:
    forms::Interaction* previous_;
};

// A ScriptedInteraction that installs itself, and at the end of its scope
// fails the test if answers were queued but never asked for.
class ScriptedUi : public ScriptedInteraction {
public:
    ScriptedUi();
    ~ScriptedUi() override;
    void allowUnusedAnswers() { checkUnused_ = false; }

private:
    InteractionGuard guard_;
    bool checkUnused_ = true;
};

}  // namespace wktest
