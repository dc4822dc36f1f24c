#include "cli/week_rollover_probe.h"

#include <algorithm>
#include <ctime>

namespace trawlix::cli {
namespace {

// A receiver sends a fix a second; the second one is the margin for a sentence cut off.
constexpr int kLongestWaitMs = 2200;

bool movesTrackDates(const CliOptions& options) {
    const bool gpx = fileFormat(options, options.file) == CliOptions::Format::Gpx;
    switch (options.command) {
        case CliOptions::Command::Backup:
            return true;
        case CliOptions::Command::Restore:
            return options.only.empty() ||
                   std::find(options.only.begin(), options.only.end(),
                             transfer::backup::Kind::Tracks) != options.only.end();
        case CliOptions::Command::Download:
        case CliOptions::Command::Upload:
            return gpx && options.kind == CliOptions::Kind::Tracks;
        default:
            break;
    }
    return false;
}

}  // namespace

bool wantsReceiverDate(const CliOptions& options, const app::YourForm& form) {
    return movesTrackDates(options) && form.weekRollover().wantsEvidence();
}

void readReceiverDate(app::YourForm& form,
                      const std::function<void(const std::function<bool()>&, int)>& waitFor) {
    const int before = form.weekRollover().rmcSeen();
    form.chooseFunction(app::kNmeaOn);
    waitFor([&] { return form.weekRollover().rmcSeen() > before; }, kLongestWaitMs);
    form.chooseFunction(app::kNmeaOff);
}

transfer::gpx::DateCorrection convertCorrection(const CliOptions& options) {
    const auto& choice = options.weekRollover;
    if (!choice || choice->mode != transfer::rollover::Choice::Mode::Periods) {
        return {};
    }
    return {choice->periods, static_cast<long long>(std::time(nullptr))};
}

}  // namespace trawlix::cli
