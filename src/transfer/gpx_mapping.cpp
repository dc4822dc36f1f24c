#include "transfer/gpx_mapping.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/numbers.h"
#include "common/units.h"
#include "link/sentence_text.h"
#include "transfer/plain_letters.h"
#include "transfer/week_rollover.h"

namespace trawlix::transfer::gpx {
namespace {

// Reads `count` digits at `at`; nothing when any is not a digit.
std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

bool plausible(const UtcTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= daysInMonth(t.year, t.month) &&
           t.hour <= 23 && t.minute <= 59 && t.second <= 60;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
long long daysFromCivil(int year, int month, int day) {
    const long long y = month <= 2 ? year - 1 : year;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long long days, UtcTime& t) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
}

// Moves a local time by `minutes` east of UTC back to UTC.
void shiftToUtc(UtcTime& t, int minutes) {
    long long total = (daysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute;
    total -= minutes;
    const long long days = total >= 0 ? total / 1440 : (total - 1439) / 1440;
    const long long inDay = total - days * 1440;
    civilFromDays(days, t);
    t.hour = static_cast<int>(inDay / 60);
    t.minute = static_cast<int>(inDay % 60);
}

// The fraction after a seconds field: ".24" or ",5"; advances `at`.
void readFraction(std::string_view text, std::size_t& at, UtcTime& t) {
    if (at >= text.size() || text[at] != '.') {
        return;
    }
    ++at;
    int place = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (place < 2) {
            t.hundredths += (text[at] - '0') * (place == 0 ? 10 : 1);
        }
        ++place;
        ++at;
    }
    t.decimals = std::min(place, 2);
}

// The zone after the time: "Z", "+hh:mm", "-hh:mm", or nothing. False when unreadable.
bool readZone(std::string_view text, std::size_t at, int& minutesEast) {
    minutesEast = 0;
    if (at == text.size()) {
        return true;
    }
    if (text.substr(at) == "Z") {
        return true;
    }
    if (text.size() != at + 6 || (text[at] != '+' && text[at] != '-') || text[at + 3] != ':') {
        return false;
    }
    const auto hours = digits(text, at + 1, 2);
    const auto minutes = digits(text, at + 4, 2);
    if (!hours || !minutes || *hours > 14 || *minutes > 59) {
        return false;
    }
    minutesEast = (*hours * 60 + *minutes) * (text[at] == '-' ? -1 : 1);
    return true;
}

std::string twoDigits(int value) {
    const int digits = value % 100;
    return {static_cast<char>('0' + digits / 10), static_cast<char>('0' + digits % 10)};
}

std::int16_t wholeMetres(double metres) {
    return static_cast<std::int16_t>(std::clamp(std::round(metres), -32768.0, 32767.0));
}

}  // namespace

std::string receiverSafe(std::string_view utf8, TextChanges& changes) {
    const ReceiverText latin1 = receiverTextFromUtf8(utf8);
    const link::SentenceText safe = link::sentenceSafe(latin1.text);
    if (latin1.blanks + safe.replaced > 0) {
        ++changes.blanked;
    } else if (latin1.changed > 0) {
        ++changes.unaccented;
    }
    return safe.text;
}

namespace {

// The metres of a track altitude in feet, with the fewest decimals (four at most) that give
// the same feet back: 1546 m sent by the receiver stays 1546, not 1546.0001, and a file
// converted to GPX and back keeps its altitudes to the digit.
double metresOfFeet(float feet) {
    const double metres = static_cast<double>(feet) * common::kMetresPerFoot;
    constexpr int kMostDecimals = 4;
    double scale = 1.0;
    for (int decimals = 0; decimals < kMostDecimals; ++decimals, scale *= 10.0) {
        const double rounded = std::round(metres * scale) / scale;
        if (static_cast<float>(rounded / common::kMetresPerFoot) == feet) {
            return rounded;
        }
    }
    return std::round(metres * scale) / scale;
}

}  // namespace

std::optional<UtcTime> utcTimeFromIso(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                             text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                             text.back() == '\r')) {
        text.remove_suffix(1);
    }
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    const auto year = digits(text, 0, 4);
    const auto month = digits(text, 5, 2);
    const auto day = digits(text, 8, 2);
    const auto hour = digits(text, 11, 2);
    const auto minute = digits(text, 14, 2);
    const auto second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) {
        return std::nullopt;
    }
    UtcTime t{*year, *month, *day, *hour, *minute, *second, 0, 0};
    std::size_t at = 19;
    readFraction(text, at, t);
    int minutesEast = 0;
    if (!plausible(t) || !readZone(text, at, minutesEast)) {
        return std::nullopt;
    }
    if (minutesEast != 0) {
        shiftToUtc(t, minutesEast);
    }
    return t;
}

