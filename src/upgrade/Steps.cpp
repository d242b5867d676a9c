// The chain: which function performs which step.
#include "upgrade/Steps.h"

namespace upgrade {

StepFunction StepFor(Step step) {
    switch (step) {
        case Step::From40:
            return Upgrade40To41;
        case Step::From41:
            return Upgrade41To42;
        case Step::From42:
            return Upgrade42To43;
        default:
            return {};
    }
}

}  // namespace upgrade
