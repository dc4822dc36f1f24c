#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link/records.h"
#include "transfer/gpx_mapping.h"
#include "transfer/upload_check.h"

namespace trawlix::transfer::gpx {

// What an upload from a GPX file sends, worked out whole before anything goes: the records
// in order, the route sentences, and how many characters had to be made safe.
struct RouteSentence {
    std::string text;  // "$PMGNRTE,..." without checksum
    bool startsRoute = false;
    int names = 0;

    bool operator==(const RouteSentence&) const = default;
};

struct PlannedRoute {
    int number = 0;
    std::vector<link::WaypointRecord> entries;  // Field4 the name, Field1 the icon
};

struct UploadPlan {
    // Waypoints of a waypoint upload, or the points of the routes, sent first as waypoints
    // because a route names stored waypoints.
    std::vector<link::WaypointRecord> waypoints;
    std::vector<link::TrackPointRecord> trackPoints;
    std::vector<PlannedRoute> routeList;
    std::vector<RouteSentence> routeSentences;
    int routes = 0;
    int routeEntries = 0;
    TextChanges changed;  // names, comments and icons (track names) sent changed
    std::vector<std::string> numbersChosen;  // "\"Lakes\" is route 4", for routes without one
};

struct PlanResult {
    std::optional<UploadPlan> plan;
    std::string error;  // names the file; says nothing of what was or was not sent
};

// The plan for `kind`, or why the document holds nothing of that kind.
PlanResult planUpload(UploadKind kind, const Document& document, const std::string& path);

// The route sentences of one route: names two a sentence, as the receiver takes them.
std::vector<RouteSentence> routeSentences(int routeNumber, const std::vector<std::string>& names);

// The parts of the completion message an upload from GPX adds to the usual one.
std::string uploadNotes(UploadKind kind, const UploadPlan& plan);

}  // namespace trawlix::transfer::gpx
