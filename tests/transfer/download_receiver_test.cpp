// Records, end markers and acknowledgements arriving from the link.
#include <gtest/gtest.h>

#include "link/protocol_texts.h"
#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

namespace protocol = link::protocol;
using app::MessageButtons;

class DownloadReceiver : public FormFixture {
  protected:
    void startDownload(int entry, const std::string& name) {
        view.fileAnswers.push_back(path(name));
        view.choose(entry);
        form->cboFunction_Click();
    }

    void receiveWaypoint(const std::string& name) {
        link.WaypointRecord() = {};
        link.WaypointRecord().Field1 = name;
        link.WaypointRecord().Latitude = 48.1234567;
        link.receive(std::string(protocol::kWaypointKind));
    }

    void receiveRoute(const std::string& number, std::int16_t sentences,
                      const std::vector<std::string>& names) {
        link.HeaderRecord() = {number, sentences};
        link.receive(std::string(protocol::kRouteKind));
        for (const auto& name : names) {
            link.WaypointRecord() = {};
            link.WaypointRecord().Field1 = "i";
            link.WaypointRecord().Field4 = name;
            link.receive(std::string(protocol::kRouteWaypointKind));
        }
    }
};

TEST_F(DownloadReceiver, RouteDownloadOfTwoRoutesOfThreeEntries) {
    startDownload(app::kRequestRoutes, "routes.txt");
    receiveRoute("1", 2, {"A", "B", "C"});
    receiveRoute("2", 2, {"D", "E", "F"});
    link.receive("END");
    EXPECT_EQ(readFile("routes.txt"),
              "Header,1,2\r\nWaypoint,i,A\r\nWaypoint,i,B\r\nWaypoint,i,C\r\n"
              "Header,2,2\r\nWaypoint,i,D\r\nWaypoint,i,E\r\nWaypoint,i,F\r\n");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Received 8 records.");
    EXPECT_EQ(view.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(form->RouteCount.value(), 2);
    EXPECT_EQ(form->RouteFileNum, 0);
    EXPECT_EQ(view.editorStarts, (std::vector<std::string>{path("routes.txt")}));
    EXPECT_EQ(view.viewOffers, view.editorStarts);
    EXPECT_EQ(form->PendingCommand, "");
}

TEST_F(DownloadReceiver, EveryLineIsOnDiskBeforeTheNextRecordArrives) {
    startDownload(app::kRequestWaypoints, "waypoints.txt");
    receiveWaypoint("ONE");
    EXPECT_EQ(readFile("waypoints.txt"), "Waypoint,ONE,48.12346,.00000,,0,,0,0,0,\r\n");
    receiveWaypoint("TWO");
    const std::string file = readFile("waypoints.txt");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 2);
}

// The end of a download nobody is waiting for (stopped, or replaced by another transfer)
// reports nothing: "Received" would count records that were not kept, or another transfer's.
TEST_F(DownloadReceiver, EndWhileIdleReportsNothingAndClosesNothing) {
    link.receive("END");
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(view.editorStarts.empty());
}

TEST_F(DownloadReceiver, EndAfterResetReportsNothingAndKeepsTheFile) {
    startDownload(app::kRequestWaypoints, "waypoints.txt");
    receiveWaypoint("ONE");
    view.choose(app::kReset);
    form->cboFunction_Click();  // Reset
    const std::size_t shown = view.messages.size();
    link.receive("END");
    EXPECT_EQ(view.messages.size(), shown);
    EXPECT_EQ(form->WaypointFileNum, 0);
    EXPECT_EQ(readFile("waypoints.txt").substr(0, 13), "Waypoint,ONE,");
    EXPECT_TRUE(view.editorStarts.empty());
    EXPECT_TRUE(view.viewOffers.empty());
}

TEST_F(DownloadReceiver, TrackEndStartsTheEditorOnThePathAsItStands) {
    startDownload(app::kRequestTracks, "my tracks; today.txt");
    link.TrackPointRecord() = {};
    link.receive(std::string(protocol::kTrackPointKind));
    link.receive("END");
    EXPECT_EQ(form->TrackFileNum, 0);
    EXPECT_EQ(view.editorStarts, (std::vector<std::string>{path("my tracks; today.txt")}));
    EXPECT_EQ(readFile("my tracks; today.txt"), "Point,False,,.00000,.00000,0,0,\r\n");
}

TEST_F(DownloadReceiver, EditorThatCannotStartIsReportedAndTheFileKept) {
    view.editorStartsOk = false;
    startDownload(app::kRequestWaypoints, "w.txt");
    receiveWaypoint("ONE");
    link.receive("END");
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_NE(view.messages[1].text.find("text editor"), std::string::npos);
    EXPECT_FALSE(readFile("w.txt").empty());
}

