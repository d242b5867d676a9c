#include <gtest/gtest.h>

#include "upgrade/SchemaVersion.h"

using upgrade::SelectStep;
using upgrade::Step;

TEST(SchemaVersion, EveryAcceptedTextSelectsItsStep) {
    const std::pair<const char*, Step> cases[] = {
        {"2.1", Step::From21}, {"2,1", Step::From21}, {"2.2", Step::From22}, {"2,2", Step::From22},
        {"3.0", Step::From30}, {"3,0", Step::From30}, {"3", Step::From30},   {"3.2", Step::From32},
        {"3,2", Step::From32}, {"4.0", Step::From40}, {"4,0", Step::From40}, {"4", Step::From40},
        {"4.1", Step::From41}, {"4,1", Step::From41}, {"4.2", Step::From42}, {"4,2", Step::From42},
    };
    for (const auto& [text, step] : cases) EXPECT_EQ(SelectStep(QString::fromLatin1(text)), step) << text;
}

TEST(SchemaVersion, OnlyExactTextsSelectAStep) {
    // Blanks, a further digit, a bare 2, the current version and anything
    // newer select nothing.
    for (const char* text : {" 4.2", "4.2 ", "2.10", "4.25", "2", "2.0", "4.3", "4,3", "4.4", "", "4.0.",
                             "04.0", "4.00", "3.20", "2.1a"})
        EXPECT_EQ(SelectStep(QString::fromLatin1(text)), Step::None) << '"' << text << '"';
}

TEST(SchemaVersion, EachStepWritesTheNextVersionWithAPoint) {
    EXPECT_EQ(upgrade::VersionAfter(Step::NoVersionColumn), "2.1");
    EXPECT_EQ(upgrade::VersionAfter(Step::From21), "2.2");
    EXPECT_EQ(upgrade::VersionAfter(Step::From22), "3.0");
    EXPECT_EQ(upgrade::VersionAfter(Step::From30), "3.2");
    EXPECT_EQ(upgrade::VersionAfter(Step::From32), "4.0");
    EXPECT_EQ(upgrade::VersionAfter(Step::From40), "4.1");
    EXPECT_EQ(upgrade::VersionAfter(Step::From41), "4.2");
    EXPECT_EQ(upgrade::VersionAfter(Step::From42), "4.3");
    EXPECT_TRUE(upgrade::VersionAfter(Step::None).isEmpty());
}

TEST(SchemaVersion, TheChainClimbsOneVersionAtATimeToTheCurrentOne) {
    // Following each step's written version from 2.1 visits every step once
    // and ends at a version that selects nothing.
    QString v = QStringLiteral("2.1");
    int steps = 0;
    for (Step s = SelectStep(v); s != Step::None; s = SelectStep(v)) {
        const QString next = upgrade::VersionAfter(s);
        ASSERT_NE(SelectStep(next), s) << "step " << v.toStdString() << " would repeat";
        v = next;
        ASSERT_LT(++steps, 10);
    }
    EXPECT_EQ(v, "4.3");
    EXPECT_EQ(steps, 7);
    EXPECT_EQ(upgrade::AcceptedVersions(Step::From40), (QStringList{"4.0", "4,0", "4"}));
}