double secondsSinceEpoch(const UtcTime& t) {
    const long long minutes = (daysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute;
    return static_cast<double>(minutes * 60 + t.second) + t.hundredths / 100.0;
}

std::string isoTextOf(const UtcTime& t) {
    // By hand rather than by a formatting call: a track of 32,767 points writes as many.
    std::string iso = std::to_string(t.year);
    iso.insert(0, iso.size() < 4 ? 4 - iso.size() : 0, '0');
    iso += '-' + twoDigits(t.month) + '-' + twoDigits(t.day) + 'T' + twoDigits(t.hour) + ':' +
           twoDigits(t.minute) + ':' + twoDigits(t.second);
    if (t.decimals == 1) {
        iso += '.';
        iso += static_cast<char>('0' + t.hundredths / 10);
    } else if (t.decimals == 2) {
        iso += '.' + twoDigits(t.hundredths);
    }
    return iso + 'Z';
}

std::optional<UtcTime> utcTimeFromReceiver(std::string_view date, std::string_view time) {
    const auto day = digits(date, 0, 2);
    const auto month = digits(date, 2, 2);
    const auto year = digits(date, 4, 2);
    const auto hour = digits(time, 0, 2);
    const auto minute = digits(time, 2, 2);
    const auto second = digits(time, 4, 2);
    if (date.size() != 6 || !day || !month || !year || !hour || !minute || !second) {
        return std::nullopt;
    }
    UtcTime t{
        *year >= 80 ? 1900 + *year : 2000 + *year, *month, *day, *hour, *minute, *second, 0, 0};
    std::size_t at = 6;
    readFraction(time, at, t);
    if (at != time.size() || !plausible(t)) {
        return std::nullopt;
    }
    return t;
}

std::string receiverTimeOf(const UtcTime& t) {
    std::string text = twoDigits(t.hour) + twoDigits(t.minute) + twoDigits(t.second);
    if (t.decimals == 1) {
        text += "." + std::to_string(t.hundredths / 10);
    } else if (t.decimals == 2) {
        text += "." + twoDigits(t.hundredths);
    }
    return text;
}

std::string receiverDateOf(const UtcTime& t) {
    return twoDigits(t.day) + twoDigits(t.month) + twoDigits(t.year);
}

long long secondsSince1970(const UtcTime& t) {
    return ((daysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
}

void moveByDays(UtcTime& t, long long days) {
    civilFromDays(daysFromCivil(t.year, t.month, t.day) + days, t);
}

std::string utf8FromReceiverText(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            utf8 += ' ';  // XML 1.0 cannot hold control characters
        } else if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xc0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3f));
        }
    }
    return utf8;
}

ReceiverText receiverTextFromUtf8(std::string_view utf8) {
    ReceiverText result;
    result.text.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
        if (length == 1) {
            result.text += utf8[i];
            ++i;
            continue;
        }
        char32_t code = lead & (0x7fu >> length);
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3fu);
        }
        if (code < 0x100) {
            result.text += static_cast<char>(code);
        } else {
            const std::string_view plain = plainLetters(code);
            result.text += plain.empty() ? std::string_view(" ") : plain;
            ++result.changed;
            result.blanks += plain.empty() ? 1 : 0;
        }
        i += length;
    }
    return result;
}

Point pointFromWaypoint(const link::WaypointRecord& record) {
    Point point;
    point.latitude = record.Latitude;
    point.longitude = record.Longitude;
    point.elevation = record.Field6 == "F" ? record.Field5 * common::kMetresPerFoot
                                           : static_cast<double>(record.Field5);
    point.name = utf8FromReceiverText(record.Field1);
    point.comment = utf8FromReceiverText(record.Field4);
    point.symbol = utf8FromReceiverText(record.Field10);
    return point;
}

Point pointFromTrackPoint(const link::TrackPointRecord& record, const DateCorrection& correction) {
    Point point;
    point.latitude = record.Latitude;
    point.longitude = record.Longitude;
    if (std::isfinite(record.Altitude)) {
        point.elevation = metresOfFeet(record.Altitude);
    }
    point.time = rollover::corrected(utcTimeFromReceiver(record.Field7, record.Field2), correction);
    point.noFix = !record.Field1;
    return point;
}

std::string routeNumberText(const std::string& routeNumber) {
    const auto number = common::strictInt32(routeNumber);
    return number && *number >= 0 ? std::to_string(*number) : std::string();
}

std::string routeName(const std::string& routeNumber) {
    const std::string number = routeNumberText(routeNumber);
    return "Route " + (number.empty() ? utf8FromReceiverText(routeNumber) : number);
}

Point pointFromRouteEntry(const link::WaypointRecord& entry, const link::WaypointRecord& waypoint) {
    Point point = pointFromWaypoint(waypoint);
    point.name = utf8FromReceiverText(entry.Field4);
    if (!entry.Field1.empty()) {
        point.symbol = utf8FromReceiverText(entry.Field1);
    }
    return point;
}

link::WaypointRecord waypointFromPoint(const Point& point, std::int32_t place,
                                       TextChanges& changed) {
    link::WaypointRecord record;
    record.Latitude = point.latitude;
    record.Longitude = point.longitude;
    record.Field5 = point.elevation ? wholeMetres(*point.elevation) : std::int16_t{0};
    record.Field6 = "M";
    record.Field1 = receiverSafe(point.name, changed);
    record.Field4 = receiverSafe(point.comment, changed);
    record.Field10 = receiverSafe(point.symbol, changed);
    record.Field7 = place;
    return record;
}

link::TrackPointRecord trackPointFromPoint(const Point& point, const std::string& trackName) {
    link::TrackPointRecord record;
    record.Latitude = point.latitude;
    record.Longitude = point.longitude;
    constexpr double kLargest = std::numeric_limits<float>::max();
    record.Altitude = point.elevation
                          ? static_cast<float>(std::clamp(
                                std::round(*point.elevation * 10.0) / 10.0, -kLargest, kLargest))
                          : std::numeric_limits<float>::quiet_NaN();
    if (point.time) {
        record.Field2 = receiverTimeOf(*point.time);
        record.Field7 = receiverDateOf(*point.time);
    }
    record.Field1 = !point.noFix;
    record.TrackName = trackName;
    return record;
}

}  // namespace trawlix::transfer::gpx
