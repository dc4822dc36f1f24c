#pragma once

#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/data_kinds.h"
#include "link/records.h"
#include "transfer/gpx_upload.h"
#include "transfer/gpx_writer.h"

namespace trawlix::transfer::gpx {
class XmlSource;
}

// Backing up the whole receiver into one GPX document, and restoring it: the parts that
// need neither the window nor a toolkit.
namespace trawlix::transfer::backup {

// The kinds a backup holds, in the order they are fetched and sent back: waypoints first,
// since the routes name them.
using Kind = link::DataKind;
inline constexpr Kind kAllKinds[] = {Kind::Waypoints, Kind::Routes, Kind::Tracks};

// "waypoints", "routes", "tracks": the words of the command line.
const char* kindWord(Kind kind);
// A comma-separated list of those words, in any order and without repeats; nothing when a
// word is unknown or the list is empty. The kinds come back in the order above.
std::optional<std::vector<Kind>> kindsOf(const std::string& list);

// "gps-backup-2026-12-08.gpx" for that day.
std::string defaultBackupName(const std::tm& day);

// The one document of a backup, written record by record as the downloads deliver them and
// complete on disk after each one. Routes take their positions from the waypoints written
// before them.
class BackupDocument {
  public:
    // Creates or empties the file; the reason when that fails.
    std::optional<std::string> create(const std::string& path);

    // Each returns the reason when the record could not be written.
    std::optional<std::string> waypoint(const link::WaypointRecord& record);
    std::optional<std::string> routeHeader(const link::HeaderRecord& header);
    std::optional<std::string> routeEntry(const link::WaypointRecord& entry);
    std::optional<std::string> trackPoint(const link::TrackPointRecord& record);
    void close();

    int waypoints = 0;
    int routes = 0;
    int trackPoints = 0;
    // What the track points' dates get: a receiver whose week counter rolled over.
    gpx::DateCorrection correction;
    // Route entries naming a waypoint the receiver did not send: without a position they
    // cannot be written.
    std::vector<std::string> unplaced;

  private:
    std::fstream file_;
    std::unique_ptr<gpx::Writer> writer_;
    std::map<std::string, link::WaypointRecord> byName_;
    std::string routeNumber_;
};

// What a backup holds of each kind, for the messages.
struct Counts {
    int waypoints = 0;
    int routes = 0;
    int trackPoints = 0;
};
// "36 waypoints, 3 routes and 300 track points"
std::string countsText(const Counts& counts);

// The one message at the end of a backup: the counts, or which kinds are complete when it
// stopped part way.
std::string backupResult(const std::string& path, const Counts& counts,
                         const std::vector<Kind>& complete,
                         const std::vector<std::string>& unplaced);

// A restore, checked whole before anything is sent: the kinds to send, each with its plan.
struct RestorePlan {
    std::vector<Kind> kinds;
    std::map<Kind, UploadPlan> plans;
    int tracks = 0;  // <trk> elements with points
};

struct RestoreCheck {
    std::optional<RestorePlan> plan;
    std::string error;  // names the file; nothing was sent
};

// Reads the file once and plans every kind in `only` (every kind the file holds when
// empty); a kind asked for that the file does not hold is an error.
RestoreCheck checkRestore(const std::string& path, gpx::XmlSource& xml,
                          const std::vector<Kind>& only);

// "36 waypoints (replacing those of the same name), 3 routes (numbers 1, 2, 4), 1 track of
// 300 points (replacing the track log)"
std::string restoreSummary(const RestorePlan& plan);

// The one message at the end of a restore. `completions` are the uploads' own completion
// messages: what they add after their counts (characters made blanks, route numbers chosen)
// is kept.
std::string restoreResult(const std::string& path, const RestorePlan& plan,
                          const std::vector<Kind>& sent,
                          const std::vector<std::string>& completions = {});

}  // namespace trawlix::transfer::backup
