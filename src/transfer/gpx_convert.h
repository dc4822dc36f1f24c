#pragma once

#include <optional>
#include <string>

#include "transfer/gpx_reader.h"
#include "transfer/upload_check.h"

namespace trawlix::transfer::gpx {

struct ConversionResult {
    bool ok = false;
    std::string message;  // what was converted, or why nothing was (naming the file)
};

// Converts a transfer file of `kind` to GPX. A route file names its waypoints only: their
// positions come from `waypointsFile`, a waypoint file in either format (a ".gpx" name is
// read as GPX through `source`). Track dates get `correction`, as a GPX download's do.
ConversionResult textToGpx(UploadKind kind, const std::string& in, const std::string& out,
                           const std::string& waypointsFile, XmlSource& source,
                           const DateCorrection& correction = {});
// Converts a GPX file to the transfer file of `kind`, with the mapping an upload uses: track
// dates lose `periods` periods of 1024 weeks, as an upload takes them off.
ConversionResult gpxToText(UploadKind kind, const std::string& in, const std::string& out,
                           XmlSource& source, int periods = 0);

// True for a file name that ends in ".gpx", in any letter case.
bool isGpxName(const std::string& path);

}  // namespace trawlix::transfer::gpx
