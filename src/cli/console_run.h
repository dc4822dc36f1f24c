#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/receiver_backup.h"
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

// Ctrl-C part way through a backup or a restore: it stops where it is, a route being sent
// going out whole first, as for a single upload.
void stopSequence(app::KindSequence& run, app::YourForm& form,
                  const std::function<void(const std::function<bool()>&)>& waitWhile);

// The one message that ends a backup or a restore, with the console's line ends; it goes
// to standard output when the run completed, else to standard error.
std::string sequenceMessage(const app::KindSequence& run);
// The exit status of a backup or restore that finished or was stopped.
int sequenceStatus(const app::KindSequence& run, const ConsoleView& view, bool interrupted);

}  // namespace trawlix::cli
