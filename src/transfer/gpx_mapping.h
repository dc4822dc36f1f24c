#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/records.h"
#include "transfer/upload_text.h"

// What the receiver's records become in GPX 1.1, and what GPX becomes on the way back. This
// is the one place that says it (beside link/record_mapping.h, which maps sentences onto the
// same records):
//
// WaypointRecord  <->  <wpt lat lon>
//   Latitude, Longitude  lat, lon (decimal degrees, WGS 84)
//   Field5, Field6       <ele> in metres: Field5 as it is with Field6 "M", times 0.3048 with
//                        "F"; back: Field5 the metres rounded to a whole number, Field6 "M";
//                        no <ele>: 0 and "M"
//   Field1  <name>       Field4  <cmt> (read: <desc> when there is no <cmt>)
//   Field10 <sym>        Field7  the waypoint's place in the file, from 1 (not written)
//   Field8, Field9  always 0 (not written)
//
// HeaderRecord + route waypoints  <->  <rte>
//   RouteNumber  <number> (without leading zeros) and <name> "Route n"; the route's entries are
//   <rtept>, each with the position, <ele>, <cmt> and <sym> of the waypoint of its name (the
//   receiver's route sentences carry names only). Back: <number> when present, else the lowest
//   number no other route of the file uses; each <rtept> is sent as a waypoint first (an <rtept>
//   without <name> is named "R", the route number and its place: "R03P002"), then the route.
//   Route entry names go in upper case, as the receiver keeps them.
//
// TrackPointRecord  <->  <trk><trkseg><trkpt lat lon>
//   Latitude, Longitude  lat, lon
//   Altitude   <ele>: the record's feet times 0.3048, with the fewest decimals (at most 4)
//              that give the same feet back; back: metres with one decimal (no
//              <ele>: unknown, an empty altitude field on the line)
//   Field7, Field2  <time> in UTC, ISO 8601, from the date "ddmmyy" (years 80 to 99 are
//              19xx, the others 20xx) and the time "hhmmss.ss", hundredths kept; no <time>
//              when either is missing or unreadable. Back: a time with a zone is turned into
//              UTC; without one it is taken as UTC; fractions cut to hundredths
//   Field1     false: <fix>none</fix>; true: no <fix>. Back: <fix>none</fix> gives false,
//              any other or none true
//   TrackName  <trk><name>: a new <trk> starts where the receiver's track name changes.
//              Back: the name of the <trk>
//   Field6     always 0 (not written)
//
// Text: the receiver's characters are 8-bit, ISO 8859-1; GPX is Unicode. Going out, each
// byte becomes its Unicode character (control characters, which XML cannot hold, become
// blanks). Coming in, a character outside ISO 8859-1 is written as its plain letters (see
// plainLetters: š as s) or, having none, as a blank, and then the rule of
// link::sentenceSafe applies (",", "*", "$", CR, LF and control characters become blanks);
// every text changed is counted for the completion message, as the text uploads count.
namespace trawlix::transfer::gpx {

inline constexpr std::string_view kNamespace11 = "http://www.topografix.com/GPX/1/1";
inline constexpr std::string_view kNamespace10 = "http://www.topografix.com/GPX/1/0";

// A moment in UTC, as far as a track point can carry it.
struct UtcTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int hundredths = 0;
    int decimals = 0;  // 0, 1 or 2 digits of fraction to keep

    bool operator==(const UtcTime&) const = default;
};

// "2008-08-11T07:15:48.24Z", "...+02:00", or without a zone (taken as UTC).
std::optional<UtcTime> utcTimeFromIso(std::string_view text);
std::string isoTextOf(const UtcTime& time);
// Seconds since 1970-01-01T00:00:00Z, hundredths kept.
double secondsSinceEpoch(const UtcTime& time);
// The receiver's "ddmmyy" and "hhmmss" or "hhmmss.ss"; nothing when either is unreadable.
std::optional<UtcTime> utcTimeFromReceiver(std::string_view date, std::string_view time);
std::string receiverTimeOf(const UtcTime& time);  // "hhmmss.ss", as many decimals as kept
std::string receiverDateOf(const UtcTime& time);  // "ddmmyy"
// Whole seconds since 1970-01-01 UTC; and the same time of day `days` days later.
long long secondsSince1970(const UtcTime& time);
void moveByDays(UtcTime& time, long long days);

// Track dates of a receiver whose week counter rolled over: `periods` periods of 1024 weeks
// are added, but no date is moved past `latest` (seconds since 1970).
struct DateCorrection {
    int periods = 0;
    long long latest = 0;
};

// One <wpt>, <rtept> or <trkpt>, as GPX says it.
struct Point {
    double latitude = 0.0;
    double longitude = 0.0;
    std::optional<double> elevation;  // metres
    std::optional<UtcTime> time;
    std::string name;  // UTF-8, as all text here
    std::string comment;
    std::string symbol;
    bool noFix = false;
};

struct Route {
    std::optional<int> number;
    std::string name;
    std::vector<Point> points;
};

struct Track {
    std::string name;
    std::vector<std::vector<Point>> segments;
};

struct Document {
    std::vector<Point> waypoints;
    std::vector<Route> routes;
    std::vector<Track> tracks;
};

// Text between the receiver's 8-bit characters and UTF-8.
std::string utf8FromReceiverText(std::string_view latin1);
struct ReceiverText {
    std::string text;
    int changed = 0;  // characters written without accents or as blanks
    int blanks = 0;   // of them, those that became blanks
};
ReceiverText receiverTextFromUtf8(std::string_view utf8);

// Records to GPX.
Point pointFromWaypoint(const link::WaypointRecord& record);
Point pointFromTrackPoint(const link::TrackPointRecord& record,
                          const DateCorrection& correction = {});
std::string routeName(const std::string& routeNumber);
// The route number as <number> takes it ("03" gives "3"); empty when it is none.
std::string routeNumberText(const std::string& routeNumber);
// A route entry (Field4 the name, Field1 the icon) at the place of its waypoint.
Point pointFromRouteEntry(const link::WaypointRecord& entry, const link::WaypointRecord& waypoint);

// UTF-8 text as the receiver takes it; `changes` counts the texts that had to change.
std::string receiverSafe(std::string_view utf8, TextChanges& changes);
// GPX to records; `changes` counts the names, comments and icons made safe.
link::WaypointRecord waypointFromPoint(const Point& point, std::int32_t place,
                                       TextChanges& changes);
// Altitude in metres with one decimal, as an upload sends it; `trackName` already made safe.
link::TrackPointRecord trackPointFromPoint(const Point& point, const std::string& trackName);

}  // namespace trawlix::transfer::gpx
