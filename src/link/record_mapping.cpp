#include "link/record_mapping.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/line_split.h"
#include "common/numbers.h"
#include "common/pattern_format.h"
#include "common/units.h"

namespace trawlix::link::mapping {
namespace {

using common::fieldOrEmpty;

std::string field(const std::vector<std::string>& fields, std::size_t index) {
    return std::string(fieldOrEmpty(fields, index));
}

std::int16_t clampToInt16(double value) {
    return static_cast<std::int16_t>(std::clamp(common::roundHalfEven(value), -32768.0, 32767.0));
}

}  // namespace

double degreesFrom(const std::string& value, const std::string& hemisphere) {
    const double raw = common::leadingNumber(value);
    const double wholeDegrees = std::trunc(raw / 100.0);
    const double degrees = wholeDegrees + (raw - wholeDegrees * 100.0) / 60.0;
    return hemisphere == "S" || hemisphere == "W" ? -degrees : degrees;
}

std::pair<std::string, std::string> degreesTo(double degrees, int degreeDigits, int minuteDecimals,
                                              char positive, char negative) {
    const double magnitude = std::fabs(degrees);
    double whole = std::floor(magnitude);
    const double scale = std::pow(10.0, minuteDecimals);
    double minutes = std::round((magnitude - whole) * 60.0 * scale) / scale;
    if (minutes >= 60.0) {  // 59.9999 rounds up to the next degree
        minutes -= 60.0;
        whole += 1.0;
    }
    std::string pattern(static_cast<std::size_t>(degreeDigits), '0');
    std::string minutePattern = "00." + std::string(static_cast<std::size_t>(minuteDecimals), '0');
    std::string text =
        common::formatPattern(whole, pattern) + common::formatPattern(minutes, minutePattern);
    return {text, std::string(1, degrees < 0 ? negative : positive)};
}

VersionRecord decodeVersion(const std::vector<std::string>& fields) {
    return {field(fields, 0), field(fields, 1), field(fields, 2)};
}

WaypointRecord decodeWaypoint(const std::vector<std::string>& fields, std::int32_t place) {
    WaypointRecord record;
    record.Latitude = degreesFrom(field(fields, 0), field(fields, 1));
    record.Longitude = degreesFrom(field(fields, 2), field(fields, 3));
    record.Field5 = clampToInt16(common::leadingNumber(field(fields, 4)));
    record.Field6 = field(fields, 5);
    record.Field1 = field(fields, 6);
    record.Field4 = field(fields, 7);
    record.Field10 = field(fields, 8);
    record.Field7 = place;
    return record;
}

TrackPointRecord decodeTrackPoint(const std::vector<std::string>& fields) {
    TrackPointRecord record;
    record.Latitude = degreesFrom(field(fields, 0), field(fields, 1));
    record.Longitude = degreesFrom(field(fields, 2), field(fields, 3));
    const double altitude = common::leadingNumber(field(fields, 4));
    const double feet = field(fields, 5) == "F" ? altitude : altitude / common::kMetresPerFoot;
    constexpr double kLargest = std::numeric_limits<float>::max();
    record.Altitude = static_cast<float>(std::clamp(feet, -kLargest, kLargest));
    record.Field2 = field(fields, 6);
    record.Field1 = field(fields, 7) == "A";
    record.Field7 = field(fields, 9);
    return record;
}

RouteSentence decodeRoute(const std::vector<std::string>& fields) {
    RouteSentence route;
    route.sentenceCount = clampToInt16(common::leadingNumber(field(fields, 0)));
    route.sentenceNumber = static_cast<std::int32_t>(
        std::clamp(common::leadingNumber(field(fields, 1)), -2147483648.0, 2147483647.0));
    route.routeNumber = field(fields, 3);
    for (std::size_t i = 4; i < fields.size(); i += 2) {
        WaypointRecord entry;
        entry.Field4 = fields[i];
        entry.Field1 = field(fields, i + 1);
        route.waypoints.push_back(entry);
    }
    return route;
}

std::string encodeWaypoint(const WaypointRecord& record) {
    const auto [latitude, ns] = degreesTo(record.Latitude, 2, 3, 'N', 'S');
    const auto [longitude, ew] = degreesTo(record.Longitude, 3, 3, 'E', 'W');
    const std::string unit = record.Field6 == "F" ? "F" : "M";
    return "$PMGNWPL," + latitude + "," + ns + "," + longitude + "," + ew + "," +
           common::formatInteger(record.Field5) + "," + unit + "," + record.Field1 + "," +
           record.Field4 + "," + record.Field10;
}

std::string encodeTrackPoint(const TrackPointRecord& record) {
    // Three decimals of minutes, as for waypoints: two would move a point by up to 9 m.
    const auto [latitude, ns] = degreesTo(record.Latitude, 2, 3, 'N', 'S');
    const auto [longitude, ew] = degreesTo(record.Longitude, 3, 3, 'E', 'W');
    const std::string altitude = common::formatPattern(record.Altitude, "00000");
    return "$PMGNTRK," + latitude + "," + ns + "," + longitude + "," + ew + "," + altitude + ",M," +
           record.Field2 + "," + (record.Field1 ? "A" : "V") + ",," + record.Field7;
}

}  // namespace trawlix::link::mapping
