// The last three steps: options the 4.1 and 4.3 programs introduced. None of
// them looks at the database kind.
#include "upgrade/Steps.h"

namespace upgrade {

OptionValues Upgrade40To41(StepContext& ctx) {
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN ShowOverview INTEGER"));
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN ShowOptions INTEGER"));
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN ShowBewertung INTEGER"));
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN TestMaxFragen INTEGER"));
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN bTestMaxFragen INTEGER"));
    return {
        {QStringLiteral("ShowOverview"), 1},   {QStringLiteral("ShowOptions"), 1},
        {QStringLiteral("ShowBewertung"), 1},  {QStringLiteral("TestMaxFragen"), 50},
        {QStringLiteral("bTestMaxFragen"), 0},
    };
}

// Only the version moves; the file is still closed and opened again.
OptionValues Upgrade41To42(StepContext&) {
    return {};
}

OptionValues Upgrade42To43(StepContext& ctx) {
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN ZeigeThemaBeiAbfrage INTEGER"));
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN ShowFirstLetter INTEGER"));
    ctx.Execute(QStringLiteral("ALTER TABLE Options ADD COLUMN ZeigeBewertung INTEGER"));
    return {
        {QStringLiteral("ZeigeThemaBeiAbfrage"), 0},
        {QStringLiteral("ShowFirstLetter"), 0},
        {QStringLiteral("ZeigeBewertung"), 1},
    };
}

}  // namespace upgrade
