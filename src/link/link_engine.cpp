#include "link/link_engine.h"

#include <algorithm>
#include <utility>

#include "link/gps_link.h"
#include "link/protocol_texts.h"
#include "link/record_mapping.h"

namespace trawlix::link {
namespace {

std::string seconds(Millis ms) {
    return std::to_string(ms / 1000) + " seconds";
}

}  // namespace

LinkEngine::LinkEngine()
    : commands_(protocol::initialCommandState()),
      kinds_(protocol::initialTransferState()),
      sender_(*this, out_, commands_, kinds_, line_) {}

Millis LinkEngine::lineTimeMs(std::size_t bytes) const {
    return line_.lineTimeMs(bytes);
}

Millis LinkEngine::drainQuietMs() const {
    return protocol::kSendsPerSentence *
           (lineTimeMs(kLongestReplyBytes + kAcknowledgementBytes) + kGraceMs);
}

Millis LinkEngine::afterEndWaitMs() const {
    return protocol::kReceiverResendMs + lineTimeMs(kLongestReplyBytes + kAcknowledgementBytes);
}

// --- The line --------------------------------------------------------------------------

void LinkEngine::opened(const LineSettings& line, Millis now) {
    forget();
    open_ = true;
    line_ = line;
    sender_.opened();
    if (std::exchange(transferCutOff_, false)) {
        // The receiver may still be sending the download the port closed on: its records
        // would be taken for the answer to the next one.
        startDrain(now);
    }
}

void LinkEngine::noteTransferCutOff() {
    transferCutOff_ = transferCutOff_ || drain_.active() || (download_ && download_->commandSent());
}

void LinkEngine::closed() {
    noteTransferCutOff();
    forget();
    // Nothing is raised after the port was closed, not even what was decoded before.
    out_.dropEvents();
}

void LinkEngine::forget() {
    open_ = false;
    stopSending();
    sender_.forget();
    drain_.end();
    afterEnd_.reset();
    reader_.reset();
    received_.clear();
    out_.dropOutput();
    lastRecordBody_.clear();
}

void LinkEngine::lineLost(const std::string& device, const std::string& reason) {
    // What arrived before the failure is still raised, then the failure.
    noteTransferCutOff();
    forget();
    out_.error(kLineLost,
               "The line to the GPS on " + device + " was lost" +
                   (reason.empty() ? "" : " (" + reason + ")") +
                   ". What was received is kept; open the port again when the GPS is back.",
               "");
}

void LinkEngine::stopSending() {
    sender_.stop();
    download_.reset();
}

// --- Calls -----------------------------------------------------------------------------

void LinkEngine::cancelTransfer(Millis now) {
    const bool busy = sender_.busy() || download_.has_value();
    const bool downloading = download_ && download_->commandSent() && open_;
    stopSending();
    if (busy) {
        out_.debug("Transfer cancelled");
    }
    if (downloading) {
        // The receiver knows no command that stops a download: we stop acknowledging its
        // records and drop them until it gives up or ends.
        startDrain(now);
    }
}

void LinkEngine::sendSentence(const std::string& sentence, Millis now) {
    if (sentence.empty()) {
        return;  // nothing to send, e.g. a Retry of an error that had no sentence
    }
    // A Retry of a download comes back this way: it is a download again.
    if (sender_.isDownloadCommand(sentence)) {
        requestDownload(sentence, now);
        return;
    }
    sender_.enqueue(sentence, now);
}

void LinkEngine::configureLink(std::int16_t mode, Millis now) {
    if (mode != 1) {
        out_.debug("ConfigureLink " + std::to_string(mode) + " ignored");
        return;
    }
    sender_.configure(now);
}

Millis LinkEngine::configureDeadline() const {
    const Millis until = sender_.configureUntil().value_or(0);
    // A request held back by a drain goes out when it ends: wait for its answer then.
    return drain_.active() ? std::max(until, drain_.limit() + sender_.configureSpan()) : until;
}

void LinkEngine::requestVersion(const std::string& command, Millis now) {
    if (drain_.active()) {
        out_.debug("Waiting for the GPS to end the stopped transfer before sending " + command);
    }
    sender_.enqueue(command, now);
}

void LinkEngine::requestDownload(const std::string& command, Millis now) {
    if (!open_) {
        out_.error(kNotice, "The port is not open: the request was not sent to the GPS.", "");
        return;
    }
    if (download_) {
        // The old request, still unanswered, is not sent again: its answer is no one's.
        sender_.withdraw(download_->command);
    }
    if (download_ && download_->commandSent()) {
        // The receiver would send the new answer after the rest of the old one.
        out_.debug("A new request stops the download under way");
        download_.reset();
        startDrain(now);
    }
    DownloadUnderWay download;
    download.command = command;
    // A Retry of a command that went unanswered: the receiver may have taken it before.
    download.commandRepeated = sender_.givenUp() == command;
    download_ = std::move(download);
    if (drain_.active()) {
        out_.debug("Waiting for the GPS to end the stopped transfer before sending " + command);
    }
    sender_.enqueue(command, now);
}

// --- What the sender asks ----------------------------------------------------------------

bool LinkEngine::heldByDrain(const std::string& sentence) const {
    return sentence == commands_.VersionCommand || sender_.isDownloadCommand(sentence);
}

bool LinkEngine::heldBack(const std::string& sentence) const {
    return (drain_.active() && heldByDrain(sentence)) ||
           (afterEnd_ && sender_.isDownloadCommand(sentence));
}

void LinkEngine::transmitting(const std::string& sentence, Millis now) {
    if (!download_ || sentence != download_->command) {
        return;
    }
    if (download_->commandSent()) {
        download_->commandRepeated = true;
        return;
    }
    download_->phase = DownloadUnderWay::Phase::Requested;
    download_->silenceDeadline = now + kDownloadSilenceMs;
    // From now on an END is this download's, not one of the last download sent again.
    lastRecordBody_.clear();
}

void LinkEngine::gaveUp(const std::string& sentence) {
    if (download_ && sentence == download_->command) {
        download_.reset();
    }
}

// --- Draining --------------------------------------------------------------------------

void LinkEngine::startDrain(Millis now) {
    if (drain_.start(now, drainQuietMs())) {
        out_.debug("Waiting for the GPS to end the stopped transfer");
    }
    // Answers not begun yet are queued behind the stopped transfer, and may go with it when
    // the receiver gives up: ask again when the drain ends.
    sender_.versionLost();
    if (download_ && download_->phase == DownloadUnderWay::Phase::Requested) {
        download_->phase = DownloadUnderWay::Phase::Queued;
        download_->silenceDeadline.reset();
        sender_.askAgain(download_->command);
    }
    sender_.transmitNext(now);
}

void LinkEngine::finishDrain(Millis now, const std::string& why) {
    drain_.end();
    out_.debug("The stopped transfer " + why + "; sending what waited");
    sender_.extendConfigureWait(now + sender_.configureSpan());
    sender_.transmitNext(now);
}

// --- Time ------------------------------------------------------------------------------

void LinkEngine::tick(Millis now) {
    if (!open_) {
        return;
    }
    sender_.tick(now);
    if (download_ && download_->commandSent() && download_->silenceDeadline &&
        now >= *download_->silenceDeadline) {
        onDownloadSilence();
    }
    if (const auto why = drain_.overBy(now)) {
        finishDrain(now, *why);
    }
    if (afterEnd_ && now >= afterEnd_->until) {
        afterEnd_.reset();
        sender_.transmitNext(now);
    }
}

void LinkEngine::onDownloadSilence() {
    download_->silenceDeadline.reset();
    if (download_->phase == DownloadUnderWay::Phase::Requested) {
        const std::string command = download_->command;
        download_.reset();
        out_.error(
            kNoAnswer,
            "The GPS did not answer " + command + " within " + seconds(kDownloadSilenceMs) + ".",
            command);
    } else if (download_->phase == DownloadUnderWay::Phase::Receiving) {
        // The download stays open: records that come after all are still taken.
        out_.error(kLineLost,
                   "The GPS fell silent part way through the download (nothing for " +
                       seconds(kDownloadSilenceMs) +
                       "). What was received is kept. OK waits on, Cancel stops the transfer.",
                   "");
    }
}

std::optional<Millis> LinkEngine::nextWakeUp() const {
    if (!open_) {
        return std::nullopt;
    }
    std::optional<Millis> next;
    const auto consider = [&next](std::optional<Millis> at) {
        if (at) {
            next = next ? std::min(*next, *at) : *at;
        }
    };
    consider(sender_.nextWakeUp());
    if (download_ && download_->commandSent()) {
        consider(download_->silenceDeadline);
    }
    consider(drain_.wakeUp());
    if (afterEnd_) {
        consider(afterEnd_->until);
    }
    return next;
}

}  // namespace trawlix::link
