#include "qt/track_painter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "common/pattern_format.h"
#include "transfer/figures_text.h"

namespace trawlix::qt {
namespace {

using transfer::figures::MapFrame;
using transfer::figures::PixelPoint;
using transfer::figures::PlanePoint;
using transfer::figures::Scene;

const QColor kPaper(248, 246, 240);
const QColor kGrid(200, 196, 186);
const QColor kRoute(170, 40, 150);
const QColor kWaypoint(20, 90, 170);

QPointF pixelOf(const MapFrame& frame, PlanePoint point) {
    const PixelPoint at = frame.toPixel(point);
    return {at.x, at.y};
}

// The points as pixels, without those that would land on the pixel before: a long log
// drawn small is mostly points on top of each other.
QPolygonF polylineOf(const MapFrame& frame, const std::vector<PlanePoint>& points) {
    constexpr double kLeastStep = 2.0;  // pixels; the lines are wider
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(std::min<std::size_t>(points.size(), 8192)));
    QPointF last(-1e9, -1e9);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QPointF at = pixelOf(frame, points[i]);
        if (std::abs(at.x() - last.x()) + std::abs(at.y() - last.y()) >= kLeastStep ||
            i + 1 == points.size()) {
            line.append(at);
            last = at;
        }
    }
    return line;
}

// Text with a pale halo, readable over lines: drawn from the glyph cache, which an outline
// of the text would not be.
void haloText(QPainter& painter, QPointF at, const QString& text, const QColor& colour) {
    painter.setPen(QColor(255, 255, 255, 200));
    for (const QPointF offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)}) {
        painter.drawText(at + offset, text);
    }
    painter.setPen(colour);
    painter.drawText(at, text);
}

// A track as a line: in pixels, without points that land within a step of the one before
// (a long log drawn small is mostly points on top of each other), without the stretches
// outside the picture, and in short runs that share their ends, so that the rasterizer fills
// many small outlines rather than one that crosses itself all over the picture.
void drawTrackLine(QPainter& painter, const MapFrame& frame,
                   const std::vector<PlanePoint>& points) {
    constexpr double kLeastStep = 2.0;  // pixels; the lines are wider
    constexpr qsizetype kRun = 64;
    constexpr double kBeyond = 8.0;
    const double right = frame.width() + kBeyond;
    const double bottom = frame.height() + kBeyond;
    QPolygonF run;
    const auto flush = [&] {
        if (run.size() > 1) {
            painter.drawPolyline(run);
        }
        run.clear();
    };
    QPointF last;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QPointF at = pixelOf(frame, points[i]);
        const QPointF step = at - last;
        if (i > 0 && i + 1 < points.size() &&
            std::abs(step.x()) + std::abs(step.y()) < kLeastStep) {
            continue;
        }
        const bool seen =
            std::max(at.x(), last.x()) >= -kBeyond && std::min(at.x(), last.x()) <= right &&
            std::max(at.y(), last.y()) >= -kBeyond && std::min(at.y(), last.y()) <= bottom;
        if (i > 0 && seen) {
            if (run.isEmpty()) {
                run.append(last);
            }
            run.append(at);
            if (run.size() > kRun) {
                flush();
                run.append(at);
            }
        } else if (i > 0) {
            flush();
        }
        last = at;
    }
    flush();
}

void paintGrid(QPainter& painter, const Scene& scene, const MapFrame& frame) {
    const QRectF inside(0, 0, frame.width(), frame.height());
    const QRectF scaleBar(0, frame.height() - 40, 240, 40);
    painter.setFont(QFont(painter.font().family(), 8));
    for (const auto& line : transfer::figures::gridFor(scene.projection(), frame)) {
        const QPolygonF pixels = polylineOf(frame, line.points);
        painter.setPen(QPen(kGrid, 1.0));
        painter.drawPolyline(pixels);
        // The label where the line meets the left edge (parallels) or the bottom (meridians).
        std::optional<QPointF> anchor;
        for (const QPointF& at : pixels) {
            if (inside.adjusted(4, 4, -4, -4).contains(at) &&
                (!anchor || (line.ofLatitude ? at.x() < anchor->x() : at.y() > anchor->y()))) {
                anchor = at;
            }
        }
        if (anchor && !scaleBar.contains(*anchor)) {
            const QPointF offset = line.ofLatitude ? QPointF(4, -3) : QPointF(3, -4);
            haloText(painter, *anchor + offset, QString::fromStdString(line.label),
                     QColor(110, 105, 95));
        }
    }
}

