#include "common/numbers.h"

#include <gtest/gtest.h>

#include "common/counter16.h"
#include "common/pattern_format.h"

namespace trawlix::common {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfTheText) {
    EXPECT_DOUBLE_EQ(leadingNumber("12.5N"), 12.5);
    EXPECT_DOUBLE_EQ(leadingNumber("  -3.25 ft"), -3.25);
    EXPECT_DOUBLE_EQ(leadingNumber(".3"), 0.3);
    EXPECT_DOUBLE_EQ(leadingNumber("1.5e2x"), 150.0);
    EXPECT_DOUBLE_EQ(leadingNumber("7e"), 7.0);  // an "e" without digits is no exponent
    EXPECT_DOUBLE_EQ(leadingNumber("4807.038"), 4807.038);
}

TEST(LeadingNumber, GivesZeroWhenTheTextDoesNotBeginWithANumber) {
    EXPECT_EQ(leadingNumber("N12"), 0.0);
    EXPECT_EQ(leadingNumber(""), 0.0);
    EXPECT_EQ(leadingNumber("-"), 0.0);
    EXPECT_EQ(leadingNumber("."), 0.0);
    EXPECT_EQ(leadingNumber("1e999"), 0.0);  // beyond a double
}

TEST(StrictConversion, AcceptsOneNumberWithBlanksAround) {
    EXPECT_EQ(strictDouble(" 48.5\t"), 48.5);
    EXPECT_EQ(strictDouble("-1e-3"), -0.001);
    EXPECT_EQ(strictSingle("1.5e+07"), 15000000.0f);
}

TEST(StrictConversion, RejectsAnythingElse) {
    for (const char* text : {"", " ", "12.5N", "N12", "1,5", "1 2", "--1", "0x10", "nan", "inf"}) {
        EXPECT_FALSE(strictDouble(text)) << text;
    }
    EXPECT_FALSE(strictSingle("1e39"));
}

TEST(StrictConversion, IntegersRoundHalvesToEven) {
    EXPECT_EQ(strictInt16("2.5"), 2);
    EXPECT_EQ(strictInt16("3.5"), 4);
    EXPECT_EQ(strictInt16("-2.5"), -2);
    EXPECT_EQ(strictInt16("2.51"), 3);
    EXPECT_EQ(strictInt32("  7 "), 7);
}

TEST(StrictConversion, IntegersOutsideTheirRangeFail) {
    EXPECT_EQ(strictInt16("32767"), 32767);
    EXPECT_FALSE(strictInt16("32768"));
    EXPECT_EQ(strictInt16("-32768"), -32768);
    EXPECT_FALSE(strictInt16("-32769"));
    EXPECT_FALSE(strictInt16("32767.5"));  // rounds to the even 32768
    EXPECT_EQ(strictInt32("2147483647"), 2147483647);
    EXPECT_FALSE(strictInt32("2147483648"));
    EXPECT_FALSE(strictInt32("abc"));
}

TEST(StrictConversion, TruthValues) {
    EXPECT_EQ(strictBool("True"), true);
    EXPECT_EQ(strictBool("true"), true);
    EXPECT_EQ(strictBool("-1"), true);
    EXPECT_EQ(strictBool("FALSE"), false);
    EXPECT_EQ(strictBool("0"), false);
    EXPECT_FALSE(strictBool("yes"));
    EXPECT_FALSE(strictBool(""));
}

TEST(StrictConversion, ReadsBackEveryPlainSingle) {
    for (float value : {12.5f, 300.0f, 0.25f, -6.5f, 15000000.0f, -0.00002f, 5016.404f}) {
        EXPECT_EQ(strictSingle(formatPlainSingle(value)), value) << value;
    }
}

TEST(Counter16, StopsAt32767InsteadOfWrapping) {
    Counter16 counter(32766);
    counter.increment();
    EXPECT_EQ(counter.value(), 32767);
    counter.increment();
    EXPECT_EQ(counter.value(), 32767);
    counter.reset();
    EXPECT_EQ(counter.value(), 0);
}

}  // namespace
}  // namespace trawlix::common
