#pragma once

#include <cstdint>
#include <filesystem>
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
};

// One session chosen by `seed`: the line's baud rate, the receiver's store, faults at random
// moments (damaged, lost and unacknowledged sentences, a silent or switched-off receiver, the
// cable pulled, bursts of noise) and the user's choices at random moments (transfers, NMEA on
// and off, Reset, a new request mid-transfer, the port closed and opened, every box answered
// either way). Then the faults stop and one more download must complete within a bound.
SessionOutcome runRandomSession(std::uint32_t seed, const UploadFiles& files,
                                const std::filesystem::path& folder, bool log);

// The `lines` lines of the log that lead to the first broken rule (or its end), with what
// was left out counted.
std::vector<std::string> shortened(const std::vector<std::string>& log, std::size_t lines);

}  // namespace trawlix::simulation
