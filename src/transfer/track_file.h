#pragma once

#include <optional>
#include <string>

#include "transfer/gpx_reader.h"
#include "transfer/track_figures.h"

namespace trawlix::transfer::figures {

struct LoadResult {
    std::optional<Contents> contents;
    std::string error;  // for the user; names the file
};

// Reads a GPX file (a ".gpx" name, through `source`) or a transfer file of any kind: the
// kind of a text file follows from its first record. A file with nothing to show is an
// error that says so. The entries of a text route file take their positions from the
// waypoints of `waypointsFile` (either format), when one is given.
LoadResult loadFile(const std::string& path, gpx::XmlSource& source,
                    const std::string& waypointsFile = {});

}  // namespace trawlix::transfer::figures
