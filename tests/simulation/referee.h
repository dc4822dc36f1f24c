#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/receiver_store.h"
#include "simulation/session.h"

// What must hold in every session, whatever the faults and whatever the user does, checked
// as the session runs:
// - a download's file holds the receiver's records in order, each once, nothing else, and
//   every record the receiver saw acknowledged; a GPX file is well-formed after every record;
// - every download or upload chosen reaches the wire (the receiver sees its command or first
//   sentence) or shows a box within a bound, unless the user stops it or changes the port;
// - the window's transfer state keeps its own rules after every step;
// - "Received n records." only when the file holds all n; "Transfer Complete" only when the
//   receiver holds the whole file, each record once;
// - the link raises no event and writes nothing while the user has the port closed;
// - a stopped route upload leaves no route on the receiver that is neither the old one nor
//   the file's;
// - a backup's file is a whole GPX document however the backup ended, holding every record
//   the receiver has of each kind the backup calls complete (a restore's uploads are checked
//   as the user's own, a backup's downloads as ones the user stopped).
// Expectations come from the same transfer run once without faults (cached).
namespace trawlix::simulation {

// The upload files every session may send, written once, in both formats.
struct UploadFiles {
    explicit UploadFiles(const std::filesystem::path& folder);
    std::string waypoints;
    std::string route;
    std::string track;
    std::string waypointsGpx;
    std::string routesGpx;  // three routes of six points
    std::string trackGpx;
    std::string wholeGpx;  // waypoints, a route and a track, to restore
    const std::string& of(int entry, bool gpx = false) const;

  private:
    void writeGpx() const;
};

bool isGpxFile(const std::string& path);

class Referee {
  public:
    Referee(Session& session, const std::filesystem::path& scratch);

    // Checks what the files and the receiver hold now.
    void checkpoint();
    // At the end: the route rule, and a last checkpoint.
    void finish();
    // Route uploads stopped by a failure the user could not avoid (the cable pulled, the
    // receiver switched off) may leave part of a route; the session says when.
    void routeUploadDisturbed() { routeDisturbed_ = true; }

    const std::vector<std::string>& problems() const { return problems_; }
    int transfersCompleted() const { return completed_; }

  private:
    struct Download {
        int entry;
        std::string path;
        std::size_t mark;  // the receiver's count of sentences received at the request
        sim::ReceiverStore store;
        // Lines the file held at the latest choice of a function: every choice starts the
        // record count afresh, also one that starts nothing.
        std::size_t countedFrom = 0;
        // What the file held before: a download that has received nothing may leave it so.
        std::string before;
        bool gpx = false;
    };
    struct Upload {
        int entry;
        std::string file;
        // What the receiver holds once the sentences on the wire at the choice have landed:
        // what the upload starts from.
        Micros settlesAt;
        std::optional<sim::ReceiverStore> store;
    };
    struct ExpectedDownload {
        std::string content;
        std::vector<std::string> records;  // lines, or a GPX file's records
        bool completed = false;
    };
    // A transfer chosen that has not reached the wire yet.
    struct Awaited {
        std::string sentence;  // what the receiver sees first of it
        Micros deadline;
        std::size_t heard;  // the receiver's sentences looked at
        std::size_t boxes;
    };

    void chosen(int entry, const std::string& file);
    void boxShown(const std::string& text);
    void received(int records);
    void transferComplete();
    void runFinished(app::KindSequence& run);
    void checkDownloadFile(const Download& download, bool whole);
    const ExpectedDownload& expectedDownload(const Download& download);
    const sim::ReceiverStore& expectedUpload(int entry, const std::string& file,
                                             const sim::ReceiverStore& before);
    bool commandReachedReceiver(const Download& download) const;
    void afterStep();
    void settleUpload();
    void checkAwaited();
    void problem(const std::string& text);

    Session& session_;
    std::filesystem::path scratch_;
    int baud_;
    std::optional<Download> download_;
    std::optional<Upload> upload_;
    std::vector<sim::StoredRoute> routesAllowed_;
    std::optional<Awaited> awaited_;
    std::vector<std::string> breachesSeen_;
    int recordsSeen_ = 0;
    bool routeDisturbed_ = false;
    int completed_ = 0;
    std::vector<std::string> problems_;
};

// Runs `entry` (a download to `file`, or an upload of it) on a fresh session without faults.
// Downloads give the file's content; uploads leave their result in `store`.
std::optional<std::string> cleanRun(int entry, const std::string& file, sim::ReceiverStore& store,
                                    int baud, const std::filesystem::path& folder);

std::string readWhole(const std::string& path);

}  // namespace trawlix::simulation
