#include "transfer/track_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace trawlix::transfer::figures {

Scene::Scene(Contents contents) : contents_(std::move(contents)) {
    const auto box = boxOf(contents_);
    if (!box) {
        return;
    }
    drawable_ = true;
    projection_ = LocalProjection::about(*box);
    southWest_ = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    northEast_ = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
    const auto place = [this](const gpx::Point& point) {
        const PlanePoint at = projection_.toPlane(point.latitude, point.longitude);
        southWest_ = {std::min(southWest_.x, at.x), std::min(southWest_.y, at.y)};
        northEast_ = {std::max(northEast_.x, at.x), std::max(northEast_.y, at.y)};
        return at;
    };
    for (std::size_t t = 0; t < contents_.tracks.size(); ++t) {
        double along = 0.0;
        const auto& pieces = contents_.tracks[t].pieces;
        for (std::size_t p = 0; p < pieces.size(); ++p) {
            PlacedPiece placed{t, p, {}, {}};
            placed.points.reserve(pieces[p].size());
            placed.along.reserve(pieces[p].size());
            for (std::size_t i = 0; i < pieces[p].size(); ++i) {
                if (i > 0) {
                    along += haversine(pieces[p][i - 1].latitude, pieces[p][i - 1].longitude,
                                       pieces[p][i].latitude, pieces[p][i].longitude);
                }
                placed.points.push_back(place(pieces[p][i]));
                placed.along.push_back(along);
            }
            pieces_.push_back(std::move(placed));
        }
    }
    for (std::size_t r = 0; r < contents_.routes.size(); ++r) {
        if (!contents_.routes[r].positioned) {
            continue;
        }
        PlacedRoute placed{r, {}};
        for (const gpx::Point& point : contents_.routes[r].points) {
            placed.points.push_back(place(point));
        }
        routes_.push_back(std::move(placed));
    }
    for (const gpx::Point& point : contents_.waypoints) {
        waypoints_.push_back(place(point));
    }
}

void Scene::fit(MapFrame& frame, double margin) const {
    if (drawable_) {
        frame.fit(southWest_, northEast_, margin);
    } else {
        frame.fit({}, {}, margin);
    }
}

Scene::Hit Scene::hitOf(const PlacedPiece& placed, std::size_t index) const {
    return {&contents_.tracks[placed.track].pieces[placed.piece][index], placed.points[index],
            placed.track, placed.along[index]};
}

std::optional<Scene::Hit> Scene::nearest(const MapFrame& frame, PixelPoint pixel, double radius,
                                         std::optional<std::size_t> track) const {
    const PlanePoint target = frame.toPlane(pixel);
    const double reach = radius * frame.metresPerPixel();
    double best = reach * reach;
    std::optional<Hit> found;
    const auto consider = [&](PlanePoint at, const auto& make) {
        const double d =
            (at.x - target.x) * (at.x - target.x) + (at.y - target.y) * (at.y - target.y);
        if (d <= best) {
            best = d;
            found = make();
        }
    };
    for (const PlacedPiece& placed : pieces_) {
        if (track && placed.track != *track) {
            continue;
        }
        for (std::size_t i = 0; i < placed.points.size(); ++i) {
            consider(placed.points[i], [&] { return hitOf(placed, i); });
        }
    }
    if (track) {
        return found;
    }
    for (const PlacedRoute& placed : routes_) {
        const auto& points = contents_.routes[placed.route].points;
        for (std::size_t i = 0; i < placed.points.size(); ++i) {
            consider(placed.points[i], [&] { return Hit{&points[i], placed.points[i], {}, 0.0}; });
        }
    }
    // Waypoints last: where one lies on the track, its name is what the user points at.
    for (std::size_t i = 0; i < waypoints_.size(); ++i) {
        consider(waypoints_[i], [&] {
            return Hit{&contents_.waypoints[i], waypoints_[i], {}, 0.0};
        });
    }
    return found;
}

std::optional<Scene::Hit> Scene::atDistance(std::size_t track, double along) const {
    std::optional<Hit> found;
    double best = std::numeric_limits<double>::max();
    for (const PlacedPiece& placed : pieces_) {
        if (placed.track != track || placed.along.empty()) {
            continue;
        }
        const auto next = std::lower_bound(placed.along.begin(), placed.along.end(), along);
        for (const auto at : {next, next == placed.along.begin() ? next : next - 1}) {
            if (at != placed.along.end() && std::abs(*at - along) < best) {
                best = std::abs(*at - along);
                found = hitOf(placed, static_cast<std::size_t>(at - placed.along.begin()));
            }
        }
    }
    return found;
}

std::vector<Scene::ProfilePoint> Scene::profile(std::size_t track) const {
    std::vector<ProfilePoint> points;
    for (const PlacedPiece& placed : pieces_) {
        if (placed.track != track) {
            continue;
        }
        const auto& piece = contents_.tracks[track].pieces[placed.piece];
        bool first = true;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            if (piece[i].elevation) {
                points.push_back({placed.along[i], *piece[i].elevation, first});
                first = false;
            }
        }
    }
    return points;
}

}  // namespace trawlix::transfer::figures
