#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "transfer/gpx_mapping.h"

// What a file of tracks, routes and waypoints holds, as the viewer and `info` see it, and
// the figures of its tracks and routes: distances on the sphere, times, climbs.
namespace trawlix::transfer::figures {

// The mean radius of the Earth, in metres.
inline constexpr double kEarthRadius = 6371008.8;
// A pause longer than this breaks a track log into pieces: the receiver was off, or the
// owner went home.
inline constexpr double kBreakSeconds = 3600.0;

// The distance along the sphere between two positions, in metres.
double haversine(double latitude1, double longitude1, double latitude2, double longitude2);

// A run of track points without a break, in the order recorded.
using Piece = std::vector<gpx::Point>;

struct Track {
    std::string name;           // empty when the file names none
    std::vector<Piece> pieces;  // broken at segment ends and at pauses over an hour
    std::size_t pointCount() const;
};

struct Route {
    std::string number;  // as the file gives it; may be empty
    std::string name;
    std::vector<gpx::Point> points;
    // A text route file names its waypoints only: its points carry no position.
    bool positioned = true;
};

struct Contents {
    std::vector<gpx::Point> waypoints;
    std::vector<Route> routes;
    std::vector<Track> tracks;
    bool empty() const { return waypoints.empty() && routes.empty() && tracks.empty(); }
};

// Splits each track's segments at pauses longer than kBreakSeconds; a track with no points
// is dropped.
std::vector<Track> tracksOf(const std::vector<gpx::Track>& tracks);

// South to north, west to east; `west` > `east` when the box spans the 180th meridian.
struct Box {
    double south = 0.0;
    double north = 0.0;
    double west = 0.0;
    double east = 0.0;
    double centreLongitude() const;
    double widthDegrees() const;
};

// The smallest box around the positions (longitudes wrap: the box of points on both sides
// of the 180th meridian spans it); nothing for no position.
std::optional<Box> boxOf(const std::vector<const gpx::Point*>& points);
std::optional<Box> boxOf(const Contents& contents);

struct Figures {
    std::size_t points = 0;
    double distance = 0.0;               // metres, summed within pieces
    std::optional<double> duration;      // seconds, first to last timed point
    std::optional<double> moving;        // seconds spent above kMovingSpeed
    std::optional<double> averageSpeed;  // metres a second over the moving time
    std::optional<double> topSpeed;      // metres a second, over at least kTopSpeedSeconds
    std::optional<double> ascent;        // metres; nothing without elevations
    std::optional<double> descent;
    std::optional<double> highest;
    std::optional<double> lowest;
    std::optional<gpx::UtcTime> start;
    std::optional<gpx::UtcTime> end;
    std::optional<Box> box;
};

// Slower than this a receiver standing still drifts.
inline constexpr double kMovingSpeed = 0.5;
// A top speed over a shorter stretch is mostly the receiver's jitter.
inline constexpr double kTopSpeedSeconds = 10.0;
// Elevation changes smaller than this are the receiver's noise, not a climb.
inline constexpr double kClimbThreshold = 3.0;

Figures figuresOf(const Piece& piece);
Figures figuresOf(const Track& track);  // the whole: distances and climbs within pieces

struct Leg {
    const gpx::Point* from = nullptr;
    const gpx::Point* to = nullptr;
    double length = 0.0;  // metres
};
std::vector<Leg> legsOf(const Route& route);
// Metres; nothing for a route whose points carry no position.
std::optional<double> lengthOf(const Route& route);

}  // namespace trawlix::transfer::figures
