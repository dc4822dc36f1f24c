#include "transfer/figures_text.h"

#include <cmath>

#include "common/pattern_format.h"

namespace trawlix::transfer::figures {
namespace {

std::string twoDigits(long long value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

std::string metresText(double metres) {
    return common::formatPattern(metres, "0") + " m";
}

std::string degreesText(double degrees, const char* positive, const char* negative) {
    return common::formatPattern(std::abs(degrees), "0.00000") + "\xC2\xB0 " +
           (degrees < 0 ? negative : positive);
}

std::string countText(std::size_t count, const char* one, const char* many) {
    return common::formatInteger(static_cast<long long>(count)) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string distanceText(double metres) {
    if (metres < 1000.0) {
        return metresText(metres);
    }
    return common::formatPattern(metres / 1000.0, metres < 100000.0 ? "0.00" : "0.0") + " km";
}

std::string durationText(double seconds) {
    const auto whole = static_cast<long long>(std::llround(seconds));
    const long long days = whole / 86400;
    const std::string clock = twoDigits(whole / 3600 % 24) + ":" + twoDigits(whole / 60 % 60) +
                              ":" + twoDigits(whole % 60);
    if (days > 0) {
        return std::to_string(days) + " d " + clock;
    }
    return std::to_string(whole / 3600) + clock.substr(2);
}

std::string speedText(double metresPerSecond) {
    return common::formatPattern(metresPerSecond * 3.6, "0.0") + " km/h";
}

std::string boxText(const Box& box) {
    return degreesText(box.south, "N", "S") + " to " + degreesText(box.north, "N", "S") + ", " +
           degreesText(box.west, "E", "W") + " to " + degreesText(box.east, "E", "W");
}

std::vector<std::string> figuresLines(const Figures& f) {
    std::vector<std::string> lines;
    std::string line = countText(f.points, "point", "points") + ", " + distanceText(f.distance);
    if (f.duration) {
        line += " in " + durationText(*f.duration);
    }
    if (f.moving) {
        line += ", moving " + durationText(*f.moving);
    }
    lines.push_back(line);
    if (f.averageSpeed || f.topSpeed) {
        lines.push_back("average " + (f.averageSpeed ? speedText(*f.averageSpeed) : "-") +
                        ", top " + (f.topSpeed ? speedText(*f.topSpeed) : "-"));
    }
    if (f.ascent && f.highest) {
        lines.push_back("ascent " + metresText(*f.ascent) + ", descent " + metresText(*f.descent) +
                        ", highest " + metresText(*f.highest) + ", lowest " +
                        metresText(*f.lowest));
    }
    if (f.start && f.end) {
        lines.push_back(gpx::isoTextOf(*f.start) + " to " + gpx::isoTextOf(*f.end));
    }
    if (f.box) {
        lines.push_back(boxText(*f.box));
    }
    return lines;
}

std::string trackTitle(const Track& track, std::size_t index) {
    return track.name.empty() ? "Track " + std::to_string(index + 1)
                              : "Track \"" + track.name + "\"";
}

std::vector<std::string> routeLines(const Route& route) {
    // A route GPX names "Route 3" after its number is not named twice.
    const std::string number = route.number.empty() ? std::string() : "Route " + route.number;
    std::string heading = (route.name == number || route.name.empty() ? number
                           : number.empty() ? "Route \"" + route.name + "\""
                                            : number + " \"" + route.name + "\"") +
                          ": " + countText(route.points.size(), "point", "points");
    const auto length = lengthOf(route);
    if (!length) {
        return {heading + " (a route file holds no positions)"};
    }
    const std::vector<Leg> legs = legsOf(route);
    std::vector<std::string> lines{heading + ", " + countText(legs.size(), "leg", "legs") + ", " +
                                   distanceText(*length)};
    for (const Leg& leg : legs) {
        lines.push_back("  " + leg.from->name + " to " + leg.to->name + ": " +
                        distanceText(leg.length));
    }
    return lines;
}

std::string contentsText(const Contents& contents) {
    std::string text;
    const auto add = [&text](const std::string& line) { text += line + "\n"; };
    for (std::size_t t = 0; t < contents.tracks.size(); ++t) {
        const Track& track = contents.tracks[t];
        add(trackTitle(track, t) + ": " + countText(track.pieces.size(), "piece", "pieces"));
        for (const std::string& line : figuresLines(figuresOf(track))) {
            add("  " + line);
        }
        for (std::size_t p = 0; track.pieces.size() > 1 && p < track.pieces.size(); ++p) {
            add("  piece " + std::to_string(p + 1) + ":");
            for (const std::string& line : figuresLines(figuresOf(track.pieces[p]))) {
                add("    " + line);
            }
        }
    }
    for (const Route& route : contents.routes) {
        for (const std::string& line : routeLines(route)) {
            add(line);
        }
    }
    add(countText(contents.waypoints.size(), "waypoint", "waypoints"));
    return text;
}

}  // namespace trawlix::transfer::figures
