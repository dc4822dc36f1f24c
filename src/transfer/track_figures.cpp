#include "transfer/track_figures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace trawlix::transfer::figures {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

std::optional<double> secondsOf(const gpx::Point& point) {
    if (!point.time) {
        return std::nullopt;
    }
    return gpx::secondsSinceEpoch(*point.time);
}

// Adds the climbs of one piece, counting a change only once it has gone beyond the noise.
void addClimbs(const Piece& piece, Figures& figures) {
    std::optional<double> reference;
    for (const gpx::Point& point : piece) {
        if (!point.elevation) {
            continue;
        }
        const double elevation = *point.elevation;
        figures.highest = std::max(figures.highest.value_or(elevation), elevation);
        figures.lowest = std::min(figures.lowest.value_or(elevation), elevation);
        if (!reference) {
            reference = elevation;
            figures.ascent = figures.ascent.value_or(0.0);
            figures.descent = figures.descent.value_or(0.0);
            continue;
        }
        const double change = elevation - *reference;
        if (std::abs(change) >= kClimbThreshold) {
            *(change > 0 ? figures.ascent : figures.descent) += std::abs(change);
            reference = elevation;
        }
    }
}

// Distance from the start of the piece to each point.
std::vector<double> runningDistance(const Piece& piece) {
    std::vector<double> along(piece.size(), 0.0);
    for (std::size_t i = 1; i < piece.size(); ++i) {
        along[i] = along[i - 1] + haversine(piece[i - 1].latitude, piece[i - 1].longitude,
                                            piece[i].latitude, piece[i].longitude);
    }
    return along;
}

// Moving time and the top speed over stretches of kTopSpeedSeconds or more.
void addSpeeds(const Piece& piece, const std::vector<double>& along, Figures& figures) {
    std::vector<std::size_t> timed;
    std::vector<double> seconds;
    for (std::size_t i = 0; i < piece.size(); ++i) {
        if (const auto at = secondsOf(piece[i])) {
            timed.push_back(i);
            seconds.push_back(*at);
        }
    }
    if (timed.empty()) {
        return;
    }
    double moving = figures.moving.value_or(0.0);
    std::size_t back = 0;
    for (std::size_t k = 1; k < timed.size(); ++k) {
        const double span = seconds[k] - seconds[k - 1];
        const double metres = along[timed[k]] - along[timed[k - 1]];
        if (span > 0 && metres / span > kMovingSpeed) {
            moving += span;
        }
        while (back + 1 < k && seconds[k] - seconds[back + 1] >= kTopSpeedSeconds) {
            ++back;
        }
        const double stretch = seconds[k] - seconds[back];
        if (stretch >= kTopSpeedSeconds) {
            const double speed = (along[timed[k]] - along[timed[back]]) / stretch;
            figures.topSpeed = std::max(figures.topSpeed.value_or(0.0), speed);
        }
    }
    figures.moving = moving;
}

void addPiece(const Piece& piece, Figures& figures) {
    figures.points += piece.size();
    const std::vector<double> along = runningDistance(piece);
    if (!along.empty()) {
        figures.distance += along.back();
    }
    addClimbs(piece, figures);
    addSpeeds(piece, along, figures);
    for (const gpx::Point& point : piece) {
        if (point.time) {
            if (!figures.start) {
                figures.start = point.time;
            }
            figures.end = point.time;
        }
    }
}

void finish(Figures& figures) {
    if (figures.start && figures.end) {
        figures.duration =
            gpx::secondsSinceEpoch(*figures.end) - gpx::secondsSinceEpoch(*figures.start);
    }
    if (figures.moving && *figures.moving > 0) {
        figures.averageSpeed = figures.distance / *figures.moving;
    }
}

// -180 (exclusive) to 180.
double wrapped(double longitude) {
    double wrappedLongitude = std::fmod(longitude + 180.0, 360.0);
    if (wrappedLongitude <= 0) {
        wrappedLongitude += 360.0;
    }
    return wrappedLongitude - 180.0;
}

}  // namespace

