#pragma once
// One function per version step. Each runs inside the frame of RunStep (its
// own connection and transaction) and returns the option values that the
// frame writes together with the next version.

#include "upgrade/UpgradeDatabase.h"

namespace upgrade {

OptionValues UpgradeNoVersion(StepContext& ctx);
OptionValues Upgrade21To22(StepContext& ctx);
OptionValues Upgrade22To30(StepContext& ctx);
OptionValues Upgrade30To32(StepContext& ctx);
// The 3.2 step: one branch per old kind, then every file is of kind 4.
OptionValues Upgrade32To40(StepContext& ctx);
void Upgrade32To40Kind0(StepContext& ctx);
void Upgrade32To40Kind1(StepContext& ctx);
void Upgrade32To40Kind2(StepContext& ctx);
OptionValues Upgrade40To41(StepContext& ctx);
OptionValues Upgrade41To42(StepContext& ctx);
OptionValues Upgrade42To43(StepContext& ctx);

// Column name of a numbered family: stem and the number's digits.
inline QString Numbered(const char* stem, int n) {
    return QString::fromLatin1(stem) + QString::number(n);
}

// A value read as a 16-bit Integer: 94 for Null, 13 for what is
// no number, 6 for what does not fit.
int ToInteger(const QVariant& v);

}  // namespace upgrade
