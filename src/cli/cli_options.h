#pragma once

#include <optional>
#include <string>
#include <vector>

namespace trawlix::cli {

// What the command line asks for.
struct CliOptions {
    enum class Command { Help, Version, Download, Upload, Nmea, ProgramVersion };
    enum class Kind { Waypoints, Routes, Tracks };

    Command command = Command::Help;
    Kind kind = Kind::Waypoints;
    std::string file;
    std::optional<int> port;
    std::string device;
    std::string line;
    std::optional<int> nmeaCount;
    std::optional<double> nmeaSeconds;
    bool verbose = false;
};

struct ParsedOptions {
    std::optional<CliOptions> options;
    std::string error;  // what is wrong with the command line
};

ParsedOptions parseOptions(const std::vector<std::string>& arguments);
std::string usage();

// Exit statuses: 0 only when what was asked for completed.
enum ExitStatus {
    kCompleted = 0,
    kUsage = 2,
    kPortUnavailable = 3,
    kNoAnswer = 4,
    kFileProblem = 5,
    kAbandoned = 6,
};

}  // namespace trawlix::cli
