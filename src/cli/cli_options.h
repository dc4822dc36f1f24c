#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/fix_share.h"
#include "link/data_kinds.h"
#include "transfer/backup.h"
#include "transfer/week_rollover.h"

namespace trawlix::cli {

// The pixels of what `picture` draws.
struct PictureSize {
    int width = 1200;
    int height = 900;
};

// What the command line asks for.
struct CliOptions {
    enum class Command {
        Help,
        Version,
        Download,
        Upload,
        Nmea,
        ProgramVersion,
        Ports,
        Detect,
        Convert,
        Backup,
        Restore,
        Info,
        Picture,
        Share
    };
    using Kind = link::DataKind;
    enum class Format { Text, Gpx };

    Command command = Command::Help;
    Kind kind = Kind::Waypoints;
    std::string file;
    std::optional<int> port;
    std::string device;
    std::string line;
    std::optional<int> nmeaCount;
    std::optional<double> nmeaSeconds;
    bool verbose = false;
    std::optional<Format> format;              // --format; else the extension of the file decides
    std::string output;                        // convert's OUT
    std::string waypointsFile;                 // convert routes: where the waypoints' positions are
    std::vector<std::string> devices;          // detect: every --device given, in order
    bool save = false;                         // detect --save
    bool force = false;                        // backup --force: an existing file is overwritten
    std::vector<transfer::backup::Kind> only;  // restore --only; empty for every kind
    bool dryRun = false;                       // restore --dry-run
    // --week-rollover: the correction of a receiver's track dates; the window's choice if not given
    std::optional<transfer::rollover::Choice> weekRollover;
    bool json = false;                         // info --json
    PictureSize pictureSize;                   // picture --size
    std::optional<app::ListenAddress> listen;  // share --listen
    bool quiet = false;                        // share --quiet: no line per program
};

// The format of a transfer's file (convert: of OUT): --format, else GPX for a name ending
// in ".gpx" in any letter case, else text.
CliOptions::Format fileFormat(const CliOptions& options, const std::string& path);

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
    kShareUnavailable = 7,  // share: the TCP port cannot be listened on
};

}  // namespace trawlix::cli
