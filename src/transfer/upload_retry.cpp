// Retry after the receiver stopped answering part way through an upload. A receiver that was
// switched off and on meanwhile has lost its unfinished track upload and the route being
// sent: going on from the unanswered sentence would leave it a track or a route that is not
// the file's, and the upload would still be reported complete. So a Retry starts a track
// upload again from its first point, and sends a route again from its first sentence. Both
// are right also for a receiver that only missed a sentence: it replaces an uploaded track
// whole at the end, and starts a route afresh at its sentence 1.
#include "app/your_form.h"
#include "link/protocol_texts.h"
#include "transfer/gpx_transfers.h"
#include "transfer/upload_text.h"

namespace trawlix::app {
namespace {

constexpr const char* kTrackUploadStartsAgain =
    "The track upload starts again from its first point.";

bool isSentenceOf(const std::string& sentence, std::string_view word) {
    return sentence.size() > word.size() + 1 && sentence[0] == '$' &&
           sentence.compare(1, word.size(), word) == 0 && sentence[word.size() + 1] == ',';
}

}  // namespace

bool YourForm::retryUploadFromItsStart(const std::string& unanswered) {
    const link::TransferState& kinds = Magellan.TransferState();
    const bool endUnanswered = unanswered == Magellan.CommandState().EndCommand;
    if (PendingCommand == kinds.TrackPointKind &&
        (isSentenceOf(unanswered, link::protocol::kTrackWord) || endUnanswered)) {
        return restartTrackUpload(endUnanswered);
    }
    if (PendingCommand == kinds.RouteKind && isSentenceOf(unanswered, link::protocol::kRouteWord)) {
        return resendRouteFromItsStart(unanswered);
    }
    return false;
}

// The end goes first: it closes whatever the receiver holds of the upload, and the points
// that follow then replace it whole. Its confirmation reports nothing, and it is sent again
// as it is when it goes unanswered itself. Nothing starts again when the first point is the
// one unanswered.
bool YourForm::restartTrackUpload(bool endUnanswered) {
    using Stage = transfer::gpx::GpxTransfers::Stage;
    if (gpx_->plan && !gpx_->plan->trackPoints.empty()) {
        if (endUnanswered ? gpx_->stage != Stage::Ending : gpx_->next <= 1) {
            return false;
        }
        ++stoppedUploadEnds_;
        Magellan.SendSentence(Magellan.CommandState().EndCommand);
        gpx_->stage = Stage::TrackPoints;
        gpx_->next = 0;
        RecordCount.reset();
        view_.addListLine(kTrackUploadStartsAgain);
        sendNextGpxRecord();
        return true;
    }
    const bool under =
        endUnanswered ? uploadEndAwaited_ : runningUpload_ == kSendTrack && RecordCount.value() > 1;
    if (!under) {
        return false;
    }
    const std::int32_t number = files_.nextFreeNumber();
    if (const auto why = files_.openForInput(number, TrackFileName)) {
        return false;  // the file is gone: send on from where the upload stood
    }
    if (TrackFileNum != 0) {
        files_.close(TrackFileNum);
    }
    TrackFileNum = number;
    uploadEndAwaited_ = false;
    trackUploadUnended_ = false;
    ++stoppedUploadEnds_;
    Magellan.SendSentence(Magellan.CommandState().EndCommand);
    uploadLineNumber_ = 0;
    uploadFieldsBlanked_ = 0;
    RecordCount.reset();
    view_.addListLine(kTrackUploadStartsAgain);
    bool start = true;
    Send_Track(start);
    return true;
}

// The sentences to send again for an unanswered route sentence: from its route's first on,
// and whatever the link would drop with it. Empty when the sentence is its route's first
// (sent again alone, it starts the route afresh) or not the one this upload sent last.
std::vector<std::string> YourForm::routeSentencesToResend(const std::string& unanswered) const {
    std::vector<std::string> sentences;
    if (gpx_->plan && gpx_->stage == transfer::gpx::GpxTransfers::Stage::Routes) {
        const auto& planned = gpx_->plan->routeSentences;
        const std::size_t sent = gpx_->next;
        if (sent == 0 || planned[sent - 1].text != unanswered) {
            return {};
        }
        std::size_t first = sent - 1;
        while (first > 0 && !planned[first].startsRoute) {
            --first;
        }
        for (std::size_t i = first; i < sent; ++i) {
            sentences.push_back(planned[i].text);
        }
    } else if (runningUpload_ == kSendRoute || routeUploadEnding()) {
        const std::vector<std::string> current = routeSentencesSoFar();
        if (!current.empty() && current.back() == unanswered) {
            sentences = current;
        } else if (!previousRouteSentences_.empty() &&
                   previousRouteSentences_.back() == unanswered) {
            // The route's last sentence went with the next route's first, in one call: that
            // one waited behind it, and goes again after it.
            sentences = previousRouteSentences_;
            sentences.insert(sentences.end(), current.begin(), current.end());
        }
    }
    if (sentences.empty() || sentences.front() == unanswered) {
        return {};
    }
    return sentences;
}

bool YourForm::resendRouteFromItsStart(const std::string& unanswered) {
    const std::vector<std::string> sentences = routeSentencesToResend(unanswered);
    if (sentences.empty()) {
        return false;
    }
    view_.addListLine("The route goes again from its first sentence.");
    routeAcksToPass_ += static_cast<int>(sentences.size()) - 1;
    for (const std::string& sentence : sentences) {
        Magellan.SendSentence(sentence);
    }
    if (routeUploadEnding()) {
        // Its end waited behind the unanswered sentence, and the link dropped it with it.
        Magellan.SendSentence(Magellan.CommandState().EndCommand);
    }
    return true;
}

// The text route upload read its file to the end and sent its end after its last sentence.
bool YourForm::routeUploadEnding() const {
    return uploadEndAwaited_ && runningUpload_ == 0 && RouteFileNum == 0 &&
           PendingCommand == Magellan.TransferState().RouteKind && !gpx_->plan;
}

// The sentences of the route being sent, up to the last one sent, built again from its names.
std::vector<std::string> YourForm::routeSentencesSoFar() const {
    std::vector<std::string> sentences;
    std::string names;
    for (std::size_t i = 0; i < routeNames_.size(); ++i) {
        names += "," + routeNames_[i];
        if (i % 2 == 1 || i + 1 == routeNames_.size()) {
            const auto number = static_cast<std::int32_t>(sentences.size()) + 1;
            sentences.push_back(
                transfer::routeSentenceText(RouteRecCount, number, RouteNum, names));
            names.clear();
        }
    }
    sentences.resize(std::min<std::size_t>(sentences.size(), static_cast<std::size_t>(RouteSeq)));
    return sentences;
}

}  // namespace trawlix::app
