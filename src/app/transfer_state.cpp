// The transfer under way and what stopped uploads still owe: the window's fields that
// callers read are set from them here, and the rules they keep are checked here.
#include <algorithm>

#include "app/your_form.h"

namespace trawlix::app {
namespace {

bool isDownloadEntry(int entry) {
    return entry == kRequestWaypoints || entry == kRequestRoutes || entry == kRequestTracks;
}

}  // namespace

void YourForm::showTransferInFields() {
    WaypointFileNum = 0;
    RouteFileNum = 0;
    TrackFileNum = 0;
    if (!transfer_) {
        PendingCommand = "";
        return;
    }
    const Transfer& t = *transfer_;
    const int kind = t.entry - (t.isDownload() ? kRequestWaypoints : kSendWaypoints);
    std::int32_t& fileNum = kind == 0 ? WaypointFileNum : kind == 1 ? RouteFileNum : TrackFileNum;
    std::string& fileName = kind == 0   ? WaypointFileName
                            : kind == 1 ? RouteFileName
                                        : TrackFileName;
    fileNum = t.fileNum;
    fileName = t.fileName;
    if (t.isDownload()) {
        PendingCommand = t.command;
        return;
    }
    const link::TransferState& kinds = Magellan.TransferState();
    PendingCommand = kind == 0   ? kinds.WaypointKind
                     : kind == 1 ? kinds.RouteKind
                                 : kinds.TrackPointKind;
    const auto& steps = t.currentPart().steps;
    if (t.next > 0 && steps[t.next - 1].kind == transfer::UploadStep::Kind::RouteSentence) {
        const transfer::RouteSentenceFields& sent = steps[t.next - 1].route;
        RouteNum = sent.routeNumber;
        RouteRecCount = sent.sentenceCount;
        RouteSeq = sent.sentenceNumber;
        RouteEntries.clear();
        RouteEntryCount = 0;
    }
}

// The transfer is over: nothing of it runs any more, its download file is closed.
void YourForm::endTransfer() {
    if (!transfer_) {
        return;
    }
    if (transfer_->fileNum != 0) {
        files_.close(transfer_->fileNum);
    }
    transfer_.reset();
    showTransferInFields();
}

std::vector<std::string> YourForm::transferRuleBreaches() const {
    std::vector<std::string> broken;
    const auto rule = [&broken](bool holds, const std::string& text) {
        if (!holds) {
            broken.push_back(text);
        }
    };
    rule(!owed_.cancel || owed_.ends > 0, "a cancel waits for ends that nobody owes");
    rule(owed_.ends >= 0 && *std::min_element(owed_.acks.begin(), owed_.acks.end()) >= 0,
         "a negative count of what is owed");
    const std::int32_t numbers[] = {WaypointFileNum, RouteFileNum, TrackFileNum};
    int open = 0;
    for (const std::int32_t number : numbers) {
        open += number != 0 ? 1 : 0;
    }
    if (!transfer_) {
        rule(open == 0, "a file number is set with no transfer under way");
        rule(files_.openCount() == 0, "a transfer file is open with no transfer under way");
        return broken;
    }
    const Transfer& t = *transfer_;
    rule(t.isDownload() == isDownloadEntry(t.entry), "the phase is not of the entry's direction");
    if (t.isDownload()) {
        rule(t.phase != Phase::Waiting || !owed_.nothing(),
             "a download waits for what nobody owes");
        rule(t.fileNum != 0 && files_.isOpen(t.fileNum), "a download without its file");
        rule(files_.openCount() == 1 && open == 1, "a file is open beside the download's");
        rule(
            PendingCommand == t.command || PendingCommand == Magellan.CommandState().VersionCommand,
            "PendingCommand \"" + PendingCommand + "\" is not the download's");
        return broken;
    }
    rule(t.part < t.plan.parts.size() && t.next <= t.currentPart().steps.size(),
         "the upload stands outside its plan");
    rule(t.phase != Phase::Ending || t.next == t.currentPart().steps.size(),
         "an upload ends before its last sentence");
    rule(files_.openCount() == 0 && open == 0, "a file is open during an upload");
    rule(t.phase != Phase::Held || !owed_.nothing(), "an upload is held while nothing is owed");
    return broken;
}

}  // namespace trawlix::app
