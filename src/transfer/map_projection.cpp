#include "transfer/map_projection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/pattern_format.h"

namespace trawlix::transfer::figures {
namespace {

constexpr double kRadians = std::numbers::pi / 180.0;

// -180 (exclusive) to 180.
double wrapped(double longitude) {
    double result = std::fmod(longitude + 180.0, 360.0);
    if (result <= 0) {
        result += 360.0;
    }
    return result - 180.0;
}

// Round steps of the grid, in degrees.
double gridStep(double span) {
    constexpr int kMostLines = 6;
    constexpr double kLargeSteps[] = {10.0, 15.0, 30.0, 45.0, 90.0};
    for (double power = 1e-5; power < 1.0; power *= 10) {
        for (const double times : {1.0, 2.0, 5.0}) {
            if (span / (times * power) <= kMostLines) {
                return times * power;
            }
        }
    }
    for (const double step : kLargeSteps) {
        if (span / step <= kMostLines) {
            return step;
        }
    }
    return 90.0;
}

// "48.5° N": as many decimals as the step needs.
std::string degreesLabel(double degrees, double step, bool latitude) {
    std::string pattern = "0";
    for (double fraction = step; fraction - std::floor(fraction + 1e-9) > 1e-9; fraction *= 10) {
        pattern += pattern.size() == 1 ? ".0" : "0";
    }
    const double size = std::abs(degrees);
    std::string text = common::formatPattern(size, pattern) + "\xC2\xB0";
    if (size < step / 2 || (!latitude && std::abs(size - 180.0) < step / 2)) {
        return text;
    }
    return text + (latitude ? (degrees > 0 ? " N" : " S") : (degrees > 0 ? " E" : " W"));
}

struct Range {
    double south = 90.0;
    double north = -90.0;
    double west = 180.0;  // relative to the projection's centre
    double east = -180.0;
};

// The latitudes and longitudes the frame shows, from positions along its border.
Range visibleRange(const LocalProjection& projection, const MapFrame& frame) {
    Range range;
    constexpr int kSamples = 12;
    const double centreLongitude = projection.centre().longitude;
    const auto take = [&](double px, double py) {
        const GeoPosition at = projection.toGeo(frame.toPlane({px, py}));
        range.south = std::min(range.south, at.latitude);
        range.north = std::max(range.north, at.latitude);
        const double relative = wrapped(at.longitude - centreLongitude);
        range.west = std::min(range.west, relative);
        range.east = std::max(range.east, relative);
    };
    const double w = frame.width();
    const double h = frame.height();
    for (int i = 0; i <= kSamples; ++i) {
        const double t = static_cast<double>(i) / kSamples;
        take(t * w, 0);
        take(t * w, h);
        take(0, t * h);
        take(w, t * h);
    }
    for (const double pole : {90.0, -90.0}) {
        const PixelPoint at = frame.toPixel(projection.toPlane(pole, centreLongitude));
        if (at.x >= 0 && at.x <= w && at.y >= 0 && at.y <= h) {
            (pole > 0 ? range.north : range.south) = pole;
            range.west = -180.0;
            range.east = 180.0;
        }
    }
    return range;
}

}  // namespace

LocalProjection::LocalProjection(double centreLatitude, double centreLongitude)
    : latitude_(centreLatitude),
      longitude_(wrapped(centreLongitude)),
      sinCentre_(std::sin(centreLatitude * kRadians)),
      cosCentre_(std::cos(centreLatitude * kRadians)) {}

LocalProjection LocalProjection::about(const Box& box) {
    return LocalProjection((box.south + box.north) / 2, box.centreLongitude());
}

PlanePoint LocalProjection::toPlane(double latitude, double longitude) const {
    const double phi = latitude * kRadians;
    const double lambda = (longitude - longitude_) * kRadians;
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double cosLambda = std::cos(lambda);
    const double cosC =
        std::clamp(sinCentre_ * sinPhi + cosCentre_ * cosPhi * cosLambda, -1.0, 1.0);
    const double c = std::acos(cosC);
    const double k = c < 1e-12 ? 1.0 : c / std::sin(c);
    return {kEarthRadius * k * cosPhi * std::sin(lambda),
            kEarthRadius * k * (cosCentre_ * sinPhi - sinCentre_ * cosPhi * cosLambda)};
}

GeoPosition LocalProjection::toGeo(PlanePoint point) const {
    const double rho = std::hypot(point.x, point.y);
    if (rho < 1e-9) {
        return centre();
    }
    const double c = std::min(rho / kEarthRadius, std::numbers::pi);
    const double sinC = std::sin(c);
    const double cosC = std::cos(c);
    const double phi =
        std::asin(std::clamp(cosC * sinCentre_ + point.y * sinC * cosCentre_ / rho, -1.0, 1.0));
    const double lambda =
        std::atan2(point.x * sinC, rho * cosCentre_ * cosC - point.y * sinCentre_ * sinC);
    return {phi / kRadians, wrapped(longitude_ + lambda / kRadians)};
}

void MapFrame::fit(PlanePoint southWest, PlanePoint northEast, double margin) {
    centre_ = {(southWest.x + northEast.x) / 2, (southWest.y + northEast.y) / 2};
    const double spanX = std::max(northEast.x - southWest.x, kSmallestSpan);
    const double spanY = std::max(northEast.y - southWest.y, kSmallestSpan);
    const double usableX = std::max(width_ - 2 * margin, 1.0);
    const double usableY = std::max(height_ - 2 * margin, 1.0);
    metresPerPixel_ = std::clamp(std::max(spanX / usableX, spanY / usableY), kClosest, kFarthest);
}

void MapFrame::resize(int width, int height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
}

void MapFrame::zoomAbout(PixelPoint pixel, double factor) {
    const PlanePoint held = toPlane(pixel);
    metresPerPixel_ = std::clamp(metresPerPixel_ / factor, kClosest, kFarthest);
    const PlanePoint moved = toPlane(pixel);
    centre_.x += held.x - moved.x;
    centre_.y += held.y - moved.y;
}

void MapFrame::panBy(double dx, double dy) {
    centre_.x -= dx * metresPerPixel_;
    centre_.y += dy * metresPerPixel_;
}

PlanePoint MapFrame::toPlane(PixelPoint pixel) const {
    return {centre_.x + (pixel.x - width_ / 2.0) * metresPerPixel_,
            centre_.y - (pixel.y - height_ / 2.0) * metresPerPixel_};
}

std::vector<GridLine> gridFor(const LocalProjection& projection, const MapFrame& frame) {
    const Range range = visibleRange(projection, frame);
    const double latitudeStep = gridStep(range.north - range.south);
    const double longitudeStep = gridStep(range.east - range.west);
    const double centreLongitude = projection.centre().longitude;
    constexpr int kSamples = 48;
    std::vector<GridLine> lines;
    for (double latitude = std::ceil(range.south / latitudeStep) * latitudeStep;
         latitude <= range.north; latitude += latitudeStep) {
        if (std::abs(latitude) >= 90.0 - 1e-9) {
            continue;
        }
        GridLine line{{}, degreesLabel(latitude, latitudeStep, true), true};
        for (int i = 0; i <= kSamples; ++i) {
            const double relative = range.west + (range.east - range.west) * i / kSamples;
            line.points.push_back(projection.toPlane(latitude, centreLongitude + relative));
        }
        lines.push_back(std::move(line));
    }
    const double westLongitude = centreLongitude + range.west;
    for (double longitude = std::ceil(westLongitude / longitudeStep) * longitudeStep;
         longitude <= centreLongitude + range.east; longitude += longitudeStep) {
        GridLine line{{}, degreesLabel(wrapped(longitude), longitudeStep, false), false};
        for (int i = 0; i <= kSamples; ++i) {
            const double latitude = range.south + (range.north - range.south) * i / kSamples;
            line.points.push_back(projection.toPlane(latitude, longitude));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

ScaleBar scaleBarFor(double metresPerPixel, double longest) {
    const double most = metresPerPixel * longest;
    double metres = std::pow(10.0, std::floor(std::log10(most)));
    for (const double times : {5.0, 2.0}) {
        if (metres * times <= most) {
            metres *= times;
            break;
        }
    }
    const std::string label =
        metres >= 1000.0 ? common::formatPattern(metres / 1000.0, "0") + " km"
                         : common::formatPattern(metres, metres >= 1 ? "0" : "0.0##") + " m";
    return {metres, metres / metresPerPixel, label};
}

}  // namespace trawlix::transfer::figures
