#include "app/port_holder.h"

#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

namespace trawlix::app {
namespace {

namespace fs = std::filesystem;

// A scratch tree with a /proc of made-up processes and a lock folder.
class PortHolderTest : public ::testing::Test {
  protected:
    PortHolderTest() {
        root = fs::temp_directory_path() / ("trawlix-holder-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "lock");
        fs::create_directories(root / "proc");
    }
    ~PortHolderTest() override { fs::remove_all(root); }

    void process(long pid, const std::string& program, const std::vector<std::string>& files) {
        const fs::path folder = root / "proc" / std::to_string(pid);
        fs::create_directories(folder / "fd");
        std::ofstream(folder / "comm") << program << "\n";
        int fd = 0;
        for (const std::string& file : files) {
            fs::create_symlink(file, folder / "fd" / std::to_string(fd++));
        }
    }
    void lockFile(const std::string& name, const std::string& contents) {
        std::ofstream(root / "lock" / name) << contents;
    }
    std::optional<PortHolder> byLock(const std::string& device, long ownPid = 1) {
        return lockFileHolder(device, ownPid, {root / "nowhere", root / "lock"}, root / "proc");
    }

    fs::path root;
};

TEST_F(PortHolderTest, LockOfALiveProcessNamesItsProgram) {
    process(812, "gpsd", {});
    lockFile("LCK..ttyUSB0", "      812\n");
    const auto holder = byLock("/dev/ttyUSB0");
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->text(), "gpsd (pid 812)");
}

TEST_F(PortHolderTest, PseudoTerminalLockNameAndTheLocksOwnProgramLine) {
    lockFile("LCK..pts_3", "4711\ntrawlix\nhost\n");
    fs::create_directories(root / "proc" / "4711");  // alive, but says nothing of itself
    const auto holder = byLock("/dev/pts/3");
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->text(), "trawlix (pid 4711)");
}

TEST_F(PortHolderTest, StaleOwnOrUnreadableLocksHoldNothing) {
    lockFile("LCK..ttyS0", "999\n");  // no such process
    EXPECT_FALSE(byLock("/dev/ttyS0"));
    process(55, "trawlix-cli", {});
    lockFile("LCK..ttyS1", "55\n");
    EXPECT_FALSE(byLock("/dev/ttyS1", 55));
    lockFile("LCK..ttyS2", "garbage\n");
    EXPECT_FALSE(byLock("/dev/ttyS2"));
    EXPECT_FALSE(byLock("/dev/ttyS3"));
}

// Open files are read from /proc only on Linux; the made-up one is of symbolic links, which
// Windows creates only for the privileged.
#if defined(__linux__)
TEST_F(PortHolderTest, ProcessWithTheDeviceOpenIsItsHolderButNotTheFarSideOfAPty) {
    process(10, "trawlix-sim", {"/dev/ptmx", "/dev/pts/7"});
    process(11, "bash", {"/dev/pts/9"});
    process(12, "ModemManager", {"/dev/null", "/dev/ttyACM0"});
    EXPECT_FALSE(processHolder("/dev/pts/7", 1, root / "proc"));
    EXPECT_EQ(processHolder("/dev/pts/9", 1, root / "proc")->program, "bash");
    EXPECT_EQ(processHolder("/dev/ttyACM0", 1, root / "proc")->text(), "ModemManager (pid 12)");
    EXPECT_FALSE(processHolder("/dev/ttyACM0", 12, root / "proc"));
    EXPECT_FALSE(processHolder("/dev/ttyACM1", 1, root / "proc"));
}

TEST_F(PortHolderTest, OnePassNamesTheHolderOfEachDeviceByTheNameGiven) {
    process(20, "gpsd", {"/dev/ttyUSB0"});
    process(21, "minicom", {"/dev/null", "/dev/ttyS0"});
    const auto holders =
        processHolders({"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS1"}, 1, root / "proc");
    ASSERT_EQ(holders.size(), 2u);
    EXPECT_EQ(holders.at("/dev/ttyS0").program, "minicom");
    EXPECT_EQ(holders.at("/dev/ttyUSB0").pid, 20);
}
#endif

}  // namespace
}  // namespace trawlix::app
