#include "transfer/transfer_format.h"

#include <gtest/gtest.h>

#include "common/line_split.h"

namespace trawlix::transfer {
namespace {

using common::splitFields;

link::WaypointRecord exampleWaypoint() {
    link::WaypointRecord r;
    r.Field1 = "T1";
    r.Latitude = 48.1234567;
    r.Longitude = -123.5;
    r.Field4 = "T4";
    r.Field5 = 5;
    r.Field6 = "T6";
    r.Field7 = 7;
    r.Field8 = 8.5f;
    r.Field9 = 9.25f;
    r.Field10 = "T10";
    return r;
}

TEST(WaypointLine, IsLaidOutAsElevenFields) {
    EXPECT_EQ(waypointLine(exampleWaypoint()),
              "Waypoint,T1,48.12346,-123.50000,T4,5,T6,7,8.5,9.25,T10");
}

TEST(WaypointLine, SmallCoordinatesHaveNoDigitBeforeThePoint) {
    link::WaypointRecord r = exampleWaypoint();
    r.Latitude = 0.25;
    r.Longitude = -0.5;
    const auto fields = splitFields(waypointLine(r));
    EXPECT_EQ(fields[2], ".25000");
    EXPECT_EQ(fields[3], "-.50000");
}

TEST(WaypointLine, EmptyTextMemberKeepsItsCommas) {
    link::WaypointRecord r = exampleWaypoint();
    r.Field4 = "";
    const std::string line = waypointLine(r);
    EXPECT_NE(line.find("-123.50000,,5,"), std::string::npos);
    EXPECT_EQ(splitFields(line).size(), 11u);
}

TEST(RouteLines, HeaderAndEntriesHaveThreeFields) {
    EXPECT_EQ(routeHeaderLine({"3", 2}), "Header,3,2");
    link::WaypointRecord entry;
    entry.Field1 = "A1";
    entry.Field4 = "HOME";
    EXPECT_EQ(routeEntryLine(entry), "Waypoint,A1,HOME");
}

TEST(TrackLine, IsLaidOutAsEightFields) {
    link::TrackPointRecord r;
    r.Field1 = true;
    r.Field2 = "T2";
    r.Latitude = 48.1234567;
    r.Longitude = -123.5;
    r.Altitude = 1234.5f;
    r.Field6 = 6.5f;
    r.Field7 = "T7";
    EXPECT_EQ(trackLine(r), "Point,True,T2,48.12346,-123.50000,1234.5,6.5,T7");
    r.Field1 = false;
    EXPECT_EQ(splitFields(trackLine(r))[1], "False");
}

TEST(WaypointReader, IsTheInverseOfTheWriter) {
    link::WaypointRecord back;
    ASSERT_FALSE(readWaypointLine(splitFields(waypointLine(exampleWaypoint())), back));
    const link::WaypointRecord original = exampleWaypoint();
    EXPECT_EQ(back.Field1, original.Field1);
    EXPECT_DOUBLE_EQ(back.Latitude, 48.12346);  // cut to five decimals
    EXPECT_DOUBLE_EQ(back.Longitude, -123.5);
    EXPECT_EQ(back.Field4, original.Field4);
    EXPECT_EQ(back.Field5, original.Field5);
    EXPECT_EQ(back.Field6, original.Field6);
    EXPECT_EQ(back.Field7, original.Field7);
    EXPECT_EQ(back.Field8, original.Field8);
    EXPECT_EQ(back.Field9, original.Field9);
    EXPECT_EQ(back.Field10, original.Field10);
}

TEST(WaypointReader, CoordinatesAreReadLeniently) {
    link::WaypointRecord r;
    ASSERT_FALSE(readWaypointLine(splitFields("Waypoint,A,12.5N,N12,B,1,C,2,3,4,D"), r));
    EXPECT_DOUBLE_EQ(r.Latitude, 12.5);
    EXPECT_DOUBLE_EQ(r.Longitude, 0.0);
}

TEST(WaypointReader, IntegersRoundHalvesToEven) {
    link::WaypointRecord r;
    ASSERT_FALSE(readWaypointLine(splitFields("W,A,1,2,B,2.5,C,3.5,3,4,D"), r));
    EXPECT_EQ(r.Field5, 2);
    EXPECT_EQ(r.Field7, 4);
}

TEST(WaypointReader, TenFieldsGiveAnEmptyLastMemberAndMoreAreIgnored) {
    link::WaypointRecord r;
    r.Field10 = "old";
    ASSERT_FALSE(readWaypointLine(splitFields("Point,A,1,2,B,3,C,4,5,6"), r));
    EXPECT_EQ(r.Field10, "");
    ASSERT_FALSE(readWaypointLine(splitFields(",A,1,2,B,3,C,4,5,6,E,extra,more"), r));
    EXPECT_EQ(r.Field10, "E");
}

TEST(WaypointReader, LinesThatCannotBeConvertedSayWhyAndChangeNothing) {
    struct Case {
        const char* line;
        const char* mentions;
    };
    for (const Case& c : {Case{"", "fields"}, Case{"Waypoint,A,1,2", "fields"},
                          Case{"Waypoint,A,1,2,B,x,C,4,5,6,D", "field 5"},
                          Case{"Waypoint,A,1,2,B,40000,C,4,5,6,D", "field 5"},
                          Case{"Waypoint,A,1,2,B,1,C,,5,6,D", "field 7"},
                          Case{"Waypoint,A,1,2,B,1,C,4,5x,6,D", "field 8"},
                          Case{"Waypoint,A,1,2,B,1,C,4,5,1e40,D", "field 9"}}) {
        link::WaypointRecord r = exampleWaypoint();
        const auto why = readWaypointLine(splitFields(c.line), r);
        ASSERT_TRUE(why) << c.line;
        EXPECT_NE(why->find(c.mentions), std::string::npos) << *why;
        EXPECT_EQ(r.Field1, "T1") << "nothing assigned from a bad line";
    }
}

TEST(TrackReader, ConvertsFeetToMetresWithOneDecimal) {
    EXPECT_FLOAT_EQ(trackAltitudeFromFeet("1000"), 304.8f);
    EXPECT_FLOAT_EQ(trackAltitudeFromFeet("100"), 30.5f);
    EXPECT_FLOAT_EQ(trackAltitudeFromFeet(""), 0.0f);
    EXPECT_FLOAT_EQ(trackAltitudeFromFeet("1"), 0.3f);
    EXPECT_FLOAT_EQ(trackAltitudeFromFeet("5016.404 ft"), 1529.0f);
    EXPECT_FLOAT_EQ(trackAltitudeFromFeet("-100"), -30.5f);
}

TEST(TrackReader, FillsEveryMember) {
    link::TrackPointRecord r;
    ASSERT_FALSE(
        readTrackLine(splitFields("Point,true,071548.24,48.12346,-123.5,1000,6.5,110808"), r));
    EXPECT_TRUE(r.Field1);
    EXPECT_EQ(r.Field2, "071548.24");
    EXPECT_DOUBLE_EQ(r.Latitude, 48.12346);
    EXPECT_DOUBLE_EQ(r.Longitude, -123.5);
    EXPECT_FLOAT_EQ(r.Altitude, 304.8f);
    EXPECT_FLOAT_EQ(r.Field6, 6.5f);
    EXPECT_EQ(r.Field7, "110808");
}

TEST(TrackReader, TruthValueAcceptsWordsInAnyCaseAndNumbers) {
    link::TrackPointRecord r;
    for (const char* word : {"True", "true", "-1", "TRUE"}) {
        r.Field1 = false;
        ASSERT_FALSE(readTrackLine(splitFields(std::string("Point,") + word + ",t,1,2,3,4,d"), r));
        EXPECT_TRUE(r.Field1) << word;
    }
    for (const char* word : {"False", "0"}) {
        r.Field1 = true;
        ASSERT_FALSE(readTrackLine(splitFields(std::string("Point,") + word + ",t,1,2,3,4,d"), r));
        EXPECT_FALSE(r.Field1) << word;
    }
    EXPECT_TRUE(readTrackLine(splitFields("Point,yes,t,1,2,3,4,d"), r));
}

TEST(TrackReader, StrictFieldsRejectText) {
    link::TrackPointRecord r;
    EXPECT_TRUE(readTrackLine(splitFields("Point,True,t,48.1N,2,3,4,d"), r));
    EXPECT_TRUE(readTrackLine(splitFields("Point,True,t,1,,3,4,d"), r));
    EXPECT_TRUE(readTrackLine(splitFields("Point,True,t,1,2,3,x,d"), r));
    EXPECT_TRUE(readTrackLine(splitFields("Point,True,t,1,2"), r));
    EXPECT_FALSE(readTrackLine(splitFields("Waypoint,True,t,1,2,junk,4"), r))
        << "field 5 is lenient and field 7 may be missing";
}

TEST(RouteReader, HeaderNumbersAreWholeNumbers) {
    RouteHeader header;
    EXPECT_TRUE(isRouteHeader(splitFields("Header,3,2")));
    EXPECT_FALSE(isRouteHeader(splitFields("header,3,2")));
    ASSERT_FALSE(readRouteHeader(splitFields("Header, 3 ,2.5"), header));
    EXPECT_EQ(header.routeNumber, 3);
    EXPECT_EQ(header.sentenceCount, 2);
    EXPECT_TRUE(readRouteHeader(splitFields("Header,three,2"), header));
    EXPECT_TRUE(readRouteHeader(splitFields("Header,3"), header));
}

TEST(RouteReader, EntryNameIsFieldTwoInUpperCase) {
    EXPECT_EQ(routeEntryName(splitFields("Waypoint,A1,home")), "HOME");
    EXPECT_TRUE(checkRouteEntry(splitFields("Waypoint,A1")));
    EXPECT_FALSE(checkRouteEntry(splitFields("x,y,z")));
}

}  // namespace
}  // namespace trawlix::transfer