void paintArrow(QPainter& painter, QPointF from, QPointF to, const QColor& colour) {
    const QPointF middle = (from + to) / 2;
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    constexpr double kLength = 9.0;
    constexpr double kSpread = 0.45;
    const QPointF back1(middle.x() - kLength * std::cos(angle - kSpread),
                        middle.y() - kLength * std::sin(angle - kSpread));
    const QPointF back2(middle.x() - kLength * std::cos(angle + kSpread),
                        middle.y() - kLength * std::sin(angle + kSpread));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(QPolygonF({middle, back1, back2}));
}

void paintRoutes(QPainter& painter, const Scene& scene, const MapFrame& frame) {
    for (const Scene::PlacedRoute& route : scene.routes()) {
        const QPolygonF line = polylineOf(frame, route.points);
        painter.setPen(QPen(kRoute, 2.0, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        drawTrackLine(painter, frame, route.points);
        for (qsizetype i = 1; i < line.size(); ++i) {
            const QPointF step = line[i] - line[i - 1];
            if (std::abs(step.x()) + std::abs(step.y()) > 30) {
                paintArrow(painter, line[i - 1], line[i], kRoute);
            }
        }
        const auto& points = scene.contents().routes[route.route].points;
        painter.setFont(QFont(painter.font().family(), 8));
        for (std::size_t i = 0; i < route.points.size(); ++i) {
            const QPointF at = pixelOf(frame, route.points[i]);
            painter.setPen(QPen(kRoute, 1.5));
            painter.setBrush(Qt::white);
            painter.drawEllipse(at, 3.5, 3.5);
            // Where the file has waypoints, they carry the names at the same places.
            if (scene.contents().waypoints.empty()) {
                haloText(painter, at + QPointF(7, 4), QString::fromStdString(points[i].name),
                         kRoute);
            }
        }
    }
}

void paintWaypoints(QPainter& painter, const Scene& scene, const MapFrame& frame) {
    painter.setFont(QFont(painter.font().family(), 9));
    const auto& waypoints = scene.contents().waypoints;
    for (std::size_t i = 0; i < waypoints.size(); ++i) {
        const QPointF at = pixelOf(frame, scene.waypoints()[i]);
        if (!QRectF(-50, -50, frame.width() + 100, frame.height() + 100).contains(at)) {
            continue;
        }
        // A flag on its pole: the foot of the pole is the place.
        painter.setPen(QPen(kWaypoint, 1.5));
        painter.drawLine(at, at + QPointF(0, -14));
        painter.setPen(Qt::NoPen);
        painter.setBrush(kWaypoint);
        painter.drawPolygon(
            QPolygonF({at + QPointF(0, -14), at + QPointF(10, -10.5), at + QPointF(0, -7)}));
        painter.drawEllipse(at, 2.0, 2.0);
        haloText(painter, at + QPointF(12, -4), QString::fromStdString(waypoints[i].name),
                 kWaypoint);
    }
}

void paintTracks(QPainter& painter, const Scene& scene, const MapFrame& frame,
                 const MapMarks& marks) {
    for (const bool chosen : {false, true}) {
        for (const Scene::PlacedPiece& piece : scene.pieces()) {
            if ((marks.chosenTrack == piece.track) != chosen) {
                continue;
            }
            painter.setPen(QPen(trackColour(piece.track), chosen ? 3.0 : 2.2, Qt::SolidLine,
                                Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            drawTrackLine(painter, frame, piece.points);
        }
    }
    // The start and the end of each track: a green ring and a red square.
    const auto& pieces = scene.pieces();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const bool first = i == 0 || pieces[i - 1].track != pieces[i].track;
        const bool last = i + 1 == pieces.size() || pieces[i + 1].track != pieces[i].track;
        painter.setPen(QPen(Qt::white, 1.5));
        if (first) {
            painter.setBrush(QColor(30, 150, 50));
            painter.drawEllipse(pixelOf(frame, pieces[i].points.front()), 6.0, 6.0);
        }
        if (last) {
            painter.setBrush(QColor(200, 30, 30));
            const QPointF end = pixelOf(frame, pieces[i].points.back());
            painter.drawRect(QRectF(end - QPointF(5, 5), QSizeF(10, 10)));
        }
    }
}

void paintScaleBar(QPainter& painter, const MapFrame& frame) {
    const auto bar = transfer::figures::scaleBarFor(frame.metresPerPixel(),
                                                    std::min(200.0, frame.width() / 3.0));
    const QPointF left(14, frame.height() - 14);
    const QPointF right = left + QPointF(bar.pixels, 0);
    painter.setPen(QPen(QColor(255, 255, 255, 220), 5.0));
    painter.drawLine(left, right);
    painter.setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(left, right);
    painter.drawLine(left, left - QPointF(0, 6));
    painter.drawLine(right, right - QPointF(0, 6));
    painter.setFont(QFont(painter.font().family(), 9));
    haloText(painter, left + QPointF(0, -9), QString::fromStdString(bar.label), Qt::black);
}

}  // namespace

QColor trackColour(std::size_t index) {
    static const QColor kColours[] = {QColor(220, 60, 20), QColor(20, 130, 200),
                                      QColor(40, 150, 60), QColor(140, 60, 180),
                                      QColor(200, 140, 0)};
    return kColours[index % std::size(kColours)];
}

void paintMap(QPainter& painter, const Scene& scene, const MapFrame& frame, const MapMarks& marks) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, frame.width(), frame.height()), kPaper);
    paintGrid(painter, scene, frame);
    if (!scene.drawable()) {
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 0, frame.width(), frame.height()), Qt::AlignCenter,
                         "Nothing here has a position to draw:\nthe file names its route "
                         "points only.");
    }
    paintRoutes(painter, scene, frame);
    paintTracks(painter, scene, frame, marks);
    paintWaypoints(painter, scene, frame);
    if (marks.marker) {
        painter.setPen(QPen(Qt::black, 2.0));
        painter.setBrush(QColor(255, 220, 0));
        painter.drawEllipse(pixelOf(frame, *marks.marker), 6.0, 6.0);
    }
    paintScaleBar(painter, frame);
    painter.restore();
}

