// The function list: what each entry starts, and the Reset button.
#include <filesystem>
#include <utility>

#include "app/dialog_choice.h"
#include "app/your_form.h"
#include "link/protocol_texts.h"
#include "transfer/upload_check.h"

namespace trawlix::app {

using transfer::pathFromUtf8;
using transfer::utf8Of;

std::string YourForm::dialogFolder() {
    return dialogStartFolder(settings_);
}

// Shows the file dialog with an empty file name in the remembered folder; false when the
// user cancelled.
bool YourForm::chooseFile(FileDialogMode mode) {
    CommonDialog1.FileName = "";
    if (mode == FileDialogMode::Save) {
        CommonDialog1.Flags = kOverwritePrompt;
    }
    CommonDialog1.InitDir = dialogFolder();
    CommonDialog1.Filter = kTransferFilter;
    CommonDialog1.FilterIndex = rememberedFileType(settings_);
    view_.showFileDialog(mode, CommonDialog1);
    rememberDialogChoice(settings_, CommonDialog1);
    return !CommonDialog1.FileName.empty();
}

void YourForm::cboFunction_Click() {
    RecordCount.reset();
    RouteCount.reset();
    clearDebugList();
    switch (view_.functionIndex()) {
        case kReset:
            cmdReset_Click();
            break;
        case kRequestVersion:
            PendingCommand = Magellan.CommandState().VersionCommand;
            Magellan.RequestVersion();
            break;
        case kRequestWaypoints:
            startDownload(WaypointFileNum, WaypointFileName,
                          Magellan.CommandState().WaypointsCommand,
                          &link::GpsLink::RequestWaypoints);
            break;
        case kRequestRoutes:
            startDownload(RouteFileNum, RouteFileName, Magellan.CommandState().RoutesCommand,
                          &link::GpsLink::RequestRoutes);
            break;
        case kRequestTracks:
            startDownload(TrackFileNum, TrackFileName, Magellan.CommandState().TracksCommand,
                          &link::GpsLink::RequestTracks);
            break;
        case kSendWaypoints:
        case kSendRoute:
        case kSendTrack:
            startUpload(view_.functionIndex());
            break;
        case kNmeaOn:
            Magellan.SendSentence(std::string(link::protocol::kNmeaOnCommand));
            break;
        case kNmeaOff:
            Magellan.SendSentence(std::string(link::protocol::kNmeaOffCommand));
            clearFixAfterNmeaOff();
            showActivity("Ready");
            break;
        default:
            break;
    }
}

void YourForm::startDownload(std::int32_t& fileNum, std::string& fileName,
                             const std::string& command, void (link::GpsLink::*request)()) {
    if (!chooseFile(FileDialogMode::Save)) {
        return;
    }
    forgetGpxTransfer();
    const bool gpx = gpxChosen();
    if (!openDownloadFile(fileNum, fileName, gpx)) {
        return;
    }
    if (gpx) {
        startGpxDownload(view_.functionIndex());
        return;
    }
    PendingCommand = command;
    runningDownload_ = command;
    pace_.start(clock_->seconds());
    const link::CommandState& commands = Magellan.CommandState();
    showActivity(command == commands.WaypointsCommand ? "Requesting waypoints"
                 : command == commands.RoutesCommand  ? "Requesting routes"
                                                      : "Requesting track points");
    askForDownload(request);
}

// The rest of a stopped route upload may still wait on the link, and cancelling there would
// drop it: a download asked for meanwhile waits here until the receiver confirmed the end of
// that upload, so that a later choice can still take its place without the link.
void YourForm::askForDownload(void (link::GpsLink::*request)()) {
    if (stoppedUploadEnds_ > 0) {
        deferredRequest_ = request;
        return;
    }
    (Magellan.*request)();
}

void YourForm::cancelOnLink() {
    Magellan.CancelTransfer();
    linkQueueDropped();
}

// Nothing sent before is confirmed any more, no end of an upload among it; a download held
// for one is dropped with it, as the link drops the requests it holds.
void YourForm::linkQueueDropped() {
    routeAcksToPass_ = 0;
    uploadEndAwaited_ = false;
    stoppedUploadEnds_ = 0;
    cancelWhenRouteEnds_ = false;
    deferredRequest_ = nullptr;
}

// Without a Retry the link drops the unanswered sentence and what waited behind it, the
// ends of uploads among it: none of them will be confirmed, and a later confirmation is
// another upload's. With no download to keep, the link is told at once: left for later, a
// sentence of the same text that the next transfer sends would pass for a Retry and bring
// back what waited.
void YourForm::uploadEndsDropped() {
    if (!downloadRunning()) {
        cancelOnLink();
        return;
    }
    routeAcksToPass_ = 0;
    uploadEndAwaited_ = false;
    if (stoppedUploadEnds_ > 0) {
        stoppedUploadEnds_ = 1;
        stoppedUploadEnded();
    }
}

void YourForm::stoppedUploadEnded() {
    if (stoppedUploadEnds_ == 0 || --stoppedUploadEnds_ > 0) {
        return;
    }
    if (std::exchange(cancelWhenRouteEnds_, false)) {
        cancelOnLink();
    }
    if (const auto request = std::exchange(deferredRequest_, nullptr)) {
        (Magellan.*request)();
    }
}

// The new file is created before anything else changes, so that a file that cannot be
// created leaves the running transfer, its file and the link as they were.
bool YourForm::openDownloadFile(std::int32_t& fileNum, std::string& fileName, bool gpx) {
    const std::int32_t number = files_.nextFreeNumber();
    const auto why = gpx ? files_.openGpxForOutput(number, CommonDialog1.FileName)
                         : files_.openForOutput(number, CommonDialog1.FileName);
    if (why) {
        view_.showMessage("Can't create the file " + CommonDialog1.FileName + ": " + *why,
                          MessageButtons::Ok, MessageKind::FileFailure);
        return false;
    }
    stopRunningUpload();
    cancelWhenRouteEnds_ = false;  // Reset is superseded by this newer choice
    fileName = CommonDialog1.FileName;
    if (fileNum != 0) {
        files_.close(fileNum);
    }
    fileNum = number;
    return true;
}

// The file fields, kind and what the progress calls the records of the upload entry `entry`.
std::int32_t& YourForm::uploadFileNum(int entry) {
    return entry == kSendWaypoints ? WaypointFileNum
           : entry == kSendRoute   ? RouteFileNum
                                   : TrackFileNum;
}

std::string& YourForm::uploadFileName(int entry) {
    return entry == kSendWaypoints ? WaypointFileName
           : entry == kSendRoute   ? RouteFileName
                                   : TrackFileName;
}

transfer::UploadKind YourForm::uploadKindOf(int entry) {
    return entry == kSendWaypoints ? transfer::UploadKind::Waypoints
           : entry == kSendRoute   ? transfer::UploadKind::Route
                                   : transfer::UploadKind::Track;
}

const char* YourForm::uploadNoun(transfer::UploadKind kind) {
    return kind == transfer::UploadKind::Waypoints ? "waypoints"
           : kind == transfer::UploadKind::Route   ? "route waypoints"
                                                   : "track points";
}

// An upload whose file was found good takes the place of what runs: a download stops, an
// upload ends where it is (a route at the end of the route being sent).
void YourForm::takePlaceOfRunningTransfer(int entry) {
    stopRunningDownload();
    stopRunningUpload(entry);
    cancelWhenRouteEnds_ = false;  // Reset is superseded by this newer choice
}

void YourForm::startUpload(int entry) {
    if (!chooseFile(FileDialogMode::Open)) {
        return;
    }
    // The open dialog leaves the current folder at the chosen file's folder.
    std::error_code ec;
    std::filesystem::current_path(pathFromUtf8(CommonDialog1.FileName).parent_path(), ec);
    saveSetting("Path", "Path", utf8Of(std::filesystem::current_path(ec)));
    forgetGpxTransfer();
    if (gpxChosen()) {
        startGpxUpload(entry);
        return;
    }

    std::int32_t& fileNum = uploadFileNum(entry);
    std::string& fileName = uploadFileName(entry);
    // The whole file is opened and checked before anything is sent, so that a file that
    // cannot be read, or holds a line that cannot be converted, sends nothing at all.
    const transfer::UploadKind kind = uploadKindOf(entry);
    const auto problem = transfer::checkUploadFile(kind, CommonDialog1.FileName);
    if (problem) {
        view_.showMessage(*problem, MessageButtons::Ok, MessageKind::FileFailure);
        return;
    }
    takePlaceOfRunningTransfer(entry);
    fileName = CommonDialog1.FileName;
    if (fileNum != 0) {
        files_.close(fileNum);
    }
    fileNum = files_.nextFreeNumber();
    if (const auto why = files_.openForInput(fileNum, fileName)) {
        fileNum = 0;
        view_.showMessage("Can't open the file " + fileName + ": " + *why, MessageButtons::Ok,
                          MessageKind::FileFailure);
        return;
    }
    uploadLineNumber_ = 0;
    runningUpload_ = entry;
    uploadFieldsBlanked_ = 0;
    uploadTotal_ = transfer::uploadRecordCount(kind, fileName);
    uploadWhat_ = uploadNoun(kind);
    pace_.start(clock_->seconds());
    bool start = true;
    switch (entry) {
        case kSendWaypoints:
            PendingCommand = Magellan.TransferState().WaypointKind;
            Send_Waypoint();
            break;
        case kSendRoute:
            PendingCommand = Magellan.TransferState().RouteKind;
            Send_Route(start);
            break;
        default:
            PendingCommand = Magellan.TransferState().TrackPointKind;
            Send_Track(start);
            break;
    }
}

void YourForm::cmdReset_Click() {
    reportGpxEndedEarly();
    forgetGpxTransfer();
    PendingCommand = "";
    runningDownload_.clear();
    deferredRequest_ = nullptr;
    clearDebugList();
    showActivity("Ready");
    // Cancelling on the link would drop the rest of a route that is being finished; the link
    // is told once the receiver confirmed the end of it.
    endAwaitedBecomesStopped();
    if (stopRouteUpload() || stoppedUploadEnds_ > 0) {
        cancelWhenRouteEnds_ = true;
        return;
    }
    cancelOnLink();
}

}  // namespace trawlix::app
