// The layouts the steps expect, kind by kind and version by version.
#include <gtest/gtest.h>

#include "platform/Error.h"
#include "upgrade/OldKinds.h"
#include "vocabdb/VokSchema.h"

using upgrade::OldDatabaseLayout;
using vocabdb::IndexOfField;

namespace {

bool Has(const vocabdb::FieldList& f, const char* name) {
    return IndexOfField(f, QString::fromLatin1(name)) >= 0;
}

}  // namespace

class OldKindVersions : public ::testing::TestWithParam<int> {};

TEST_P(OldKindVersions, EachVersionHoldsWhatItsStepExpects) {
    const int kind = GetParam();
    const auto v32 = OldDatabaseLayout(kind, "3.2");
    const auto v30 = OldDatabaseLayout(kind, "3.0");
    const auto v22 = OldDatabaseLayout(kind, "2.2");
    const auto v21 = OldDatabaseLayout(kind, "2.1");
    const auto none = OldDatabaseLayout(kind, "");

    // 3.0 -> 3.2 adds the per-item flags of kind 0 only.
    EXPECT_EQ(Has(v32.vok, "AskAllItems"), kind == 0);
    EXPECT_FALSE(Has(v30.vok, "AskAllItems"));
    EXPECT_EQ(v30.options.size(), v32.options.size());

    // 2.2 -> 3.0: fonts, grid settings and the known history come; list-view
    // and statistics columns go, except in kind 1.
    EXPECT_TRUE(Has(v30.options, "SchriftartRest"));
    EXPECT_FALSE(Has(v22.options, "SchriftartRest"));
    EXPECT_FALSE(Has(v22.options, "GridShowQ"));
    EXPECT_FALSE(Has(v22.vok, "Known11"));
    EXPECT_TRUE(Has(v30.vok, "Known56"));
    EXPECT_EQ(Has(v22.options, "LView6W"), kind != 1);
    EXPECT_EQ(Has(v22.vok, "StatC5"), kind != 1);
    EXPECT_FALSE(Has(v30.options, "LView0W"));
    EXPECT_TRUE(Has(v22.options, "Schriftart"));

    // 2.1 -> 2.2: the first fonts; kind 2's answer settings move to the items.
    EXPECT_FALSE(Has(v21.options, "Schriftart"));
    EXPECT_EQ(Has(v21.options, "InnerType"), kind == 2);
    EXPECT_EQ(Has(v21.options, "MCAA"), kind == 2);
    EXPECT_FALSE(Has(v21.vok, "MultipleAnswers") && kind == 2);
    EXPECT_FALSE(Has(v22.options, "InnerType"));

    // Before 2.1 there is no version column and no pictures or sounds.
    EXPECT_TRUE(Has(v21.options, "AppVersion"));
    EXPECT_FALSE(Has(none.options, "AppVersion"));
    EXPECT_FALSE(Has(none.vok, "Bild"));
    EXPECT_FALSE(Has(none.vok, "Sound"));
    EXPECT_TRUE(Has(none.options, "DBType"));
    for (const auto* l : {&v32, &v30, &v22, &v21, &none}) {
        EXPECT_EQ(l->kind, kind);
        EXPECT_TRUE(Has(l->vok, "Q") && Has(l->vok, "T"));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, OldKindVersions, ::testing::Values(0, 1, 2));

TEST(OldKinds, TheStoredVersionTextIsTheOneAskedFor) {
    const auto l = OldDatabaseLayout(0, "3.0", "3");
    const int i = IndexOfField(l.options, "AppVersion");
    ASSERT_GE(i, 0);
    EXPECT_EQ(l.options[i].defaultValue.toString(), "3");
    EXPECT_EQ(OldDatabaseLayout(2, "3.2")
                  .options[IndexOfField(OldDatabaseLayout(2, "3.2").options, "AppVersion")]
                  .defaultValue.toString(),
              "3.2");
}

TEST(OldKinds, Kind4FilesLackWhatTheLaterStepsAdd) {
    const auto current = vocabdb::FieldNames(vocabdb::OptionsFields());
    const auto v40 = vocabdb::FieldNames(OldDatabaseLayout(4, "4.0").options);
    const auto v41 = vocabdb::FieldNames(OldDatabaseLayout(4, "4.1").options);
    const auto v42 = vocabdb::FieldNames(OldDatabaseLayout(4, "4.2").options);
    EXPECT_EQ(v40.size() + 8, current.size());
    EXPECT_EQ(v41.size() + 3, current.size());
    EXPECT_EQ(v41, v42);
    EXPECT_FALSE(v40.contains("ShowOverview"));
    EXPECT_TRUE(v41.contains("bTestMaxFragen"));
    EXPECT_FALSE(v42.contains("ZeigeBewertung"));
    EXPECT_EQ(OldDatabaseLayout(4, "4.0").kind, 4);
}

TEST(OldKinds, VersionsAndKindsThatNeverExistedAreRefused) {
    for (const auto& [kind, version] : std::vector<std::pair<int, QString>>{
             {0, "4.0"}, {4, "3.2"}, {3, "3.2"}, {1, "2.0"}, {4, ""}, {2, "3,2"}}) {
        try {
            OldDatabaseLayout(kind, version);
            ADD_FAILURE() << kind << " " << version.toStdString();
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), wk::err::SubscriptOutOfRange);
        }
    }
}
