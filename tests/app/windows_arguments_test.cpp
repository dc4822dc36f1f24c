// The command line the text editor is started with on Windows.
#include "app/windows_arguments.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
// windows.h first
#include <shellapi.h>
#endif

namespace trawlix::app {
namespace {

TEST(WindowsCommandLine, ArgumentsAreQuotedOnlyWhereTheyWouldBeSplitOrChanged) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"(C:\Tracks\t.txt)", R"(C:\Tracks\t.txt)"},
        {R"(C:\My Tracks\t.txt)", R"("C:\My Tracks\t.txt")"},
        {"", R"("")"},
        {R"(C:\My Tracks\)", R"("C:\My Tracks\\")"},
        {R"(say "hi")", R"("say \"hi\"")"},
        {R"(a\"b)", R"("a\\\"b")"},
    };
    for (const auto& [argument, expected] : cases) {
        EXPECT_EQ(quoteWindowsArgument(argument), expected) << argument;
    }
}

TEST(WindowsCommandLine, TheEditorGetsTheFileInBackslashes) {
    EXPECT_EQ(windowsEditorArguments("C:/Users/Ann/Zürich tracks.txt"),
              R"("C:\Users\Ann\Zürich tracks.txt")");
    EXPECT_EQ(windowsEditorArguments("/data/w.txt"), R"(\data\w.txt)");
}

#ifdef _WIN32
// Arguments that a naive quoting splits or changes.
const std::vector<std::string> kAwkwardArguments = {
    "",
    "plain",
    "two words",
    "tab\there",
    R"(C:\My Tracks\)",
    R"(C:\My Tracks\\)",
    R"(say "hi")",
    R"(back\"slash quote)",
    R"(\\server\share\a b.txt)",
    R"(ends with a quote")",
    "Z\xC3\xBCrich \xE8\xB7\xAF\xE7\xBA\xBF.txt",
};

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    std::wstring text(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), static_cast<int>(text.size()));
    return text;
}

// The command line split as Windows splits it for a started program.
std::vector<std::wstring> splitAsWindowsDoes(const std::string& commandLine) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(wide(commandLine).c_str(), &count);
    std::vector<std::wstring> split(arguments, arguments + count);
    LocalFree(arguments);
    return split;
}

TEST(WindowsCommandLine, WindowsReadsEachQuotedArgumentBackAsOne) {
    for (const std::string& argument : kAwkwardArguments) {
        const auto split = splitAsWindowsDoes("program.exe " + quoteWindowsArgument(argument) +
                                              " " + quoteWindowsArgument(argument));
        ASSERT_EQ(split.size(), 3u) << argument;
        EXPECT_EQ(split[1], wide(argument)) << argument;
        EXPECT_EQ(split[2], wide(argument)) << argument;
    }
}

TEST(WindowsCommandLine, TheEditorReadsTheFileAsOneArgument) {
    const std::string path = "C:/Users/Ann/My Tracks; 2026/Zürich \xE8\xB7\xAF.txt";
    const auto split = splitAsWindowsDoes("notepad.exe " + windowsEditorArguments(path));
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[1], wide(R"(C:\Users\Ann\My Tracks; 2026\Zürich )"
                             "\xE8\xB7\xAF.txt"));
}
#endif

}  // namespace
}  // namespace trawlix::app
