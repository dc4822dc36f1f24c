#include "link/record_mapping.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/line_split.h"
#include "link/sentence.h"

namespace trawlix::link::mapping {
namespace {

std::vector<std::string> fieldsOf(const std::string& sentence) {
    return parseSentence(sentence).fields();
}

TEST(Coordinates, ReceiverFormToSignedDegreesAndBack) {
    EXPECT_NEAR(degreesFrom("4807.038", "N"), 48.1173, 1e-9);
    EXPECT_NEAR(degreesFrom("01131.000", "W"), -11.516666666, 1e-8);
    EXPECT_EQ(degreesTo(48.1173, 2, 3, 'N', 'S'),
              (std::pair<std::string, std::string>{"4807.038", "N"}));
    EXPECT_EQ(degreesTo(-11.5166667, 3, 3, 'E', 'W'),
              (std::pair<std::string, std::string>{"01131.000", "W"}));
    EXPECT_EQ(degreesTo(0.0, 2, 2, 'N', 'S'),
              (std::pair<std::string, std::string>{"0000.00", "N"}));
    // Minutes that round up to 60 carry into the degrees.
    EXPECT_EQ(degreesTo(7.9999999, 2, 3, 'N', 'S').first, "0800.000");
}

TEST(Waypoints, DecodeAndEncodeAreInverse) {
    const std::string sentence = "$PMGNWPL,4605.979,N,00713.315,E,1529,M,HOME,Home base,a";
    const WaypointRecord record = decodeWaypoint(fieldsOf(sentence), 4);
    EXPECT_EQ(record.Field1, "HOME");
    EXPECT_EQ(record.Field4, "Home base");
    EXPECT_EQ(record.Field5, 1529);
    EXPECT_EQ(record.Field6, "M");
    EXPECT_EQ(record.Field7, 4);
    EXPECT_EQ(record.Field10, "a");
    EXPECT_EQ(encodeWaypoint(record), sentence);
}

TEST(Waypoints, SurviveTheFilesFiveDecimals) {
    // The file keeps degrees to five decimals; minutes to three decimals must come back.
    for (const char* minutes : {"4605.979", "0000.001", "8959.999", "1234.567"}) {
        const double degrees = degreesFrom(minutes, "S");
        const double inFile = std::round(degrees * 1e5) / 1e5;
        EXPECT_EQ(degreesTo(inFile, 2, 3, 'N', 'S').first, minutes);
    }
}

TEST(TrackPoints, DeliveredInFeetAndSentInMetres) {
    const std::string sentence = "$PMGNTRK,4605.979,N,00713.315,E,01529,M,071548.24,A,,110808";
    const TrackPointRecord record = decodeTrackPoint(fieldsOf(sentence));
    EXPECT_NEAR(record.Altitude, 1529 / 0.3048, 1e-3);
    EXPECT_TRUE(record.Field1);
    EXPECT_EQ(record.Field2, "071548.24");
    EXPECT_EQ(record.Field7, "110808");
    TrackPointRecord upload = record;
    upload.Altitude = 1529.0f;  // the upload fills metres
    EXPECT_EQ(encodeTrackPoint(upload), sentence);
}

TEST(TrackPoints, TwoDecimalsOfMinutesAreReadAndThreeAreSent) {
    const auto record = decodeTrackPoint(fieldsOf("$PMGNTRK,4605.98,N,00713.32,W,0,M,1,A,,1"));
    EXPECT_NEAR(record.Latitude, 46 + 5.98 / 60, 1e-9);
    EXPECT_NEAR(record.Longitude, -(7 + 13.32 / 60), 1e-9);
    EXPECT_EQ(encodeTrackPoint(record).substr(0, 35), "$PMGNTRK,4605.980,N,00713.320,W,000");
}

TEST(TrackPoints, SurviveTheFilesFiveDecimalsOfADegree) {
    // A point of a track file, sent and delivered back, lands on the file's five decimals
    // wherever a value of three decimals of minutes lies that close, and never more than one
    // step of the fifth decimal away.
    const auto fiveDecimals = [](double degrees) { return std::round(degrees * 1e5) / 1e5; };
    int carried = 0;
    for (int step = 0; step < 6000; ++step) {
        TrackPointRecord record;
        record.Latitude = fiveDecimals(-89.5 + step * 0.0298137);
        record.Longitude = fiveDecimals(179.9 - step * 0.0599713);
        const TrackPointRecord back = decodeTrackPoint(fieldsOf(encodeTrackPoint(record)));
        for (const auto& [sent, delivered] : {std::pair{record.Latitude, back.Latitude},
                                              std::pair{record.Longitude, back.Longitude}}) {
            const double nearestMinutes = std::round(std::fabs(sent) * 60000) / 60000;
            if (std::fabs(nearestMinutes - std::fabs(sent)) < 0.49e-5) {
                EXPECT_EQ(fiveDecimals(delivered), sent);
                ++carried;
            } else {
                EXPECT_LE(std::fabs(fiveDecimals(delivered) - sent), 1.000001e-5) << sent;
            }
        }
    }
    EXPECT_GT(carried, 6000);
}

TEST(TrackPoints, FeetStayFeet) {
    const auto record = decodeTrackPoint(fieldsOf("$PMGNTRK,4605.98,N,00713.32,E,5016,F,1,V,,1"));
    EXPECT_FLOAT_EQ(record.Altitude, 5016.0f);
    EXPECT_FALSE(record.Field1);
}

TEST(Routes, NameAndIconPairs) {
    const RouteSentence route = decodeRoute(fieldsOf("$PMGNRTE,2,1,c,03,HOME,a,LAKE,b"));
    EXPECT_EQ(route.sentenceCount, 2);
    EXPECT_EQ(route.sentenceNumber, 1);
    EXPECT_EQ(route.routeNumber, "03");
    ASSERT_EQ(route.waypoints.size(), 2u);
    EXPECT_EQ(route.waypoints[1].Field4, "LAKE");
    EXPECT_EQ(route.waypoints[1].Field1, "b");
    // A last name without icon still counts.
    EXPECT_EQ(decodeRoute(fieldsOf("$PMGNRTE,2,2,c,03,CAMP")).waypoints.size(), 1u);
}

TEST(Decoding, ShortOrNonsenseSentencesDecodeWithoutFailing) {
    EXPECT_EQ(decodeWaypoint({}, 1).Field1, "");
    EXPECT_EQ(decodeWaypoint({"x", "N", "y", "E", "99999999"}, 1).Field5, 32767);
    EXPECT_EQ(decodeRoute({"1e300", "1e300"}).sentenceCount, 32767);
    EXPECT_EQ(decodeTrackPoint({"", "", "", "", "1e300"}).Altitude,
              std::numeric_limits<float>::max());
}

}  // namespace
}  // namespace trawlix::link::mapping
