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

Interaction& ui() {
    return installed ? *installed : qtInteraction();
}

void setInteraction(Interaction* impl) {
    installed = impl;
}

}  // namespace forms
