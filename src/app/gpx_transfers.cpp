// Downloads to GPX. Each record goes into a document that is complete on disk after every
// record; a route export fetches the waypoints first, for the positions of the route
// entries. (Uploads from GPX are planned like those from text files, in function_dispatcher.)
#include <filesystem>

#include "app/your_form.h"
#include "common/pattern_format.h"
#include "transfer/gpx_mapping.h"

namespace trawlix::app {

using common::formatInteger;

namespace {

constexpr const char* kNotWritable = "the GPX document could not be started";

}  // namespace

bool YourForm::fetchingWaypointsForRoutes() const {
    return downloadRunning() && transfer_->gpx && transfer_->entry == kRequestRoutes &&
           transfer_->command == Magellan.CommandState().WaypointsCommand;
}

// Nothing when the download under way is not to GPX: the text writers take the record.
std::optional<bool> YourForm::gpxWaypoint() {
    if (!downloadRunning() || !transfer_->gpx) {
        return std::nullopt;
    }
    const link::WaypointRecord& record = Magellan.WaypointRecord();
    if (fetchingWaypointsForRoutes() && transfer_->phase != Phase::Waiting) {
        transfer_->phase = Phase::Receiving;
        transfer_->waypoints[record.Field1] = record;
        return true;
    }
    const std::int32_t fileNum = downloadFileFor(Magellan.CommandState().WaypointsCommand);
    if (fileNum == 0) {
        return false;
    }
    return writeGpx(fileNum, [&](transfer::gpx::Writer& writer) {
        return writer.waypoint(transfer::gpx::pointFromWaypoint(record));
    });
}

std::optional<bool> YourForm::gpxRouteHeader() {
    if (!downloadRunning() || !transfer_->gpx) {
        return std::nullopt;
    }
    const std::int32_t fileNum = downloadFileFor(Magellan.CommandState().RoutesCommand);
    if (fileNum == 0) {
        return false;
    }
    const std::string& number = Magellan.HeaderRecord().RouteNumber;
    transfer_->routeNumber = number;
    return writeGpx(fileNum, [&](transfer::gpx::Writer& writer) {
        return writer.startRoute(transfer::gpx::routeName(number),
                                 transfer::gpx::routeNumberText(number));
    });
}

// A route entry goes where its waypoint is. An entry whose waypoint the receiver does not
// have cannot be placed: the export stops and its file is removed, so that no route with a
// point missing passes for the receiver's route.
std::optional<bool> YourForm::gpxRouteWaypoint() {
    if (!downloadRunning() || !transfer_->gpx) {
        return std::nullopt;
    }
    const std::int32_t fileNum = downloadFileFor(Magellan.CommandState().RoutesCommand);
    if (fileNum == 0) {
        return false;
    }
    const link::WaypointRecord& entry = Magellan.WaypointRecord();
    const auto waypoint = transfer_->waypoints.find(entry.Field4);
    if (waypoint == transfer_->waypoints.end()) {
        const std::string fileName = transfer_->fileName;
        const std::string routeNumber = transfer_->routeNumber;
        endTransfer();
        cancelOnLink();
        std::error_code ec;
        std::filesystem::remove(transfer::pathFromUtf8(fileName), ec);
        view_.showMessage("Can't export the routes to GPX: route " + routeNumber +
                              " names the waypoint " + entry.Field4 +
                              ", which the receiver does not have, so its place is unknown. "
                              "The file " +
                              fileName + " was removed; download the routes as text to keep them.",
                          MessageButtons::Ok, MessageKind::FileFailure);
        return false;
    }
    return writeGpx(fileNum, [&](transfer::gpx::Writer& writer) {
        return writer.routePoint(transfer::gpx::pointFromRouteEntry(entry, waypoint->second));
    });
}

std::optional<bool> YourForm::gpxTrackPoint() {
    if (!downloadRunning() || !transfer_->gpx) {
        return std::nullopt;
    }
    const std::int32_t fileNum = downloadFileFor(Magellan.CommandState().TracksCommand);
    if (fileNum == 0) {
        return false;
    }
    const link::TrackPointRecord& record = Magellan.TrackPointRecord();
    return writeGpx(fileNum, [&](transfer::gpx::Writer& writer) {
        return writer.trackPoint(
            transfer::gpx::utf8FromReceiverText(record.TrackName),
            transfer::gpx::pointFromTrackPoint(record, weekRollover_.correction()));
    });
}

bool YourForm::writeGpx(
    std::int32_t fileNum,
    const std::function<std::optional<std::string>(transfer::gpx::Writer&)>& write) {
    transfer::gpx::Writer* writer = files_.gpxWriter(fileNum);
    const std::optional<std::string> why =
        writer == nullptr ? std::optional<std::string>(kNotWritable) : write(*writer);
    if (why) {
        stopDownloadAfterWriteFailure(*why);
        return false;
    }
    return true;
}

// The end of the waypoints a route export fetched: now the routes.
bool YourForm::gpxWaypointsFetched() {
    if (!fetchingWaypointsForRoutes() || transfer_->phase == Phase::Waiting) {
        return false;
    }
    transfer_->command = Magellan.CommandState().RoutesCommand;
    transfer_->phase = Phase::Requesting;
    transfer_->records = 0;
    RecordCount.reset();
    showTransferInFields();
    showActivity("Requesting routes");
    Magellan.RequestRoutes();
    return true;
}

// A GPX download stopped part way: its file is a whole document of what arrived. One that
// received nothing left the file as it was, and says nothing.
std::string YourForm::gpxEndedEarlyText() const {
    if (!downloadRunning() || !transfer_->gpx || !files_.started(transfer_->fileNum)) {
        return {};
    }
    return "The download ended early. " + transfer_->fileName + " holds the " +
           formatInteger(transfer_->records) + " records received, as a complete GPX file.";
}

}  // namespace trawlix::app
