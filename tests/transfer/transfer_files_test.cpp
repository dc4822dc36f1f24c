// Transfer files by the names a user gives them: the bytes on disk and the names that open
// must be the same on every system.
#include "transfer/transfer_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

using transfer::TransferFiles;

class TransferFileNames : public FormFixture {
  protected:
    // The file's bytes, read by its name as the system spells it.
    static std::string bytesOf(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void createWithBytes(const std::filesystem::path& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }

    TransferFiles files;
};

TEST_F(TransferFileNames, LinesWrittenEndInOneCrLfAndReadBackAsWritten) {
    const std::string name = path("lines.txt");
    ASSERT_EQ(files.openForOutput(1, name), std::nullopt);
    EXPECT_EQ(files.writeLine(1, "Waypoint,A,1,2,,0,M,1,0,0,a"), std::nullopt);
    EXPECT_EQ(files.writeLine(1, ""), std::nullopt);
    EXPECT_EQ(files.writeLine(1, "Point,True,071548.24"), std::nullopt);
    files.close(1);
    EXPECT_EQ(bytesOf(folder / "lines.txt"),
              "Waypoint,A,1,2,,0,M,1,0,0,a\r\n\r\nPoint,True,071548.24\r\n");

    ASSERT_EQ(files.openForInput(2, name), std::nullopt);
    EXPECT_EQ(files.readLine(2), "Waypoint,A,1,2,,0,M,1,0,0,a");
    EXPECT_EQ(files.readLine(2), "");
    EXPECT_EQ(files.readLine(2), "Point,True,071548.24");
    EXPECT_EQ(files.readLine(2), std::nullopt);
}

TEST_F(TransferFileNames, LoneLineFeedsAndCtrlZReadAsTheyStand) {
    // A file from another system keeps its bytes: no line end is added or taken away, and
    // the old end-of-file mark of text mode is an ordinary character.
    createWithBytes(folder / "mixed.txt",
                    "a\nb\r\nc\x1A"
                    "d\re");
    ASSERT_EQ(files.openForInput(1, path("mixed.txt")), std::nullopt);
    EXPECT_EQ(files.readLine(1), "a");
    EXPECT_EQ(files.readLine(1), "b");
    EXPECT_EQ(files.readLine(1),
              "c\x1A"
              "d");
    EXPECT_EQ(files.readLine(1), "e");
    EXPECT_EQ(files.readLine(1), std::nullopt);
}

class TransferFileName : public TransferFileNames,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(TransferFileName, OpensForWritingAndReadingByItsUtf8Text) {
    const std::string name = GetParam();
    ASSERT_EQ(files.openForOutput(1, path(name)), std::nullopt);
    EXPECT_EQ(files.writeLine(1, "Header,1,0"), std::nullopt);
    files.close(1);
    EXPECT_EQ(bytesOf(folder / fromUtf8(name)), "Header,1,0\r\n")
        << "the file under the name asked for";

