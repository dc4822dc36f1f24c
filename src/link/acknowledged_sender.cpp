#include "link/acknowledged_sender.h"

#include <algorithm>
#include <cctype>

#include "link/data_kinds.h"
#include "link/gps_link.h"
#include "link/protocol_texts.h"

namespace trawlix::link {
namespace {

std::string upperCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The checksum an acknowledgement names, as the sender compares it.
std::string acknowledgedChecksum(const ReceivedSentence& acknowledgement) {
    const auto fields = acknowledgement.fields();
    return fields.empty() ? std::string() : upperCase(fields[0]);
}

}  // namespace

std::string withoutLineEnd(const std::string& framed) {
    return framed.substr(0, framed.find_first_of("\r\n"));
}

std::string bodyOf(const std::string& sentence) {
    return sentence.substr(sentence.empty() || sentence[0] != '$' ? 0 : 1);
}

std::string wordOf(const std::string& sentence) {
    const std::string body = bodyOf(sentence);
    return body.substr(0, body.find(','));
}

AcknowledgedSender::AcknowledgedSender(Host& host, LinkOutbox& out, const CommandState& commands,
                                       const TransferState& kinds, const LineSettings& line)
    : host_(host), out_(out), commands_(commands), kinds_(kinds), line_(line) {}

void AcknowledgedSender::opened() {
    open_ = true;
    // Whatever the receiver confirmed belonged to the line before: it may have been switched
    // off, or be another receiver. HANDON goes out again before the next sentence.
    ackConfirmed_ = false;
}

void AcknowledgedSender::stop() {
    queue_.clear();
    inFlight_.reset();
    givenUp_.clear();
    selfConfirmAt_.reset();
    probed_ = false;
    versionOutstanding_ = false;
}

void AcknowledgedSender::forget() {
    open_ = false;
    stop();
    configureUntil_.reset();
}

void AcknowledgedSender::enqueue(const std::string& sentence, Millis now) {
    if (!open_) {
        out_.error(kNotice, "The port is not open: nothing was sent to the GPS.", "");
        return;
    }
    if (!givenUp_.empty()) {
        if (sentence == givenUp_) {
            queue_.push_front(sentence);  // the Retry: it goes before what waited behind it
            givenUp_.clear();
            transmitNext(now);
            return;
        }
        if (!queue_.empty()) {
            out_.debug("Dropped " + std::to_string(queue_.size()) + " sentences queued behind " +
                       givenUp_);
        }
        queue_.clear();
        givenUp_.clear();
    }
    queue_.push_back(sentence);
    transmitNext(now);
}

void AcknowledgedSender::askAgain(const std::string& sentence) {
    if (inFlight_ && inFlight_->sentence == sentence) {
        inFlight_.reset();  // an acknowledgement that still comes is passed over
        selfConfirmAt_.reset();
    }
    if (std::find(queue_.begin(), queue_.end(), sentence) == queue_.end()) {
        queue_.push_front(sentence);
    }
}

void AcknowledgedSender::withdraw(const std::string& sentence) {
    if (inFlight_ && inFlight_->sentence == sentence) {
        inFlight_.reset();
        selfConfirmAt_.reset();
    }
    std::erase(queue_, sentence);
}

bool AcknowledgedSender::isDownloadCommand(const std::string& sentence) const {
    return kindOfCommand(sentence) != nullptr;
}

void AcknowledgedSender::transmitNext(Millis now) {
    if (inFlight_ || !givenUp_.empty() || !open_) {
        return;
    }
    auto next = queue_.begin();
    while (next != queue_.end() && host_.heldBack(*next)) {
        ++next;
    }
    if (next == queue_.end()) {
        return;
    }
    const std::string handOn(protocol::kHandOnCommand);
    if (ackWanted_ && !probed_ && *next != handOn && (!ackConfirmed_ || isDownloadCommand(*next))) {
        // The receiver has not confirmed acknowledgement mode since the port was opened: it
        // may have been off when the link was set up. Ask for it once more first. Before a
        // download it is asked for every time: a receiver switched off and on since its last
        // answer sends its records unpaced, and one damaged on the line would be lost
        // without a trace instead of sent again.
        probed_ = true;
        inFlight_ = InFlight{handOn, frameSentence(handOn), 0, 0, false, true, false, *next};
        sendInFlight(now);
        return;
    }
    inFlight_ = InFlight{*next, frameSentence(*next), 0, 0, false, false, false, {}};
    queue_.erase(next);
    probed_ = false;
    sendInFlight(now);
}

void AcknowledgedSender::sendInFlight(Millis now) {
    InFlight& sending = *inFlight_;
    if (wordOf(sending.sentence) == protocol::kCommandWord && !sending.handOnProbe) {
        lastCommand_ = sending.sentence;
    }
    if (sending.sentence == commands_.VersionCommand) {
        versionOutstanding_ = true;
    }
    host_.transmitting(sending.sentence, now);
    ++sending.sends;
    out_.debug("> " + withoutLineEnd(sending.framed));
    out_.write(sending.framed);
    if (ackWanted_) {
        sending.awaitsAcknowledgement = true;
        sending.ackDeadline =
            now + lineTimeMs(sending.framed.size() + kAcknowledgementBytes) + kGraceMs;
    } else {
        // Nothing will answer: the sentence is confirmed at the next tick, as a later event.
        selfConfirmAt_ = now;
    }
}

void AcknowledgedSender::completeInFlight(Millis now) {
    const InFlight done = *inFlight_;
    inFlight_.reset();
    selfConfirmAt_.reset();
    if (!done.handOnProbe) {
        out_.acknowledged(kinds_.AckKind, wordOf(done.sentence), lastCommand_);
    }
    transmitNext(now);
}

void AcknowledgedSender::completeIfInFlight(const std::string& sentence, Millis now) {
    if (inFlight_ && inFlight_->sentence == sentence) {
        completeInFlight(now);
    }
}

void AcknowledgedSender::onAcknowledgementTimeout(Millis now) {
    InFlight& waiting = *inFlight_;
    if (waiting.handOnProbe) {
        onHandOnProbeTimeout(now);
        return;
    }
    if (waiting.sends < protocol::kSendsPerSentence) {
        out_.debug("No acknowledgement; sending again");
        sendInFlight(now);
        return;
    }
    const std::string sentence = waiting.sentence;
    inFlight_.reset();
    giveUp(sentence, "");
}

void AcknowledgedSender::onHandOnProbeTimeout(Millis now) {
    InFlight& waiting = *inFlight_;
    ackConfirmed_ = false;
    if (!isDownloadCommand(waiting.probeFor)) {
        // The sentence itself waits for an answer and tells if none comes.
        out_.debug("No answer to HANDON; sending on without it");
        inFlight_.reset();
        transmitNext(now);
        return;
    }
    // A download goes only to a receiver that confirmed acknowledgement mode: out of it,
    // the receiver would send its records unpaced, and one damaged on the line would be
    // lost without a trace.
    if (waiting.sends < protocol::kSendsPerSentence) {
        out_.debug("No answer to HANDON; asking again before " + waiting.probeFor);
        sendInFlight(now);
        return;
    }
    const std::string command = waiting.probeFor;
    inFlight_.reset();
    probed_ = false;
    const auto queued = std::find(queue_.begin(), queue_.end(), command);
    if (queued == queue_.end()) {
        // The request it went ahead of was replaced meanwhile: ask afresh for what is next.
        transmitNext(now);
        return;
    }
    queue_.erase(queued);
    giveUp(command, std::string(protocol::kHandOnCommand) + ", which goes before " + command);
}

// No answer after every send: the caller hears of it, and a Retry sends `sentence` again
// ahead of what waits behind it.
void AcknowledgedSender::giveUp(const std::string& sentence, const std::string& unanswered) {
    // A receiver that answers nothing may have been switched off and on, and be out of
    // acknowledgement mode: whatever goes next asks for it first.
    ackConfirmed_ = false;
    if (configureUntil_) {
        // The caller of ConfigureLink asks again and reports a silent receiver itself.
        queue_.clear();
        versionOutstanding_ = false;
        out_.debug("No answer to " + sentence);
        return;
    }
    givenUp_ = sentence;
    host_.gaveUp(sentence);
    out_.error(kNoAnswer,
               "The GPS did not answer " + (unanswered.empty() ? sentence : unanswered) +
                   " (sent " + std::to_string(protocol::kSendsPerSentence) + " times).",
               sentence);
}

// --- The link set-up -------------------------------------------------------------------

void AcknowledgedSender::configure(Millis now) {
    ackWanted_ = true;
    if (!open_) {
        return;
    }
    enqueue(std::string(protocol::kHandOnCommand), now);
    // One second of grace, as for any acknowledgement, plus the line time of everything
    // still to cross the line.
    std::size_t bytes = kAcknowledgementBytes;
    for (const std::string& sentence : queue_) {
        bytes += frameSentence(sentence).size() + kAcknowledgementBytes;
    }
    if (inFlight_) {
        bytes += inFlight_->framed.size() + kAcknowledgementBytes;
    }
    if (versionOutstanding_ ||
        std::find(queue_.begin(), queue_.end(), commands_.VersionCommand) != queue_.end()) {
        bytes += kLongestReplyBytes;
    }
    configureSpan_ = lineTimeMs(bytes) + kGraceMs;
    configureUntil_ = now + configureSpan_;
}

bool AcknowledgedSender::configureSettled() const {
    return !open_ || (!inFlight_ && queue_.empty() && !versionOutstanding_);
}

void AcknowledgedSender::extendConfigureWait(Millis until) {
    if (configureUntil_) {
        *configureUntil_ = std::max(*configureUntil_, until);
    }
}

void AcknowledgedSender::endConfigureWait() {
    configureUntil_.reset();
    if (configureSettled()) {
        return;
    }
    // The caller asks again and reports a silent receiver itself.
    out_.debug("No answer to the link set-up");
    queue_.clear();
    inFlight_.reset();
    selfConfirmAt_.reset();
    versionOutstanding_ = false;
}

void AcknowledgedSender::versionLost() {
    if (versionOutstanding_) {
        versionOutstanding_ = false;
        askAgain(commands_.VersionCommand);
    }
}

// --- Answers ---------------------------------------------------------------------------

void AcknowledgedSender::noteAcknowledgement(const ReceivedSentence& acknowledgement) {
    if (!inFlight_ || acknowledgement.checksum == ChecksumState::Wrong) {
        return;
    }
    const std::string expected = hexByte(checksumOf(bodyOf(inFlight_->sentence)));
    inFlight_->answerArrived =
        inFlight_->answerArrived || acknowledgedChecksum(acknowledgement) == expected;
}

void AcknowledgedSender::noteDownloadAnswered(const std::string& command) {
    if (inFlight_ && inFlight_->sentence == command) {
        inFlight_->answerArrived = true;
    }
}

void AcknowledgedSender::handleAcknowledgement(const ReceivedSentence& acknowledgement,
                                               Millis now) {
    if (ackWanted_ && !ackConfirmed_) {
        ackConfirmed_ = true;
        out_.debug("The GPS acknowledges: acknowledgement mode is on");
    }
    if (!inFlight_ || !inFlight_->awaitsAcknowledgement) {
        return;  // late or repeated: nothing waits for it
    }
    const std::string acked = acknowledgedChecksum(acknowledgement);
    const std::string expected = hexByte(checksumOf(bodyOf(inFlight_->sentence)));
    if (acked == expected) {
        completeInFlight(now);
    } else {
        // Normal when the receiver was in acknowledgement mode already: it acknowledges the
        // sentences sent before HANDON, which wait for no acknowledgement.
        out_.debug("Acknowledgement " + acked + " is of an earlier sentence; " + expected +
                   " waits for its own");
    }
}

// --- Time ------------------------------------------------------------------------------

void AcknowledgedSender::tick(Millis now) {
    if (inFlight_ && selfConfirmAt_ && now >= *selfConfirmAt_) {
        completeInFlight(now);
    }
    if (awaitsTimeOut() && now >= inFlight_->ackDeadline) {
        onAcknowledgementTimeout(now);
    }
}

bool AcknowledgedSender::awaitsTimeOut() const {
    return inFlight_ && inFlight_->awaitsAcknowledgement && !inFlight_->answerArrived;
}

std::optional<Millis> AcknowledgedSender::nextWakeUp() const {
    if (inFlight_ && selfConfirmAt_) {
        return *selfConfirmAt_;
    }
    if (awaitsTimeOut()) {
        return inFlight_->ackDeadline;
    }
    return std::nullopt;
}

}  // namespace trawlix::link
