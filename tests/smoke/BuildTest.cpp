#include <gtest/gtest.h>

#include "platform/Error.h"

TEST(Error, CarriesNumberAndDescription) {
    wk::Error e(3021, "No current record.");
    EXPECT_EQ(e.number(), 3021);
    EXPECT_EQ(e.description(), "No current record.");
    EXPECT_STREQ(e.what(), "3021: No current record.");
}
