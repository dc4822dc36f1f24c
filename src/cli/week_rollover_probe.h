#pragma once

#include <functional>

#include "app/your_form.h"
#include "cli/cli_options.h"
#include "cli/console_view.h"

namespace trawlix::cli {

// True when the command writes or sends track dates in GPX and `auto` knows nothing yet of
// the receiver's week counter.
bool wantsReceiverDate(const CliOptions& options, const app::YourForm& form);

// Reads the receiver's date from one RMC sentence: NMEA on for that moment, then off again.
// `waitFor` runs the link until its condition holds or the milliseconds have passed.
void readReceiverDate(app::YourForm& form,
                      const std::function<void(const std::function<bool()>&, int)>& waitFor);

// The correction of an offline convert: --week-rollover N, as there is no receiver to ask.
transfer::gpx::DateCorrection convertCorrection(const CliOptions& options);

}  // namespace trawlix::cli
