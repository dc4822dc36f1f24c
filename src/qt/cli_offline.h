#pragma once

#include <functional>

#include "cli/cli_options.h"
#include "qt/qt_settings_store.h"

// trawlix-cli's commands that set up no link to a receiver, and the event loop the others
// wait in.
namespace trawlix::cli {

// Runs the event loop until `done` holds or the user interrupts. The loop sleeps until an
// event comes; a tick wakes it now and then, so that conditions on time are seen too.
void runUntil(const std::function<bool()>& done, const std::function<void()>& every = {});
// Runs the link while `ending` holds, for the end of a route being sent at most.
void waitWhile(const std::function<bool()>& ending);

// convert, ports and detect; each gives the command's exit status.
int runConvert(const CliOptions& options);
int runPorts(app::QtSettingsStore& stored);
int runDetect(const CliOptions& options, app::QtSettingsStore& stored);

}  // namespace trawlix::cli
