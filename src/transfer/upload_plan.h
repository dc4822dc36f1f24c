#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/records.h"
#include "transfer/upload_check.h"
#include "transfer/upload_text.h"

// What an upload sends, worked out whole from its file before the first sentence goes: a
// text file and a GPX file give the same kind of plan, and the window sends, counts, stops
// and sends again from it alone.
namespace trawlix::transfer {

// The fields of one route sentence: "$PMGNRTE,count,number,c,route" and its names.
struct RouteSentenceFields {
    std::int32_t sentenceCount = 0;
    std::int32_t sentenceNumber = 0;
    std::int32_t routeNumber = 0;
    std::string commaNames;  // each name after a comma

    std::string text() const;  // without checksum
    bool operator==(const RouteSentenceFields&) const = default;
};

// One sentence of an upload.
struct UploadStep {
    enum class Kind { Waypoint, RouteSentence, TrackPoint };
    Kind kind = Kind::Waypoint;
    link::WaypointRecord waypoint;      // Kind::Waypoint
    link::TrackPointRecord trackPoint;  // Kind::TrackPoint
    RouteSentenceFields route;          // Kind::RouteSentence
    int records = 1;  // what the count of records grows by: a route sentence's names
    int routes = 0;   // routes counted on sending it: its own, if it starts one, and empty ones
    bool startsRoute() const { return kind == Kind::RouteSentence && route.sentenceNumber == 1; }
};

// One upload as the receiver takes it: its sentences, then the end-of-upload sentence,
// whose confirmation means the receiver stored them.
struct UploadPart {
    UploadKind kind = UploadKind::Waypoints;
    std::vector<UploadStep> steps;
    int records = 0;         // what the steps count, together
    int trailingRoutes = 0;  // routes after the last sentence that have no entries
};

struct PlannedRoute {
    std::int32_t number = 0;
    std::int32_t sentenceCount = 0;
    std::vector<link::WaypointRecord> entries;  // Field4 the name, Field1 the icon
};

struct UploadPlan {
    UploadKind kind = UploadKind::Waypoints;  // what the user chose to send
    // One part; for routes from GPX two: the routes' points as waypoints, then the routes,
    // since a route names stored waypoints.
    std::vector<UploadPart> parts;
    std::vector<PlannedRoute> routes;
    TextChanges changed;  // text fields that had to change on their way to the receiver
    std::vector<std::string> numbersChosen;  // "\"Lakes\" is route 4", for routes without one
    std::string notes;                       // what the completion message adds

    // Within a route part: the first and one past the last sentence of the route that holds
    // sentence `step`.
    std::size_t routeBegin(const UploadPart& part, std::size_t step) const;
    std::size_t routeEnd(const UploadPart& part, std::size_t step) const;
};

struct PlanResult {
    std::optional<UploadPlan> plan;
    std::string error;  // for the user; names the file
};

// The route sentences of one route: names two a sentence, as the receiver takes them. A
// text file's Header line gives the count; elsewhere it follows from the names.
std::vector<UploadStep> routeSentences(std::int32_t routeNumber, std::int32_t sentenceCount,
                                       const std::vector<std::string>& names);
std::int32_t sentencesFor(std::size_t names);

// Appends one route to a route part: its sentences, or, without entries, only its count.
void addRoute(UploadPart& part, std::vector<UploadStep> sentences);
// Adds up the part's records once its steps are in.
void countRecords(UploadPart& part);

// --- Transfer files ------------------------------------------------------------------------

struct TextRoute {
    link::HeaderRecord header;  // as the file writes it
    std::int32_t number = 0;
    std::int32_t sentenceCount = 0;
    std::vector<link::WaypointRecord> entries;  // Field1 the icon, Field4 the name
};

// The records of a transfer file, read whole and checked line by line.
struct TextRecords {
    std::vector<link::WaypointRecord> waypoints;
    std::vector<link::TrackPointRecord> trackPoints;  // Altitude in metres, as sent
    std::vector<float> trackFeet;                     // the altitudes as the file holds them
    std::vector<TextRoute> routes;
    // What stopped the reading: the file could not be opened (line 0), or a line could not
    // be read.
    std::optional<std::string> failure;
    long failedLine = 0;
};

TextRecords readTransferFile(UploadKind kind, const std::string& path);

// The plan of a transfer file; an error names the file and the line, and says nothing was
// sent.
PlanResult planTextUpload(UploadKind kind, const std::string& path);

}  // namespace trawlix::transfer
