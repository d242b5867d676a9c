// The chain: which function performs which step.
#include "upgrade/Steps.h"

namespace upgrade {

StepFunction StepFor(Step step) {
    switch (step) {
        case Step::NoVersionColumn:
            return UpgradeNoVersion;
        case Step::From21:
            return Upgrade21To22;
        case Step::From22:
            return Upgrade22To30;
        case Step::From30:
            return Upgrade30To32;
        case Step::From32:
            return Upgrade32To40;
        case Step::From40:
            return Upgrade40To41;
        case Step::From41:
            return Upgrade41To42;
        case Step::From42:
            return Upgrade42To43;
        case Step::None:
            break;
    }
    return {};
}

int ToInteger(const QVariant& v) {
    if (!v.isValid() || v.isNull()) throw wk::Error(kInvalidUseOfNull, QStringLiteral("Invalid use of Null"));
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok) throw wk::Error(wk::err::TypeMismatch, QStringLiteral("Type mismatch"));
    if (d < -32768.5 || d >= 32767.5) throw wk::Error(wk::err::Overflow, QStringLiteral("Overflow"));
    return int(qRound(d));
}

}  // namespace upgrade
