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
    // The name given as UTF-8 text, as the system spells it.
    static std::filesystem::path systemName(const std::string& utf8) {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    }
    // The UTF-8 text the window and the command line hand over for a file in the folder.
    std::string utf8Name(const std::string& name) const {
        const std::u8string text = (folder / systemName(name)).u8string();
        return std::string(text.begin(), text.end());
    }

    TransferFiles files;
};

TEST_F(TransferFileNames, LinesWrittenEndInOneCrLfAndReadBackAsWritten) {
    const std::string name = utf8Name("lines.txt");
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
    ASSERT_EQ(files.openForInput(1, utf8Name("mixed.txt")), std::nullopt);
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
    ASSERT_EQ(files.openForOutput(1, utf8Name(name)), std::nullopt);
    EXPECT_EQ(files.writeLine(1, "Header,1,0"), std::nullopt);
    files.close(1);
    EXPECT_EQ(bytesOf(folder / systemName(name)), "Header,1,0\r\n")
        << "the file under the name asked for";

    createWithBytes(folder / systemName(name), "Waypoint,a,A\r\n");
    ASSERT_EQ(files.openForInput(2, utf8Name(name)), std::nullopt);
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
    const std::filesystem::path file = std::filesystem::absolute(folder / systemName("Höhe.txt"));
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
    EXPECT_EQ(files.openForOutput(1, utf8Name("Ördner/w.txt")), "No such file or directory");
    EXPECT_EQ(files.openForInput(1, utf8Name("Ördner/w.txt")), "No such file or directory");
    std::filesystem::create_directories(folder / systemName("Ördner"));
    EXPECT_EQ(files.openForInput(1, utf8Name("Ördner")), "it is a folder");
    EXPECT_EQ(files.openForOutput(1, utf8Name("Ördner")), "it is a folder");
    EXPECT_FALSE(files.isOpen(1));
}

}  // namespace
}  // namespace trawlix::testing
