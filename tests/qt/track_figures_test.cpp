// The figures of hand-written GPX and text files against a sum worked out here, the
// projection where maps tear, and files that hold nothing to show.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>

#include "qt/qt_xml_source.h"
#include "transfer/map_projection.h"
#include "transfer/track_file.h"

namespace trawlix::transfer::figures {
namespace {

const std::string kData = TRAWLIX_TEST_DATA "/tracks/";

// Great-circle distance by the arc-tangent form, not the half-versine the code uses.
double arc(double lat1, double lon1, double lat2, double lon2) {
    const double r = M_PI / 180, p1 = lat1 * r, p2 = lat2 * r, dl = (lon2 - lon1) * r;
    const double y =
        std::hypot(std::cos(p2) * std::sin(dl),
                   std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dl));
    return 6371008.8 *
           std::atan2(y, std::sin(p1) * std::sin(p2) + std::cos(p1) * std::cos(p2) * std::cos(dl));
}

struct Expected {
    double distance = 0, ascent = 0;
    int points = 0, pieces = 0;
};

// Reads the track points of track `which` straight from the text: a new piece at every
// <trkseg> and after a pause over an hour.
Expected expectedOf(const std::string& file, int which) {
    std::stringstream text;
    text << std::ifstream(kData + file).rdbuf();
    std::string track = text.str();
    for (int t = 0; t <= which; ++t) {
        track = track.substr(track.find("<trk>") + 5);
    }
    track = track.substr(0, track.find("</trk>"));
    const std::regex point(
        R"re(<trkseg>|<trkpt lat="([^"]+)" lon="([^"]+)">(?:<ele>([^<]+)</ele>)?(?:<time>([^<]+)</time>)?)re");
    Expected e;
    double lat = 0, lon = 0, ele = NAN;
    std::time_t last = 0;
    bool fresh = true;
    for (std::sregex_iterator m(track.begin(), track.end(), point), end; m != end; ++m) {
        if ((*m)[0] == "<trkseg>") {
            fresh = true;
            continue;
        }
        std::tm tm{};
        std::time_t at = 0;
        if ((*m)[4].matched) {
            strptime((*m)[4].str().c_str(), "%Y-%m-%dT%H:%M:%S", &tm);
            at = timegm(&tm);
        }
        fresh = fresh || (at != 0 && last != 0 && at - last > 3600);
        const double la = std::stod((*m)[1]), lo = std::stod((*m)[2]);
        const double el = (*m)[3].matched ? std::stod((*m)[3]) : NAN;
        if (fresh) {
            ++e.pieces;
        } else {
            e.distance += arc(lat, lon, la, lo);
            e.ascent += el > ele ? el - ele : 0;
        }
        lat = la, lon = lo, ele = el, last = at, fresh = false;
        ++e.points;
    }
    return e;
}

class TrackFigures : public ::testing::Test {
  protected:
    Contents load(const std::string& file) {
        LoadResult result = loadFile(kData + file, xml);
        EXPECT_TRUE(result.contents) << result.error;
        return result.contents.value_or(Contents{});
    }
    std::string refusal(const std::string& path) {
        const LoadResult result = loadFile(path, xml);
        EXPECT_FALSE(result.contents);
        return result.error;
    }
    qt::QtXmlSource xml;
};

TEST_F(TrackFigures, DistancesAndClimbsAreThoseSummedWithinPieces) {
    const struct {
        std::string file;
        int track;
    } cases[] = {{"walk.gpx", 0}, {"walk.gpx", 1}, {"dateline.gpx", 0}, {"pole.gpx", 0}};
    for (const auto& c : cases) {
        const Track track = load(c.file).tracks.at(static_cast<std::size_t>(c.track));
        const Expected expected = expectedOf(c.file, c.track);
        const Figures figures = figuresOf(track);
        SCOPED_TRACE(c.file + " track " + std::to_string(c.track));
        EXPECT_EQ(figures.points, static_cast<std::size_t>(expected.points));
        EXPECT_EQ(track.pieces.size(), static_cast<std::size_t>(expected.pieces));
        EXPECT_NEAR(figures.distance, expected.distance, 1e-6 * expected.distance + 1e-6);
        EXPECT_NEAR(figures.ascent.value_or(0), expected.ascent, 1e-9);
    }
}

TEST_F(TrackFigures, TimesSpeedsAndHeightsOfAWalkWithALunchBreak) {
    const Contents walk = load("walk.gpx");
    const Figures morning = figuresOf(walk.tracks[0]);
    EXPECT_DOUBLE_EQ(*morning.duration, 2 * 3600 + 22 * 60 + 10);
    EXPECT_LT(*morning.moving, 15 * 60);  // the lunch is no movement
    EXPECT_NEAR(*morning.averageSpeed, morning.distance / *morning.moving, 1e-9);
    EXPECT_EQ(*morning.highest, 590);
    EXPECT_EQ(*morning.lowest, 500);
    EXPECT_EQ(*morning.descent, 5 + 6);
    EXPECT_FALSE(figuresOf(walk.tracks[1]).duration);  // the evening has no times
    const Route& route = walk.routes.at(0);
    EXPECT_EQ(route.number, "4");
    ASSERT_EQ(legsOf(route).size(), 2u);
    EXPECT_NEAR(*lengthOf(route),
                arc(47.001, 8.001, 47.005, 8.008) + arc(47.005, 8.008, 47.01, 8.015), 1e-6);
}

TEST_F(TrackFigures, TextTrackLogBreaksAtAPauseAndKeepsItsFeetAsMetres) {
    const Track log = load("log.txt").tracks.at(0);
    ASSERT_EQ(log.pieces.size(), 2u);
    const Figures figures = figuresOf(log);
    EXPECT_NEAR(figures.distance,
                arc(46.5, 7.5, 46.501, 7.501) + arc(46.501, 7.501, 46.502, 7.5025) +
                    arc(46.51, 7.51, 46.5105, 7.5115),
                1e-6);
    EXPECT_NEAR(*figures.ascent, 30, 0.01);
    EXPECT_NEAR(*figures.highest, 1110, 0.01);
}

TEST_F(TrackFigures, ATextRouteTakesItsPositionsFromTheWaypointsGiven) {
    EXPECT_FALSE(lengthOf(load("lakes.txt").routes.at(0)));
    const LoadResult placed = loadFile(kData + "lakes.txt", xml, kData + "lakes-waypoints.txt");
    EXPECT_NEAR(*lengthOf(placed.contents->routes.at(0)), *lengthOf(load("walk.gpx").routes.at(0)),
                1e-6);
    EXPECT_NE(loadFile(kData + "lakes.txt", xml, kData + "walk.gpx").error.find("waypoint BEND"),
              std::string::npos);
}

TEST_F(TrackFigures, BadFilesAreRefusedWithAReason) {
    QTemporaryDir folder;
    const std::string empty = folder.filePath("empty.txt").toStdString();
    std::ofstream(empty).close();
    EXPECT_NE(refusal(empty).find("is empty"), std::string::npos);
    EXPECT_NE(refusal(kData + "fix.nmea").find("not a file of tracks"), std::string::npos);
    EXPECT_NE(refusal(kData + "placemarks.gpx").find("not a GPX file"), std::string::npos);
    EXPECT_NE(refusal(kData + "missing.gpx").find("Can't open"), std::string::npos);
}

TEST_F(TrackFigures, OnePointAndOnePlaceGiveZerosAndABoxOfNoSize) {
    for (const char* file : {"one_point.gpx", "one_place.gpx"}) {
        const Figures figures = figuresOf(load(file).tracks.at(0));
        EXPECT_EQ(figures.distance, 0);
        EXPECT_EQ(*figures.moving, 0);
        EXPECT_FALSE(figures.averageSpeed);
        EXPECT_EQ(figures.box->widthDegrees(), 0);
    }
}

TEST(Projection, ABoxOverTheDateLineIsNarrowAndCentredOnIt) {
    std::vector<gpx::Point> points(2);
    points[0].latitude = 71.2, points[0].longitude = 179.995;
    points[1].latitude = 71.2013, points[1].longitude = -179.995;
    const Box box = *boxOf({&points[0], &points[1]});
    EXPECT_GT(box.west, box.east);
    EXPECT_NEAR(box.widthDegrees(), 0.01, 1e-9);
    EXPECT_NEAR(std::abs(box.centreLongitude()), 180, 1e-9);
}

TEST(Projection, DistancesFromTheCentreAreTrueAndPositionsComeBack) {
    const struct {
        double lat0, lon0, lat, lon;
    } cases[] = {{71.2, 180, 71.2013, -179.995},
                 {89.991, 0, 89.991, 180},
                 {90, 0, 89.5, -135},
                 {-33.85, 151.2, -34.2, 150.8}};
    for (const auto& c : cases) {
        const LocalProjection projection(c.lat0, c.lon0);
        const PlanePoint at = projection.toPlane(c.lat, c.lon);
        EXPECT_NEAR(std::hypot(at.x, at.y), arc(c.lat0, c.lon0, c.lat, c.lon), 1e-6);
        const GeoPosition back = projection.toGeo(at);
        EXPECT_NEAR(back.latitude, c.lat, 1e-9);
        EXPECT_NEAR(std::remainder(back.longitude - c.lon, 360), 0, 1e-7);
    }
}

TEST(Projection, ZoomKeepsThePointUnderThePointerAndPanFollowsIt) {
    MapFrame frame(800, 600);
    frame.fit({-1000, -1000}, {1000, 1000}, 0);
    const PlanePoint under = frame.toPlane({100, 50});
    frame.zoomAbout({100, 50}, 3);
    EXPECT_NEAR(frame.toPlane({100, 50}).x, under.x, 1e-6);
    EXPECT_NEAR(frame.toPlane({100, 50}).y, under.y, 1e-6);
    frame.panBy(30, -20);
    EXPECT_NEAR(frame.toPixel(under).x, 130, 1e-9);
    EXPECT_NEAR(frame.toPixel(under).y, 30, 1e-9);
}

TEST(Projection, ScaleBarsAreRoundLengths) {
    const struct {
        double metresPerPixel;
        const char* label;
    } cases[] = {{1, "200 m"}, {3.1, "500 m"}, {12, "2 km"}, {0.05, "10 m"}};
    for (const auto& c : cases) {
        const ScaleBar bar = scaleBarFor(c.metresPerPixel, 200);
        EXPECT_EQ(bar.label, c.label);
        EXPECT_LE(bar.pixels, 200);
        EXPECT_GT(bar.pixels, 80);
    }
}

TEST(Projection, GridOverTheDateLineLabelsBothSides) {
    const LocalProjection projection(71.2, 180);
    MapFrame frame(800, 600);
    frame.fit(projection.toPlane(71.19, 179.98), projection.toPlane(71.21, -179.98), 0);
    std::string labels;
    for (const GridLine& line : gridFor(projection, frame)) {
        labels += line.label + ";";
    }
    EXPECT_NE(labels.find("E;"), std::string::npos) << labels;
    EXPECT_NE(labels.find("W;"), std::string::npos) << labels;
}

// The command line, whole: the JSON of a file and its picture.
std::string cli(const QStringList& arguments, int& status) {
    QProcess process;
    process.start(TRAWLIX_CLI, arguments);
    process.waitForFinished(30000);
    status = process.exitCode();
    return (process.readAllStandardOutput() + process.readAllStandardError()).toStdString();
}

TEST(FigureCommands, InfoGivesJsonAndPictureDrawsAtTheSizeAsked) {
    int status = -1;
    const std::string json =
        cli({"info", QString::fromStdString(kData + "walk.gpx"), "--json"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(json.find("\"waypoints\": 2"), std::string::npos) << json;
    EXPECT_NE(json.find("{\"number\": 4, \"name\": \"Lakes\", \"points\": 3"), std::string::npos);
    EXPECT_NE(json.find("\"duration_s\": 8530.0"), std::string::npos);
    QTemporaryDir folder;
    const QString png = folder.filePath("walk.png");
    cli({"picture", QString::fromStdString(kData + "dateline.gpx"), "--output", png, "--size",
         "640x480"},
        status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(QImage(png).size(), QSize(640, 480));
    EXPECT_NE(cli({"info", QString::fromStdString(kData + "fix.nmea")}, status).find("not a file"),
              std::string::npos);
    EXPECT_EQ(status, 5);
}

}  // namespace
}  // namespace trawlix::transfer::figures
