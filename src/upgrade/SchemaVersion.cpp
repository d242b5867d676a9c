#include "upgrade/SchemaVersion.h"

namespace upgrade {

namespace {

struct ChainEntry {
    Step step;
    const char* accepted[3];
    const char* next;
};

// In the order the tests are made. A comma stands for the point in files of
// programs that wrote the version with the locale's decimal sign; only 3.0
// and 4.0 were ever written as a bare number.
const ChainEntry kChain[] = {
    {Step::From21, {"2.1", "2,1", nullptr}, "2.2"}, {Step::From22, {"2.2", "2,2", nullptr}, "3.0"},
    {Step::From30, {"3.0", "3,0", "3"}, "3.2"},     {Step::From32, {"3.2", "3,2", nullptr}, "4.0"},
    {Step::From40, {"4.0", "4,0", "4"}, "4.1"},     {Step::From41, {"4.1", "4,1", nullptr}, "4.2"},
    {Step::From42, {"4.2", "4,2", nullptr}, "4.3"},
};

const ChainEntry* Find(Step step) {
    for (const auto& e : kChain)
        if (e.step == step) return &e;
    return nullptr;
}

}  // namespace

Step SelectStep(const QString& appVersion) {
    for (const auto& e : kChain)
        for (const char* t : e.accepted)
            if (t && appVersion == QLatin1String(t)) return e.step;
    return Step::None;
}

QStringList AcceptedVersions(Step step) {
    QStringList out;
    if (const auto* e = Find(step))
        for (const char* t : e->accepted)
            if (t) out << QString::fromLatin1(t);
    return out;
}

QString VersionAfter(Step step) {
    if (step == Step::NoVersionColumn) return QStringLiteral("2.1");
    if (const auto* e = Find(step)) return QString::fromLatin1(e->next);
    return {};
}

QString StepName(Step step) {
    if (step == Step::NoVersionColumn) return QStringLiteral("no version");
    if (const auto* e = Find(step)) return QString::fromLatin1(e->accepted[0]);
    return QStringLiteral("none");
}

}  // namespace upgrade
