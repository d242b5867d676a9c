#pragma once
// For the few tests that run a real modal loop (the Qt implementation's
// own boxes): acts on the modal widget once it is shown, and fails the test
// instead of hanging when none shows or it is not closed in time.

#include <QWidget>
#include <functional>

namespace wktest {

// Call before starting the modal loop. `action` gets the active modal widget.
void onModal(std::function<void(QWidget* modal)> action, int timeoutMs = 5000);

// Types `name` into a shown Qt file dialog's name box, which it first gives
// the focus as a user's click would, and accepts the dialog.
// (QFileDialog::selectFile leaves the box alone while the box has the focus,
// and whether it has depends on when the dialog's window was activated.)
void typeNameAndAccept(QWidget* fileDialog, const QString& name);

}  // namespace wktest
