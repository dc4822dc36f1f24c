#include "app/window_command_line.h"

#include <gtest/gtest.h>

namespace trawlix::app {
namespace {

TEST(WindowCommandLine, HelpAndVersionAreAnsweredWithoutAWindow) {
    EXPECT_EQ(windowStart({"--help"}), WindowStart::ShowHelp);
    EXPECT_EQ(windowStart({"-h"}), WindowStart::ShowHelp);
    EXPECT_EQ(windowStart({"--version"}), WindowStart::ShowVersion);
    EXPECT_EQ(windowStart({"-platform", "offscreen", "--version"}), WindowStart::ShowVersion);
    EXPECT_EQ(windowStart({"--version", "--help"}), WindowStart::ShowVersion);
}

TEST(WindowCommandLine, EverythingElseOpensTheWindowAndIsLeftToQt) {
    EXPECT_EQ(windowStart({}), WindowStart::OpenWindow);
    EXPECT_EQ(windowStart({"-platform", "offscreen", "-style", "fusion"}), WindowStart::OpenWindow);
    // Only whole words count: a value that merely contains an option's name is Qt's.
    EXPECT_EQ(windowStart({"-stylesheet", "--help.qss"}), WindowStart::OpenWindow);
    EXPECT_EQ(windowStart({"--versions"}), WindowStart::OpenWindow);
}

TEST(WindowCommandLine, UsageNamesWhatIsAnswered) {
    const std::string usage = windowUsage();
    EXPECT_NE(usage.find("--help"), std::string::npos);
    EXPECT_NE(usage.find("--version"), std::string::npos);
}

}  // namespace
}  // namespace trawlix::app
