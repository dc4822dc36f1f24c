#pragma once

#include <functional>
#include <memory>

#include "app/your_form.h"
#include "cli/cli_options.h"
#include "cli/console_view.h"
#include "link/gps_link.h"

namespace trawlix::qt {

// Runs the event loop until the condition holds or the user interrupts.
using LoopRunner = std::function<void(const std::function<bool()>& done)>;

class FixServer;

// trawlix-cli share, before the serial port is opened: listens on the address asked for,
// or says why it cannot (then nothing).
std::unique_ptr<FixServer> listenForShare(const cli::CliOptions& options);
// Then: switches NMEA on, hands every sentence to the programs that connect until
// interrupted, and switches NMEA off. Returns the exit status.
int runShare(FixServer& server, bool quiet, app::YourForm& form, cli::ConsoleView& view,
             link::GpsLink& magellan, const LoopRunner& runUntil);

}  // namespace trawlix::qt
