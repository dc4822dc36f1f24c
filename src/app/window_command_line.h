#pragma once

#include <string>
#include <vector>

namespace trawlix::app {

// The Trawlix window takes no arguments of its own: everything is chosen in the window.
// Only --help and --version are answered, on the console and without opening a window, so
// that they work without a desktop; every other argument is left to Qt (-platform, -style).
enum class WindowStart { OpenWindow, ShowHelp, ShowVersion };

WindowStart windowStart(const std::vector<std::string>& arguments);
std::string windowUsage();

}  // namespace trawlix::app
