// The editor's rules that need no window.

#include <gtest/gtest.h>

#include "editor/EditVokRules.h"
#include "support/QtPrinters.h"

using namespace editor;

TEST(EditVokRules, SeveralAnswersByCountOrSemicolon) {
    EXPECT_FALSE(HasSeveralAnswers({}));
    EXPECT_FALSE(HasSeveralAnswers({"", "", ""}));
    EXPECT_FALSE(HasSeveralAnswers({"one"}));
    EXPECT_TRUE(HasSeveralAnswers({"one;two"}));
    EXPECT_TRUE(HasSeveralAnswers({"one", "", "", "", "five"}));
    EXPECT_TRUE(HasSeveralAnswers({"", " ", " "}));  // blanks are answers
    // Only the first filled answer's ";" counts before a second answer stops the walk.
    EXPECT_TRUE(HasSeveralAnswers({"", "a;b"}));
}

TEST(EditVokRules, PointsTextToLong) {
    EXPECT_EQ(PointsValue(""), 0);
    EXPECT_EQ(PointsValue("12"), 12);
    EXPECT_EQ(PointsValue(" 7 "), 7);
    // Whole numbers from 0 up only, as message 572 asks.
    EXPECT_FALSE(PointsValue("-5"));
    EXPECT_FALSE(PointsValue("+5"));
    EXPECT_FALSE(PointsValue("1e3"));
    EXPECT_FALSE(PointsValue("2.5"));
    EXPECT_FALSE(PointsValue("1 2"));
    EXPECT_EQ(PointsValue("007"), 7);
    EXPECT_EQ(PointsValue("2147483647"), 2147483647);
    EXPECT_FALSE(PointsValue("99999999999999999999"));
    EXPECT_FALSE(PointsValue("2147483648"));
    EXPECT_FALSE(PointsValue("9e9999"));
    EXPECT_FALSE(PointsValue("12a"));
    EXPECT_FALSE(PointsValue("-"));
    EXPECT_FALSE(PointsValue("inf"));
    EXPECT_FALSE(PointsValue("nan"));
    EXPECT_TRUE(IsNumericText("1e5"));
    EXPECT_FALSE(IsNumericText(" "));
}

TEST(EditVokRules, SubjectDefaultsAndProperCase) {
    EXPECT_EQ(ProperCase("ANDERE"), "Andere");
    EXPECT_EQ(ProperCase("other things"), "Other Things");
    EXPECT_EQ(SubjectToStore("", "OTHER"), "Other");
    EXPECT_EQ(SubjectToStore(" ", "Other"), "Other");
    EXPECT_EQ(SubjectToStore("  ", "Other"), "  ");
    EXPECT_EQ(SubjectToStore("haus", "Other"), "haus");
}

TEST(EditVokRules, DuplicatePromptUsesBareCarriageReturns) {
    EXPECT_EQ(DuplicatePrompt("Der Begriff/die Frage ", "Haus",
                              " existiert schon mit folgender Antwort:", "house", "Trotzdem hinzufügen ?"),
              "Der Begriff/die Frage \"Haus\" existiert schon mit folgender Antwort:\r\rhouse\r\rTrotzdem "
              "hinzufügen ?");
}
