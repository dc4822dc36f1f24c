// The view of a track log of 32,767 points, the most the receiver holds: drawn whole into a
// picture the size of the view window's drawing, then redrawn for each notch of the wheel
// and each step of a drag. The goals: the first drawing under 50 ms, a redraw under 16 ms
// (a frame at 60 Hz).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "qt/track_painter.h"

namespace {

using namespace trawlix;
using transfer::figures::MapFrame;
using transfer::figures::Scene;

constexpr int kPoints = 32767;
const QSize kViewSize(1200, 800);

// A day's walk in the hills, a point every two seconds, with a few waypoints and a route.
transfer::figures::Contents walk() {
    transfer::gpx::Track log{"ACTIVE LOG", {{}}};
    double latitude = 46.1;
    double longitude = 7.2;
    for (int i = 0; i < kPoints; ++i) {
        transfer::gpx::Point point;
        latitude += 1.2e-5 * std::sin(i / 900.0) + 4e-6 * std::sin(i * 0.37);
        longitude += 1.6e-5 * std::cos(i / 1300.0) + 4e-6 * std::cos(i * 0.29);
        point.latitude = latitude;
        point.longitude = longitude;
        point.elevation = 1500 + 400 * std::sin(i / 5000.0) + 3 * std::sin(i * 0.1);
        point.time =
            transfer::gpx::UtcTime{2024, 7, 1, 6 + i * 2 / 3600, i * 2 / 60 % 60, i * 2 % 60, 0, 0};
        log.segments.back().push_back(point);
    }
    transfer::figures::Contents contents;
    contents.tracks = transfer::figures::tracksOf({log});
    for (int i = 0; i < 40; ++i) {
        transfer::gpx::Point waypoint = log.segments.back()[static_cast<std::size_t>(i * 800)];
        waypoint.name = "WPT" + std::to_string(i);
        contents.waypoints.push_back(waypoint);
    }
    contents.routes.push_back(
        {"1", "Route 1", {contents.waypoints.begin(), contents.waypoints.begin() + 10}, true});
    return contents;
}

const Scene& scene() {
    static const Scene kScene(walk());
    return kScene;
}

// From the file's contents, read, to the first picture: every point projected, then drawn.
void BM_FirstDrawing(benchmark::State& state) {
    QImage image(kViewSize, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        state.PauseTiming();
        transfer::figures::Contents contents = walk();
        state.ResumeTiming();
        const Scene fresh(std::move(contents));
        MapFrame frame(kViewSize.width(), kViewSize.height());
        fresh.fit(frame, 30);
        QPainter painter(&image);
        qt::paintMap(painter, fresh, frame, {0, {}});
    }
}
BENCHMARK(BM_FirstDrawing)->Unit(benchmark::kMillisecond);

// Redraws the view after each `move` of it (given the run's count), from the whole track.
template <typename Move>
void redrawAfter(benchmark::State& state, Move move) {
    QImage image(kViewSize, QImage::Format_ARGB32_Premultiplied);
    MapFrame frame(kViewSize.width(), kViewSize.height());
    scene().fit(frame, 30);
    int run = 0;
    for (auto _ : state) {
        move(frame, run++);
        QPainter painter(&image);
        qt::paintMap(painter, scene(), frame, {0, {}});
    }
}

// The whole track in view: every point drawn.
void BM_DrawWhole(benchmark::State& state) {
    redrawAfter(state, [](MapFrame&, int) {});
}
BENCHMARK(BM_DrawWhole)->Unit(benchmark::kMillisecond);

// A wheel notch in and out again about a point of the track, and the redraw after each.
void BM_ZoomRedraw(benchmark::State& state) {
    redrawAfter(state, [](MapFrame& frame, int run) {
        frame.zoomAbout({500, 350}, run % 8 < 4 ? 1.25 : 0.8);
    });
}
BENCHMARK(BM_ZoomRedraw)->Unit(benchmark::kMillisecond);

// A drag, zoomed in twice, a few pixels a step, back and forth.
void BM_PanRedraw(benchmark::State& state) {
    redrawAfter(state, [](MapFrame& frame, int run) {
        if (run == 0) {
            frame.zoomAbout({600, 400}, 1.5625);
        }
        const double dx = run % 40 < 20 ? 7 : -7;
        frame.panBy(dx, 3 - dx / 2);
    });
}
BENCHMARK(BM_PanRedraw)->Unit(benchmark::kMillisecond);

// The pointer over the drawing: the nearest point for the tooltip and the profile's marker.
void BM_Hover(benchmark::State& state) {
    MapFrame frame(kViewSize.width(), kViewSize.height());
    scene().fit(frame, 30);
    double x = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene().nearest(frame, {x, 400}, 8));
        x = x > 1200 ? 0 : x + 13;
    }
}
BENCHMARK(BM_Hover)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // Text needs a GUI application; no screen is needed to draw into a picture.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
