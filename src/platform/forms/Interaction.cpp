#include "platform/forms/Interaction.h"

#include "platform/forms/QtInteraction.h"

namespace forms {
namespace {

Interaction* installed = nullptr;

}  // namespace

Interaction& qtInteraction() {
    static QtInteraction qt;
    return qt;
}

void Interaction::ShowModal(QWidget& form) {
    qtInteraction().ShowModal(form);
}

QAction* Interaction::PopupMenu(QMenu& menu, const QPoint& globalPos) {
    return qtInteraction().PopupMenu(menu, globalPos);
}

Interaction& ui() {
    return installed ? *installed : qtInteraction();
}

void setInteraction(Interaction* impl) {
    installed = impl;
}

}  // namespace forms
