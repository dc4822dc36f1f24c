#include "app/window_command_line.h"

namespace trawlix::app {

WindowStart windowStart(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            return WindowStart::ShowHelp;
        }
        if (argument == "--version") {
            return WindowStart::ShowVersion;
        }
    }
    return WindowStart::OpenWindow;
}

std::string windowUsage() {
    return "usage: trawlix [--help | --version] [Qt options]\n"
           "\n"
           "Opens the Trawlix window, which links this PC to a hand-held GPS receiver of the\n"
           "Magellan family over a serial port: fetch waypoints, routes and the track log into\n"
           "text files, send such files back, read the receiver's identity and watch a live\n"
           "fix. The port and its line settings are chosen in the window's File menu and kept\n"
           "in Korvane.ini in the configuration folder; the environment variable\n"
           "TRAWLIX_CONFIG_DIR moves that file to another folder.\n"
           "\n"
           "  --help      this text\n"
           "  --version   the version of trawlix\n"
           "\n"
           "Qt's own options, such as -platform offscreen or -style fusion, go to Qt.\n";
}

}  // namespace trawlix::app
