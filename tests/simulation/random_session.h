#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "simulation/referee.h"

namespace trawlix::simulation {

struct SessionOutcome {
    std::vector<std::string> problems;
    std::vector<std::string> log;  // only when asked for
    int transfersCompleted = 0;
    Micros virtualTime = 0;
    std::uint64_t steps = 0;
    bool console = false;  // played trawlix-cli rather than the window
};

// One session chosen by `seed`: the line's baud rate, the receiver's store, faults at random
// moments (damaged, lost and unacknowledged sentences, a silent or switched-off receiver, the
// cable pulled, bursts of noise) and the user's choices at random moments (transfers, NMEA on
// and off, Reset, a new request mid-transfer, the port closed and opened, every box answered
// either way). Then the faults stop and one more download must complete within a bound.
// Some sessions are trawlix-cli instead: one command, maybe stopped by Ctrl-C.
SessionOutcome runRandomSession(std::uint32_t seed, const UploadFiles& files,
                                const std::filesystem::path& folder, bool log);

// A command of trawlix-cli ends within this much virtual time, with its outcome.
inline constexpr Micros kCommandBound = 600 * kSecond;

struct CommandEnd {
    std::optional<int> status;  // nothing: it did not end within kCommandBound
    bool interrupted = false;
    bool completedRun = false;  // a backup or restore that completed every kind
};

// What trawlix-cli does for `download` or `upload` on a console session: start, choose
// `entry` with `file`, wait for the outcome, or press Ctrl-C after `ctrlC` if it is not there
// by then.
CommandEnd runCommand(Session& session, int entry, const std::string& file,
                      std::optional<Micros> ctrlC = std::nullopt);

// The same for `backup FILE` (or `restore FILE`, when `backup` is false).
CommandEnd runSequenceCommand(Session& session, bool backup, const std::string& file,
                              std::optional<Micros> ctrlC = std::nullopt);

// The `lines` lines of the log that lead to the first broken rule (or its end), with what
// was left out counted.
std::vector<std::string> shortened(const std::vector<std::string>& log, std::size_t lines);

}  // namespace trawlix::simulation