    createWithBytes(folder / fromUtf8(name), "Waypoint,a,A\r\n");
    ASSERT_EQ(files.openForInput(2, path(name)), std::nullopt);
    EXPECT_EQ(files.readLine(2), "Waypoint,a,A");
}

INSTANTIATE_TEST_SUITE_P(
    Names, TransferFileName,
    ::testing::Values("my tracks; today.txt",  // blanks and punctuation
                      "Zürich Höhenweg.txt",   // letters of the Western code page
                      "Маршрут 1.txt",         // letters of no Western code page
                      "路线 – ½ day ✓.txt"));  // of no 8-bit code page at all

TEST_F(TransferFileNames, AnAbsoluteNameOpensWithEitherSlash) {
    // On Windows the name carries a drive letter, and dialogs and users write it with
    // forward slashes as often as with backslashes.
    const std::filesystem::path file = std::filesystem::absolute(folder / fromUtf8("Höhe.txt"));
    createWithBytes(file, "Point,True\r\n");
#ifdef _WIN32
    ASSERT_TRUE(file.has_root_name()) << "a drive letter";
#endif
    const std::u8string native = file.u8string();
    const std::u8string generic = file.generic_u8string();
    for (const std::u8string& name : {native, generic}) {
        ASSERT_EQ(files.openForInput(1, std::string(name.begin(), name.end())), std::nullopt)
            << std::string(name.begin(), name.end());
        EXPECT_EQ(files.readLine(1), "Point,True");
        files.close(1);
    }
}

TEST_F(TransferFileNames, AMissingFolderOrAFolderIsNamedAsTheReason) {
    EXPECT_EQ(files.openForOutput(1, path("Ördner/w.txt")), "No such file or directory");
    EXPECT_EQ(files.openForInput(1, path("Ördner/w.txt")), "No such file or directory");
    std::filesystem::create_directories(folder / fromUtf8("Ördner"));
    EXPECT_EQ(files.openForInput(1, path("Ördner")), "it is a folder");
    EXPECT_EQ(files.openForOutput(1, path("Ördner")), "it is a folder");
    EXPECT_FALSE(files.isOpen(1));
}

TEST_F(TransferFileNames, NamesOfWindowsDevicesAreRefusedThereAndOrdinaryElsewhere) {
    for (const std::string name : {"nul.txt", "COM1.txt", "Aux", "con.tar.gz", "lpt9 .log"}) {
#if defined(_WIN32)
        // Windows would open the device: the download "succeeds" and no file exists.
        EXPECT_EQ(files.openForOutput(1, path(name)), "it is the name of a device on Windows")
            << name;
        EXPECT_EQ(files.openForInput(1, path(name)), "it is the name of a device on Windows")
            << name;
        EXPECT_FALSE(files.isOpen(1)) << name;
#else
        ASSERT_EQ(files.openForOutput(1, path(name)), std::nullopt) << name;
        EXPECT_EQ(files.writeLine(1, "Header,1,0"), std::nullopt);
        files.close(1);
        EXPECT_EQ(bytesOf(folder / fromUtf8(name)), "Header,1,0\r\n") << name;
#endif
    }
}

TEST(WindowsDeviceNames, AreTheLastPartOfThePathWhateverTheCaseAndExtension) {
    for (const char* device : {"NUL", "nul.txt", R"(C:\Tracks\COM3.txt)", "C:/a/Con.tar.gz", "prn",
                               "aux .log", "LPT1", "conout$", "D:com9.txt"}) {
        EXPECT_TRUE(transfer::namesAWindowsDevice(device)) << device;
    }
    for (const char* file : {"nullable.txt", "COM10.txt", "console.txt", "COM.txt", "my nul.txt",
                             R"(C:\nul\w.txt)", "/dev/ttyS0", "COMa", ""}) {
        EXPECT_FALSE(transfer::namesAWindowsDevice(file)) << file;
    }
}

TEST(WindowsForbiddenCharacters, AreLookedForInTheFileNameOnly) {
    for (const char* bad : {"a?b.txt", R"(C:\Tracks\a*b.txt)", "C:/x/w.txt:hidden", "a|b",
                            "say \"hi\".txt", "tab\there.txt", "C:a:b.txt"}) {
        EXPECT_TRUE(transfer::hasCharacterWindowsForbids(bad)) << bad;
    }
    for (const char* good : {R"(C:\Tracks\w.txt)", "C:w.txt", "D:/a b/Z\xC3\xBCrich; 1.txt",
                             R"(\\server\share\w.txt)", "w.txt"}) {
        EXPECT_FALSE(transfer::hasCharacterWindowsForbids(good)) << good;
    }
}

#if defined(_WIN32)
TEST_F(TransferFileNames, ACharacterWindowsForbidsIsNamedAsTheReason) {
    // The system's own reason is "Invalid argument"; after ":" it would even write to a
    // hidden stream of another file.
    for (const std::string name : {"a?b.txt", "w.txt:hidden"}) {
        const auto why = files.openForOutput(1, path(name));
        ASSERT_TRUE(why.has_value()) << name;
        EXPECT_NE(why->find("a character that Windows does not allow"), std::string::npos) << *why;
        EXPECT_FALSE(files.isOpen(1));
    }
}
#endif

}  // namespace
}  // namespace trawlix::testing
