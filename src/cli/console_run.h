#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/your_form.h"
#include "cli/cli_options.h"
#include "cli/console_view.h"

// The steps of a transfer from the command line, free of the event loop that waits between
// them, so that trawlix-cli and the simulation of its sessions take the same ones.
namespace trawlix::cli {

// The exit status of a command that ended with a box of `kind`.
int exitStatusFor(app::MessageKind kind);

// After Form_Load: the status that ends the command before it starts (a box was shown, or
// the receiver did not answer); nothing when the link is set up.
std::optional<int> startUpStatus(const ConsoleView& view);

// The function list's entry of a download or an upload of `kind`.
int functionEntry(CliOptions::Command command, CliOptions::Kind kind);

// Starts the download or upload of function list entry `entry` with the file `path`
// (absolute) through the core's transfer API. An upload's file is read and checked first:
// one that cannot be sent starts nothing, and its box says why.
void startTransfer(app::YourForm& form, int entry, const std::string& path,
                   CliOptions::Format format);

// Ctrl-C part way through a transfer: the window's Reset. A stopped upload then sends the
// rest of the route being sent and its end; `waitWhile` runs the link while its condition
// holds (boundedly), so that the receiver is not left a piece of a route.
void stopTransfer(app::YourForm& form, bool upload,
                  const std::function<void(const std::function<bool()>&)>& waitWhile);

}  // namespace trawlix::cli
