#include "common/line_split.h"

#include <gtest/gtest.h>

namespace trawlix::common {
namespace {

using Fields = std::vector<std::string>;

TEST(SplitFields, NCommasGiveNPlusOneFields) {
    EXPECT_EQ(splitFields("a,b,c"), (Fields{"a", "b", "c"}));
    EXPECT_EQ(splitFields(",,"), (Fields{"", "", ""}));
    EXPECT_EQ(splitFields(""), (Fields{""}));
    EXPECT_EQ(splitFields("a,"), (Fields{"a", ""}));
}

TEST(SplitFields, KeepsBlanksAndQuotesAsTheyStand) {
    EXPECT_EQ(splitFields(" a ,\"b,c\""), (Fields{" a ", "\"b", "c\""}));
}

TEST(FieldOrEmpty, GivesEmptyTextBeyondTheLastField) {
    const Fields fields{"a", "b"};
    EXPECT_EQ(fieldOrEmpty(fields, 1), "b");
    EXPECT_EQ(fieldOrEmpty(fields, 2), "");
}

}  // namespace
}  // namespace trawlix::common
