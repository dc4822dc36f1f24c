#pragma once

#include <QCoreApplication>
#include <memory>

#include "cli/cli_options.h"

// trawlix-cli's info and picture: offline, the figures and the drawing of a file.
namespace trawlix::qt {

// The application trawlix-cli runs in: one that can draw text (without a screen) for
// picture, the plain console one for every other command.
std::unique_ptr<QCoreApplication> consoleApplication(int& argc, char** argv);

// Runs info or picture; nothing for any other command.
std::optional<int> runFigureCommand(const cli::CliOptions& options);

}  // namespace trawlix::qt
