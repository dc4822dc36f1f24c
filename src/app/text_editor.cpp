#include "app/text_editor.h"

#include <sstream>

namespace trawlix::app {
namespace {

// Graphical editors of plain text, for a desktop that names no default for text/plain.
constexpr const char* kWellKnownEditors[] = {
    "gnome-text-editor", "gedit",   "kate",  "kwrite", "mousepad", "xed", "pluma",
    "featherpad",        "leafpad", "geany",
};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The escapes of a desktop entry's string values: \s \n \t \r \\.
std::string unescapedValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            default:  // not an escape of this level: the Exec line's quoting reads it
                out += '\\';
                out += value[i];
                break;
        }
    }
    return out;
}

// The keys of the [Desktop Entry] group (other groups, such as actions, are passed over).
struct DesktopEntry {
    std::string exec;
    std::string tryExec;
    bool terminal = false;
    bool hidden = false;
};

DesktopEntry parseEntry(std::string_view text) {
    DesktopEntry entry;
    bool inMainGroup = false;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#') {
            continue;
        }
        if (content.front() == '[') {
            inMainGroup = content == "[Desktop Entry]";
            continue;
        }
        const auto equals = content.find('=');
        if (!inMainGroup || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimmed(content.substr(0, equals));
        const std::string value = unescapedValue(trimmed(content.substr(equals + 1)));
        if (key == "Exec") {
            entry.exec = value;
        } else if (key == "TryExec") {
            entry.tryExec = value;
        } else if (key == "Terminal") {
            entry.terminal = value == "true";
        } else if (key == "Hidden") {
            entry.hidden = value == "true";
        }
    }
    return entry;
}

// The Exec line split into arguments: blanks separate them, double quotes group, and within
// quotes a backslash keeps the next character. Nothing when a quote does not close.
std::optional<std::vector<std::string>> splitExec(std::string_view exec) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size()) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == '"') {
            quoted = true;
            inArgument = true;
        } else if (c == ' ' || c == '\t') {
            if (inArgument) {
                arguments.push_back(current);
                current.clear();
                inArgument = false;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (inArgument) {
        arguments.push_back(current);
    }
    return arguments;
}

// Fills in the field codes of one argument: %f %F %u %U become the file, %% a percent
// sign, any other code nothing. `usedFile` tells whether the file went in.
std::string expandFieldCodes(const std::string& argument, const std::string& path, bool& usedFile) {
    std::string out;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] != '%' || i + 1 == argument.size()) {
            out += argument[i];
            continue;
        }
        const char code = argument[++i];
        if (code == '%') {
            out += '%';
        } else if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
            out += path;
            usedFile = true;
        }
    }
    return out;
}

std::optional<EditorCommand> commandFromExec(std::string_view exec, const std::string& path) {
    const auto arguments = splitExec(exec);
    if (!arguments || arguments->empty()) {
        return std::nullopt;
    }
    EditorCommand command;
    bool usedFile = false;
    for (const std::string& argument : *arguments) {
        const std::string expanded = expandFieldCodes(argument, path, usedFile);
        // An argument that was nothing but a dropped code (%i, %c, %k) goes altogether.
        if (expanded.empty() && !argument.empty() && argument.front() == '%') {
            continue;
        }
        if (command.program.empty()) {
            command.program = expanded;
        } else {
            command.arguments.push_back(expanded);
        }
    }
    if (command.program.empty()) {
        return std::nullopt;
    }
    if (!usedFile) {
        command.arguments.push_back(path);
    }
    return command;
}

// Where a desktop entry of this name lies: "foo-bar.desktop" may also be foo/bar.desktop.
std::optional<std::string> findDesktopEntry(const std::string& name, const DesktopFacts& desktop) {
    std::vector<std::string> relativePaths{name};
    std::string nested = name;
    for (auto dash = nested.find('-'); dash != std::string::npos; dash = nested.find('-')) {
        nested[dash] = '/';
        relativePaths.push_back(nested);
    }
    for (const std::string& folder : desktop.applicationFolders) {
        for (const std::string& relative : relativePaths) {
            if (auto text = desktop.readFile(folder + "/" + relative)) {
                return text;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<EditorCommand> commandFromDesktopEntry(
    std::string_view entryText, const std::string& path,
    const std::function<bool(const std::string&)>& canRun) {
    const DesktopEntry entry = parseEntry(entryText);
    if (entry.hidden || entry.terminal || entry.exec.empty()) {
        return std::nullopt;
    }
    if (!entry.tryExec.empty() && !canRun(entry.tryExec)) {
        return std::nullopt;
    }
    return commandFromExec(entry.exec, path);
}

std::vector<EditorCommand> textEditorCommands(const std::string& path,
                                              const DesktopFacts& desktop) {
    std::vector<EditorCommand> commands;
    // xdg-mime may print several entries separated by ";"; the first is the default.
    const std::string_view answer = trimmed(desktop.defaultTextApplication);
    const std::string name(trimmed(answer.substr(0, answer.find(';'))));
    if (!name.empty()) {
        if (const auto text = findDesktopEntry(name, desktop)) {
            if (auto command = commandFromDesktopEntry(*text, path, desktop.canRun)) {
                commands.push_back(std::move(*command));
            }
        }
    }
    for (const char* editor : kWellKnownEditors) {
        EditorCommand fallback{editor, {path}};
        if (desktop.canRun(editor) && (commands.empty() || commands.front() != fallback)) {
            commands.push_back(std::move(fallback));
        }
    }
    return commands;
}

std::vector<std::string> applicationFolders(const char* dataHome, const char* dataDirs,
                                            const char* home) {
    std::vector<std::string> folders;
    const std::string homeData = dataHome != nullptr && *dataHome != '\0' ? std::string(dataHome)
                                 : home != nullptr && *home != '\0'
                                     ? std::string(home) + "/.local/share"
                                     : std::string();
    if (!homeData.empty()) {
        folders.push_back(homeData + "/applications");
    }
    const std::string systemData =
        dataDirs != nullptr && *dataDirs != '\0' ? dataDirs : "/usr/local/share:/usr/share";
    std::istringstream parts(systemData);
    std::string folder;
    while (std::getline(parts, folder, ':')) {
        if (!folder.empty()) {
            folders.push_back(folder + "/applications");
        }
    }
    return folders;
}

}  // namespace trawlix::app
