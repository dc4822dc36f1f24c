#include "cli/cli_options.h"

#include "common/numbers.h"

namespace trawlix::cli {
namespace {

ParsedOptions failure(std::string why) {
    return {std::nullopt, std::move(why)};
}

std::optional<CliOptions::Kind> kindOf(const std::string& word) {
    if (word == "waypoints") {
        return CliOptions::Kind::Waypoints;
    }
    if (word == "routes") {
        return CliOptions::Kind::Routes;
    }
    if (word == "tracks") {
        return CliOptions::Kind::Tracks;
    }
    return std::nullopt;
}

}  // namespace

std::string usage() {
    return "usage: trawlix-cli [--port N | --device PATH] [--line 4800,N,8,1] [--verbose] COMMAND\n"
           "\n"
           "commands:\n"
           "  version                             show the receiver's identity\n"
           "  download waypoints|routes|tracks FILE   fetch into FILE\n"
           "  upload waypoints|routes|tracks FILE     send FILE to the receiver\n"
           "  nmea [--count N | --seconds S]      show the live fix as it changes\n"
           "  --help                              this text\n"
           "  --version                           the version of trawlix-cli\n"
           "\n"
           "Without --port or --device the port and line settings of the Trawlix window are\n"
           "used; trawlix-cli never changes them. --verbose shows every sentence on the line.\n"
           "\n"
           "exit status: 0 done, 2 bad command line, 3 the port cannot be opened, 4 the\n"
           "receiver does not answer, 5 a file cannot be read or written, 6 the transfer was\n"
           "abandoned part way (what was received is kept).\n";
}

ParsedOptions parseOptions(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (arg == "--help" || arg == "-h") {
            options.command = CliOptions::Command::Help;
            return {options, {}};
        }
        if (arg == "--version") {
            options.command = CliOptions::Command::ProgramVersion;
            return {options, {}};
        }
        if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--port" && hasValue) {
            const auto port = common::strictInt16(arguments[++i]);
            if (!port || *port < 1 || arguments[i].find('.') != std::string::npos) {
                return failure("--port takes a port number from 1 to 32767");
            }
            options.port = *port;
        } else if (arg == "--device" && hasValue) {
            options.device = arguments[++i];
        } else if (arg == "--line" && hasValue) {
            options.line = arguments[++i];
        } else if (arg == "--count" && hasValue) {
            const auto count = common::strictInt32(arguments[++i]);
            if (!count || *count < 1) {
                return failure("--count takes a number of fixes, 1 or more");
            }
            options.nmeaCount = *count;
        } else if (arg == "--seconds" && hasValue) {
            const auto seconds = common::strictDouble(arguments[++i]);
            if (!seconds || *seconds <= 0) {
                return failure("--seconds takes a number of seconds above 0");
            }
            options.nmeaSeconds = *seconds;
        } else if (!arg.empty() && arg[0] == '-') {
            return failure("unknown option " + arg);
        } else {
            words.push_back(arg);
        }
    }
    if (options.port && !options.device.empty()) {
        return failure("give --port or --device, not both");
    }
    if (words.empty()) {
        return failure("no command given");
    }
    const std::string& command = words[0];
    if (command == "version" && words.size() == 1) {
        options.command = CliOptions::Command::Version;
    } else if (command == "nmea" && words.size() == 1) {
        options.command = CliOptions::Command::Nmea;
    } else if ((command == "download" || command == "upload") && words.size() == 3) {
        const auto kind = kindOf(words[1]);
        if (!kind) {
            return failure(command + " takes waypoints, routes or tracks, not " + words[1]);
        }
        options.command =
            command == "download" ? CliOptions::Command::Download : CliOptions::Command::Upload;
        options.kind = *kind;
        options.file = words[2];
    } else {
        return failure("don't know what to do with: " + command + (words.size() > 1 ? " ..." : ""));
    }
    if ((options.nmeaCount || options.nmeaSeconds) &&
        options.command != CliOptions::Command::Nmea) {
        return failure("--count and --seconds go with nmea");
    }
    if (options.nmeaCount && options.nmeaSeconds) {
        return failure("give --count or --seconds, not both");
    }
    return {options, {}};
}

}  // namespace trawlix::cli
