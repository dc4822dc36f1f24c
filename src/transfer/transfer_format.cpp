#include "transfer/transfer_format.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "common/line_split.h"
#include "common/numbers.h"
#include "common/pattern_format.h"
#include "common/units.h"

namespace trawlix::transfer {
namespace {

using common::fieldOrEmpty;
using common::formatInteger;
using common::formatPlainSingle;

std::string join(std::initializer_list<std::string_view> fields) {
    std::string line;
    bool first = true;
    for (std::string_view field : fields) {
        if (!first) {
            line += ',';
        }
        line += field;
        first = false;
    }
    return line;
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string fieldError(std::size_t index, std::string_view text, std::string_view expected) {
    return "field " + std::to_string(index) + " " + quoted(text) + " is not " +
           std::string(expected);
}

std::string tooFewFields(std::size_t found, std::size_t needed) {
    return "it has " + std::to_string(found) + " fields, at least " + std::to_string(needed) +
           " are needed";
}

}  // namespace

std::string formatCoordinate(double degrees) {
    return common::formatPattern(degrees, "##.00000");
}

std::string waypointLine(const link::WaypointRecord& r) {
    return join({kWaypointWord, r.Field1, formatCoordinate(r.Latitude),
                 formatCoordinate(r.Longitude), r.Field4, formatInteger(r.Field5), r.Field6,
                 formatInteger(r.Field7), formatPlainSingle(r.Field8), formatPlainSingle(r.Field9),
                 r.Field10});
}

std::string routeHeaderLine(const link::HeaderRecord& r) {
    return join({kHeaderWord, r.RouteNumber, formatInteger(r.SentenceCount)});
}

std::string routeEntryLine(const link::WaypointRecord& r) {
    return join({kWaypointWord, r.Field1, r.Field4});
}

std::string trackLine(const link::TrackPointRecord& r) {
    return join({kPointWord, r.Field1 ? "True" : "False", r.Field2, formatCoordinate(r.Latitude),
                 formatCoordinate(r.Longitude), formatPlainSingle(r.Altitude),
                 formatPlainSingle(r.Field6), r.Field7});
}

std::optional<std::string> readWaypointLine(const std::vector<std::string>& fields,
                                            link::WaypointRecord& record) {
    // Field 10 may be missing; everything before it must be there.
    constexpr std::size_t kNeeded = 10;
    if (fields.size() < kNeeded) {
        return tooFewFields(fields.size(), kNeeded);
    }
    const auto field5 = common::strictInt16(fields[5]);
    if (!field5) {
        return fieldError(5, fields[5], "a whole number from -32768 to 32767");
    }
    const auto field7 = common::strictInt32(fields[7]);
    if (!field7) {
        return fieldError(7, fields[7], "a whole number");
    }
    const auto field8 = common::strictSingle(fields[8]);
    if (!field8) {
        return fieldError(8, fields[8], "a number");
    }
    const auto field9 = common::strictSingle(fields[9]);
    if (!field9) {
        return fieldError(9, fields[9], "a number");
    }
    record.Field1 = fields[1];
    record.Latitude = common::leadingNumber(fields[2]);
    record.Longitude = common::leadingNumber(fields[3]);
    record.Field4 = fields[4];
    record.Field5 = *field5;
    record.Field6 = fields[6];
    record.Field7 = *field7;
    record.Field8 = *field8;
    record.Field9 = *field9;
    record.Field10 = std::string(fieldOrEmpty(fields, 10));
    return std::nullopt;
}

std::optional<std::string> readTrackLine(const std::vector<std::string>& fields,
                                         link::TrackPointRecord& record) {
    // Field 7 may be missing; everything before it must be there.
    constexpr std::size_t kNeeded = 7;
    if (fields.size() < kNeeded) {
        return tooFewFields(fields.size(), kNeeded);
    }
    const auto field1 = common::strictBool(fields[1]);
    if (!field1) {
        return fieldError(1, fields[1], "True, False or a number");
    }
    const auto latitude = common::strictDouble(fields[3]);
    if (!latitude) {
        return fieldError(3, fields[3], "a number");
    }
    const auto longitude = common::strictDouble(fields[4]);
    if (!longitude) {
        return fieldError(4, fields[4], "a number");
    }
    const auto field6 = common::strictSingle(fields[6]);
    if (!field6) {
        return fieldError(6, fields[6], "a number");
    }
    record.Field1 = *field1;
    record.Field2 = fields[2];
    record.Latitude = *latitude;
    record.Longitude = *longitude;
    record.Altitude = trackAltitudeFromFeet(fields[5]);
    record.Field6 = *field6;
    record.Field7 = std::string(fieldOrEmpty(fields, 7));
    return std::nullopt;
}

bool isRouteHeader(const std::vector<std::string>& fields) {
    return fields[0] == kHeaderWord;
}

std::optional<std::string> readRouteHeader(const std::vector<std::string>& fields,
                                           RouteHeader& header) {
    constexpr std::size_t kNeeded = 3;
    if (fields.size() < kNeeded) {
        return tooFewFields(fields.size(), kNeeded);
    }
    const auto number = common::strictInt32(fields[1]);
    if (!number) {
        return fieldError(1, fields[1], "a route number");
    }
    const auto count = common::strictInt32(fields[2]);
    if (!count) {
        return fieldError(2, fields[2], "a whole number");
    }
    header.routeNumber = *number;
    header.sentenceCount = *count;
    return std::nullopt;
}

std::optional<std::string> checkRouteEntry(const std::vector<std::string>& fields) {
    constexpr std::size_t kNeeded = 3;
    if (fields.size() < kNeeded) {
        return tooFewFields(fields.size(), kNeeded);
    }
    return std::nullopt;
}

std::string routeEntryName(const std::vector<std::string>& fields) {
    std::string name(fieldOrEmpty(fields, 2));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

float trackAltitudeFromFeet(std::string_view field) {
    const double metres = common::leadingNumber(field) * common::kMetresPerFoot;
    // Rounded the way the value is shown: one decimal, then read back.
    const std::string shown = common::formatPattern(metres, "#####.0");
    const double rounded = common::leadingNumber(shown);
    // A single holds no more; such an altitude is nonsense either way, but no crash.
    constexpr double kLargest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(rounded, -kLargest, kLargest));
}

}  // namespace trawlix::transfer
