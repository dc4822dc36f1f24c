// Uploads from GPX files and conversions between the two formats, on files read through the
// Qt XML reader.
#include <gtest/gtest.h>

#include <cmath>

#include "link/protocol_texts.h"
#include "qt/qt_xml_source.h"
#include "support/form_fixture.h"
#include "transfer/gpx_convert.h"

namespace trawlix::testing {
namespace {

namespace protocol = link::protocol;
using transfer::UploadKind;

constexpr const char* kHead = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\">\n";

class GpxUpload : public FormFixture {
  protected:
    GpxUpload() { form->setXmlSource(&xml); }

    void startGpxUpload(int entry, const std::string& name) {
        view.fileAnswers.push_back(path(name));
        view.fileTypeAnswers.push_back(app::kGpxFilterIndex);
        view.choose(entry);
        form->cboFunction_Click();
    }

    // Acknowledges every sentence as the receiver would, until nothing more goes out.
    void acknowledgeAll() {
        for (std::size_t handled = 0; handled < link.calls.size();) {
            const std::string call = link.calls[handled++];
            if (call == "UploadWaypoint") {
                link.acknowledge(std::string(protocol::kWaypointKind));
            } else if (call == "UploadTrackPoint") {
                link.acknowledge(std::string(protocol::kTrackPointKind));
            } else if (call.rfind("SendSentence $PMGNRTE", 0) == 0) {
                link.acknowledge(std::string(protocol::kRouteKind));
            } else if (call == "SendSentence $PMGNCMD,END") {
                link.acknowledge(link.CommandState().CommandKind,
                                 std::string(protocol::kEndCommand));
            }
        }
    }

    std::vector<std::string> sent() const {
        std::vector<std::string> calls;
        for (const auto& call : link.calls) {
            if (call.rfind("Upload", 0) == 0 || call.rfind("SendSentence", 0) == 0) {
                calls.push_back(call);
            }
        }
        return calls;
    }

    qt::QtXmlSource xml;
};

TEST_F(GpxUpload, LettersWithoutAccentsAndBlanksAreToldApart) {
    writeFile("w.gpx", std::string(kHead) + R"(<wpt lat="45.8" lon="15.97"><name>šđčćž</name>
  <cmt>Zagreb, Trešnjevka</cmt></wpt><wpt lat="45.9" lon="16"><name>Łódź</name></wpt></gpx>)");
    startGpxUpload(app::kSendWaypoints, "w.gpx");
    acknowledgeAll();
    ASSERT_EQ(link.uploadedWaypoints.size(), 2u);
    EXPECT_EQ(link.uploadedWaypoints[0].Field1, "sdccz") << "two names cannot collide as blanks";
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{
                  "Transfer Complete. 2 Waypoints sent.\r\n2 names or comments had letters the "
                  "GPS cannot show; they were written without accents. 1 name or comment had "
                  "characters the GPS cannot take; they became blanks."}));
}

TEST_F(GpxUpload, ARouteSendsItsPointsAsWaypointsFirstThenTheRoute) {
    // Letters beyond ASCII keep their case, as in the text uploads.
    writeFile("r.gpx", std::string(kHead) + R"(<rte><name>Lakes</name>
  <rtept lat="46.5" lon="7.25"><ele>1500.4</ele><name>Lac d'Or, Süd</name></rtept>
  <rtept lat="46.6" lon="7.35"/>
  <rtept lat="46.7" lon="7.45"><name>Hut</name><sym>Flag</sym></rtept>
</rte></gpx>)");
    startGpxUpload(app::kSendRoute, "r.gpx");
    acknowledgeAll();
    EXPECT_EQ(sent(),
              (std::vector<std::string>{
                  "UploadWaypoint", "UploadWaypoint", "UploadWaypoint", "SendSentence $PMGNCMD,END",
                  "SendSentence $PMGNRTE,2,1,c,01,LAC D'OR  S\xfc"
                  "D,R01P002",
                  "SendSentence $PMGNRTE,2,2,c,01,HUT", "SendSentence $PMGNCMD,END"}));
    ASSERT_EQ(link.uploadedWaypoints.size(), 3u);
    EXPECT_EQ(link.uploadedWaypoints[0].Latitude, 46.5);
    EXPECT_EQ(link.uploadedWaypoints[0].Field5, 1500);
    EXPECT_EQ(link.uploadedWaypoints[0].Field1,
              "LAC D'OR  S\xfc"
              "D");
    EXPECT_EQ(link.uploadedWaypoints[2].Field10, "Flag");
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{
                  "Transfer Complete. 1 Routes sent.\r\nConsisting of 3 "
                  "Waypoints.\r\n\"Lakes\" is route 1.\r\n1 name had characters the "
                  "GPS cannot take; they became blanks."}));
    EXPECT_EQ(form->PendingCommand, "");
}

