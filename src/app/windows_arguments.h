#pragma once

#include <string>
#include <string_view>

namespace trawlix::app {

// Windows hands a started program one command line, not a list of arguments; the program's
// start-up code splits it again at blanks, after its own rules for quotes and backslashes.
// This is the argument quoted so that it comes back exactly as given, blanks, quotes and
// trailing backslashes included.
std::string quoteWindowsArgument(std::string_view argument);

// What follows the editor's name on its command line on Windows: the downloaded file as one
// argument, spelt with backslashes, since an editor may take "/x" for an option.
std::string windowsEditorArguments(std::string_view path);

}  // namespace trawlix::app
