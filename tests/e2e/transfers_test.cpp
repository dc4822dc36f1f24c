// Whole transfers: the window's logic on the serial link, the simulated receiver behind a
// pseudo-terminal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/your_form.h"
#include "link/record_mapping.h"
#include "qt/simulated_line.h"
#include "support/scripted_view.h"
#include "transfer/transfer_format.h"

namespace trawlix::testing {
namespace {

class EndToEnd : public ::testing::Test {
  protected:
    EndToEnd() : form(view, line.link(), settings, "/opt/trawlix") {
        folder = std::filesystem::temp_directory_path() /
                 ("trawlix-e2e-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        form.Form_Load();
    }
    ~EndToEnd() override { std::filesystem::remove_all(folder); }

    std::string path(const std::string& name) const { return (folder / name).string(); }

    std::string readFile(const std::string& name) const {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Chooses a function that asks for a file, and waits for the box that ends it.
    std::string run(int entry, const std::string& name, int timeoutMs = 20000) {
        const std::size_t before = view.messages.size();
        view.fileAnswers.push_back(path(name));
        view.choose(entry);
        form.cboFunction_Click();
        if (!waitUntil([&] { return view.messages.size() > before; }, timeoutMs)) {
            return "(no message)";
        }
        return view.messages.back().text;
    }

    static std::vector<std::string> lines(const std::string& file) {
        std::vector<std::string> result;
        std::size_t start = 0;
        while (start < file.size()) {
            const auto end = file.find("\r\n", start);
            result.push_back(file.substr(start, end - start));
            start = end + 2;
        }
        return result;
    }

    SimulatedLine line;
    ScriptedView view;
    MemorySettings settings;
    app::YourForm form;
    std::filesystem::path folder;
};

TEST_F(EndToEnd, StartUpShowsTheReceiversIdentityWithoutABox) {
    EXPECT_EQ(view.caption(app::Label::ProductId), "PID MERIDIAN GPS");
    EXPECT_EQ(view.caption(app::Label::Version), "Software Version 5.04");
    EXPECT_EQ(view.caption(app::Label::GpsDesc), "Trawlix simulated receiver");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(EndToEnd, WaypointDownloadWritesEveryWaypointLineForLine) {
    EXPECT_EQ(run(app::kRequestWaypoints, "waypoints.txt"), "Received 36 records.");
    const auto written = lines(readFile("waypoints.txt"));
    ASSERT_EQ(written.size(), 36u);
    EXPECT_EQ(written[0], "Waypoint,HOME,46.05000,7.18000,Start of the day,480,M,1,0,0,a");
    const auto store = line.store();
    for (std::size_t i = 0; i < written.size(); ++i) {
        const auto& w = store.waypoints[i];
        link::WaypointRecord expected = link::mapping::decodeWaypoint(
            {w.latitude, w.ns, w.longitude, w.ew, w.altitude, w.unit, w.name, w.comment, w.icon},
            static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(written[i], transfer::waypointLine(expected));
    }
    EXPECT_EQ(view.editorStarts, (std::vector<std::string>{path("waypoints.txt")}));
}

TEST_F(EndToEnd, RouteDownloadWritesHeadersAndEntries) {
    EXPECT_EQ(run(app::kRequestRoutes, "routes.txt"), "Received 15 records.");
    const auto written = lines(readFile("routes.txt"));
    ASSERT_EQ(written.size(), 15u);
    EXPECT_EQ(std::vector<std::string>(written.begin(), written.begin() + 5),
              (std::vector<std::string>{"Header,01,2", "Waypoint,a,HOME", "Waypoint,b,LAKE",
                                        "Waypoint,c,CAMP", "Header,02,2"}));
}

TEST_F(EndToEnd, TrackDownloadWritesEveryPoint) {
    EXPECT_EQ(run(app::kRequestTracks, "tracks.txt"), "Received 300 records.");
    const auto written = lines(readFile("tracks.txt"));
    ASSERT_EQ(written.size(), 300u);
    EXPECT_EQ(written[0].rfind("Point,True,071548.00,46.09967,7.22183,", 0), 0u) << written[0];
    EXPECT_EQ(written[0].substr(written[0].size() - 9), ",0,110808");
}

TEST_F(EndToEnd, WaypointUploadReachesTheReceiver) {
    std::ofstream(folder / "up.txt", std::ios::binary)
        << "Waypoint,NEWONE,47.5,-8.25,Uploaded,321,M,0,0,0,z\r\n"
           "Waypoint,HOME,46.05,7.18,Moved comment,480,M,1,0,0,a\r\n";
    EXPECT_EQ(run(app::kSendWaypoints, "up.txt"), "Transfer Complete. 2 Waypoints sent.");
    const auto store = line.store();
    EXPECT_EQ(store.waypoints.size(), 37u);
    EXPECT_EQ(store.waypoints[0].comment, "Moved comment");
    const auto& added = store.waypoints.back();
    EXPECT_EQ(added.name, "NEWONE");
    EXPECT_EQ(added.latitude, "4730.000");
    EXPECT_EQ(added.ew, "W");
    EXPECT_EQ(added.longitude, "00815.000");
    EXPECT_EQ(added.icon, "z");
}

TEST_F(EndToEnd, RouteUploadReachesTheReceiver) {
    std::ofstream(folder / "r.txt", std::ios::binary)
        << "Header,7,2\r\nWaypoint,a,home\r\nWaypoint,b,lake\r\nWaypoint,c,camp\r\n"
           "Header,8,1\r\nWaypoint,d,hut\r\n";
    EXPECT_EQ(run(app::kSendRoute, "r.txt"),
              "Transfer Complete. 2 Routes sent.\r\nConsisting of 4 Waypoints.");
    const auto store = line.store();
    ASSERT_EQ(store.routes.size(), 5u);
    EXPECT_EQ(store.routes[3], (sim::StoredRoute{7, {"HOME", "LAKE", "CAMP"}}));
    EXPECT_EQ(store.routes[4], (sim::StoredRoute{8, {"HUT"}}));
    EXPECT_EQ(form.PendingCommand, "");
}

TEST_F(EndToEnd, TrackUploadReachesTheReceiver) {
    std::ofstream(folder / "t.txt", std::ios::binary)
        << "Point,True,120000.00,46.5,7.5,1000,0,010199\r\nPoint,False,120010.00,46.51,7.51,100,0,"
           "010199\r\n";
    EXPECT_EQ(run(app::kSendTrack, "t.txt"), "Transfer Complete. 2 Track Points sent.");
    const auto store = line.store();
    ASSERT_EQ(store.track.size(), 2u);
    EXPECT_EQ(store.track[0].altitude, "00305");  // 304.8 metres, whole
    EXPECT_EQ(store.track[0].latitude, "4630.000");
    EXPECT_EQ(store.track[1].validity, "V");
    EXPECT_EQ(store.track[1].date, "010199");
}

TEST_F(EndToEnd, TrackFileSentAndDownloadedKeepsItsCoordinates) {
    // Points whose five decimals three decimals of minutes can carry (0.00005 of a degree
    // is 0.003 minutes); with two decimals they came back up to 9 m off.
    const std::string points =
        "Point,True,071548.24,46.09965,7.22190,5016.404,0,110808\r\n"
        "Point,True,071608.31,-33.86785,-151.20720,3280.84,0,110808\r\n";
    std::ofstream(folder / "t.txt", std::ios::binary) << points;
    EXPECT_EQ(run(app::kSendTrack, "t.txt"), "Transfer Complete. 2 Track Points sent.");
    EXPECT_EQ(run(app::kRequestTracks, "back.txt"), "Received 2 records.");
    EXPECT_EQ(readFile("back.txt"), points);
}

TEST_F(EndToEnd, DownloadUploadDownloadGivesBackTheSameFiles) {
    const std::vector<std::pair<int, int>> kinds = {{app::kRequestWaypoints, app::kSendWaypoints},
                                                    {app::kRequestRoutes, app::kSendRoute},
                                                    {app::kRequestTracks, app::kSendTrack}};
    for (const auto& [download, upload] : kinds) {
        const std::string first = "first" + std::to_string(download) + ".txt";
        const std::string second = "second" + std::to_string(download) + ".txt";
        EXPECT_EQ(run(download, first).rfind("Received ", 0), 0u);
        EXPECT_EQ(run(upload, first).rfind("Transfer Complete. ", 0), 0u);
        EXPECT_EQ(run(download, second).rfind("Received ", 0), 0u);
        EXPECT_EQ(readFile(first), readFile(second)) << "entry " << download;
        EXPECT_FALSE(readFile(first).empty());
    }
}

TEST_F(EndToEnd, NmeaOnFillsTheSixLabelsAndNmeaOffStopsThem) {
    view.choose(app::kNmeaOn);
    form.cboFunction_Click();
    const auto filled = [&] {
        for (auto label : {app::Label::Lat, app::Label::Lon, app::Label::Alt, app::Label::Time,
                           app::Label::Date, app::Label::Hdop}) {
            if (view.caption(label).empty()) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(waitUntil(filled, 2000));
    EXPECT_EQ(view.caption(app::Label::Lat).rfind("46°", 0), 0u);
    EXPECT_EQ(view.caption(app::Label::Hdop), "8.2021");
    view.choose(app::kNmeaOff);
    form.cboFunction_Click();
    spin(300);
    view.captions[app::Label::Time] = "stopped";
    spin(1500);
    EXPECT_EQ(view.caption(app::Label::Time), "stopped");
}

TEST_F(EndToEnd, ResetDuringADownloadKeepsWhatWasWritten) {
    view.fileAnswers.push_back(path("partial.txt"));
    view.choose(app::kRequestTracks);
    form.cboFunction_Click();
    ASSERT_TRUE(waitUntil([&] { return form.RecordCount.value() >= 20; }, 5000));
    view.choose(app::kReset);
    form.cboFunction_Click();
    spin(200);
    const auto written = lines(readFile("partial.txt"));
    EXPECT_GE(written.size(), 20u);
    EXPECT_LT(written.size(), 300u);
    // The window goes on working afterwards.
    EXPECT_EQ(run(app::kRequestWaypoints, "after.txt"), "Received 36 records.");
}

}  // namespace
}  // namespace trawlix::testing
