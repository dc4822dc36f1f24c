#include "sim/receiver_store.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace trawlix::sim {
namespace {

constexpr const char* kNames[] = {
    "HOME",   "LAKE",   "CAMP",   "SUMMIT", "BRIDGE", "CHAPEL", "HUT",    "PASS",
    "SPRING", "FOREST", "RIDGE",  "GLACIR", "VILLAG", "STATIO", "PARKNG", "FALLS",
    "MEADOW", "CROSS",  "TOWER",  "RUIN",   "CAVE",   "DAM",    "FERRY",  "MILL",
    "FARM",   "BENCH",  "VIEWPT", "SADDLE", "CORRIE", "TARN",   "CAIRN",  "BIVVY",
    "INN",    "CHURCH", "MARKET", "PIER",   "SHOP",   "SCHOOL", "CASTLE", "KIOSK",
};
constexpr const char* kComments[] = {"Start of the day", "Lunch stop", "Fill water here",
                                     "Steep path",       "",           "Good view"};

std::string formatted(const char* format, double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// Degrees to ddmm.mmm (or ddmm.mm) text with `degreeDigits` zero-padded degree digits.
std::string degreesText(double degrees, int degreeDigits, int decimals) {
    const double whole = std::floor(degrees);
    const double minutes = (degrees - whole) * 60.0;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*d%0*.*f", degreeDigits, static_cast<int>(whole),
                  decimals + 3, decimals, minutes);
    return buffer;
}

}  // namespace

std::string ReceiverStore::iconOf(const std::string& name) const {
    for (const auto& waypoint : waypoints) {
        if (waypoint.name == name) {
            return waypoint.icon;
        }
    }
    return "a";
}

ReceiverStore exampleStore(int waypointCount, int trackPoints) {
    ReceiverStore store;
    constexpr int kNameCount = static_cast<int>(sizeof kNames / sizeof kNames[0]);
    for (int i = 0; i < waypointCount; ++i) {
        const double latitude = 46.05 + 0.013 * i + 0.0007 * (i % 5);
        const double longitude = 7.18 + 0.017 * i - 0.0009 * (i % 7);
        StoredWaypoint waypoint;
        waypoint.latitude = degreesText(latitude, 2, 3);
        waypoint.ns = "N";
        waypoint.longitude = degreesText(longitude, 3, 3);
        waypoint.ew = "E";
        waypoint.altitude = std::to_string(480 + (i * 137) % 2900);
        waypoint.unit = "M";
        waypoint.name = i < kNameCount ? kNames[i] : "WPT" + std::to_string(i);
        waypoint.comment = kComments[i % 6];
        waypoint.icon = std::string(1, static_cast<char>('a' + i % 26));
        store.waypoints.push_back(waypoint);
    }
    store.routes = {{1, {"HOME", "LAKE", "CAMP"}},
                    {2, {"CAMP", "SUMMIT", "BRIDGE", "CHAPEL"}},
                    {3, {"HUT", "PASS", "SPRING", "FOREST", "RIDGE"}}};
    for (int i = 0; i < trackPoints; ++i) {
        const double latitude = 46.0997 + 0.0004 * i + 0.0002 * std::sin(i / 9.0);
        const double longitude = 7.2219 + 0.0005 * i;
        const int seconds = 7 * 3600 + 15 * 60 + 48 + i * 20;
        StoredTrackPoint point;
        point.latitude = degreesText(latitude, 2, 2);
        point.ns = "N";
        point.longitude = degreesText(longitude, 3, 2);
        point.ew = "E";
        point.altitude = formatted("%05.0f", 1529.0 + 300.0 * std::sin(i / 40.0) + i % 3);
        point.unit = "M";
        char time[16];
        std::snprintf(time, sizeof time, "%02d%02d%02d.%02d", seconds / 3600 % 24,
                      seconds / 60 % 60, seconds % 60, (i * 7) % 100);
        point.time = time;
        point.validity = i % 50 == 49 ? "V" : "A";
        point.date = "110808";
        store.track.push_back(point);
    }
    return store;
}

std::string dateBehind(const std::string& ddmmyy, int periods) {
    using namespace std::chrono;
    const auto field = [&](std::size_t at) { return std::stoi(ddmmyy.substr(at, 2)); };
    const int year = field(4) >= 80 ? 1900 + field(4) : 2000 + field(4);
    const sys_days day =
        year_month_day{std::chrono::year{year}, month{static_cast<unsigned>(field(2))},
                       std::chrono::day{static_cast<unsigned>(field(0))}};
    const year_month_day behind{day - days{kDaysPerWeekPeriod * periods}};
    char text[16];
    std::snprintf(text, sizeof text, "%02u%02u%02d", static_cast<unsigned>(behind.day()),
                  static_cast<unsigned>(behind.month()), static_cast<int>(behind.year()) % 100);
    return text;
}

}  // namespace trawlix::sim
