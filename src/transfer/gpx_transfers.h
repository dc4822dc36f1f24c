#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include "link/records.h"
#include "transfer/gpx_upload.h"

namespace trawlix::transfer::gpx {

// What the window keeps while a GPX transfer runs, beside its file fields.
struct GpxTransfers {
    // A route export first fetches the waypoints, for the positions of the route entries.
    bool fetchingWaypoints = false;
    std::map<std::string, link::WaypointRecord> waypoints;  // by name
    std::string routeNumber;                                // of the route being written

    // An upload from GPX: the plan, what goes next, and which part is under way.
    enum class Stage { None, Waypoints, Routes, TrackPoints, Ending };
    std::optional<UploadPlan> plan;
    Stage stage = Stage::None;
    std::size_t next = 0;
    bool routesAfterWaypoints = false;

    void forget() { *this = GpxTransfers{}; }
};

}  // namespace trawlix::transfer::gpx
