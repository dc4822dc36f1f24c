#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>
#include <optional>
#include <vector>

#include "transfer/track_scene.h"

class QPainter;

// The drawing of a file's tracks, routes and waypoints, and of a track's elevation profile,
// with QPainter alone: the same for the view window and for `trawlix-cli picture`.
namespace trawlix::qt {

struct MapMarks {
    std::optional<std::size_t> chosenTrack;               // drawn over the others
    std::optional<transfer::figures::PlanePoint> marker;  // the point the profile points at
};

// The grid, the tracks broken at their breaks with their start and end, the routes with
// arrows along their legs, the waypoints with their names and the scale bar.
void paintMap(QPainter& painter, const transfer::figures::Scene& scene,
              const transfer::figures::MapFrame& frame, const MapMarks& marks = {});

// Elevation against distance in `area`; `marker` is a distance along the track.
void paintProfile(QPainter& painter, const QRectF& area,
                  const std::vector<transfer::figures::Scene::ProfilePoint>& profile,
                  std::optional<double> marker = std::nullopt);

// The colour of track `index`, in the map and beside the figures.
QColor trackColour(std::size_t index);

// The map over the whole picture, and the first track's profile below it when the track
// has elevations.
QImage pictureOf(const transfer::figures::Scene& scene, QSize size);

}  // namespace trawlix::qt
