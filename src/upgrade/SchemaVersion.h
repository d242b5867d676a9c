#pragma once
// The version chain of vocabulary databases. The schema version is the text
// in OPTIONS.AppVersion; each old version has exactly one step that carries
// a file to the next. A text selects a step only when it equals one of the
// step's texts exactly: no trimming, no reading as a number, so " 4.2",
// "2.10" and "4.25" select nothing.

#include <QString>
#include <QStringList>

namespace upgrade {

enum class Step {
    None,             // current, or a text no step accepts: nothing to do
    NoVersionColumn,  // OPTIONS has no AppVersion column: the oldest files
    From21,
    From22,
    From30,
    From32,
    From40,
    From41,
    From42,
};

// The step that the version text asks for. Never NoVersionColumn: that one
// is chosen by the missing column, not by a text.
Step SelectStep(const QString& appVersion);

// The texts a step accepts, in the order they are tested.
QStringList AcceptedVersions(Step step);

// The version the step writes; always with a point. Empty for None.
QString VersionAfter(Step step);

// A short name for messages and test output ("4.0").
QString StepName(Step step);

}  // namespace upgrade
