#include "link/line_settings.h"

#include <gtest/gtest.h>

namespace trawlix::link {
namespace {

TEST(LineSettings, ParsesTheUsualTexts) {
    const auto result = parseLineSettings("4800,N,8,1");
    ASSERT_TRUE(result.settings);
    EXPECT_EQ(result.settings->baud, 4800);
    EXPECT_EQ(result.settings->parity, LineSettings::Parity::None);
    EXPECT_EQ(result.settings->dataBits, 8);
    EXPECT_EQ(result.settings->stopBits, LineSettings::StopBits::One);
    EXPECT_DOUBLE_EQ(result.settings->bitsPerByte(), 10.0);

    const auto other = parseLineSettings(" 19200 , e , 7 , 1.5 ");
    ASSERT_TRUE(other.settings);
    EXPECT_EQ(other.settings->baud, 19200);
    EXPECT_EQ(other.settings->parity, LineSettings::Parity::Even);
    EXPECT_EQ(other.settings->stopBits, LineSettings::StopBits::OneAndHalf);
    EXPECT_DOUBLE_EQ(other.settings->bitsPerByte(), 10.5);
}

TEST(LineSettings, RejectsWhatDoesNotParseWithAReason) {
    for (const char* text :
         {"", "4800", "4800,N,8", "4800,N,8,1,0", "fast,N,8,1", "4800.5,N,8,1", "-4800,N,8,1",
          "0,N,8,1", "4800,X,8,1", "4800,N,9,1", "4800,N,8,3", "99999999999,N,8,1"}) {
        const auto result = parseLineSettings(text);
        EXPECT_FALSE(result.settings) << text;
        EXPECT_FALSE(result.error.empty()) << text;
    }
}

}  // namespace
}  // namespace trawlix::link
