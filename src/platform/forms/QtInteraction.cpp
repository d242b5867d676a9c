#include "platform/forms/QtInteraction.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <cstdio>
#include <cstdlib>

#include "platform/Error.h"
#include "platform/forms/FileDialogs.h"
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

namespace {

// Ends a modal loop when its form is hidden (closing and unloading hide it).
class HideWatcher : public QObject {
public:
    HideWatcher(QWidget* form, QEventLoop* loop) : QObject(form), loop_(loop) {
        form->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide) loop_->quit();
        return false;
    }

private:
    QEventLoop* loop_;
};

}  // namespace

void QtInteraction::ShowModal(QWidget& form) {
    if (form.isVisible()) throw wk::Error(400, QStringLiteral("Form already displayed; can't show modally"));
    if (auto* dialog = qobject_cast<QDialog*>(&form)) {
        dialog->exec();
        return;
    }
    QPointer<QWidget> guard(&form);
    const Qt::WindowModality before = form.windowModality();
    form.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    auto* watcher = new HideWatcher(&form, &loop);
    QObject::connect(&form, &QObject::destroyed, &loop, &QEventLoop::quit);
    form.show();
    loop.exec(QEventLoop::DialogExec);
    if (guard) {
        delete watcher;
        form.setWindowModality(before);
    }
}

QAction* QtInteraction::PopupMenu(QMenu& menu, const QPoint& globalPos) {
    return menu.exec(globalPos);
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