// A Retry after the receiver stopped answering part way starts a track again from its first
// point, after an end, and sends a route again from its first sentence: a receiver switched
// off and on meanwhile has lost the points and the route sentences before.
TEST_F(GpxUpload, RetryPartWayGoesBackToTheTracksOrTheRoutesStart) {
    writeFile("t.gpx", std::string(kHead) + R"(<trk><trkseg>
  <trkpt lat="46.1" lon="7.1"/><trkpt lat="46.2" lon="7.2"/><trkpt lat="46.3" lon="7.3"/>
</trkseg></trk></gpx>)");
    startGpxUpload(app::kSendTrack, "t.gpx");
    link.acknowledge(std::string(protocol::kTrackPointKind));
    view.answers = {app::MessageAnswer::Retry, app::MessageAnswer::Retry};
    link.error(link::kNoAnswer, "No answer", "$PMGNTRK,4612.000,N,00712.000,E");
    std::vector<std::string> expected{"UploadTrackPoint", "UploadTrackPoint",
                                      "SendSentence $PMGNCMD,END", "UploadTrackPoint"};
    EXPECT_EQ(sent(), expected);
    acknowledgeAll();
    EXPECT_EQ(link.uploadedTrackPoints.size(), 5u);
    EXPECT_EQ(view.messageTexts().back(), "Transfer Complete. 3 Track Points sent.");

    link.calls.clear();
    writeFile("r.gpx", std::string(kHead) + R"(<rte><name>Lakes</name><rtept lat="46.5" lon="7.25"/>
  <rtept lat="46.6" lon="7.35"/><rtept lat="46.7" lon="7.45"/></rte></gpx>)");
    startGpxUpload(app::kSendRoute, "r.gpx");
    for (int i = 0; i < 3; ++i) {
        link.acknowledge(std::string(protocol::kWaypointKind));
    }
    link.acknowledge(link.CommandState().CommandKind, std::string(protocol::kEndCommand));
    link.acknowledge(std::string(protocol::kRouteKind));
    ASSERT_EQ(sent().back(), "SendSentence $PMGNRTE,2,2,c,01,R01P003");
    link.error(link::kNoAnswer, "No answer", "$PMGNRTE,2,2,c,01,R01P003");
    link.acknowledge(std::string(protocol::kRouteKind));  // of the first again: nothing more
    link.acknowledge(std::string(protocol::kRouteKind));
    const auto calls = sent();
    EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
              (std::vector<std::string>{"SendSentence $PMGNRTE,2,1,c,01,R01P001,R01P002",
                                        "SendSentence $PMGNRTE,2,2,c,01,R01P003",
                                        "SendSentence $PMGNCMD,END"}));
}

// As a text upload does, an upload from GPX takes the place of a download under way: the
// download is stopped on the link, and its records no longer go to its file.
TEST_F(GpxUpload, TakesThePlaceOfADownloadUnderWay) {
    view.fileAnswers.push_back(path("d.txt"));
    view.choose(app::kRequestWaypoints);
    form->cboFunction_Click();
    ASSERT_EQ(link.count("RequestWaypoints"), 1);
    writeFile("w.gpx",
              std::string(kHead) + R"(<wpt lat="46.5" lon="7.25"><name>HUT</name></wpt></gpx>)");
    startGpxUpload(app::kSendWaypoints, "w.gpx");
    EXPECT_EQ(link.count("CancelTransfer"), 1);
    link.WaypointRecord() = {};
    link.WaypointRecord().Field1 = "LAKE";
    link.receive(std::string(protocol::kWaypointKind));
    EXPECT_EQ(readFile("d.txt"), "");
}

TEST_F(GpxUpload, TrackPointsCarryTimeFixAndUnknownElevation) {
    writeFile("t.gpx", std::string(kHead) + R"(<trk><name>Day</name><trkseg>
  <trkpt lat="46.1" lon="7.1"><ele>1529.04</ele><time>2008-08-11T09:15:48.24+02:00</time></trkpt>
  <trkpt lat="46.2" lon="7.2"><fix>none</fix></trkpt>
</trkseg></trk></gpx>)");
    startGpxUpload(app::kSendTrack, "t.gpx");
    acknowledgeAll();
    ASSERT_EQ(link.uploadedTrackPoints.size(), 2u);
    const auto& first = link.uploadedTrackPoints[0];
    EXPECT_FLOAT_EQ(first.Altitude, 1529.0f);
    EXPECT_EQ(first.Field2, "071548.24");
    EXPECT_EQ(first.Field7, "110808");
    EXPECT_TRUE(first.Field1);
    EXPECT_EQ(first.TrackName, "Day");
    EXPECT_TRUE(std::isnan(link.uploadedTrackPoints[1].Altitude));
    EXPECT_FALSE(link.uploadedTrackPoints[1].Field1);
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{"Transfer Complete. 2 Track Points sent."}));
}

