#pragma once

#include <string>
#include <vector>

#include "transfer/track_figures.h"

// The figures of tracks and routes in words, as `info` prints them and the viewer shows
// them: metric units, "." as the decimal point, UTC times.
namespace trawlix::transfer::figures {

std::string distanceText(double metres);        // "850 m", "12.35 km"
std::string durationText(double seconds);       // "3:12:05", "2 d 01:00:00"
std::string speedText(double metresPerSecond);  // "4.4 km/h"
std::string boxText(const Box& box);

// A few lines of figures, without the name of what they describe.
std::vector<std::string> figuresLines(const Figures& figures);
// The name of a track in a heading: its own, or "Track n" (from 1) for one without.
std::string trackTitle(const Track& track, std::size_t index);
// "Route 3 "Lakes": 4 points, 3 legs, 5.20 km" and one line a leg.
std::vector<std::string> routeLines(const Route& route);

// Everything a file holds, as `info` prints it.
std::string contentsText(const Contents& contents);

}  // namespace trawlix::transfer::figures
