#include "platform/forms/QtInteraction.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "platform/dialogs/FileDialogs.h"
#include "platform/forms/MessageBoxes.h"
#include "platform/forms/SendKeys.h"

namespace forms {
namespace {

QWidget* dialogParent() {
    return QApplication::activeWindow();
}

}  // namespace

QtInteraction::QtInteraction() : random_(std::random_device{}()) {
    clock_.start();
}

int QtInteraction::MsgBox(const QString& prompt, int style, const QString& title) {
    auto box = buildMessageBox(prompt, style, title, dialogParent());
    box->exec();
    return messageBoxResult(*box, box->clickedButton());
}

QString QtInteraction::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    auto dlg = buildInputBox(prompt, title, defaultText, dialogParent());
    if (dlg->exec() != QDialog::Accepted) return {};
    return dlg->textValue();
}

bool QtInteraction::ShowOpen(FileDialog& dlg) {
    return dialogs::runFileDialog(dlg, dialogs::Mode::Open, dialogParent());
}

bool QtInteraction::ShowSave(FileDialog& dlg) {
    return dialogs::runFileDialog(dlg, dialogs::Mode::Save, dialogParent());
}

void QtInteraction::EndProgram(int exitCode) {
    // At once, as the original's End: no form unloads, no further handlers.
    // The databases are durable after every write, so nothing is lost.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void QtInteraction::Beep() {
    QApplication::beep();
}

void QtInteraction::SendKeys(const QString& keys) {
    postKeyStrokes(parseSendKeys(keys));
}

void QtInteraction::DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QDateTime QtInteraction::Now() {
    return QDateTime::currentDateTime();
}

qint64 QtInteraction::TickCount() {
    return clock_.elapsed();
}

double QtInteraction::Rnd() {
    // Rounding can make the distribution give 1.0 itself; [0, 1) is promised.
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    double r = uniform(random_);
    while (r >= 1.0) r = uniform(random_);
    return r;
}

}  // namespace forms
