// The three uploads. Each call sends what one acknowledgement allows, so the receiver paces
// the upload and the window never waits. The file was checked whole before the first call
// (see upload_check.h); a line that still cannot be read (the file changed meanwhile) stops
// the upload with a message rather than sending a record that is not the file's.
#include <utility>

#include "app/your_form.h"
#include "common/line_split.h"
#include "common/pattern_format.h"
#include "transfer/transfer_format.h"
#include "transfer/upload_check.h"
#include "transfer/upload_text.h"

namespace trawlix::app {

// The next line that holds anything: empty lines are no records and are passed over.
std::optional<std::string> YourForm::readUploadLine(std::int32_t fileNum) {
    while (auto line = files_.readLine(fileNum)) {
        ++uploadLineNumber_;
        if (!line->empty()) {
            return line;
        }
    }
    return std::nullopt;
}

void YourForm::sendEndOfUpload(std::int32_t& fileNum) {
    runningUpload_ = 0;
    trackUploadUnended_ = false;
    uploadEndAwaited_ = true;
    Magellan.SendSentence(Magellan.CommandState().EndCommand);
    files_.close(fileNum);
    fileNum = 0;
}

void YourForm::abandonTransfer(std::int32_t& fileNum) {
    files_.close(fileNum);
    fileNum = 0;
    PendingCommand = "";
    cancelOnLink();
}

// The upload under way is the one runningUpload_ names: a version request chosen while it
// runs takes PendingCommand, and the upload's file must still be closed, or its next
// acknowledgement would read from the file of a download that took its number.
void YourForm::stopUploadThatSentNothing() {
    const link::TransferState& kinds = Magellan.TransferState();
    const bool uploadPending = PendingCommand == kinds.WaypointKind ||
                               PendingCommand == kinds.RouteKind ||
                               PendingCommand == kinds.TrackPointKind;
    if (runningUpload_ != 0) {
        std::int32_t& fileNum = uploadFileNum(runningUpload_);
        files_.close(fileNum);
        fileNum = 0;
    }
    trackUploadUnended_ = trackUploadUnended_ || runningUpload_ == kSendTrack;
    runningUpload_ = 0;
    if (uploadPending) {
        PendingCommand = "";
    }
}

// An upload that sent its end a moment ago is no longer the user's: its confirmation must
// not report the next transfer complete. What it sent before its end may still wait on the
// link, the last sentence of a route among it: it goes out, then the end.
void YourForm::endAwaitedBecomesStopped() {
    if (uploadEndAwaited_) {
        uploadEndAwaited_ = false;
        ++stoppedUploadEnds_;
    }
}

void YourForm::stopRunningUpload(int next) {
    endAwaitedBecomesStopped();
    if (stopRouteUpload()) {
        PendingCommand = "";
        return;
    }
    stopUploadThatSentNothing();
    if (next == kSendTrack && std::exchange(trackUploadUnended_, false)) {
        // The receiver cannot tell the new track's first point from the next of a track
        // upload that stopped part way, also one that other uploads followed: that upload is
        // ended first, so that the new one replaces it whole.
        ++stoppedUploadEnds_;
        Magellan.SendSentence(Magellan.CommandState().EndCommand);
    }
}

void YourForm::stopUpload(std::int32_t& fileNum, const std::string& fileName,
                          const std::string& why) {
    runningUpload_ = 0;
    abandonTransfer(fileNum);
    view_.showMessage(
        transfer::badLineMessage(fileName, uploadLineNumber_, why) + " The upload was stopped.",
        MessageButtons::Ok, MessageKind::FileFailure);
}

void YourForm::Send_Waypoint() {
    // After the end-of-upload sentence the file is closed; a late acknowledgement sends
    // nothing more. Nor does one that comes after the upload stopped, when WaypointFileNum
    // may be a download's.
    if (WaypointFileNum == 0 || runningUpload_ != kSendWaypoints) {
        return;
    }
    const auto line = readUploadLine(WaypointFileNum);
    if (!line) {
        sendEndOfUpload(WaypointFileNum);
        return;
    }
    RecordCount.increment();
    showSending();
    link::WaypointRecord record;
    if (const auto why = transfer::readWaypointLine(common::splitFields(*line), record)) {
        stopUpload(WaypointFileNum, WaypointFileName, *why);
        return;
    }
    uploadFieldsBlanked_ += transfer::makeSendable(record);
    Magellan.WaypointRecord() = record;
    Magellan.UploadWaypoint();
}

void YourForm::Send_Track(bool& Start) {
    if (Start) {
        runningUpload_ = kSendTrack;
    }
    if (Start && !files_.isOpen(TrackFileNum)) {
        files_.openForInput(TrackFileNum, TrackFileName);  // a failed open reads as the end
    }
    if (!Start && (TrackFileNum == 0 || runningUpload_ != kSendTrack)) {
        return;
    }
    const auto line = readUploadLine(TrackFileNum);
    if (!line) {
        sendEndOfUpload(TrackFileNum);
        return;
    }
    link::TrackPointRecord record;
    if (const auto why = transfer::readTrackLine(common::splitFields(*line), record)) {
        stopUpload(TrackFileNum, TrackFileName, *why);
        return;
    }
    uploadFieldsBlanked_ += transfer::makeSendable(record);
    Magellan.TrackPointRecord() = record;
    Magellan.UploadTrackPoint();
    RecordCount.increment();
    showSending();
}

void YourForm::Send_Route_Message(std::int32_t& reccount, std::int32_t& seq, std::int32_t& rte,
                                  std::string& wps) {
    Magellan.SendSentence(transfer::routeSentenceText(reccount, seq, rte, wps));
}

void YourForm::sendRouteSentence() {
    ++RouteSeq;
    Send_Route_Message(RouteRecCount, RouteSeq, RouteNum, RouteEntries);
    RouteEntries.clear();
    RouteEntryCount = 0;
}

void YourForm::Send_Route(bool& Start) {
    if (Start) {
        runningUpload_ = kSendRoute;
        routeHeaderRead_ = false;
        previousRouteSentences_.clear();
        routeNames_.clear();
        RouteCount.reset();
        RouteSeq = 0;
        RouteEntries.clear();
        RouteEntryCount = 0;
        if (!files_.isOpen(RouteFileNum)) {
            files_.openForInput(RouteFileNum, RouteFileName);  // a failed open reads as the end
        }
    } else if (RouteFileNum == 0 || runningUpload_ != kSendRoute) {
        // One call can send two sentences, so one more acknowledgement may come after the
        // end-of-upload sentence went out: it sends nothing, above all no second end. Nor
        // does one that comes after the upload stopped, when RouteFileNum may be a download's.
        return;
    }
    for (;;) {
        const auto line = readUploadLine(RouteFileNum);
        if (!line) {
            if (RouteEntryCount > 0) {
                sendRouteSentence();
            }
            sendEndOfUpload(RouteFileNum);
            return;
        }
        if (routeLine(*line)) {
            return;
        }
    }
}

// Takes one line of the route file; true when the call is done (a sentence of two entries
// went out, or the upload was stopped).
bool YourForm::routeLine(const std::string& line) {
    const auto fields = common::splitFields(line);
    if (transfer::isRouteHeader(fields)) {
        if (RouteEntryCount > 0) {
            sendRouteSentence();  // the last, partial sentence of the route that ends here
        }
        previousRouteSentences_ = routeSentencesSoFar();
        RouteCount.increment();
        routeHeaderRead_ = true;
        RouteSeq = 0;
        RouteEntries.clear();
        RouteEntryCount = 0;
        routeNames_.clear();
        transfer::RouteHeader header;
        if (const auto why = transfer::readRouteHeader(fields, header)) {
            stopUpload(RouteFileNum, RouteFileName, *why);
            return true;
        }
        RouteNum = header.routeNumber;
        RouteRecCount = header.sentenceCount;
        return false;
    }
    // No header yet in this upload: the file changed meanwhile. (Not RouteCount: choosing
    // NMEA On or Off while the upload runs sets that to 0.)
    if (!routeHeaderRead_) {
        stopUpload(RouteFileNum, RouteFileName, std::string(transfer::kEntryBeforeHeader));
        return true;
    }
    if (const auto why = transfer::checkRouteEntry(fields)) {
        stopUpload(RouteFileNum, RouteFileName, *why);
        return true;
    }
    ++RouteEntryCount;
    RecordCount.increment();
    std::string name = transfer::routeEntryName(fields);
    uploadFieldsBlanked_ += transfer::makeSendable(name);
    RouteEntries += "," + name;
    showSending();
    routeNames_.push_back(name);
    if (RouteEntryCount == 2) {
        sendRouteSentence();
        return true;
    }
    return false;
}

// The receiver stores a route sentence by sentence as it comes: an upload stopped between two
// sentences of a route would leave it a piece of a route that is neither its own nor the
// file's. So a stop takes effect at the end of the route being sent. That route goes out once
// more whole, from its first sentence (a receiver starts a route afresh at sentence 1, so
// this is right also when an earlier sentence of it was lost or never sent), then the end of
// the upload; the file is closed at once.
bool YourForm::stopRouteUpload() {
    if (runningUpload_ != kSendRoute || RouteFileNum == 0) {
        return false;
    }
    runningUpload_ = 0;
    while (const auto line = readUploadLine(RouteFileNum)) {
        const auto fields = common::splitFields(*line);
        if (transfer::isRouteHeader(fields) || transfer::checkRouteEntry(fields)) {
            break;
        }
        std::string name = transfer::routeEntryName(fields);
        transfer::makeSendable(name);
        routeNames_.push_back(name);
    }
    files_.close(RouteFileNum);
    RouteFileNum = 0;
    view_.addListLine("The upload stops at the end of route " +
                      common::formatPattern(RouteNum, "00") +
                      ", so that the GPS holds no part of a route.");
    // Counted as nothing: the counts are the next transfer's.
    RouteSeq = 0;
    RouteEntries.clear();
    RouteEntryCount = 0;
    routeRestRefused_ = false;
    for (const std::string& name : routeNames_) {
        RouteEntries += "," + name;
        if (++RouteEntryCount == 2) {
            ++routeAcksToPass_;  // before: a refused send clears it
            sendRouteSentence();
        }
        if (routeRestRefused_) {
            return true;  // the port is closed: nothing goes out, nothing more to try
        }
    }
    if (RouteEntryCount > 0) {
        ++routeAcksToPass_;
        sendRouteSentence();
    }
    if (!routeRestRefused_) {
        ++stoppedUploadEnds_;
        Magellan.SendSentence(Magellan.CommandState().EndCommand);
    }
    return true;
}

}  // namespace trawlix::app
