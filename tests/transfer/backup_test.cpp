// The toolkit-free parts of a backup and a restore: the kinds of --only, the one document's
// route positions, and the messages that say what was done or will be.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "transfer/backup.h"

namespace trawlix::transfer::backup {
namespace {

TEST(Backup, KindsOfAListComeInTheirOrderAndOnlyOnce) {
    using Kinds = std::vector<Kind>;
    const std::vector<std::pair<std::string, std::optional<Kinds>>> cases = {
        {"routes", Kinds{Kind::Routes}},
        {"tracks,waypoints", Kinds{Kind::Waypoints, Kind::Tracks}},
        {"tracks,routes,waypoints", Kinds{Kind::Waypoints, Kind::Routes, Kind::Tracks}},
        {"routes,routes", std::nullopt},
        {"waypoints,", std::nullopt},
        {"", std::nullopt},
        {"Waypoints", std::nullopt},
        {"track", std::nullopt},
    };
    for (const auto& [list, expected] : cases) {
        EXPECT_EQ(kindsOf(list), expected) << list;
    }
}

TEST(Backup, RouteEntriesTakeThePositionOfTheWaypointBackedUpBefore) {
    const auto path = std::filesystem::temp_directory_path() / "trawlix-backup-document-test.gpx";
    BackupDocument document;
    ASSERT_EQ(document.create(path.string()), std::nullopt);
    link::WaypointRecord lake;
    lake.Field1 = "LAKE";
    lake.Latitude = 46.125;
    lake.Longitude = 7.25;
    lake.Field6 = "M";
    EXPECT_EQ(document.waypoint(lake), std::nullopt);
    EXPECT_EQ(document.routeHeader({"02", 1}), std::nullopt);
    link::WaypointRecord entry;
    entry.Field4 = "LAKE";
    EXPECT_EQ(document.routeEntry(entry), std::nullopt);
    entry.Field4 = "GONE";
    EXPECT_EQ(document.routeEntry(entry), std::nullopt);
    document.close();

    const std::string content = [&path] {
        std::ifstream in(path);  // closed before the file is removed, as Windows wants
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    std::filesystem::remove(path);
    EXPECT_NE(content.find("<rtept lat=\"46.125\" lon=\"7.25\">"), std::string::npos) << content;
    EXPECT_EQ(content.find("GONE"), std::string::npos);
    EXPECT_EQ(document.unplaced, std::vector<std::string>{"route 02 names GONE"});
    EXPECT_EQ(content.substr(content.size() - 7), "</gpx>\n");
}

TEST(Backup, TheEndSaysWhichKindsAreComplete) {
    const Counts counts{36, 3, 120};
    const std::vector<std::pair<std::vector<Kind>, std::string>> cases = {
        {{Kind::Waypoints, Kind::Routes, Kind::Tracks},
         "Backed up 36 waypoints, 3 routes and 120 track points to b.gpx."},
        {{Kind::Waypoints, Kind::Routes},
         "The backup stopped part way: waypoints and routes are complete, the track log is not. "
         "b.gpx holds what arrived (36 waypoints, 3 routes and 120 track points) as a complete "
         "GPX file."},
        {{},
         "The backup stopped part way: no kind is complete, waypoints, routes and the track log "
         "are not. b.gpx holds what arrived (36 waypoints, 3 routes and 120 track points) as a "
         "complete GPX file."},
    };
    for (const auto& [complete, text] : cases) {
        EXPECT_EQ(backupResult("b.gpx", counts, complete, {}), text);
    }
    EXPECT_EQ(
        backupResult("b", {}, {}, {"route 2 names GONE"}),
        backupResult("b", {}, {}, {}) +
            "\r\nLeft out, as the receiver sent no waypoint of that name: route 2 names GONE.");
}

TEST(Backup, ARestoreSaysWhatItSendsAndReplaces) {
    RestorePlan plan;
    plan.kinds = {Kind::Waypoints, Kind::Routes, Kind::Tracks};
    plan.plans[Kind::Waypoints].parts = {{UploadKind::Waypoints, std::vector<UploadStep>(1), 0, 0}};
    plan.plans[Kind::Routes].routes = {{1, 0, {}}, {4, 0, {}}};
    plan.plans[Kind::Tracks].parts = {{UploadKind::Track, std::vector<UploadStep>(450), 0, 0}};
    plan.tracks = 2;
    EXPECT_EQ(restoreSummary(plan),
              "1 waypoint (replacing those of the same name), 2 routes (numbers 1, 4), 2 tracks "
              "of 450 points (replacing the track log)");
    EXPECT_EQ(restoreResult("b.gpx", plan, plan.kinds),
              "Restored 1 waypoint, 2 routes and 450 track points from b.gpx.");
    // What an upload adds after its counts stays; its counts make way for the summary.
    EXPECT_EQ(restoreResult("b.gpx", plan, plan.kinds,
                            {"Transfer Complete. 1 Routes sent.\r\nConsisting of 2 Waypoints.\r\n"
                             "\"Lakes\" is route 4.\r\n1 name had characters ..."}),
              "Restored 1 waypoint, 2 routes and 450 track points from b.gpx.\r\n\"Lakes\" is "
              "route 4.\r\n1 name had characters ...");
    EXPECT_EQ(restoreResult("b.gpx", plan, {Kind::Waypoints}),
              "The restore stopped part way: waypoints were sent; routes and the track log were "
              "not.");
}

}  // namespace
}  // namespace trawlix::transfer::backup
