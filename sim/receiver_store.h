#pragma once

#include <string>
#include <vector>

// What the simulated receiver keeps, as the text of its sentence fields, so that whatever
// comes back from an upload can be compared with what went out.
namespace trawlix::sim {

struct StoredWaypoint {
    std::string latitude;  // ddmm.mmm
    std::string ns;
    std::string longitude;  // dddmm.mmm
    std::string ew;
    std::string altitude;  // whole number
    std::string unit;      // M or F
    std::string name;
    std::string comment;
    std::string icon;

    bool operator==(const StoredWaypoint&) const = default;
};

struct StoredRoute {
    int number = 0;
    std::vector<std::string> names;

    bool operator==(const StoredRoute&) const = default;
};

struct StoredTrackPoint {
    std::string latitude;  // ddmm.mm
    std::string ns;
    std::string longitude;  // dddmm.mm
    std::string ew;
    std::string altitude;  // 5 digits
    std::string unit;
    std::string time;      // hhmmss.ss
    std::string validity;  // A or V
    std::string name;
    std::string date;  // ddmmyy

    bool operator==(const StoredTrackPoint&) const = default;
};

struct ReceiverStore {
    std::string productId = "MERIDIAN GPS";
    std::string softwareVersion = "5.04";
    std::string description = "Trawlix simulated receiver";
    std::vector<StoredWaypoint> waypoints;
    std::vector<StoredRoute> routes;
    std::vector<StoredTrackPoint> track;

    // The icon of the waypoint of that name, as a receiver fills it into a route.
    std::string iconOf(const std::string& name) const;
};

// A store of a walker's day in the Valais: named waypoints, three routes and a track log of
// `trackPoints` points with times and altitudes.
ReceiverStore exampleStore(int waypointCount = 36, int trackPoints = 300);

// Days in one period of the ten-bit GPS week counter: 1024 weeks.
inline constexpr int kDaysPerWeekPeriod = 7 * 1024;
// The "ddmmyy" date `periods` periods of the week counter earlier, as a receiver whose counter
// rolled over that often dates what it records; years 80 to 99 are 19xx, the others 20xx.
std::string dateBehind(const std::string& ddmmyy, int periods);

}  // namespace trawlix::sim
