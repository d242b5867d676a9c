// Until the forms runtime provides forms::ui(), these weak definitions let the
// tests link; the runtime's own definitions take precedence once present.
#include "platform/forms/Interaction.h"

#include <cstdlib>

namespace forms {

namespace {
Interaction* installed = nullptr;
}

__attribute__((weak)) Interaction& ui() {
    if (!installed) std::abort();  // every test here installs its own
    return *installed;
}

__attribute__((weak)) void setInteraction(Interaction* impl) {
    installed = impl;
}

}  // namespace forms
