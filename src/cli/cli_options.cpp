#include "cli/cli_options.h"

#include "cli/track_info.h"
#include "common/numbers.h"
#include "transfer/gpx_convert.h"

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
    return "usage: trawlix-cli [--port N | --device PATH] [--line 4800,N,8,1] [--verbose]\n"
           "                   [--week-rollover auto|off|N] COMMAND\n"
           "\n"
           "commands:\n"
           "  version                             show the receiver's identity\n"
           "  download waypoints|routes|tracks FILE   fetch into FILE\n"
           "  upload waypoints|routes|tracks FILE     send FILE to the receiver\n"
           "  nmea [--count N | --seconds S]      show the live fix as it changes\n"
           "  convert waypoints|routes|tracks IN OUT  convert between text and GPX, offline\n"
           "                                      --waypoints FILE: routes' positions\n"
           "  backup [FILE.gpx] [--force]         fetch every kind into one GPX file\n"
           "                                      --force: overwrite an existing FILE\n"
           "  restore FILE.gpx                    send a backup back: waypoints, routes, track\n"
           "                                      --only waypoints,routes,tracks: those only\n"
           "                                      --dry-run: say what would be sent, and stop\n"
           "  info FILE [--json]                  the figures of a file's tracks and routes\n"
           "                                      --json: as one JSON object, for scripts\n"
           "                                      --waypoints FILE: a route file's positions\n"
           "  picture FILE --output OUT.png       draw the file into a PNG picture, offline\n"
           "                                      --size WxH: its pixels (default 1200x900)\n"
           "  share [--listen [ADDRESS:]PORT]     hand the live fix on over TCP until Ctrl-C\n"
           "                                      --listen: default 127.0.0.1:10110\n"
           "                                      --quiet: no line per program\n"
           "  ports                               list the serial ports and assigned devices\n"
           "  detect [--device PATH]... [--save]  find the receiver at 4800 and 9600 baud;\n"
           "                                      --save points the current port number at it\n"
           "  --help                              this text\n"
           "  --version                           the version of trawlix-cli\n"
           "\n"
           "Without --port or --device the port and line settings of the Trawlix window are\n"
           "used; only detect --save changes them. --verbose shows every sentence on the line.\n"
           "A FILE ending in .gpx is GPX 1.1, any other the Trawlix text format; --format\n"
           "text|gpx says which (for convert: the format of OUT). backup writes to\n"
           "gps-backup-YYYY-MM-DD.gpx in the current folder when no FILE is given.\n"
           "--week-rollover N adds N times 1024 weeks to the track dates of a receiver whose\n"
           "week counter rolled over, in GPX files (and takes them off GPX uploads); auto, the\n"
           "default, uses what the receiver's own date showed, reading it first if unknown.\n"
           "\n"
           "exit status: 0 done, 2 bad command line, 3 the port cannot be opened, 4 the\n"
           "receiver does not answer, 5 a file cannot be read or written, 6 the transfer was\n"
           "abandoned part way (what was received is kept). detect: 0 a receiver found, 4 none.\n"
           "share: 7 the TCP port cannot be listened on (in use by another program).\n";
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
            options.devices.push_back(options.device);
        } else if (arg == "--format" && hasValue) {
            const std::string& format = arguments[++i];
            if (format != "text" && format != "gpx") {
                return failure("--format takes text or gpx");
            }
            options.format = format == "gpx" ? CliOptions::Format::Gpx : CliOptions::Format::Text;
        } else if (arg == "--waypoints" && hasValue) {
            options.waypointsFile = arguments[++i];
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
        } else if (arg == "--week-rollover" && hasValue) {
            options.weekRollover = transfer::rollover::choiceOf(arguments[++i]);
            if (!options.weekRollover) {
                return failure("--week-rollover takes auto, off or a number of periods, 0 to 9");
            }
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--output" && hasValue) {
            options.output = arguments[++i];
        } else if (arg == "--size" && hasValue) {
            const auto size = pictureSizeOf(arguments[++i]);
            if (!size) {
                return failure("--size takes WIDTHxHEIGHT in pixels, each from 64 to 8000");
            }
            options.pictureSize = *size;
        } else if (arg == "--listen" && hasValue) {
            options.listen = app::parseListenAddress(arguments[++i]);
            if (!options.listen) {
                return failure("--listen takes [ADDRESS:]PORT, such as 10110 or 0.0.0.0:10110");
            }
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--save") {
            options.save = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--only" && hasValue) {
            const auto kinds = transfer::backup::kindsOf(arguments[++i]);
            if (!kinds) {
                return failure("--only takes waypoints, routes and tracks, separated by commas");
            }
            options.only = *kinds;
        } else if (!arg.empty() && arg[0] == '-') {
            return failure("unknown option " + arg);
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) {
        return failure("no command given");
    }
    const std::string& command = words[0];
    if (command == "version" && words.size() == 1) {
        options.command = CliOptions::Command::Version;
    } else if (command == "nmea" && words.size() == 1) {
        options.command = CliOptions::Command::Nmea;
    } else if (command == "share" && words.size() == 1) {
        options.command = CliOptions::Command::Share;
    } else if (command == "ports" && words.size() == 1) {
        options.command = CliOptions::Command::Ports;
    } else if (command == "detect" && words.size() == 1) {
        options.command = CliOptions::Command::Detect;
    } else if ((command == "download" || command == "upload") && words.size() == 3) {
        const auto kind = kindOf(words[1]);
        if (!kind) {
            return failure(command + " takes waypoints, routes or tracks, not " + words[1]);
        }
        options.command =
            command == "download" ? CliOptions::Command::Download : CliOptions::Command::Upload;
        options.kind = *kind;
        options.file = words[2];
    } else if (command == "convert" && words.size() == 4) {
        const auto kind = kindOf(words[1]);
        if (!kind) {
            return failure("convert takes waypoints, routes or tracks, not " + words[1]);
        }
        options.command = CliOptions::Command::Convert;
        options.kind = *kind;
        options.file = words[2];
        options.output = words[3];
    } else if (command == "backup" && words.size() <= 2) {
        options.command = CliOptions::Command::Backup;
        options.file = words.size() == 2 ? words[1] : std::string();
    } else if (command == "restore" && words.size() == 2) {
        options.command = CliOptions::Command::Restore;
        options.file = words[1];
    } else if ((command == "info" || command == "picture") && words.size() == 2) {
        options.command =
            command == "info" ? CliOptions::Command::Info : CliOptions::Command::Picture;
        options.file = words[1];
    } else {
        return failure("don't know what to do with: " + command + (words.size() > 1 ? " ..." : ""));
    }
    if (!options.waypointsFile.empty() && options.command != CliOptions::Command::Convert &&
        options.command != CliOptions::Command::Info &&
        options.command != CliOptions::Command::Picture) {
        return failure("--waypoints goes with convert, info and picture");
    }
    if ((options.nmeaCount || options.nmeaSeconds) &&
        options.command != CliOptions::Command::Nmea) {
        return failure("--count and --seconds go with nmea");
    }
    // detect probes the devices and --save assigns the receiver to the port number.
    if (options.port && !options.device.empty() && options.command != CliOptions::Command::Detect) {
        return failure("give --port or --device, not both");
    }
    if (options.devices.size() > 1 && options.command != CliOptions::Command::Detect) {
        return failure("only detect takes --device more than once");
    }
    if (options.save && options.command != CliOptions::Command::Detect) {
        return failure("--save goes with detect");
    }
    if (options.force && options.command != CliOptions::Command::Backup) {
        return failure("--force goes with backup");
    }
    if ((options.dryRun || !options.only.empty()) &&
        options.command != CliOptions::Command::Restore) {
        return failure("--only and --dry-run go with restore");
    }
    if (const auto why = checkFigureOptions(arguments, options)) {
        return failure(*why);
    }
    if ((options.listen || options.quiet) && options.command != CliOptions::Command::Share) {
        return failure("--listen and --quiet go with share");
    }
    if (options.nmeaCount && options.nmeaSeconds) {
        return failure("give --count or --seconds, not both");
    }
    return {options, {}};
}

CliOptions::Format fileFormat(const CliOptions& options, const std::string& path) {
    if (options.format) {
        return *options.format;
    }
    return transfer::gpx::isGpxName(path) ? CliOptions::Format::Gpx : CliOptions::Format::Text;
}

}  // namespace trawlix::cli
