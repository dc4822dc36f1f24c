#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "transfer/gpx_reader.h"
#include "transfer/track_figures.h"

// `info FILE [--json]`: the figures of a file's tracks and routes, for people or scripts.
namespace trawlix::cli {

// One JSON object: "waypoints" (a count), "routes" and "tracks" (arrays of objects).
std::string contentsJson(const transfer::figures::Contents& contents);

// Prints the figures of options.file; the exit status.
int runInfo(const CliOptions& options, transfer::gpx::XmlSource& source);

// "800x600", each side from 64 to 8000 pixels.
std::optional<PictureSize> pictureSizeOf(const std::string& text);
// What is wrong with the options of info and picture (given as `arguments`), if anything.
std::optional<std::string> checkFigureOptions(const std::vector<std::string>& arguments,
                                              const CliOptions& options);

}  // namespace trawlix::cli
