// The download receiver: every record, end marker and acknowledgement the link reports
// arrives here. Records are written to the file of their kind; acknowledgements pace the
// uploads.
#include <utility>

#include "app/your_form.h"
#include "common/pattern_format.h"
#include "link/protocol_texts.h"
#include "transfer/transfer_format.h"
#include "transfer/upload_text.h"

namespace trawlix::app {

using common::formatInteger;

void YourForm::Magellan_Receive(std::string& ID, std::string& /*RecvLine*/) {
    const link::TransferState& state = Magellan.TransferState();
    if (ID == state.VersionKind) {
        ShowVersion();
    } else if (ID == state.IgnoredKind1) {
        // nothing
    } else if (ID == state.WaypointKind) {
        countWritten(WriteWaypoint());
        showReceiving("waypoints");
    } else if (ID == state.RouteKind) {
        if (WriteHeaderRecord()) {
            RouteCount.increment();
            RecordCount.increment();
        }
        showReceiving("routes");
    } else if (ID == state.RouteWaypointKind) {
        countWritten(WriteRouteWaypoint());
        showReceiving("routes");
    } else if (ID == state.TrackPointKind) {
        countWritten(WriteTrackPoint());
        showReceiving("track points");
    } else if (ID == link::protocol::kEndId) {
        endOfDownload();
    } else if (ID == state.IgnoredKind2) {
        // nothing
    } else if (ID == state.AckKind) {
        acknowledgement();
    }
}

bool YourForm::WriteWaypoint() {
    if (const auto written = gpxWaypoint()) {
        return *written;
    }
    return writeRecordLine(WaypointFileNum, WaypointFileName,
                           transfer::waypointLine(Magellan.WaypointRecord()));
}

bool YourForm::WriteHeaderRecord() {
    if (const auto written = gpxRouteHeader()) {
        return *written;
    }
    return writeRecordLine(RouteFileNum, RouteFileName,
                           transfer::routeHeaderLine(Magellan.HeaderRecord()));
}

bool YourForm::WriteRouteWaypoint() {
    if (const auto written = gpxRouteWaypoint()) {
        return *written;
    }
    return writeRecordLine(RouteFileNum, RouteFileName,
                           transfer::routeEntryLine(Magellan.WaypointRecord()));
}

bool YourForm::WriteTrackPoint() {
    if (const auto written = gpxTrackPoint()) {
        return *written;
    }
    return writeRecordLine(TrackFileNum, TrackFileName,
                           transfer::trackLine(Magellan.TrackPointRecord()));
}

// Only records on disk count towards "Received n records.".
void YourForm::countWritten(bool written) {
    if (written) {
        RecordCount.increment();
    }
}

// A record that arrives while no file of its kind is open belongs to no download the user
// asked for, and is dropped. A line that cannot be written stops the download: the user is
// told, and the file keeps every line written before. True when the line was written.
bool YourForm::writeRecordLine(std::int32_t& fileNum, const std::string& fileName,
                               const std::string& line) {
    if (fileNum == 0) {
        return false;
    }
    const auto why = files_.writeLine(fileNum, line);
    if (!why) {
        return true;
    }
    stopDownloadAfterWriteFailure(fileNum, fileName, *why);
    return false;
}

void YourForm::stopDownloadAfterWriteFailure(std::int32_t& fileNum, const std::string& fileName,
                                             const std::string& why) {
    abandonTransfer(fileNum);
    view_.showMessage("Can't write to the file " + fileName + ": " + why +
                          ". The download was stopped; the file keeps the records written "
                          "before.",
                      MessageButtons::Ok, MessageKind::FileFailure);
}

bool YourForm::downloadRunning() const {
    return !runningDownload_.empty();
}

void YourForm::stopRunningDownload() {
    if (!downloadRunning()) {
        return;
    }
    const link::CommandState& commands = Magellan.CommandState();
    std::int32_t& fileNum = runningDownload_ == commands.WaypointsCommand ? WaypointFileNum
                            : runningDownload_ == commands.RoutesCommand  ? RouteFileNum
                                                                          : TrackFileNum;
    runningDownload_.clear();
    deferredRequest_ = nullptr;
    // The rest of a stopped route upload may still wait on the link: cancelling would drop
    // it. The download's records are dropped here instead, its file being closed.
    if (stoppedUploadEnds_ > 0) {
        files_.close(fileNum);
        fileNum = 0;
        PendingCommand = "";
        return;
    }
    abandonTransfer(fileNum);
}

void YourForm::endOfDownload() {
    if (gpxWaypointsFetched()) {
        return;
    }
    if (!downloadRunning()) {
        // The end of a download the user stopped, or that another transfer took the place
        // of: its records were not kept, and "Received" would count another transfer's.
        return;
    }
    runningDownload_.clear();
    showActivity("Ready");
    view_.showMessage("Received " + formatInteger(RecordCount.value()) + " records.",
                      MessageButtons::Ok, MessageKind::TransferComplete);
    const link::CommandState& commands = Magellan.CommandState();
    if (PendingCommand == commands.WaypointsCommand) {
        closeAndShow(WaypointFileNum, WaypointFileName);
    } else if (PendingCommand == commands.RoutesCommand) {
        closeAndShow(RouteFileNum, RouteFileName);
    } else if (PendingCommand == commands.TracksCommand) {
        closeAndShow(TrackFileNum, TrackFileName);
    }
    PendingCommand = "";
}

void YourForm::closeAndShow(std::int32_t& fileNum, const std::string& fileName) {
    const bool gpx = files_.gpxWriter(fileNum) != nullptr;
    files_.close(fileNum);
    fileNum = 0;
    if (gpx) {
        if (!view_.openWithDefaultProgram(fileName)) {
            view_.showMessage(
                "Can't open " + fileName + " in a program for GPX files. The file is saved.",
                MessageButtons::Ok, MessageKind::Information);
        }
        return;
    }
    if (!view_.startEditor(fileName)) {
        view_.showMessage("Can't start the text editor on " + fileName + ". The file is saved.",
                          MessageButtons::Ok, MessageKind::Information);
    }
}

void YourForm::acknowledgement() {
    const link::TransferState& state = Magellan.TransferState();
    const link::CommandState& commands = Magellan.CommandState();
    const std::string& acked = state.AckedKind;
    if (acked == state.RouteKind && routeAcksToPass_ > 0) {
        // A sentence sent again, or one of a stopped route's rest: the next sentence of the
        // upload under way goes on the acknowledgement of its own last one.
        --routeAcksToPass_;
        return;
    }
    if (gpxAcknowledged()) {
        return;
    }
    if (acked == state.RouteKind) {
        bool start = false;
        Send_Route(start);
    } else if (acked == state.WaypointKind) {
        Send_Waypoint();
    } else if (acked == state.TrackPointKind) {
        bool start = false;
        Send_Track(start);
    } else if (acked == state.FixKind) {
        ShowFix();
    } else if (acked == commands.CommandKind) {
        const std::string& last = commands.LastCommand;
        if (last == commands.WaypointsCommand || last == commands.RoutesCommand ||
            last == commands.TracksCommand) {
            return;
        }
        if (last == commands.EndCommand && stoppedUploadEnds_ > 0) {
            stoppedUploadEnded();  // no success to report
        } else if (last == commands.EndCommand && uploadEndAwaited_) {
            uploadEndAwaited_ = false;
            uploadComplete();
        }
    }
}

void YourForm::uploadComplete() {
    const std::string text = completionText();
    if (!text.empty()) {
        showActivity("Ready");
        view_.showMessage(text, MessageButtons::Ok, MessageKind::TransferComplete);
    }
    PendingCommand = "";
}

std::string YourForm::completionText() const {
    const link::TransferState& state = Magellan.TransferState();
    std::string text;
    transfer::UploadKind kind = transfer::UploadKind::Waypoints;
    if (PendingCommand == state.WaypointKind) {
        text = "Transfer Complete. " + formatInteger(RecordCount.value()) + " Waypoints sent.";
    } else if (PendingCommand == state.RouteKind) {
        text = "Transfer Complete. " + formatInteger(RouteCount.value()) + " Routes sent.\r\n" +
               "Consisting of " + formatInteger(RecordCount.value()) + " Waypoints.";
        kind = transfer::UploadKind::Route;
    } else if (PendingCommand == state.TrackPointKind) {
        text = "Transfer Complete. " + formatInteger(RecordCount.value()) + " Track Points sent.";
        kind = transfer::UploadKind::Track;
    }
    if (const std::string note = transfer::blankedTextNote(kind, uploadFieldsBlanked_);
        !text.empty() && !note.empty()) {
        text += " " + note;
    }
    return text;
}

}  // namespace trawlix::app
