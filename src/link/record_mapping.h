#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/records.h"

// How receiver sentences map onto the record objects, in both directions. This is the one
// place that says what each member carries:
//
// $PMGNWPL,lat,N/S,lon,E/W,alt,unit,name,comment,icon[,type]  <->  WaypointRecord
//   Latitude, Longitude  the position in signed decimal degrees
//   Field1   name                 Field4  comment
//   Field5   altitude, whole      Field6  altitude unit, "M" or "F"
//   Field7   the waypoint's place in the download, from 1 (not sent on upload)
//   Field8, Field9  always 0 (not sent)
//   Field10  icon
//   The optional type letter of some receivers is not kept: uploads send none.
//
// $PMGNRTE,count,number,c,route,name,icon,name,icon...  ->  HeaderRecord, WaypointRecord
//   The first sentence of a route gives a header: RouteNumber is the route number as sent,
//   SentenceCount the sentence count. Every name/icon pair gives a route waypoint with
//   Field4 = name and Field1 = icon. Uploads send names only (the receiver knows the icons of
//   its waypoints), so the route file's third field is what goes back.
//
// $PMGNTRK,lat,N/S,lon,E/W,alt,unit,time,A/V,name,date  <->  TrackPointRecord
//   Latitude, Longitude  signed decimal degrees; read with two or more decimals of minutes,
//             sent with three
//   Altitude  on download in feet (whatever unit the receiver sent); on upload the caller
//             fills it in metres, as the track upload converts the file's feet, and it goes
//             out in metres
//   Field1   true for a valid fix ("A")      Field2  UTC time as sent, "hhmmss.ss"
//   Field6   always 0 (not sent)             Field7  UTC date as sent, "ddmmyy"
//   The track name field, empty on receivers of this family, is not kept.
//
// $PMGNVER,product,version,description  ->  VersionRecord
namespace trawlix::link::mapping {

// "ddmm.mmm" or "dddmm.mmm" and a hemisphere letter to signed decimal degrees.
double degreesFrom(const std::string& value, const std::string& hemisphere);
// Signed decimal degrees to the receiver's form: zero-padded degrees, minutes with
// `minuteDecimals` decimals; the hemisphere letter comes from `positive`/`negative`.
std::pair<std::string, std::string> degreesTo(double degrees, int degreeDigits, int minuteDecimals,
                                              char positive, char negative);

VersionRecord decodeVersion(const std::vector<std::string>& fields);
WaypointRecord decodeWaypoint(const std::vector<std::string>& fields, std::int32_t place);
TrackPointRecord decodeTrackPoint(const std::vector<std::string>& fields);

struct RouteSentence {
    std::int16_t sentenceCount = 0;
    std::int32_t sentenceNumber = 0;
    std::string routeNumber;
    std::vector<WaypointRecord> waypoints;  // Field4 name, Field1 icon
};
RouteSentence decodeRoute(const std::vector<std::string>& fields);

std::string encodeWaypoint(const WaypointRecord& record);
std::string encodeTrackPoint(const TrackPointRecord& record);

}  // namespace trawlix::link::mapping
