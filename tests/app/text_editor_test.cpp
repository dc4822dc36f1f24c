// Choosing the editor that opens a downloaded file as plain text, on a made-up desktop.
#include "app/text_editor.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace trawlix::testing {
namespace {

using app::EditorCommand;

class TextEditorChoice : public ::testing::Test {
  protected:
    std::map<std::string, std::string> files;
    std::set<std::string> installed;

    app::DesktopFacts desktop(const std::string& defaultApplication) {
        app::DesktopFacts facts;
        facts.defaultTextApplication = defaultApplication;
        facts.applicationFolders = {"/home/u/.local/share/applications", "/usr/share/applications"};
        facts.readFile = [this](const std::string& path) -> std::optional<std::string> {
            const auto it = files.find(path);
            return it == files.end() ? std::nullopt : std::optional<std::string>(it->second);
        };
        facts.canRun = [this](const std::string& program) { return installed.count(program) != 0; };
        return facts;
    }
};

TEST_F(TextEditorChoice, TheDefaultTextApplicationOpensTheFileWhateverItsExtension) {
    files["/usr/share/applications/org.gnome.TextEditor.desktop"] =
        "[Desktop Entry]\nName=Text Editor\nExec=gnome-text-editor %U\nTerminal=false\n"
        "[Desktop Action new-window]\nExec=gnome-text-editor --new-window\n";
    const auto commands =
        app::textEditorCommands("/data/tracks.gpx", desktop("org.gnome.TextEditor.desktop\n"));
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), (EditorCommand{"gnome-text-editor", {"/data/tracks.gpx"}}));
}

TEST_F(TextEditorChoice, TheUsersOwnEntryWinsOverTheSystems) {
    files["/home/u/.local/share/applications/kate.desktop"] = "[Desktop Entry]\nExec=kate -b %f\n";
    files["/usr/share/applications/kate.desktop"] = "[Desktop Entry]\nExec=kate %f\n";
    EXPECT_EQ(app::textEditorCommands("/t/w", desktop("kate.desktop")).at(0),
              (EditorCommand{"kate", {"-b", "/t/w"}}));
}

TEST_F(TextEditorChoice, ExecLinesAreSplitAsDesktopsSplitThem) {
    const auto run = [](std::string_view entry, const std::string& path) {
        return app::commandFromDesktopEntry(entry, path, [](const std::string&) { return true; });
    };
    // Quotes group, a backslash in quotes keeps the next character, %% is a percent sign,
    // icon, name and location codes go, and a path with blanks and ";" stays one argument.
    EXPECT_EQ(run("[Desktop Entry]\nExec=\"/opt/my editor/bin/ed\" --title=\"a \\\"b\\\"\" "
                  "%i %c %k --at=100%% %F\n",
                  "/t/my tracks; today.txt"),
              (EditorCommand{"/opt/my editor/bin/ed",
                             {"--title=a \"b\"", "--at=100%", "/t/my tracks; today.txt"}}));
    // An entry without a file code gets the file at the end.
    EXPECT_EQ(run("[Desktop Entry]\nExec=leafpad\n", "/t/a"), (EditorCommand{"leafpad", {"/t/a"}}));
    // A code inside an argument is filled in there.
    EXPECT_EQ(run("[Desktop Entry]\nExec=ed --file=%f\n", "/t/a"),
              (EditorCommand{"ed", {"--file=/t/a"}}));
}

TEST_F(TextEditorChoice, EntriesThatCannotOpenAFileHereAreNotUsed) {
    const auto nothingInstalled = [](const std::string&) { return false; };
    for (const char* entry : {
             "[Desktop Entry]\nExec=vim %F\nTerminal=true\n",  // needs a terminal
             "[Desktop Entry]\nExec=ed %f\nHidden=true\n",     // removed by the user
             "[Desktop Entry]\nName=No command\n",             // nothing to run
             "[Desktop Entry]\nExec=\"ed %f\n",                // a quote that never closes
             "[Desktop Entry]\nTryExec=ed\nExec=ed %f\n",      // not installed
             "[Other]\nExec=ed %f\n",                          // not the main group
         }) {
        EXPECT_FALSE(app::commandFromDesktopEntry(entry, "/t/a", nothingInstalled)) << entry;
    }
}

TEST_F(TextEditorChoice, WithoutAUsableDefaultInstalledEditorsAreTried) {
    installed = {"mousepad", "gedit"};
    files["/usr/share/applications/vim.desktop"] = "[Desktop Entry]\nExec=vim %F\nTerminal=true\n";
    const std::vector<EditorCommand> expected = {{"gedit", {"/t/a"}}, {"mousepad", {"/t/a"}}};
    EXPECT_EQ(app::textEditorCommands("/t/a", desktop("")), expected);
    EXPECT_EQ(app::textEditorCommands("/t/a", desktop("vim.desktop")), expected);
    EXPECT_EQ(app::textEditorCommands("/t/a", desktop("missing.desktop")), expected);
    installed.clear();
    EXPECT_TRUE(app::textEditorCommands("/t/a", desktop("")).empty())
        << "nothing to start is a failure the window reports";
}

TEST_F(TextEditorChoice, DefaultFoundInASubfolderByItsDashedName) {
    installed = {"kwrite"};
    files["/usr/share/applications/kde4/kwrite.desktop"] = "[Desktop Entry]\nExec=kwrite %U\n";
    EXPECT_EQ(app::textEditorCommands("/t/a", desktop("kde4-kwrite.desktop")),
              (std::vector<EditorCommand>{{"kwrite", {"/t/a"}}}))
        << "the default once, not again as a well-known editor";
}

TEST(ApplicationFolders, FollowTheBaseDirectories) {
    EXPECT_EQ(
        app::applicationFolders(nullptr, nullptr, "/home/u"),
        (std::vector<std::string>{"/home/u/.local/share/applications",
                                  "/usr/local/share/applications", "/usr/share/applications"}));
    EXPECT_EQ(app::applicationFolders("/d", "/a::/b", "/home/u"),
              (std::vector<std::string>{"/d/applications", "/a/applications", "/b/applications"}));
}

}  // namespace
}  // namespace trawlix::testing
