#pragma once
// The real implementation of Interaction: Qt's boxes and dialogs, the
// system clock and a random generator seeded once per process.

#include <QElapsedTimer>
#include <random>

#include "platform/forms/Interaction.h"

namespace forms {

class QtInteraction : public Interaction {
public:
    QtInteraction();

    int MsgBox(const QString& prompt, int style, const QString& title) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    bool ShowOpen(FileDialog& dlg) override;
    bool ShowSave(FileDialog& dlg) override;
    void ShowModal(QWidget& form) override;
    QAction* PopupMenu(QMenu& menu, const QPoint& globalPos) override;
    [[noreturn]] void EndProgram(int exitCode) override;
    void Beep() override;
    void SendKeys(const QString& keys) override;
    void DoEvents() override;
    QDateTime Now() override;
    qint64 TickCount() override;
    double Rnd() override;

private:
    QElapsedTimer clock_;
    std::mt19937 random_;
};

}  // namespace forms
