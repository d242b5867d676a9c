#pragma once
// One function per version step. Each runs inside the frame of RunStep (its
// own connection and transaction) and returns the option values that the
// frame writes together with the next version.

#include "upgrade/UpgradeDatabase.h"

namespace upgrade {

OptionValues Upgrade40To41(StepContext& ctx);
OptionValues Upgrade41To42(StepContext& ctx);
OptionValues Upgrade42To43(StepContext& ctx);

}  // namespace upgrade