TEST_F(DownloadReceiver, RecordsWithoutAnOpenFileOfTheirKindAreDropped) {
    startDownload(app::kRequestWaypoints, "w.txt");
    receiveRoute("1", 1, {"A"});
    link.TrackPointRecord() = {};
    link.receive(std::string(protocol::kTrackPointKind));
    receiveWaypoint("ONE");
    link.receive("END");
    EXPECT_EQ(readFile("w.txt"), "Waypoint,ONE,48.12346,.00000,,0,,0,0,0,\r\n");
    EXPECT_EQ(view.messageTexts(), (std::vector<std::string>{"Received 1 records."}))
        << "only what was written counts";
}

TEST_F(DownloadReceiver, IgnoredAndUnknownKindsChangeNothing) {
    startDownload(app::kRequestWaypoints, "w.txt");
    for (const auto& kind : {std::string(protocol::kIgnoredKind1),
                             std::string(protocol::kIgnoredKind2), std::string("SOMETHING")}) {
        link.receive(kind);
    }
    EXPECT_EQ(form->RecordCount.value(), 0);
    EXPECT_EQ(readFile("w.txt"), "");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(DownloadReceiver, CountStopsAt32767ButEveryRecordIsWritten) {
    startDownload(app::kRequestTracks, "t.txt");
    link.TrackPointRecord() = {};
    for (int i = 0; i < 32770; ++i) {
        link.receive(std::string(protocol::kTrackPointKind));
    }
    link.receive("END");
    EXPECT_EQ(view.messages[0].text, "Received 32767 records.");
    const std::string file = readFile("t.txt");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 32770);
}

TEST_F(DownloadReceiver, LineThatCannotBeWrittenStopsTheDownloadWithAMessage) {
    startDownload(app::kRequestWaypoints, "w.txt");
    receiveWaypoint("ONE");
    // Make the next write fail: swap the open file for a read-only stream.
    const std::int32_t number = form->WaypointFileNum;
    form->files().close(number);
    ASSERT_FALSE(form->files().openForInput(number, path("w.txt")));
    receiveWaypoint("TWO");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("Can't write to the file " + path("w.txt")),
              std::string::npos);
    EXPECT_EQ(form->WaypointFileNum, 0);
    EXPECT_EQ(form->PendingCommand, "");
    EXPECT_EQ(link.count("CancelTransfer"), 1);
    EXPECT_EQ(readFile("w.txt"), "Waypoint,ONE,48.12346,.00000,,0,,0,0,0,\r\n");
}

TEST_F(DownloadReceiver, VersionRecordGoesToTheIdentityLabels) {
    link.replyVersion("GPS315", "1.02", "Meridian");
    EXPECT_EQ(view.caption(app::Label::ProductId), "PID GPS315");
    EXPECT_EQ(view.caption(app::Label::Version), "Software Version 1.02");
    EXPECT_EQ(view.caption(app::Label::GpsDesc), "Meridian");
}

TEST_F(DownloadReceiver, FixAcknowledgementShowsTheFix) {
    link.FixRecord() = {"12252003", "93005", 48.1173, -0.5, 30.48f, 1.2f};
    link.acknowledge(std::string(protocol::kFixKind));
    EXPECT_EQ(view.caption(app::Label::Date), "12/25/2003");
    EXPECT_EQ(view.caption(app::Label::Time), "09:30:05");
    EXPECT_EQ(view.caption(app::Label::Lat), "48.11730");
    EXPECT_EQ(view.caption(app::Label::Lon), "-.50000");
    EXPECT_EQ(view.caption(app::Label::Alt), "100.0");
    EXPECT_EQ(view.caption(app::Label::Hdop), "3.9370");
}

// No upload waits for that end: the download keeps its command, or it could not close and
// show its file at its own end.
TEST_F(DownloadReceiver, EndOfUploadAcknowledgedWhileARequestRunsChangesNothing) {
    form->PendingCommand = link.CommandState().WaypointsCommand;
    link.acknowledge(std::string(protocol::kCommandKind), std::string(protocol::kEndCommand));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(form->PendingCommand, protocol::kWaypointsCommand);
}

TEST_F(DownloadReceiver, AcknowledgedRequestCommandsChangeNothing) {
    form->PendingCommand = std::string(protocol::kWaypointKind);
    for (auto command : {protocol::kWaypointsCommand, protocol::kRoutesCommand,
                         protocol::kTracksCommand, protocol::kNmeaOnCommand}) {
        link.acknowledge(std::string(protocol::kCommandKind), std::string(command));
    }
    EXPECT_EQ(form->PendingCommand, protocol::kWaypointKind);
    EXPECT_TRUE(view.messages.empty());
}

}  // namespace
}  // namespace trawlix::testing
