// The download receiver: every record, end marker and acknowledgement the link reports
// arrives here. Records are written to the running download's file; acknowledgements pace
// the uploads.
#include <utility>

#include "app/your_form.h"
#include "common/pattern_format.h"
#include "link/protocol_texts.h"
#include "transfer/transfer_format.h"

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
            countWritten(true);
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
    return writeRecordLine(Magellan.CommandState().WaypointsCommand,
                           transfer::waypointLine(Magellan.WaypointRecord()));
}

bool YourForm::WriteHeaderRecord() {
    if (const auto written = gpxRouteHeader()) {
        return *written;
    }
    return writeRecordLine(Magellan.CommandState().RoutesCommand,
                           transfer::routeHeaderLine(Magellan.HeaderRecord()));
}

bool YourForm::WriteRouteWaypoint() {
    if (const auto written = gpxRouteWaypoint()) {
        return *written;
    }
    return writeRecordLine(Magellan.CommandState().RoutesCommand,
                           transfer::routeEntryLine(Magellan.WaypointRecord()));
}

bool YourForm::WriteTrackPoint() {
    if (const auto written = gpxTrackPoint()) {
        return *written;
    }
    return writeRecordLine(Magellan.CommandState().TracksCommand,
                           transfer::trackLine(Magellan.TrackPointRecord()));
}

// Only records on disk count towards "Received n records.".
void YourForm::countWritten(bool written) {
    if (written) {
        RecordCount.increment();
        if (downloadRunning()) {
            ++transfer_->records;
        }
    }
}

// A record belongs to the running download when it is of the command asked for; any other
// belongs to no download the user asked for, and is dropped.
std::int32_t YourForm::downloadFileFor(const std::string& command) {
    // A download held behind a stopped upload has asked for nothing yet: what arrives is not
    // its own.
    if (!downloadRunning() || transfer_->phase == Phase::Waiting || transfer_->command != command) {
        return 0;
    }
    transfer_->phase = Phase::Receiving;
    return transfer_->fileNum;
}

// A line that cannot be written stops the download: the user is told, and the file keeps
// every line written before. True when the line was written.
bool YourForm::writeRecordLine(const std::string& command, const std::string& line) {
    const std::int32_t fileNum = downloadFileFor(command);
    if (fileNum == 0 || transfer_->gpx) {
        return false;
    }
    const auto why = files_.writeLine(fileNum, line);
    if (!why) {
        return true;
    }
    stopDownloadAfterWriteFailure(*why);
    return false;
}

void YourForm::stopDownloadAfterWriteFailure(const std::string& why) {
    const std::string fileName = transfer_->fileName;
    endTransfer();
    cancelOnLink();
    view_.showMessage("Can't write to the file " + fileName + ": " + why +
                          ". The download was stopped; the file keeps the records written "
                          "before.",
                      MessageButtons::Ok, MessageKind::FileFailure);
}

// The download's file is closed with what arrived; what the receiver still sends of it is
// dropped, by the link once it is told (or asked for something else), and here until then.
bool YourForm::stopRunningDownload() {
    if (!downloadRunning()) {
        return false;
    }
    endTransfer();
    return true;
}

void YourForm::endOfDownload() {
    if (gpxWaypointsFetched()) {
        return;
    }
    if (!downloadRunning() || transfer_->phase == Phase::Waiting) {
        // The end of a download the user stopped, or that another transfer took the place
        // of: its records were not kept, and "Received" would count another transfer's.
        return;
    }
    // A download that received no record still ends in the file, empty.
    const auto why = files_.startWriting(transfer_->fileNum);
    const std::string fileName = transfer_->fileName;
    const bool gpx = transfer_->gpx;
    endTransfer();
    showActivity("Ready");
    if (why) {
        view_.showMessage("Can't write to the file " + fileName + ": " + *why, MessageButtons::Ok,
                          MessageKind::FileFailure);
        return;
    }
    view_.showMessage("Received " + formatInteger(RecordCount.value()) + " records.",
                      MessageButtons::Ok, MessageKind::TransferComplete);
    view_.offerView(fileName);
    showFile(fileName, gpx);
}

void YourForm::showFile(const std::string& fileName, bool gpx) {
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
    const auto kind = acked == state.WaypointKind ? transfer::UploadKind::Waypoints
                      : acked == state.RouteKind  ? transfer::UploadKind::Route
                                                  : transfer::UploadKind::Track;
    if ((acked == state.WaypointKind || acked == state.RouteKind ||
         acked == state.TrackPointKind) &&
        owed_.acksOf(kind) > 0) {
        // A sentence of a stopped upload, or one sent again: the next sentence of the upload
        // under way goes on the acknowledgement of its own last one.
        --owed_.acksOf(kind);
        resumeHeldTransfer();
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
    } else if (acked == commands.CommandKind && commands.LastCommand == commands.EndCommand) {
        endConfirmed();
    }
}

// Ends are confirmed in the order they went: those of stopped uploads went before the end
// of the upload under way.
void YourForm::endConfirmed() {
    if (owed_.ends > 0) {
        stoppedUploadEnded();  // no success to report
        return;
    }
    if (!uploadRunning() || transfer_->phase != Phase::Ending) {
        return;
    }
    Transfer& upload = *transfer_;
    if (!upload.lastPart()) {
        // A route's waypoints are stored; now the route that names them.
        ++upload.part;
        upload.next = 0;
        upload.phase = Phase::Sending;
        RecordCount.reset();
        pace_.start(clock_->seconds());
        sendNextStep();
        return;
    }
    uploadComplete();
}

void YourForm::uploadComplete() {
    const std::string text = completionText();
    endTransfer();
    showActivity("Ready");
    view_.showMessage(text, MessageButtons::Ok, MessageKind::TransferComplete);
}

std::string YourForm::completionText() const {
    const transfer::UploadPlan& plan = transfer_->plan;
    std::string text;
    switch (plan.kind) {
        case transfer::UploadKind::Waypoints:
            text = "Transfer Complete. " + formatInteger(RecordCount.value()) + " Waypoints sent.";
            break;
        case transfer::UploadKind::Route:
            text = "Transfer Complete. " + formatInteger(RouteCount.value()) +
                   " Routes sent.\r\nConsisting of " + formatInteger(RecordCount.value()) +
                   " Waypoints.";
            break;
        case transfer::UploadKind::Track:
            text =
                "Transfer Complete. " + formatInteger(RecordCount.value()) + " Track Points sent.";
            break;
    }
    return text + plan.notes;
}

}  // namespace trawlix::app
