// What the receiver's records become in GPX and back, and how the document is written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "transfer/gpx_mapping.h"
#include "transfer/gpx_upload.h"
#include "transfer/gpx_writer.h"

namespace trawlix::transfer::gpx {
namespace {

TEST(GpxTime, ReceiverDateAndTimeBecomeIsoUtcKeepingHundredths) {
    const auto time = utcTimeFromReceiver("110808", "071548.24");
    ASSERT_TRUE(time);
    EXPECT_EQ(isoTextOf(*time), "2008-08-11T07:15:48.24Z");
    EXPECT_EQ(receiverTimeOf(*time), "071548.24");
    EXPECT_EQ(receiverDateOf(*time), "110808");
    // Years 80 to 99 belong to the last century; a time without fraction stays without.
    EXPECT_EQ(isoTextOf(*utcTimeFromReceiver("311299", "235959")), "1999-12-31T23:59:59Z");
    EXPECT_EQ(isoTextOf(*utcTimeFromReceiver("010179", "000000.5")), "2079-01-01T00:00:00.5Z");
}

TEST(GpxTime, UnreadableReceiverTimesGiveNoTime) {
    EXPECT_FALSE(utcTimeFromReceiver("", "071548.24"));
    EXPECT_FALSE(utcTimeFromReceiver("110808", ""));
    EXPECT_FALSE(utcTimeFromReceiver("310208", "071548"));  // no 31 February
    EXPECT_FALSE(utcTimeFromReceiver("110808", "251548"));
    EXPECT_FALSE(utcTimeFromReceiver("11080", "071548"));
    EXPECT_FALSE(utcTimeFromReceiver("110808", "0715x8"));
}

TEST(GpxTime, IsoTimesWithZonesBecomeUtc) {
    const auto east = utcTimeFromIso("2008-08-11T01:15:48+02:00");
    ASSERT_TRUE(east);
    EXPECT_EQ(receiverDateOf(*east), "100808");  // back across midnight
    EXPECT_EQ(receiverTimeOf(*east), "231548");
    const auto west = utcTimeFromIso(" 2008-12-31T23:30:00.125-01:30 ");
    ASSERT_TRUE(west);
    EXPECT_EQ(isoTextOf(*west), "2009-01-01T01:00:00.12Z");  // across the year, cut to 1/100
    EXPECT_EQ(isoTextOf(*utcTimeFromIso("2008-02-29T12:00:00")), "2008-02-29T12:00:00Z");
    for (const char* bad : {"2008-08-11", "2008-08-11 07:15:48Z", "2007-02-29T12:00:00Z",
                            "2008-08-11T07:15:48+2", "yesterday", "2008-13-01T00:00:00Z"}) {
        EXPECT_FALSE(utcTimeFromIso(bad)) << bad;
    }
}

TEST(GpxText, ReceiverBytesAreLatin1AndComeBackSafe) {
    EXPECT_EQ(utf8FromReceiverText("Z\xfcrich\tA"), "Z\xc3\xbcrich A");
    const ReceiverText back = receiverTextFromUtf8("Z\xc3\xbcrich \xe2\x82\xac \xf0\x9f\x8f\x94");
    EXPECT_EQ(back.text, "Z\xfcrich    ");  // the euro sign and the mountain are not Latin-1
    EXPECT_EQ(back.changed, 2);

    TextChanges changed;
    Point point;
    point.name = "Caf\xc3\xa9, $5*";
    point.comment = "line\none";
    point.symbol = "šđčćž";
    const link::WaypointRecord record = waypointFromPoint(point, 1, changed);
    EXPECT_EQ(record.Field1, "Caf\xe9   5 ");
    EXPECT_EQ(record.Field4, "line one");
    EXPECT_EQ(record.Field10, "sdccz");
    EXPECT_EQ(changed.blanked, 2);     // the name and the comment
    EXPECT_EQ(changed.unaccented, 1);  // the icon
}

// Letters outside ISO 8859-1 keep their base letter, so that names in Czech, Polish,
// Croatian, Hungarian, Turkish or Vietnamese stay readable and distinct on the receiver.
TEST(GpxText, LettersBeyondLatin1AreWrittenWithoutAccents) {
    const std::pair<const char*, const char*> cases[] = {
        {"Škoda Łódź đ",
         "Skoda L\xf3"
         "dz d"},  // ó is in ISO 8859-1 and stays
        {"İstanbul ışık", "Istanbul isik"},
        {"Ǖ ế", "\xdc \xea"},  // to the letter of ISO 8859-1 they decompose to
        {"Œuvre “A” – …", "OEuvre \"A\" - ..."},
        {"Ω 東", "   "},  // Greek and CJK have no plain Latin letter
    };
    for (const auto& [utf8, sent] : cases) {
        EXPECT_EQ(receiverTextFromUtf8(utf8).text, sent) << utf8;
    }
    EXPECT_EQ(receiverTextFromUtf8("Ω š").blanks, 1);
}

TEST(GpxWaypoints, MapBothWays) {
    link::WaypointRecord feet;
    feet.Latitude = 46.5;
    feet.Longitude = -7.25;
    feet.Field1 = "HUT";
    feet.Field4 = "Good view";
    feet.Field5 = 1000;
    feet.Field6 = "F";
    feet.Field10 = "k";
    const Point point = pointFromWaypoint(feet);
    EXPECT_DOUBLE_EQ(*point.elevation, 304.8);
    EXPECT_EQ(point.name, "HUT");
    EXPECT_EQ(point.comment, "Good view");
    EXPECT_EQ(point.symbol, "k");

    TextChanges changed;
    const link::WaypointRecord back = waypointFromPoint(point, 7, changed);
    EXPECT_EQ(back.Field5, 305);  // whole metres from now on
    EXPECT_EQ(back.Field6, "M");
    EXPECT_EQ(back.Field7, 7);
    EXPECT_EQ(back.Field10, "k");
    EXPECT_EQ(back.Latitude, 46.5);
    EXPECT_EQ(changed.fields(), 0);

    Point bare;
    const link::WaypointRecord unknown = waypointFromPoint(bare, 1, changed);
    EXPECT_EQ(unknown.Field5, 0);
    EXPECT_EQ(unknown.Field6, "M");
}

TEST(GpxTracks, MapBothWays) {
    link::TrackPointRecord record;
    record.Latitude = 46.1;
    record.Longitude = 7.2;
    record.Altitude = 5016.4f;  // feet, as downloaded
    record.Field1 = false;
    record.Field2 = "071548.24";
    record.Field7 = "110808";
    const Point point = pointFromTrackPoint(record);
    EXPECT_NEAR(*point.elevation, 1529.0, 0.01);
    EXPECT_TRUE(point.noFix);
    EXPECT_EQ(isoTextOf(*point.time), "2008-08-11T07:15:48.24Z");

    const link::TrackPointRecord back = trackPointFromPoint(point, "DAY 1");
    EXPECT_FLOAT_EQ(back.Altitude, 1529.0f);  // metres with one decimal, as uploads send
    EXPECT_FALSE(back.Field1);
    EXPECT_EQ(back.Field2, "071548.24");
    EXPECT_EQ(back.Field7, "110808");
    EXPECT_EQ(back.TrackName, "DAY 1");

    Point bare;
    const link::TrackPointRecord unknown = trackPointFromPoint(bare, "");
    EXPECT_TRUE(std::isnan(unknown.Altitude));  // sent as an empty field
    EXPECT_TRUE(unknown.Field1);
    EXPECT_EQ(unknown.Field2, "");
    EXPECT_EQ(unknown.Field7, "");
}

TEST(GpxRoutes, PointsGoFirstAsWaypointsAndRoutesGetFreeNumbers) {
    Document document;
    Route lakes;
    lakes.name = "Lakes";
    lakes.points = {Point{46.1, 7.1, 500.0, {}, "home", "", "h", false},
                    Point{46.2, 7.2, {}, {}, "", "", "", false},
                    Point{46.3, 7.3, {}, {}, "Lake", "", "", false}};
    Route numbered;
    numbered.number = 1;
    numbered.points = {Point{46.1, 7.1, {}, {}, "HOME", "", "", false}};
    document.routes = {lakes, numbered};
    const PlanResult planned = planUpload(UploadKind::Route, document, "r.gpx");
    ASSERT_TRUE(planned.plan) << planned.error;
    const UploadPlan& plan = *planned.plan;
    // Route 1 is taken, so "Lakes" is 2; names in upper case; HOME is stored once.
    ASSERT_EQ(plan.parts.size(), 2u);
    std::vector<std::string> sentences;
    for (const UploadStep& step : plan.parts[1].steps) {
        sentences.push_back(step.route.text() + (step.startsRoute() ? " first" : ""));
    }
    EXPECT_EQ(sentences,
              (std::vector<std::string>{"$PMGNRTE,2,1,c,02,HOME,R02P002 first",
                                        "$PMGNRTE,2,2,c,02,LAKE", "$PMGNRTE,1,1,c,01,HOME first"}));
    const auto& waypoints = plan.parts[0].steps;
    ASSERT_EQ(waypoints.size(), 3u);
    EXPECT_EQ(waypoints[0].waypoint.Field1, "HOME");
    EXPECT_EQ(waypoints[1].waypoint.Field1, "R02P002");
    EXPECT_EQ(plan.numbersChosen, (std::vector<std::string>{"\"Lakes\" is route 2"}));
    EXPECT_EQ(plan.routes.size(), 2u);
    EXPECT_EQ(plan.parts[1].records, 4);
}

TEST(GpxRoutes, NothingOfTheKindIsRefusedNamingTheFile) {
    const Document empty;
    for (const auto kind : {UploadKind::Waypoints, UploadKind::Route, UploadKind::Track}) {
        const PlanResult planned = planUpload(kind, empty, "/tmp/x.gpx");
        EXPECT_FALSE(planned.plan);
        EXPECT_NE(planned.error.find("/tmp/x.gpx holds no"), std::string::npos);
    }
}

TEST(GpxWriter, EscapesTextAndWritesNumbersWithoutLocale) {
    EXPECT_EQ(escaped("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(decimalText(46.0997166666, 7), "46.0997167");
    EXPECT_EQ(decimalText(-0.5, 7), "-0.5");
    EXPECT_EQ(decimalText(-0.00000001, 7), "0");
    EXPECT_EQ(decimalText(1529.0, 4), "1529");
}

long occurrences(const std::string& text, const std::string& part) {
    long count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The file is a complete document after every record: what a reader sees if the download
// stops right there.
TEST(GpxWriter, EveryRecordLeavesACompleteDocument) {
    std::stringstream out;
    Writer writer(out);
    EXPECT_EQ(out.str().substr(out.str().size() - 7), "</gpx>\n");
    Point point{46.5, 7.25, 1.5, {}, "A&B", "", "", true};
    writer.trackPoint("", point);
    const std::string one = out.str();
    EXPECT_EQ(one.substr(one.find("  <trk>")),
              "  <trk>\n    <trkseg>\n      <trkpt lat=\"46.5\" lon=\"7.25\">\n"
              "        <ele>1.5</ele>\n        <name>A&amp;B</name>\n        <fix>none</fix>\n"
              "      </trkpt>\n    </trkseg>\n  </trk>\n</gpx>\n");
    writer.trackPoint("", point);
    writer.trackPoint("NEXT", point);  // a new track where the name changes
    writer.waypoint(point);
    writer.startRoute("Route 3", "3");
    writer.routePoint(point);
    const std::string all = out.str();
    EXPECT_EQ(all.size(), all.rfind("</gpx>\n") + 7);  // nothing stale past the end
    for (const std::string element : {"trk", "trkseg", "trkpt", "wpt", "rte", "rtept"}) {
        EXPECT_EQ(occurrences(all, "<" + element + ">") + occurrences(all, "<" + element + " "),
                  occurrences(all, "</" + element + ">"))
            << element;
    }
    EXPECT_NE(all.find("<trk>\n    <name>NEXT</name>"), std::string::npos);
    EXPECT_NE(all.find("  <rte>\n    <name>Route 3</name>\n    <number>3</number>\n"
                       "    <rtept"),
              std::string::npos);
    EXPECT_FALSE(writer.failure());
}

TEST(GpxWriter, AFailedWriteIsReported) {
    std::ofstream closed;
    Writer writer(closed);
    EXPECT_TRUE(writer.failure());
    EXPECT_TRUE(writer.waypoint(Point{}));
}

}  // namespace
}  // namespace trawlix::transfer::gpx
