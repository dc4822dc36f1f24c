#pragma once

#include <string>
#include <vector>

#include "transfer/track_figures.h"

// Positions on a flat drawing. The projection is azimuthal equidistant about the centre of
// what is shown: distances from the centre are true, and it holds at the poles and across
// the 180th meridian, where a plain grid of degrees tears.
namespace trawlix::transfer::figures {

// Metres east and north of the projection's centre.
struct PlanePoint {
    double x = 0.0;
    double y = 0.0;
};

struct GeoPosition {
    double latitude = 0.0;
    double longitude = 0.0;  // -180 to 180
};

class LocalProjection {
  public:
    LocalProjection() = default;
    LocalProjection(double centreLatitude, double centreLongitude);
    // About the centre of `box`.
    static LocalProjection about(const Box& box);

    PlanePoint toPlane(double latitude, double longitude) const;
    GeoPosition toGeo(PlanePoint point) const;
    GeoPosition centre() const { return {latitude_, longitude_}; }

  private:
    double latitude_ = 0.0;
    double longitude_ = 0.0;
    double sinCentre_ = 0.0;
    double cosCentre_ = 1.0;
};

struct PixelPoint {
    double x = 0.0;
    double y = 0.0;  // downwards
};

// The part of the plane that a drawing of width × height pixels shows.
class MapFrame {
  public:
    MapFrame() = default;
    MapFrame(int width, int height) : width_(width), height_(height) {}

    // Shows everything from `south_west` to `north_east` (plane corners) with `margin`
    // pixels around it; a box smaller than kSmallestSpan is shown as that span.
    void fit(PlanePoint southWest, PlanePoint northEast, double margin);
    void resize(int width, int height);  // the centre and the scale stay
    // Scales by `factor` (above 1 closer) so that the plane point under `pixel` stays there.
    void zoomAbout(PixelPoint pixel, double factor);
    void panBy(double dx, double dy);  // pixels; the drawing follows the pointer

    PixelPoint toPixel(PlanePoint point) const {
        return {width_ / 2.0 + (point.x - centre_.x) / metresPerPixel_,
                height_ / 2.0 - (point.y - centre_.y) / metresPerPixel_};
    }
    PlanePoint toPlane(PixelPoint pixel) const;
    double metresPerPixel() const { return metresPerPixel_; }
    int width() const { return width_; }
    int height() const { return height_; }

    static constexpr double kSmallestSpan = 200.0;  // metres
    static constexpr double kClosest = 0.01;        // metres a pixel
    static constexpr double kFarthest = 20000.0;

  private:
    int width_ = 1;
    int height_ = 1;
    PlanePoint centre_;
    double metresPerPixel_ = 1.0;
};

// One line of the latitude and longitude grid, as points of the plane.
struct GridLine {
    std::vector<PlanePoint> points;
    std::string label;  // "48.5° N"
    bool ofLatitude = true;
};

// A few round parallels and meridians across what the frame shows.
std::vector<GridLine> gridFor(const LocalProjection& projection, const MapFrame& frame);

struct ScaleBar {
    double metres = 0.0;
    double pixels = 0.0;
    std::string label;  // "500 m", "2 km"
};

// The longest round length (1, 2 or 5 times a power of ten) that fits in `longest` pixels.
ScaleBar scaleBarFor(double metresPerPixel, double longest);

}  // namespace trawlix::transfer::figures
