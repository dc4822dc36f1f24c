// The function list: what each entry starts, and the Reset button.
#include <filesystem>
#include <utility>

#include "app/dialog_choice.h"
#include "app/your_form.h"
#include "link/protocol_texts.h"
#include "transfer/gpx_reader.h"
#include "transfer/gpx_upload.h"

namespace trawlix::app {

using transfer::pathFromUtf8;
using transfer::utf8Of;

namespace {

transfer::UploadKind uploadKindOf(int entry) {
    return entry == kSendWaypoints ? transfer::UploadKind::Waypoints
           : entry == kSendRoute   ? transfer::UploadKind::Route
                                   : transfer::UploadKind::Track;
}

const char* requestingText(int entry, bool gpx) {
    return entry == kRequestWaypoints       ? "Requesting waypoints"
           : entry == kRequestRoutes && gpx ? "Requesting waypoints for the routes"
           : entry == kRequestRoutes        ? "Requesting routes"
                                            : "Requesting track points";
}

}  // namespace

std::string YourForm::dialogFolder() {
    return dialogStartFolder(settings_);
}

bool YourForm::gpxChosen() const {
    return CommonDialog1.FilterIndex == kGpxFilterIndex;
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
    const int entry = view_.functionIndex();
    switch (entry) {
        case kReset:
            cmdReset_Click();
            break;
        case kRequestVersion:
            PendingCommand = Magellan.CommandState().VersionCommand;
            Magellan.RequestVersion();
            break;
        case kRequestWaypoints:
        case kRequestRoutes:
        case kRequestTracks:
            startDownload(entry);
            break;
        case kSendWaypoints:
        case kSendRoute:
        case kSendTrack:
            startUpload(entry);
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

// The file is made sure of before anything else changes, so that one that cannot be
// written leaves the running transfer and the link as they were. An existing file is
// emptied only when the first record comes.
void YourForm::startDownload(int entry) {
    if (!chooseFile(FileDialogMode::Save)) {
        return;
    }
    const bool gpx = gpxChosen();
    const std::int32_t number = files_.nextFreeNumber();
    const auto why = gpx ? files_.openGpxForOutput(number, CommonDialog1.FileName)
                         : files_.openForOutput(number, CommonDialog1.FileName);
    if (why) {
        view_.showMessage("Can't create the file " + CommonDialog1.FileName + ": " + *why,
                          MessageButtons::Ok, MessageKind::FileFailure);
        return;
    }
    takePlaceOfRunningTransfer(entry);
    const link::CommandState& commands = Magellan.CommandState();
    Transfer download;
    download.entry = entry;
    download.gpx = gpx;
    download.fileName = CommonDialog1.FileName;
    download.fileNum = number;
    // A route export to GPX needs the waypoints first, for the places of the entries.
    download.command = entry == kRequestWaypoints || (entry == kRequestRoutes && gpx)
                           ? commands.WaypointsCommand
                       : entry == kRequestRoutes ? commands.RoutesCommand
                                                 : commands.TracksCommand;
    transfer_ = std::move(download);
    pace_.start(clock_->seconds());
    showActivity(requestingText(entry, gpx));
    askForDownload();
}

// The rest of a stopped route upload may still wait on the link, and cancelling there would
// drop it: a download asked for meanwhile waits here until the receiver confirmed the end of
// that upload, so that a later choice can still take its place without the link.
void YourForm::askForDownload() {
    Transfer& download = *transfer_;
    download.phase = owed_.ends > 0 ? Phase::Waiting : Phase::Requesting;
    showTransferInFields();
    if (download.phase == Phase::Requesting) {
        requestRecords(download.command);
    }
}

void YourForm::requestRecords(const std::string& command) {
    const link::CommandState& commands = Magellan.CommandState();
    if (command == commands.WaypointsCommand) {
        Magellan.RequestWaypoints();
    } else if (command == commands.RoutesCommand) {
        Magellan.RequestRoutes();
    } else {
        Magellan.RequestTracks();
    }
}

void YourForm::cancelOnLink() {
    Magellan.CancelTransfer();
    linkQueueDropped();
}

// Nothing sent before is confirmed any more, no end of an upload among it. A download held
// for one is asked for now, if the port is still open.
void YourForm::linkQueueDropped() {
    owed_.ends = 0;
    owed_.acks = {};
    owed_.cancel = false;
    if (transfer_ && transfer_->phase == Phase::Waiting) {
        askForDownload();
    }
    sendHeldUpload();
}

// The port was closed, or the line lost: the link forgot everything under way, and so does
// the window. A download keeps what arrived; the receiver still holds a track upload's
// points, which the next track upload ends first.
void YourForm::portGone() {
    if (uploadRunning() && transfer_->plan.kind == transfer::UploadKind::Track) {
        owed_.trackEnd = true;
    }
    endTransfer();
    linkQueueDropped();
}

// A transfer whose file was found good takes the place of what runs: a download stops, an
// upload ends where it is (a route at the end of the route being sent).
void YourForm::takePlaceOfRunningTransfer(int entry) {
    // A new request drains the rest of a stopped download by itself. Before an upload the
    // link is told, unless the rest of a stopped route upload still waits there: cancelling
    // would drop it.
    if (stopRunningDownload() && entry >= kSendWaypoints && owed_.ends == 0) {
        cancelOnLink();
    }
    stopRunningUpload(entry);
    owed_.cancel = false;  // a Reset is superseded by this newer choice
}

std::optional<transfer::UploadPlan> YourForm::planUpload(int entry, const std::string& path) {
    const transfer::UploadKind kind = uploadKindOf(entry);
    transfer::PlanResult planned;
    if (!gpxChosen()) {
        planned = transfer::planTextUpload(kind, path);
    } else if (xmlSource_ == nullptr) {
        planned.error = "Can't read the GPX file " + path + " here. Nothing was sent.";
    } else if (transfer::gpx::ReadResult read = transfer::gpx::readDocument(path, *xmlSource_);
               !read.document) {
        planned.error = read.error + " Nothing was sent.";
    } else if (planned = transfer::gpx::planUpload(kind, *read.document, path); !planned.plan) {
        planned.error += " Nothing was sent.";
    }
    if (planned.plan && gpxChosen()) {
        transfer::rollover::takeOff(*planned.plan, weekRollover_.correction().periods);
    }
    if (!planned.plan) {
        view_.showMessage(planned.error, MessageButtons::Ok, MessageKind::FileFailure);
    }
    return std::move(planned.plan);
}

// The whole file is read and checked before anything is sent, so that a file that cannot
// be read, or holds a record that cannot be converted, sends nothing at all.
void YourForm::startUpload(int entry) {
    if (!chooseFile(FileDialogMode::Open)) {
        return;
    }
    // The open dialog leaves the current folder at the chosen file's folder.
    std::error_code ec;
    std::filesystem::current_path(pathFromUtf8(CommonDialog1.FileName).parent_path(), ec);
    saveSetting("Path", "Path", utf8Of(std::filesystem::current_path(ec)));
    auto plan = planUpload(entry, CommonDialog1.FileName);
    if (!plan) {
        return;
    }
    takePlaceOfRunningTransfer(entry);
    Transfer upload;
    upload.entry = entry;
    upload.gpx = gpxChosen();
    // What a stopped upload still sends would reach the receiver among this one's records,
    // and a Retry of it after them: this one waits until that is confirmed or dropped.
    upload.phase = owed_.nothing() ? Phase::Sending : Phase::Held;
    upload.fileName = CommonDialog1.FileName;
    upload.plan = std::move(*plan);
    transfer_ = std::move(upload);
    pace_.start(clock_->seconds());
    showTransferInFields();
    if (transfer_->phase == Phase::Sending) {
        sendNextStep();
    }
}

void YourForm::sendHeldUpload() {
    if (uploadRunning() && transfer_->phase == Phase::Held && owed_.nothing()) {
        transfer_->phase = Phase::Sending;
        sendNextStep();
    }
}

void YourForm::cmdReset_Click() {
    const std::string endedEarly = gpxEndedEarlyText();
    clearDebugList();
    showActivity("Ready");
    stopRunningDownload();
    // Cancelling on the link would drop the rest of a route that is being finished; the link
    // is told once the receiver confirmed the end of it.
    stopRunningUpload();
    PendingCommand = "";
    if (owed_.ends > 0) {
        owed_.cancel = true;
    } else {
        cancelOnLink();
    }
    if (!endedEarly.empty()) {
        view_.showMessage(endedEarly, MessageButtons::Ok, MessageKind::Information);
    }
}

}  // namespace trawlix::app