void paintProfile(QPainter& painter, const QRectF& area,
                  const std::vector<Scene::ProfilePoint>& profile, std::optional<double> marker) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    painter.setFont(QFont(painter.font().family(), 8));
    if (profile.size() < 2) {
        painter.setPen(Qt::darkGray);
        painter.drawText(area, Qt::AlignCenter,
                         profile.empty() ? "This track has no elevations."
                                         : "One point with an elevation: no profile to draw.");
        painter.restore();
        return;
    }
    const auto [low, high] =
        std::minmax_element(profile.begin(), profile.end(),
                            [](const auto& a, const auto& b) { return a.elevation < b.elevation; });
    const double bottom = std::floor(low->elevation / 10) * 10;
    const double top = std::max(std::ceil(high->elevation / 10) * 10, bottom + 10);
    const double length = std::max(profile.back().along, 1.0);
    const QRectF plot = area.adjusted(48, 8, -12, -18);
    const auto toPixel = [&](double along, double elevation) {
        return QPointF(plot.left() + plot.width() * along / length,
                       plot.bottom() - plot.height() * (elevation - bottom) / (top - bottom));
    };
    // One area a piece of the track: nothing is drawn over a break.
    painter.setPen(QPen(QColor(90, 120, 60), 1.5));
    painter.setBrush(QColor(150, 190, 110, 140));
    QPolygonF outline;
    for (std::size_t i = 0; i < profile.size(); ++i) {
        if (profile[i].startsPiece && !outline.isEmpty()) {
            outline.append(toPixel(profile[i - 1].along, bottom));
            painter.drawPolygon(outline);
            outline.clear();
        }
        if (outline.isEmpty()) {
            outline.append(toPixel(profile[i].along, bottom));
        }
        outline.append(toPixel(profile[i].along, profile[i].elevation));
    }
    outline.append(toPixel(profile.back().along, bottom));
    painter.drawPolygon(outline);
    painter.setPen(Qt::darkGray);
    painter.drawText(QRectF(area.left(), plot.top() - 6, 44, 14), Qt::AlignRight,
                     QString::fromStdString(common::formatPattern(top, "0") + " m"));
    painter.drawText(QRectF(area.left(), plot.bottom() - 8, 44, 14), Qt::AlignRight,
                     QString::fromStdString(common::formatPattern(bottom, "0") + " m"));
    painter.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), 14), Qt::AlignRight,
                     QString::fromStdString(transfer::figures::distanceText(length)));
    if (marker) {
        const double x = toPixel(std::clamp(*marker, 0.0, length), bottom).x();
        painter.setPen(QPen(QColor(200, 30, 30), 1.5));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    painter.restore();
}

QImage pictureOf(const Scene& scene, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    const bool withProfile =
        !scene.contents().tracks.empty() && scene.profile(0).size() >= 2 && size.height() >= 240;
    const int profileHeight = withProfile ? std::max(80, size.height() / 5) : 0;
    MapFrame frame(size.width(), size.height() - profileHeight);
    scene.fit(frame, 40);
    QPainter painter(&image);
    paintMap(painter, scene, frame,
             {withProfile ? std::optional<std::size_t>(0) : std::nullopt, {}});
    if (withProfile) {
        paintProfile(painter, QRectF(0, size.height() - profileHeight, size.width(), profileHeight),
                     scene.profile(0));
    }
    return image;
}

}  // namespace trawlix::qt
