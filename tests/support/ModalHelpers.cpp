#include "support/ModalHelpers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace wktest {

void onModal(std::function<void(QWidget*)> action, int timeoutMs) {
    auto* poll = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto acted = std::make_shared<QPointer<QWidget>>();
    auto done = std::make_shared<bool>(false);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!*done && modal) {
            *done = true;
            *acted = modal;
            action(modal);
        }
        const bool stillOpen = *acted && (*acted)->isVisible();
        if (*done && !stillOpen) {
            poll->deleteLater();
            poll->stop();
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            ADD_FAILURE() << (*done ? "the modal window was not closed in time"
                                    : "no modal window was shown");
            if (QWidget* m = QApplication::activeModalWidget()) {
                if (auto* d = qobject_cast<QDialog*>(m))
                    d->reject();
                else
                    m->hide();
            }
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
}

void typeNameAndAccept(QWidget* fileDialog, const QString& name) {
    auto* dialog = qobject_cast<QFileDialog*>(fileDialog);
    ASSERT_NE(dialog, nullptr);
    auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(box, nullptr);
    QApplication::setActiveWindow(dialog);
    box->setFocus();
    box->setText(name);
    QMetaObject::invokeMethod(dialog, "accept");
}

}  // namespace wktest
