#pragma once

#include <string>

#include "transfer/gpx_mapping.h"
#include "transfer/upload_plan.h"

namespace trawlix::transfer::gpx {

// The plan of an upload of `kind` from a GPX document, or why the document holds nothing of
// that kind. A route upload sends the routes' points as waypoints first: an unnamed point is
// called R, route number, P, place ("R03P002"), and a route without a number takes the
// lowest one no other route of the file uses.
PlanResult planUpload(UploadKind kind, const Document& document, const std::string& path);

}  // namespace trawlix::transfer::gpx
