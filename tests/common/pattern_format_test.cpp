#include "common/pattern_format.h"

#include <gtest/gtest.h>

namespace trawlix::common {
namespace {

struct Example {
    double value;
    const char* pattern;
    const char* text;
};

// Every example the displays and files are built on.
class PatternExamples : public ::testing::TestWithParam<Example> {};

TEST_P(PatternExamples, FormatsAsShown) {
    const Example& e = GetParam();
    EXPECT_EQ(formatPattern(e.value, e.pattern), e.text) << e.value << " with " << e.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Coordinates, PatternExamples,
    ::testing::Values(Example{48.1234567, "##.00000", "48.12346"},
                      Example{-123.5, "##.00000", "-123.50000"}, Example{0.5, "##.00000", ".50000"},
                      Example{0.25, "##.00000", ".25000"}, Example{-0.5, "##.00000", "-.50000"},
                      Example{48.1173, "##.00000", "48.11730"}, Example{0, "##.00000", ".00000"},
                      Example{-0.25, "###.00000", "-.25000"},
                      Example{-123.45678901, "###.00000", "-123.45679"}));

INSTANTIATE_TEST_SUITE_P(DegreesAndMinutes, PatternExamples,
                         ::testing::Values(Example{4807.038, "##°00.000'", "48°07.038'"},
                                           Example{7.5, "##°00.000'", "°07.500'"},
                                           Example{0, "##°00.000'", "°00.000'"},
                                           Example{1131.0, "###°00.000'", "11°31.000'"},
                                           Example{12345.6789, "###°00.000'", "123°45.679'"},
                                           Example{4759.9996, "##°00.000'", "47°60.000'"}));

INSTANTIATE_TEST_SUITE_P(AltitudeAndHdop, PatternExamples,
                         ::testing::Values(Example{545.4 / 0.3048, "######.0", "1789.4"},
                                           Example{0, "######.0", ".0"},
                                           Example{100 / 0.3048, "######.0", "328.1"},
                                           Example{2.5 / 0.3048, "####.0000", "8.2021"},
                                           Example{0, "####.0000", ".0000"},
                                           Example{1.2 / 0.3048, "####.0000", "3.9370"},
                                           Example{30.48, "#####.0", "30.5"},
                                           Example{0.3, "#####.0", ".3"}));

INSTANTIATE_TEST_SUITE_P(TimesDatesAndRouteNumbers, PatternExamples,
                         ::testing::Values(Example{123519, "00:00:00", "12:35:19"},
                                           Example{92204.999, "00:00:00", "09:22:05"},
                                           Example{123559.6, "00:00:00", "12:35:60"},
                                           Example{93005, "00:00:00", "09:30:05"},
                                           Example{0, "00:00:00", "00:00:00"},
                                           Example{12252003, "00/00/0000", "12/25/2003"},
                                           Example{1012004, "00/00/0000", "01/01/2004"},
                                           Example{3, "00", "03"}, Example{12, "00", "12"},
                                           Example{123, "00", "123"}));

TEST(PatternFormat, DigitsBeyondTheLeftmostPlaceholderAreAllShown) {
    EXPECT_EQ(formatPattern(123456789.0, "##.0"), "123456789.0");
    EXPECT_EQ(formatPattern(-98765, "0"), "-98765");
}

TEST(PatternFormat, ValueThatRoundsToZeroHasNoSign) {
    EXPECT_EQ(formatPattern(-0.000001, "##.00000"), ".00000");
}

TEST(PatternFormat, TextPatternKeepsEmptyAndNonNumericText) {
    EXPECT_EQ(formatTextPattern("", "00:00:00"), "");
    EXPECT_EQ(formatTextPattern("0", "00:00:00"), "00:00:00");
    EXPECT_EQ(formatTextPattern("092204.999", "00:00:00"), "09:22:05");
    EXPECT_EQ(formatTextPattern("12h30", "00:00:00"), "12h30");
}

TEST(PlainSingle, ShowsSevenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(formatPlainSingle(12.5f), "12.5");
    EXPECT_EQ(formatPlainSingle(300.0f), "300");
    EXPECT_EQ(formatPlainSingle(0.25f), "0.25");
    EXPECT_EQ(formatPlainSingle(-6.5f), "-6.5");
    EXPECT_EQ(formatPlainSingle(0.1f), "0.1");
    EXPECT_EQ(formatPlainSingle(5016.4043f), "5016.404");
    EXPECT_EQ(formatPlainSingle(1234567.0f), "1234567");
    EXPECT_EQ(formatPlainSingle(0.0f), "0");
    EXPECT_EQ(formatPlainSingle(-0.0f), "0");
}

TEST(PlainSingle, UsesExponentFormForVeryLargeAndSmallMagnitudes) {
    EXPECT_EQ(formatPlainSingle(15000000.0f), "1.5e+07");
    EXPECT_EQ(formatPlainSingle(-0.00002f), "-2e-05");
}

}  // namespace
}  // namespace trawlix::common
