// The three uploads, text or GPX alike: each acknowledgement sends the next sentence of the
// upload's plan, so the receiver paces the upload and the window never waits. Stopping, and
// what a Retry or a Cancel of an unanswered sentence means, are decided here too.
#include <utility>

#include "app/your_form.h"
#include "common/pattern_format.h"
#include "link/protocol_texts.h"
#include "transfer/upload_text.h"

namespace trawlix::app {
namespace {

using StepKind = transfer::UploadStep::Kind;

constexpr const char* kTrackUploadStartsAgain =
    "The track upload starts again from its first point.";

bool isSentenceOf(const std::string& sentence, std::string_view word) {
    return sentence.size() > word.size() + 1 && sentence[0] == '$' &&
           sentence.compare(1, word.size(), word) == 0 && sentence[word.size() + 1] == ',';
}

}  // namespace

// Each acknowledgement of a sentence of the upload under way sends its next one. One of
// another kind, or one that comes after the upload stopped or sent its end, sends nothing.
void YourForm::Send_Waypoint() {
    if (uploadRunning() && transfer_->phase == Phase::Sending &&
        transfer_->currentPart().kind == transfer::UploadKind::Waypoints) {
        sendNextStep();
    }
}

void YourForm::Send_Route(bool& Start) {
    if (uploadRunning() && transfer_->phase == Phase::Sending &&
        transfer_->currentPart().kind == transfer::UploadKind::Route && !Start) {
        sendNextStep();
    }
}

void YourForm::Send_Track(bool& Start) {
    if (uploadRunning() && transfer_->phase == Phase::Sending &&
        transfer_->currentPart().kind == transfer::UploadKind::Track && !Start) {
        sendNextStep();
    }
}

void YourForm::Send_Route_Message(std::int32_t& reccount, std::int32_t& seq, std::int32_t& rte,
                                  std::string& wps) {
    Magellan.SendSentence(transfer::routeSentenceText(reccount, seq, rte, wps));
}

void YourForm::sendNextStep() {
    Transfer& upload = *transfer_;
    const transfer::UploadPart& part = upload.currentPart();
    if (upload.next == part.steps.size()) {
        upload.phase = Phase::Ending;
        for (int i = 0; i < part.trailingRoutes; ++i) {
            RouteCount.increment();
        }
        Magellan.SendSentence(Magellan.CommandState().EndCommand);
        return;
    }
    const transfer::UploadStep& step = part.steps[upload.next++];
    for (int i = 0; i < step.routes; ++i) {
        RouteCount.increment();
    }
    for (int i = 0; i < step.records; ++i) {
        RecordCount.increment();
    }
    showTransferInFields();
    showSending();
    sendStep(step);
}

void YourForm::sendStep(const transfer::UploadStep& step) {
    switch (step.kind) {
        case StepKind::Waypoint:
            Magellan.WaypointRecord() = step.waypoint;
            Magellan.UploadWaypoint();
            break;
        case StepKind::TrackPoint:
            Magellan.TrackPointRecord() = step.trackPoint;
            Magellan.UploadTrackPoint();
            break;
        case StepKind::RouteSentence: {
            transfer::RouteSentenceFields fields = step.route;
            Send_Route_Message(fields.sentenceCount, fields.sentenceNumber, fields.routeNumber,
                               fields.commaNames);
            break;
        }
    }
}

// An upload that stops is no longer the user's: the confirmation of its end must not report
// the next transfer complete. The receiver stores a route sentence by sentence as it comes,
// so an upload stopped within a route would leave it a piece of a route that is neither its
// own nor the file's: that route goes out once more whole, from its first sentence (a
// receiver starts a route afresh at sentence 1), then the end. A track upload stopped part
// way is ended before the next track upload, which the receiver would otherwise add to it.
void YourForm::stopRunningUpload(int next) {
    if (uploadRunning()) {
        const Transfer upload = std::exchange(transfer_, std::nullopt).value();
        showTransferInFields();
        const transfer::UploadKind kind = upload.currentPart().kind;
        if (upload.phase == Phase::Held) {
            // It sent nothing yet: nothing of it is owed, and no route of it is on its way.
        } else if (upload.phase == Phase::Ending) {
            ++owed_.ends;
        } else {
            ++owed_.acksOf(kind);  // of the sentence in flight
            if (kind == transfer::UploadKind::Route) {
                finishRoute(upload);
            } else if (kind == transfer::UploadKind::Track) {
                owed_.trackEnd = true;
            }
        }
    }
    if (next == kSendTrack) {
        endUnendedTrack();
    }
}

void YourForm::finishRoute(const Transfer& upload) {
    const transfer::UploadPart& part = upload.currentPart();
    const std::size_t last = upload.next - 1;
    view_.addListLine("The upload stops at the end of route " +
                      common::formatPattern(part.steps[last].route.routeNumber, "00") +
                      ", so that the GPS holds no part of a route.");
    const std::size_t end = upload.plan.routeEnd(part, last);
    for (std::size_t i = upload.plan.routeBegin(part, last); i < end; ++i) {
        ++owed_.acksOf(transfer::UploadKind::Route);
        sendStep(part.steps[i]);
        if (!Magellan.IsOpen()) {
            return;  // the port is closed: nothing goes out, nothing more to try
        }
    }
    ++owed_.ends;
    Magellan.SendSentence(Magellan.CommandState().EndCommand);
}

// The receiver cannot tell the new track's first point from the next of a track upload that
// stopped part way, also one that other uploads followed: that upload is ended first, so
// that the new one replaces it whole.
void YourForm::endUnendedTrack() {
    if (std::exchange(owed_.trackEnd, false)) {
        owed_.trackEndSent = true;
        ++owed_.ends;
        Magellan.SendSentence(Magellan.CommandState().EndCommand);
    }
}

void YourForm::stoppedUploadEnded() {
    if (owed_.ends == 0 || --owed_.ends > 0) {
        return;
    }
    owed_.trackEndSent = false;
    if (std::exchange(owed_.cancel, false)) {
        cancelOnLink();
    }
    resumeHeldTransfer();
}

// --- Sentences the receiver did not answer ---------------------------------------------------

// A receiver switched off and on meanwhile has lost its unfinished track upload and the
// route being sent: going on from the unanswered sentence would leave it a track or a route
// that is not the file's, and the upload would still be reported complete. So a Retry starts
// a track upload again from its first point, and sends a route again from its first
// sentence. Both are right also for a receiver that only missed a sentence: it replaces an
// uploaded track whole at the end, and starts a route afresh at its sentence 1.
void YourForm::retryUnanswered(const std::string& unanswered) {
    const bool endUnanswered = unanswered == Magellan.CommandState().EndCommand;
    bool handled = false;
    if (uploadRunning()) {
        const transfer::UploadKind kind = transfer_->currentPart().kind;
        if (kind == transfer::UploadKind::Track &&
            (endUnanswered || isSentenceOf(unanswered, link::protocol::kTrackWord))) {
            handled = restartTrackUpload(endUnanswered);
        } else if (kind == transfer::UploadKind::Route &&
                   isSentenceOf(unanswered, link::protocol::kRouteWord)) {
            handled = resendRouteFromItsStart(unanswered);
        }
    }
    if (!handled) {
        Magellan.SendSentence(unanswered);
    }
}

// The end goes first: it closes whatever the receiver holds of the upload, and the points
// that follow then replace it whole. Its confirmation reports nothing, and it is sent again
// as it is when it goes unanswered itself. Nothing starts again when the first point is the
// one unanswered.
bool YourForm::restartTrackUpload(bool endUnanswered) {
    Transfer& upload = *transfer_;
    if (endUnanswered ? upload.phase != Phase::Ending : upload.next <= 1) {
        return false;
    }
    upload.phase = Phase::Sending;
    upload.next = 0;
    RecordCount.reset();
    view_.addListLine(kTrackUploadStartsAgain);
    ++owed_.ends;
    Magellan.SendSentence(Magellan.CommandState().EndCommand);
    if (uploadRunning()) {  // not when the link refused the end
        sendNextStep();
    }
    return true;
}

// From the route's first sentence to the unanswered one, which must be the last one sent;
// one that is its route's first is only sent again.
bool YourForm::resendRouteFromItsStart(const std::string& unanswered) {
    const Transfer& upload = *transfer_;
    const transfer::UploadPart& part = upload.currentPart();
    if (upload.phase != Phase::Sending || upload.next == 0 ||
        part.steps[upload.next - 1].route.text() != unanswered) {
        return false;
    }
    const std::size_t first = upload.plan.routeBegin(part, upload.next - 1);
    if (first == upload.next - 1) {
        return false;
    }
    // Copied: sending may end the upload under way (a closed port refuses).
    const std::vector<transfer::UploadStep> again(
        part.steps.begin() + static_cast<long>(first),
        part.steps.begin() + static_cast<long>(upload.next));
    view_.addListLine("The route goes again from its first sentence.");
    owed_.acksOf(transfer::UploadKind::Route) += static_cast<int>(again.size()) - 1;
    for (const transfer::UploadStep& step : again) {
        sendStep(step);
    }
    return true;
}

// Without a Retry the link drops the unanswered sentence and what waited behind it, the
// ends of uploads among it: none of them will be confirmed, and a later confirmation is
// another transfer's. An upload whose sentence it was cannot go on; a download whose
// request it was ends with its file as it was. A download that is not concerned goes on; with
// none to keep, the link is told at once: left for later, a sentence of the same text that
// the next transfer sends would pass for a Retry and bring back what waited.
void YourForm::giveUpUnanswered(const std::string& unanswered) {
    if (uploadRunning()) {
        portGone();
    } else if (downloadRunning() && transfer_->command == unanswered) {
        endTransfer();
    }
    if (!downloadRunning()) {
        cancelOnLink();
        return;
    }
    owed_.acks = {};
    if (owed_.ends > 0) {
        owed_.ends = 1;
        stoppedUploadEnded();
    }
}

// Nothing was sent: the port is not open. The transfer under way ends here, a download's
// file as it was.
void YourForm::transferRefused() {
    portGone();
    showPortState(false);
}

}  // namespace trawlix::app
