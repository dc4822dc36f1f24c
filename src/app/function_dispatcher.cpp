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

int downloadEntry(link::DataKind kind) {
    return kRequestWaypoints + static_cast<int>(link::indexOf(kind));
}

int uploadEntry(transfer::UploadKind kind) {
    return kSendWaypoints + static_cast<int>(kind);
}

std::string requestingText(link::DataKind kind, bool gpx) {
    if (kind == link::DataKind::Routes && gpx) {
        return "Requesting waypoints for the routes";
    }
    return "Requesting " + std::string(link::namesOf(kind).records);
}

}  // namespace

link::DataKind kindOfEntry(int entry) {
    return static_cast<link::DataKind>(entry < kSendWaypoints ? entry - kRequestWaypoints
                                                              : entry - kSendWaypoints);
}

transfer::UploadKind uploadKindOf(link::DataKind kind) {
    return static_cast<transfer::UploadKind>(link::indexOf(kind));
}

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
    chooseFunction(view_.functionIndex());
}

void YourForm::chooseFunction(int entry) {
    RecordCount.reset();
    RouteCount.reset();
    clearDebugList();
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
            downloadChosen(entry);
            break;
        case kSendWaypoints:
        case kSendRoute:
        case kSendTrack:
            uploadChosen(entry);
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

void YourForm::downloadChosen(int entry) {
    if (chooseFile(FileDialogMode::Save)) {
        startDownload(kindOfEntry(entry), CommonDialog1.FileName, gpxChosen());
    }
}

// The file is made sure of before anything else changes, so that one that cannot be
// written leaves the running transfer and the link as they were. An existing file is
// emptied only when the first record comes.
void YourForm::startDownload(link::DataKind kind, const std::string& destination, bool gpx,
                             TransferObserver* observer) {
    observed_.observe(observer, destination);
    const std::int32_t number = files_.nextFreeNumber();
    const auto why = gpx ? files_.openGpxForOutput(number, destination)
                         : files_.openForOutput(number, destination);
    if (why) {
        view_.showMessage("Can't create the file " + destination + ": " + *why, MessageButtons::Ok,
                          MessageKind::FileFailure);
        return;
    }
    const int entry = downloadEntry(kind);
    takePlaceOfRunningTransfer(entry);
    Transfer download;
    download.entry = entry;
    download.gpx = gpx;
    download.fileName = destination;
    download.fileNum = number;
    // A route export to GPX needs the waypoints first, for the places of the entries.
    const link::DataKind first =
        kind == link::DataKind::Routes && gpx ? link::DataKind::Waypoints : kind;
    download.command = link::namesOf(first).command;
    transfer_ = std::move(download);
    pace_.start(clock_->seconds());
    showActivity(requestingText(kind, gpx));
    askForDownload();
}

// The rest of a stopped route upload may still wait on the link, and cancelling there would
// drop it: a download asked for meanwhile waits here until the receiver confirmed the end of
// that upload, so that a later choice can still take its place without the link.
void YourForm::askForDownload() {
    Transfer& download = *transfer_;
    download.phase = owed_.nothing() ? Phase::Requesting : Phase::Waiting;
    showTransferInFields();
    if (download.phase == Phase::Requesting) {
        requestRecords(download.command);
    }
}

void YourForm::requestRecords(const std::string& command) {
    switch (link::kindOfCommand(command)->kind) {
        case link::DataKind::Waypoints:
            Magellan.RequestWaypoints();
            break;
        case link::DataKind::Routes:
            Magellan.RequestRoutes();
            break;
        case link::DataKind::Tracks:
            Magellan.RequestTracks();
            break;
    }
}

void YourForm::cancelOnLink() {
    Magellan.CancelTransfer();
    linkQueueDropped();
}

// Nothing sent before is confirmed any more, no end of an upload among it. A download held
// for one is asked for now, if the port is still open.
void YourForm::linkQueueDropped() {
    // A stopped track's end that the link dropped never reached the receiver.
    owed_.trackEnd = owed_.trackEnd || std::exchange(owed_.trackEndSent, false);
    owed_.ends = 0;
    owed_.acks = {};
    owed_.cancel = false;
    resumeHeldTransfer();
}

// A transfer held behind what stopped uploads owe goes once they owe nothing.
void YourForm::resumeHeldTransfer() {
    if (transfer_ && transfer_->phase == Phase::Waiting && owed_.nothing()) {
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

std::optional<transfer::UploadPlan> YourForm::planUpload(transfer::UploadKind kind,
                                                         const std::string& path, bool gpx) {
    transfer::PlanResult planned;
    if (!gpx) {
        planned = transfer::planTextUpload(kind, path);
    } else if (xmlSource_ == nullptr) {
        planned.error = "Can't read the GPX file " + path + " here. Nothing was sent.";
    } else if (transfer::gpx::ReadResult read = transfer::gpx::readDocument(path, *xmlSource_);
               !read.document) {
        planned.error = read.error + " Nothing was sent.";
    } else if (planned = transfer::gpx::planUpload(kind, *read.document, path); !planned.plan) {
        planned.error += " Nothing was sent.";
    }
    if (!planned.plan) {
        view_.showMessage(planned.error, MessageButtons::Ok, MessageKind::FileFailure);
    }
    return std::move(planned.plan);
}

// The whole file is read and checked before anything is sent, so that a file that cannot
// be read, or holds a record that cannot be converted, sends nothing at all.
void YourForm::uploadChosen(int entry) {
    if (!chooseFile(FileDialogMode::Open)) {
        return;
    }
    // The open dialog leaves the current folder at the chosen file's folder.
    std::error_code ec;
    std::filesystem::current_path(pathFromUtf8(CommonDialog1.FileName).parent_path(), ec);
    saveSetting("Path", "Path", utf8Of(std::filesystem::current_path(ec)));
    const bool gpx = gpxChosen();
    observed_.observe(nullptr, "");
    if (auto plan = planUpload(uploadKindOf(kindOfEntry(entry)), CommonDialog1.FileName, gpx)) {
        startUpload(std::move(*plan), CommonDialog1.FileName, gpx);
    }
}

void YourForm::startUpload(transfer::UploadPlan plan, const std::string& source, bool gpx,
                           TransferObserver* observer) {
    observed_.observe(observer, source);
    if (gpx) {
        // GPX files carry true dates: the receiver gets its own calendar back.
        transfer::rollover::takeOff(plan, weekRollover_.correction().periods);
    }
    const int entry = uploadEntry(plan.kind);
    takePlaceOfRunningTransfer(entry);
    Transfer upload;
    upload.entry = entry;
    upload.gpx = gpx;
    // What a stopped upload still sends would reach the receiver among this one's records,
    // and a Retry of it after them: this one waits until that is confirmed or dropped.
    upload.phase = owed_.nothing() ? Phase::Sending : Phase::Held;
    upload.fileName = source;
    upload.plan = std::move(plan);
    transfer_ = std::move(upload);
    pace_.start(clock_->seconds());
    showTransferInFields();
    if (transfer_->phase == Phase::Sending) {
        sendNextStep();
    }
}

void YourForm::sendHeldUpload() {
    if (!uploadRunning() || transfer_->phase != Phase::Held || !owed_.nothing()) {
        return;
    }
    if (transfer_->plan.kind == transfer::UploadKind::Track && owed_.trackEnd) {
        endUnendedTrack();  // its confirmation lets this upload go
        return;
    }
    transfer_->phase = Phase::Sending;
    sendNextStep();
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