TEST_F(GpxUpload, BadFilesSendNothing) {
    writeFile("bad.gpx", std::string(kHead) + "<wpt lat=\"46\" lon=\"7\"><ele>x</ele></wpt>");
    writeFile("tracks.gpx", std::string(kHead) + "<trk/></gpx>");
    writeFile("broken.gpx", std::string(kHead) + "<wpt lat=\"46\" lon=\"7\">");
    startGpxUpload(app::kSendWaypoints, "bad.gpx");
    startGpxUpload(app::kSendWaypoints, "tracks.gpx");
    startGpxUpload(app::kSendWaypoints, "broken.gpx");
    EXPECT_TRUE(sent().empty());
    ASSERT_EQ(view.messages.size(), 3u);
    EXPECT_EQ(view.messages[0].text, "Can't read the GPX file " + path("bad.gpx") +
                                         ": line 2, column 27: the elevation \"x\" is not a "
                                         "number. Nothing was sent.");
    EXPECT_EQ(view.messages[1].text, "The GPX file " + path("tracks.gpx") +
                                         " holds no waypoints (<wpt>). Nothing was sent.");
    EXPECT_EQ(view.messages[2].text.rfind(
                  "Can't read the GPX file " + path("broken.gpx") + ": line 2, column ", 0),
              0u);
    for (const auto& message : view.messages) {
        EXPECT_EQ(message.kind, app::MessageKind::FileFailure);
    }
}

class GpxConversion : public GpxUpload {};

// Text to GPX and back keeps every field that both formats carry.
TEST_F(GpxConversion, TextToGpxToTextKeepsTheFields) {
    const std::string waypoints =
        "Waypoint,HOME,46.05000,7.18000,Start of the day,480,M,1,0,0,a\r\n"
        "Waypoint,Z\xfcRICH <&>,-.50000,-123.50000,,-12,M,2,0,0,\r\n";
    const std::string tracks =
        "Point,True,071548.24,46.09970,7.22190,5016.404,0,110808\r\n"
        "Point,False,071608,46.10010,7.22240,5016.4,0,311299\r\n"
        "Point,True,,46.10010,7.22240,-3.5,0,\r\n";
    const std::string routes =
        "Header,3,2\r\nWaypoint,a,HOME\r\nWaypoint,b,Z\xfcRICH <&>\r\n"
        "Waypoint,c,HOME\r\n";
    writeFile("w.txt", waypoints);
    writeFile("t.txt", tracks);
    writeFile("r.txt", routes);
    const std::vector<std::tuple<UploadKind, std::string, std::string>> kinds = {
        {UploadKind::Waypoints, "w", waypoints},
        {UploadKind::Track, "t", tracks},
        {UploadKind::Route, "r", routes}};
    for (const auto& [kind, name, text] : kinds) {
        const auto there = transfer::gpx::textToGpx(kind, path(name + ".txt"), path(name + ".gpx"),
                                                    path("w.txt"), xml);
        ASSERT_TRUE(there.ok) << there.message;
        const auto back =
            transfer::gpx::gpxToText(kind, path(name + ".gpx"), path(name + "2.txt"), xml);
        ASSERT_TRUE(back.ok) << back.message;
        EXPECT_EQ(readFile(name + "2.txt"), text) << name;
    }
    EXPECT_NE(readFile("w.gpx").find("<name>Z\xc3\xbcRICH &lt;&amp;&gt;</name>"),
              std::string::npos);
}

TEST_F(GpxConversion, ARouteNeedsItsWaypoints) {
    writeFile("r.txt", "Header,3,1\r\nWaypoint,a,HOME\r\n");
    writeFile("w.txt", "Waypoint,LAKE,46.05000,7.18000,,480,M,1,0,0,a\r\n");
    const auto without =
        transfer::gpx::textToGpx(UploadKind::Route, path("r.txt"), path("r.gpx"), "", xml);
    EXPECT_FALSE(without.ok);
    EXPECT_NE(without.message.find("--waypoints"), std::string::npos);
    const auto missing = transfer::gpx::textToGpx(UploadKind::Route, path("r.txt"), path("r.gpx"),
                                                  path("w.txt"), xml);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find("names the waypoint HOME"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path("r.gpx")));
    // The waypoints may come as GPX too.
    writeFile("w.gpx",
              std::string(kHead) + "<wpt lat=\"46.5\" lon=\"7\"><name>HOME</name></wpt></gpx>");
    const auto found = transfer::gpx::textToGpx(UploadKind::Route, path("r.txt"), path("r.gpx"),
                                                path("w.gpx"), xml);
    EXPECT_TRUE(found.ok) << found.message;
    EXPECT_NE(readFile("r.gpx").find("<rtept lat=\"46.5\" lon=\"7\">"), std::string::npos);
}

}  // namespace
}  // namespace trawlix::testing
