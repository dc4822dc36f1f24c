// Downloads into GPX files: the file type chosen in the dialog decides, each record is on
// disk in a complete document as it arrives, and a route export places its entries.
#include <gtest/gtest.h>

#include "link/protocol_texts.h"
#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

namespace protocol = link::protocol;
using app::MessageKind;

class GpxDownload : public FormFixture {
  protected:
    void startGpxDownload(int entry, const std::string& name) {
        view.fileAnswers.push_back(path(name));
        view.fileTypeAnswers.push_back(app::kGpxFilterIndex);
        view.choose(entry);
        form->cboFunction_Click();
    }

    void receiveWaypoint(const std::string& name, double latitude, std::int16_t altitude) {
        link.WaypointRecord() = {};
        link.WaypointRecord().Field1 = name;
        link.WaypointRecord().Latitude = latitude;
        link.WaypointRecord().Longitude = 7.5;
        link.WaypointRecord().Field5 = altitude;
        link.WaypointRecord().Field6 = "M";
        link.receive(std::string(protocol::kWaypointKind));
    }

    void receiveTrackPoint(const std::string& time, bool valid) {
        link::TrackPointRecord& point = link.TrackPointRecord();
        point = {};
        point.Latitude = 46.25;
        point.Longitude = 7.5;
        point.Altitude = 1000.0f;
        point.Field1 = valid;
        point.Field2 = time;
        point.Field7 = "110808";
        link.receive(std::string(protocol::kTrackPointKind));
    }

    void receiveRoute(const std::string& number, const std::vector<std::string>& names) {
        link.HeaderRecord() = {number, 1};
        link.receive(std::string(protocol::kRouteKind));
        for (const auto& name : names) {
            link.WaypointRecord() = {};
            link.WaypointRecord().Field1 = "r";
            link.WaypointRecord().Field4 = name;
            link.receive(std::string(protocol::kRouteWaypointKind));
        }
    }

    bool endsComplete(const std::string& name) const {
        const std::string text = readFile(name);
        return text.size() > 7 && text.compare(text.size() - 7, 7, "</gpx>\n") == 0;
    }
};

TEST_F(GpxDownload, DialogsOfferTextFirstThenGpx) {
    view.fileAnswers.push_back("");
    view.choose(app::kRequestTracks);
    form->cboFunction_Click();
    ASSERT_EQ(view.filtersOffered.size(), 1u);
    EXPECT_EQ(view.filtersOffered[0], "Trawlix text files (*)|*|GPX files (*.gpx)|*.gpx");
}

TEST_F(GpxDownload, TrackPointsReachTheDiskInACompleteDocumentAsTheyArrive) {
    startGpxDownload(app::kRequestTracks, "track.gpx");
    EXPECT_EQ(link.calls.back(), "RequestTracks");
    receiveTrackPoint("071548.24", true);
    EXPECT_TRUE(endsComplete("track.gpx"));
    EXPECT_NE(readFile("track.gpx")
                  .find("<ele>304.8</ele>\n        "
                        "<time>2008-08-11T07:15:48.24Z</time>"),
              std::string::npos);
    receiveTrackPoint("071608.31", false);
    const std::string two = readFile("track.gpx");
    EXPECT_TRUE(endsComplete("track.gpx"));
    EXPECT_EQ(std::count(two.begin(), two.end(), '\n') > 0, true);
    EXPECT_NE(two.find("<time>2008-08-11T07:16:08.31Z</time>\n        <fix>none</fix>"),
              std::string::npos);
    EXPECT_EQ(two.find("<fix>"), two.rfind("<fix>"));  // only the point without a fix

    link.receive("END");
    EXPECT_EQ(view.messageTexts(), (std::vector<std::string>{"Received 2 records."}));
    EXPECT_EQ(view.defaultProgramStarts, (std::vector<std::string>{path("track.gpx")}));
    EXPECT_TRUE(view.editorStarts.empty());
    EXPECT_EQ(form->TrackFileNum, 0);
}

TEST_F(GpxDownload, ResetLeavesACompleteFileAndSaysTheDownloadEndedEarly) {
    startGpxDownload(app::kRequestWaypoints, "w.gpx");
    receiveWaypoint("HOME", 46.1, 500);
    receiveWaypoint("LAKE", 46.2, 600);
    form->cmdReset_Click();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "The download ended early. " + path("w.gpx") +
                                         " holds the 2 records received, as a complete GPX file.");
    EXPECT_TRUE(endsComplete("w.gpx"));
    EXPECT_NE(readFile("w.gpx").find("<name>LAKE</name>"), std::string::npos);
}

TEST_F(GpxDownload, ALostLineCancelledSaysTheDownloadEndedEarly) {
    startGpxDownload(app::kRequestTracks, "t.gpx");
    receiveTrackPoint("071548.24", true);
    view.answers.push_back(app::MessageAnswer::Cancel);
    link.error(link::kLineLost, "The line to the GPS was lost", "");
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[1].text.rfind("The download ended early. ", 0), 0u);
    EXPECT_TRUE(endsComplete("t.gpx"));
}

TEST_F(GpxDownload, TextStaysTheDefault) {
    view.fileAnswers.push_back(path("w.txt"));
    view.choose(app::kRequestWaypoints);
    form->cboFunction_Click();
    receiveWaypoint("HOME", 46.1, 500);
    EXPECT_EQ(readFile("w.txt").rfind("Waypoint,HOME,", 0), 0u);
    form->cmdReset_Click();
    EXPECT_TRUE(view.messages.empty());  // no GPX, nothing to say
}

TEST_F(GpxDownload, ARouteExportFetchesTheWaypointsFirstAndPlacesEachEntry) {
    startGpxDownload(app::kRequestRoutes, "r.gpx");
    EXPECT_EQ(link.calls.back(), "RequestWaypoints");
    receiveWaypoint("HOME", 46.1, 500);
    receiveWaypoint("LAKE", 46.2, 600);
    link.receive("END");
    EXPECT_TRUE(view.messages.empty());  // not the end yet
    EXPECT_EQ(link.calls.back(), "RequestRoutes");
    receiveRoute("3", {"LAKE", "HOME"});
    EXPECT_TRUE(endsComplete("r.gpx"));
    link.receive("END");
    EXPECT_EQ(view.messageTexts(), (std::vector<std::string>{"Received 3 records."}));
    const std::string text = readFile("r.gpx");
    EXPECT_NE(text.find("<rte>\n    <name>Route 3</name>\n    <number>3</number>\n"
                        "    <rtept lat=\"46.2\" lon=\"7.5\">\n      <ele>600</ele>\n"
                        "      <name>LAKE</name>\n      <sym>r</sym>"),
              std::string::npos);
    EXPECT_NE(text.find("<rtept lat=\"46.1\""), std::string::npos);
    EXPECT_EQ(text.find("<wpt"), std::string::npos);  // the waypoints only lend positions
    EXPECT_EQ(view.defaultProgramStarts, (std::vector<std::string>{path("r.gpx")}));
}

TEST_F(GpxDownload, ARouteEntryWithoutItsWaypointStopsTheExportAndLeavesNoFile) {
    startGpxDownload(app::kRequestRoutes, "r.gpx");
    receiveWaypoint("HOME", 46.1, 500);
    link.receive("END");
    receiveRoute("2", {"HOME", "GONE"});
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::FileFailure);
    EXPECT_NE(view.messages[0].text.find("route 2 names the waypoint GONE"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path("r.gpx")));
    EXPECT_EQ(link.calls.back(), "CancelTransfer");
    EXPECT_EQ(form->PendingCommand, "");
}

}  // namespace
}  // namespace trawlix::testing
