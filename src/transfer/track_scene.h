#pragma once

#include <optional>
#include <vector>

#include "transfer/map_projection.h"
#include "transfer/track_figures.h"

namespace trawlix::transfer::figures {

// A file's contents laid out on the plane once, so that drawing, zooming and panning only
// scale and shift: every point projected about the centre of everything shown.
class Scene {
  public:
    struct PlacedPiece {
        std::size_t track = 0;
        std::size_t piece = 0;
        std::vector<PlanePoint> points;
        std::vector<double> along;  // metres from the start of the track, breaks left out
    };
    struct PlacedRoute {
        std::size_t route = 0;
        std::vector<PlanePoint> points;
    };
    // A point found near a place of the drawing.
    struct Hit {
        const gpx::Point* point = nullptr;
        PlanePoint at;
        std::optional<std::size_t> track;  // when it is a track point
        double along = 0.0;                // its distance along that track
    };

    explicit Scene(Contents contents);

    const Contents& contents() const { return contents_; }
    const LocalProjection& projection() const { return projection_; }
    const std::vector<PlacedPiece>& pieces() const { return pieces_; }
    const std::vector<PlacedRoute>& routes() const { return routes_; }
    const std::vector<PlanePoint>& waypoints() const { return waypoints_; }
    // Whether anything has a position to draw.
    bool drawable() const { return drawable_; }

    // Shows the whole scene in `frame`.
    void fit(MapFrame& frame, double margin) const;
    // The point drawn nearest `pixel`, within `radius` pixels; of `track` only, if given.
    std::optional<Hit> nearest(const MapFrame& frame, PixelPoint pixel, double radius,
                               std::optional<std::size_t> track = std::nullopt) const;
    // The track point of `track` at `along` metres (the nearest recorded one).
    std::optional<Hit> atDistance(std::size_t track, double along) const;

    // Distance along the track and elevation, for the profile; points without elevation are
    // left out.
    struct ProfilePoint {
        double along = 0.0;
        double elevation = 0.0;
        bool startsPiece = false;  // the profile breaks before it, as the track does
    };
    std::vector<ProfilePoint> profile(std::size_t track) const;

  private:
    Hit hitOf(const PlacedPiece& placed, std::size_t index) const;

    Contents contents_;
    LocalProjection projection_;
    std::vector<PlacedPiece> pieces_;
    std::vector<PlacedRoute> routes_;
    std::vector<PlanePoint> waypoints_;
    PlanePoint southWest_;
    PlanePoint northEast_;
    bool drawable_ = false;
};

}  // namespace trawlix::transfer::figures
