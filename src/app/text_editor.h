#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Choosing the program that opens a downloaded file as plain text on a freedesktop system
// (Linux and the like). A file is opened by the desktop's default application for
// text/plain, whatever its extension: asking the desktop to open the file itself would pick
// a program by the extension, and a file called "tracks.gpx" or "waypoints" would go to a
// map viewer or to nothing at all.
namespace trawlix::app {

// A program and its arguments, started without a shell.
struct EditorCommand {
    std::string program;
    std::vector<std::string> arguments;
    bool operator==(const EditorCommand&) const = default;
};

// What the desktop says, gathered by the caller.
struct DesktopFacts {
    // The desktop entry of the default text/plain application, as
    // `xdg-mime query default text/plain` prints it ("org.gnome.TextEditor.desktop");
    // empty when there is none.
    std::string defaultTextApplication;
    // Folders of desktop entries, the one that wins first.
    std::vector<std::string> applicationFolders;
    // The contents of a file, or nothing when it cannot be read.
    std::function<std::optional<std::string>(const std::string& path)> readFile;
    // Whether a program name or path can be started.
    std::function<bool(const std::string& program)> canRun;
};

// The commands to try in turn to open `path` as text: the default text/plain application,
// then the well-known text editors that are installed. Empty when nothing fits.
std::vector<EditorCommand> textEditorCommands(const std::string& path, const DesktopFacts& desktop);

// The folders of desktop entries under the XDG base directories, from the values of
// XDG_DATA_HOME, XDG_DATA_DIRS and HOME (each may be null or empty).
std::vector<std::string> applicationFolders(const char* dataHome, const char* dataDirs,
                                            const char* home);

// The command of a desktop entry's text for one file; nothing when the entry cannot open a
// file without a terminal (hidden, a terminal program, no Exec line, a TryExec that is not
// installed, quoting that does not close).
std::optional<EditorCommand> commandFromDesktopEntry(
    std::string_view entry, const std::string& path,
    const std::function<bool(const std::string&)>& canRun);

}  // namespace trawlix::app
