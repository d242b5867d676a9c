#pragma once
// A scripted stand-in for the user and the machine: message boxes answer
// from a queue and are recorded, Rnd answers from a queue (or a seeded
// generator when the queue is empty), EndProgram throws instead of ending
// the test process.

#include <QRandomGenerator>
#include <deque>
#include <vector>

#include "platform/forms/Interaction.h"

namespace wktest {

struct MsgBoxCall {
    QString prompt;
    int style;
    QString title;
};

class RecordingInteraction : public forms::Interaction {
public:
    RecordingInteraction() { forms::setInteraction(this); }
    ~RecordingInteraction() override { forms::setInteraction(nullptr); }

    std::vector<MsgBoxCall> msgBoxes;
    std::deque<int> msgBoxAnswers;
    std::deque<double> rnd;
    int endProgramCalls = 0;

    int MsgBox(const QString& prompt, int style, const QString& title) override {
        msgBoxes.push_back({prompt, style, title});
        if (msgBoxAnswers.empty()) return forms::vbOK;
        const int a = msgBoxAnswers.front();
        msgBoxAnswers.pop_front();
        return a;
    }
    QString InputBox(const QString&, const QString&, const QString&) override { return {}; }
    bool ShowOpen(forms::FileDialog&) override { return false; }
    bool ShowSave(forms::FileDialog&) override { return false; }
    [[noreturn]] void EndProgram(int exitCode) override {
        ++endProgramCalls;
        throw forms::ProgramEnded(exitCode);
    }
    void Beep() override {}
    void SendKeys(const QString&) override {}
    void DoEvents() override {}
    QDateTime Now() override { return QDateTime::currentDateTime(); }
    qint64 TickCount() override { return 0; }
    double Rnd() override {
        if (rnd.empty()) return generator_.generateDouble();
        const double r = rnd.front();
        rnd.pop_front();
        return r;
    }

private:
    QRandomGenerator generator_{12345};
};

}  // namespace wktest
