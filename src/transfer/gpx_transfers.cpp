// Downloads to GPX and uploads from GPX. A download writes each record into a document that
// is complete on disk after every record; a route export fetches the waypoints first, for the
// positions of the route entries. An upload reads the whole file first and sends nothing
// when any of it cannot be read; the acknowledgements then pace it as they pace the text
// uploads.
#include <filesystem>

#include "app/your_form.h"
#include "common/pattern_format.h"
#include "transfer/gpx_reader.h"
#include "transfer/gpx_transfers.h"

namespace trawlix::app {

using common::formatInteger;
using transfer::gpx::GpxTransfers;

bool YourForm::gpxChosen() const {
    return CommonDialog1.FilterIndex == kGpxFilterIndex;
}

void YourForm::forgetGpxTransfer() {
    gpx_->forget();
}

void YourForm::startGpxDownload(int entry) {
    pace_.start(clock_->seconds());
    const link::CommandState& commands = Magellan.CommandState();
    switch (entry) {
        case kRequestWaypoints:
            runningDownload_ = commands.WaypointsCommand;
            PendingCommand = commands.WaypointsCommand;
            showActivity("Requesting waypoints");
            askForDownload(&link::GpsLink::RequestWaypoints);
            break;
        case kRequestRoutes:
            runningDownload_ = commands.RoutesCommand;  // the file it writes is the routes'
            gpx_->fetchingWaypoints = true;
            PendingCommand = commands.WaypointsCommand;
            showActivity("Requesting waypoints for the routes");
            askForDownload(&link::GpsLink::RequestWaypoints);
            break;
        default:
            runningDownload_ = commands.TracksCommand;
            PendingCommand = commands.TracksCommand;
            showActivity("Requesting track points");
            askForDownload(&link::GpsLink::RequestTracks);
            break;
    }
}

std::optional<bool> YourForm::gpxWaypoint() {
    const link::WaypointRecord& record = Magellan.WaypointRecord();
    if (gpx_->fetchingWaypoints) {
        gpx_->waypoints[record.Field1] = record;
        return true;
    }
    transfer::gpx::Writer* writer = files_.gpxWriter(WaypointFileNum);
    if (writer == nullptr) {
        return std::nullopt;
    }
    if (const auto why = writer->waypoint(transfer::gpx::pointFromWaypoint(record))) {
        stopDownloadAfterWriteFailure(WaypointFileNum, WaypointFileName, *why);
        return false;
    }
    return true;
}

std::optional<bool> YourForm::gpxRouteHeader() {
    transfer::gpx::Writer* writer = files_.gpxWriter(RouteFileNum);
    if (writer == nullptr) {
        return std::nullopt;
    }
    const std::string& number = Magellan.HeaderRecord().RouteNumber;
    gpx_->routeNumber = number;
    if (const auto why = writer->startRoute(transfer::gpx::routeName(number),
                                            transfer::gpx::routeNumberText(number))) {
        stopDownloadAfterWriteFailure(RouteFileNum, RouteFileName, *why);
        return false;
    }
    return true;
}

// A route entry goes where its waypoint is. An entry whose waypoint the receiver does not
// have cannot be placed: the export stops and its file is removed, so that no route with a
// point missing passes for the receiver's route.
std::optional<bool> YourForm::gpxRouteWaypoint() {
    transfer::gpx::Writer* writer = files_.gpxWriter(RouteFileNum);
    if (writer == nullptr) {
        return std::nullopt;
    }
    const link::WaypointRecord& entry = Magellan.WaypointRecord();
    const auto waypoint = gpx_->waypoints.find(entry.Field4);
    if (waypoint == gpx_->waypoints.end()) {
        const std::string fileName = RouteFileName;
        abandonTransfer(RouteFileNum);
        std::error_code ec;
        std::filesystem::remove(transfer::pathFromUtf8(fileName), ec);
        view_.showMessage("Can't export the routes to GPX: route " + gpx_->routeNumber +
                              " names the waypoint " + entry.Field4 +
                              ", which the receiver does not have, so its place is unknown. "
                              "The file " +
                              fileName + " was removed; download the routes as text to keep them.",
                          MessageButtons::Ok, MessageKind::FileFailure);
        return false;
    }
    if (const auto why =
            writer->routePoint(transfer::gpx::pointFromRouteEntry(entry, waypoint->second))) {
        stopDownloadAfterWriteFailure(RouteFileNum, RouteFileName, *why);
        return false;
    }
    return true;
}

std::optional<bool> YourForm::gpxTrackPoint() {
    transfer::gpx::Writer* writer = files_.gpxWriter(TrackFileNum);
    if (writer == nullptr) {
        return std::nullopt;
    }
    const link::TrackPointRecord& record = Magellan.TrackPointRecord();
    if (const auto why = writer->trackPoint(transfer::gpx::utf8FromReceiverText(record.TrackName),
                                            transfer::gpx::pointFromTrackPoint(record))) {
        stopDownloadAfterWriteFailure(TrackFileNum, TrackFileName, *why);
        return false;
    }
    return true;
}

// The end of the waypoints a route export fetched: now the routes.
bool YourForm::gpxWaypointsFetched() {
    if (!gpx_->fetchingWaypoints) {
        return false;
    }
    gpx_->fetchingWaypoints = false;
    RecordCount.reset();
    PendingCommand = Magellan.CommandState().RoutesCommand;
    showActivity("Requesting routes");
    Magellan.RequestRoutes();
    return true;
}

void YourForm::reportGpxEndedEarly() {
    const link::CommandState& commands = Magellan.CommandState();
    const bool fetching = gpx_->fetchingWaypoints;
    std::int32_t fileNum = 0;
    std::string fileName;
    if (PendingCommand == commands.WaypointsCommand) {
        fileNum = fetching ? RouteFileNum : WaypointFileNum;
        fileName = fetching ? RouteFileName : WaypointFileName;
    } else if (PendingCommand == commands.RoutesCommand) {
        fileNum = RouteFileNum;
        fileName = RouteFileName;
    } else if (PendingCommand == commands.TracksCommand) {
        fileNum = TrackFileNum;
        fileName = TrackFileName;
    }
    if (fileNum == 0 || files_.gpxWriter(fileNum) == nullptr) {
        return;
    }
    const int kept = fetching ? 0 : RecordCount.value();
    view_.showMessage("The download ended early. " + fileName + " holds the " +
                          formatInteger(kept) + " records received, as a complete GPX file.",
                      MessageButtons::Ok, MessageKind::Information);
}

void YourForm::startGpxUpload(int entry) {
    const std::string path = CommonDialog1.FileName;
    if (xmlSource_ == nullptr) {
        view_.showMessage("Can't read the GPX file " + path + " here. Nothing was sent.",
                          MessageButtons::Ok, MessageKind::FileFailure);
        return;
    }
    transfer::gpx::ReadResult read = transfer::gpx::readDocument(path, *xmlSource_);
    if (!read.document) {
        view_.showMessage(read.error + " Nothing was sent.", MessageButtons::Ok,
                          MessageKind::FileFailure);
        return;
    }
    const transfer::UploadKind kind = uploadKindOf(entry);
    transfer::gpx::PlanResult planned = transfer::gpx::planUpload(kind, *read.document, path);
    if (!planned.plan) {
        view_.showMessage(planned.error + " Nothing was sent.", MessageButtons::Ok,
                          MessageKind::FileFailure);
        return;
    }
    takePlaceOfRunningTransfer(entry);
    std::int32_t& fileNum = uploadFileNum(entry);
    std::string& fileName = uploadFileName(entry);
    if (fileNum != 0) {
        files_.close(fileNum);
        fileNum = 0;
    }
    fileName = path;
    gpx_->plan = std::move(*planned.plan);
    uploadFieldsBlanked_ = 0;  // a GPX upload reports its own changes
    uploadWhat_ = uploadNoun(kind);
    uploadTotal_ = static_cast<std::int32_t>(kind == transfer::UploadKind::Track
                                                 ? gpx_->plan->trackPoints.size()
                                                 : gpx_->plan->waypoints.size());
    pace_.start(clock_->seconds());
    const link::TransferState& kinds = Magellan.TransferState();
    switch (kind) {
        case transfer::UploadKind::Waypoints:
            PendingCommand = kinds.WaypointKind;
            gpx_->stage = GpxTransfers::Stage::Waypoints;
            break;
        case transfer::UploadKind::Route:
            PendingCommand = kinds.RouteKind;
            gpx_->stage = GpxTransfers::Stage::Waypoints;
            gpx_->routesAfterWaypoints = true;
            break;
        case transfer::UploadKind::Track:
            PendingCommand = kinds.TrackPointKind;
            gpx_->stage = GpxTransfers::Stage::TrackPoints;
            break;
    }
    sendNextGpxRecord();
}

void YourForm::sendNextGpxRecord() {
    GpxTransfers& gpx = *gpx_;
    const transfer::gpx::UploadPlan& plan = *gpx.plan;
    switch (gpx.stage) {
        case GpxTransfers::Stage::Waypoints:
            if (gpx.next < plan.waypoints.size()) {
                Magellan.WaypointRecord() = plan.waypoints[gpx.next++];
                RecordCount.increment();
                showSending();
                Magellan.UploadWaypoint();
                return;
            }
            break;
        case GpxTransfers::Stage::Routes:
            if (gpx.next < plan.routeSentences.size()) {
                const transfer::gpx::RouteSentence& sentence = plan.routeSentences[gpx.next++];
                if (sentence.startsRoute) {
                    RouteCount.increment();
                }
                for (int i = 0; i < sentence.names; ++i) {
                    RecordCount.increment();
                }
                Magellan.SendSentence(sentence.text);
                return;
            }
            break;
        case GpxTransfers::Stage::TrackPoints:
            if (gpx.next < plan.trackPoints.size()) {
                Magellan.TrackPointRecord() = plan.trackPoints[gpx.next++];
                RecordCount.increment();
                showSending();
                Magellan.UploadTrackPoint();
                return;
            }
            break;
        case GpxTransfers::Stage::None:
        case GpxTransfers::Stage::Ending:
            return;
    }
    gpx.stage = GpxTransfers::Stage::Ending;
    Magellan.SendSentence(Magellan.CommandState().EndCommand);
}

// Acknowledgements while an upload from GPX runs; false for those it does not take.
bool YourForm::gpxAcknowledged() {
    GpxTransfers& gpx = *gpx_;
    if (!gpx.plan || gpx.stage == GpxTransfers::Stage::None) {
        return false;
    }
    const link::TransferState& state = Magellan.TransferState();
    const link::CommandState& commands = Magellan.CommandState();
    const std::string& acked = state.AckedKind;
    if (acked == state.WaypointKind || acked == state.RouteKind || acked == state.TrackPointKind) {
        sendNextGpxRecord();
        return true;
    }
    if (acked != commands.CommandKind || commands.LastCommand != commands.EndCommand ||
        gpx.stage != GpxTransfers::Stage::Ending) {
        return false;
    }
    if (gpx.routesAfterWaypoints) {
        // The route's waypoints are stored; now the route that names them.
        gpx.routesAfterWaypoints = false;
        gpx.stage = GpxTransfers::Stage::Routes;
        gpx.next = 0;
        RecordCount.reset();
        sendNextGpxRecord();
        return true;
    }
    const transfer::UploadKind kind = !gpx.plan->trackPoints.empty() ? transfer::UploadKind::Track
                                      : gpx.plan->routes > 0         ? transfer::UploadKind::Route
                                                             : transfer::UploadKind::Waypoints;
    const std::string text = completionText() + transfer::gpx::uploadNotes(kind, *gpx.plan);
    gpx.forget();
    showActivity("Ready");
    view_.showMessage(text, MessageButtons::Ok, MessageKind::TransferComplete);
    PendingCommand = "";
    return true;
}

}  // namespace trawlix::app
