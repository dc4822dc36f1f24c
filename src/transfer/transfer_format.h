#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/records.h"

// The three transfer file kinds. Every line is one record of comma-separated fields, ends
// with CR LF, and has no quoting; the kind of a file follows only from the function that
// writes or reads it.
//
//   Waypoint file, 11 fields:
//     Waypoint,Field1,Latitude,Longitude,Field4,Field5,Field6,Field7,Field8,Field9,Field10
//   Route file, 3 fields a line: per route a header, then one line per route entry:
//     Header,RouteNumber,SentenceCount
//     Waypoint,Field1,Field4
//   Track file, 8 fields:
//     Point,Field1,Field2,Latitude,Longitude,Altitude,Field6,Field7
//
// Coordinates use the pattern "##.00000", integers plain digits, singles the plain single
// format, truth values "True"/"False"; the decimal point is always ".".
namespace trawlix::transfer {

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kWaypointWord = "Waypoint";
inline constexpr std::string_view kHeaderWord = "Header";
inline constexpr std::string_view kPointWord = "Point";

std::string formatCoordinate(double degrees);

// Writers: the whole line, without its line end.
std::string waypointLine(const link::WaypointRecord& record);
std::string routeHeaderLine(const link::HeaderRecord& record);
std::string routeEntryLine(const link::WaypointRecord& record);
std::string trackLine(const link::TrackPointRecord& record);

// Readers. Each fills the record from a line split into fields and returns nothing, or
// says in words why the line cannot be read (for a message to the user).
std::optional<std::string> readWaypointLine(const std::vector<std::string>& fields,
                                            link::WaypointRecord& record);
std::optional<std::string> readTrackLine(const std::vector<std::string>& fields,
                                         link::TrackPointRecord& record);

struct RouteHeader {
    std::int32_t routeNumber = 0;
    std::int32_t sentenceCount = 0;
};
bool isRouteHeader(const std::vector<std::string>& fields);
std::optional<std::string> readRouteHeader(const std::vector<std::string>& fields,
                                           RouteHeader& header);
std::optional<std::string> checkRouteEntry(const std::vector<std::string>& fields);
// Why a route entry that comes before the file's first header cannot be sent: it would
// land in whatever route the receiver (or the previous upload) has under that number.
inline constexpr std::string_view kEntryBeforeHeader = "it comes before any Header line";
// The name that a route entry line contributes to the route sentence.
std::string routeEntryName(const std::vector<std::string>& fields);

// Feet in a track file to the metres of a track point: times 0.3048, one decimal.
float trackAltitudeFromFeet(std::string_view field);

}  // namespace trawlix::transfer