double haversine(double latitude1, double longitude1, double latitude2, double longitude2) {
    const double phi1 = latitude1 * kRadiansPerDegree;
    const double phi2 = latitude2 * kRadiansPerDegree;
    const double dPhi = phi2 - phi1;
    const double dLambda = (longitude2 - longitude1) * kRadiansPerDegree;
    const double a = std::pow(std::sin(dPhi / 2), 2) +
                     std::cos(phi1) * std::cos(phi2) * std::pow(std::sin(dLambda / 2), 2);
    return 2 * kEarthRadius * std::asin(std::min(1.0, std::sqrt(a)));
}

std::size_t Track::pointCount() const {
    std::size_t count = 0;
    for (const Piece& piece : pieces) {
        count += piece.size();
    }
    return count;
}

std::vector<Track> tracksOf(const std::vector<gpx::Track>& tracks) {
    std::vector<Track> split;
    for (const gpx::Track& track : tracks) {
        Track result{track.name, {}};
        for (const auto& segment : track.segments) {
            std::optional<double> last;
            bool startPiece = true;
            for (const gpx::Point& point : segment) {
                const auto at = secondsOf(point);
                if (startPiece || (at && last && *at - *last > kBreakSeconds)) {
                    result.pieces.emplace_back();
                    startPiece = false;
                }
                result.pieces.back().push_back(point);
                last = at ? at : last;
            }
        }
        if (!result.pieces.empty()) {
            split.push_back(std::move(result));
        }
    }
    return split;
}

double Box::centreLongitude() const {
    return wrapped(west + widthDegrees() / 2);
}

double Box::widthDegrees() const {
    return west <= east ? east - west : east + 360.0 - west;
}

std::optional<Box> boxOf(const std::vector<const gpx::Point*>& points) {
    if (points.empty()) {
        return std::nullopt;
    }
    Box box{90.0, -90.0, 0.0, 0.0};
    std::vector<double> longitudes;
    longitudes.reserve(points.size());
    for (const gpx::Point* point : points) {
        box.south = std::min(box.south, point->latitude);
        box.north = std::max(box.north, point->latitude);
        longitudes.push_back(wrapped(point->longitude));
    }
    // The box leaves out the widest stretch of longitude that holds no point.
    std::sort(longitudes.begin(), longitudes.end());
    double widestGap = longitudes.front() + 360.0 - longitudes.back();
    box.west = longitudes.front();
    box.east = longitudes.back();
    for (std::size_t i = 1; i < longitudes.size(); ++i) {
        const double gap = longitudes[i] - longitudes[i - 1];
        if (gap > widestGap) {
            widestGap = gap;
            box.west = longitudes[i];
            box.east = longitudes[i - 1];
        }
    }
    return box;
}

std::optional<Box> boxOf(const Contents& contents) {
    std::vector<const gpx::Point*> points;
    for (const gpx::Point& point : contents.waypoints) {
        points.push_back(&point);
    }
    for (const Route& route : contents.routes) {
        for (const gpx::Point& point : route.points) {
            if (route.positioned) {
                points.push_back(&point);
            }
        }
    }
    for (const Track& track : contents.tracks) {
        for (const Piece& piece : track.pieces) {
            for (const gpx::Point& point : piece) {
                points.push_back(&point);
            }
        }
    }
    return boxOf(points);
}

Figures figuresOf(const Piece& piece) {
    return figuresOf(Track{{}, {piece}});
}

Figures figuresOf(const Track& track) {
    Figures figures;
    std::vector<const gpx::Point*> points;
    for (const Piece& piece : track.pieces) {
        addPiece(piece, figures);
        for (const gpx::Point& point : piece) {
            points.push_back(&point);
        }
    }
    figures.box = boxOf(points);
    finish(figures);
    return figures;
}

std::vector<Leg> legsOf(const Route& route) {
    std::vector<Leg> legs;
    if (!route.positioned) {
        return legs;
    }
    for (std::size_t i = 1; i < route.points.size(); ++i) {
        const gpx::Point& from = route.points[i - 1];
        const gpx::Point& to = route.points[i];
        legs.push_back(
            {&from, &to, haversine(from.latitude, from.longitude, to.latitude, to.longitude)});
    }
    return legs;
}

std::optional<double> lengthOf(const Route& route) {
    if (!route.positioned) {
        return std::nullopt;
    }
    double length = 0.0;
    for (const Leg& leg : legsOf(route)) {
        length += leg.length;
    }
    return length;
}

}  // namespace trawlix::transfer::figures
