#include "platform/forms/Form.h"

#include <QCloseEvent>
#include <QScopedValueRollback>

#include "platform/forms/Interaction.h"

namespace forms {

Form::Form(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    Form_Load();
}

void Form::Show(int mode) {
    Load();
    // A form may unload itself while loading.
    if (!loaded_) return;
    if (mode == vbModal) {
        ui().ShowModal(*this);
    } else {
        show();
        raise();
        activateWindow();
    }
}

bool Form::Unload() {
    return unload(vbFormCode);
}

bool Form::unload(int mode) {
    if (!loaded_ || unloading_) return true;
    // Cleared on every way out, an error of a handler included.
    const QScopedValueRollback busy(unloading_, true);
    int cancel = 0;
    Form_QueryUnload(cancel, mode);
    if (cancel == 0) Form_Unload(cancel);
    if (cancel != 0) return false;
    loaded_ = false;
    hide();
    emit unloaded();
    return true;
}

void Form::closeEvent(QCloseEvent* e) {
    if (unloading_ || !loaded_) {
        e->accept();
        return;
    }
    if (unload(vbFormControlMenu))
        e->accept();
    else
        e->ignore();
}

bool Form::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && loaded_) Form_Activate();
    return QWidget::event(e);
}

}  // namespace forms
