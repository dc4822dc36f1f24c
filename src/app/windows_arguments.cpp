#include "app/windows_arguments.h"

#include <algorithm>
#include <cstddef>

namespace trawlix::app {

std::string quoteWindowsArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos) {
        return std::string(argument);
    }
    // Backslashes are literal unless they come before a quote, where each pair stands for
    // one; so they are doubled before a quote in the text and before the closing quote.
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        const std::size_t written = c == '"' ? 2 * backslashes + 1 : backslashes;
        quoted.append(written, '\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, '\\');
    quoted += '"';
    return quoted;
}

std::string windowsEditorArguments(std::string_view path) {
    std::string native(path);
    std::replace(native.begin(), native.end(), '/', '\\');
    return quoteWindowsArgument(native);
}

}  // namespace trawlix::app
