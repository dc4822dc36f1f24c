#include "link/link_engine.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "link/gps_link.h"
#include "link/protocol_texts.h"
#include "link/record_mapping.h"

namespace trawlix::link {
namespace {

// "$PMGNCSM,hh*hh\r\n": the answer to every protocol sentence in acknowledgement mode.
constexpr std::size_t kAcknowledgementBytes = 16;
// A sentence is at most this long on the line: a version reply fits with room to spare.
constexpr std::size_t kLongestReplyBytes = 128;
// What the receiver may take to answer, beyond the time on the line.
constexpr Millis kGraceMs = 1000;

std::string withoutLineEnd(const std::string& framed) {
    return framed.substr(0, framed.find_first_of("\r\n"));
}

// The body of a sentence as handed to SendSentence ("$BODY").
std::string bodyOf(const std::string& sentence) {
    return sentence.substr(sentence.empty() || sentence[0] != '$' ? 0 : 1);
}

std::string wordOf(const std::string& sentence) {
    const std::string body = bodyOf(sentence);
    return body.substr(0, body.find(','));
}

bool isProprietary(std::string_view word) {
    return word.substr(0, protocol::kProprietaryPrefix.size()) == protocol::kProprietaryPrefix;
}

bool isEndMarker(std::string_view word, const std::vector<std::string>& fields) {
    return word == protocol::kCommandWord && !fields.empty() && fields[0] == protocol::kEndWord;
}

// The sentences a download is made of: what an earlier, stopped transfer leaves on the line.
bool isDownloadSentence(std::string_view word, const std::vector<std::string>& fields) {
    return word == protocol::kWaypointWord || word == protocol::kRouteWord ||
           word == protocol::kTrackWord || isEndMarker(word, fields);
}

std::string upperCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string seconds(Millis ms) {
    return std::to_string(ms / 1000) + " seconds";
}

}  // namespace

LinkEngine::LinkEngine()
    : commands_(protocol::initialCommandState()), kinds_(protocol::initialTransferState()) {}

// --- The line --------------------------------------------------------------------------

void LinkEngine::opened(const LineSettings& line, Millis now) {
    forget();
    open_ = true;
    line_ = line;
    // Whatever the receiver confirmed belonged to the line before: it may have been switched
    // off, or be another receiver. HANDON goes out again before the next sentence.
    ackConfirmed_ = false;
    if (std::exchange(transferCutOff_, false)) {
        // The receiver may still be sending the download the port closed on: its records
        // would be taken for the answer to the next one.
        startDrain(now);
    }
}

void LinkEngine::noteTransferCutOff() {
    transferCutOff_ =
        transferCutOff_ || drain_ || (download_ != Download::None && downloadCommandSent_);
}

void LinkEngine::closed() {
    noteTransferCutOff();
    forget();
    // Nothing is raised after the port was closed, not even what was decoded before.
    events_.clear();
}

void LinkEngine::forget() {
    open_ = false;
    stopSending();
    drain_.reset();
    configureUntil_.reset();
    reader_.reset();
    received_.clear();
    output_.clear();
    lastRecordBody_.clear();
}

void LinkEngine::lineLost(const std::string& device, const std::string& reason) {
    // What arrived before the failure is still raised, then the failure.
    noteTransferCutOff();
    forget();
    raiseError(kLineLost,
               "The line to the GPS on " + device + " was lost" +
                   (reason.empty() ? "" : " (" + reason + ")") +
                   ". What was received is kept; open the port again when the GPS is back.",
               "");
}

void LinkEngine::stopSending() {
    queue_.clear();
    inFlight_.reset();
    givenUp_.clear();
    selfConfirmAt_.reset();
    probed_ = false;
    download_ = Download::None;
    downloadCommandSent_ = false;
    versionOutstanding_ = false;
}

// --- Calls -----------------------------------------------------------------------------

void LinkEngine::cancelTransfer(Millis now) {
    const bool busy = inFlight_ || !queue_.empty() || download_ != Download::None;
    const bool downloading = download_ != Download::None && downloadCommandSent_ && open_;
    stopSending();
    if (busy) {
        raiseDebug("Transfer cancelled");
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
    if (isDownloadCommand(sentence)) {
        requestDownload(sentence, now);
        return;
    }
    enqueue(sentence, now);
}

void LinkEngine::configureLink(std::int16_t mode, Millis now) {
    if (mode != 1) {
        raiseDebug("ConfigureLink " + std::to_string(mode) + " ignored");
        return;
    }
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

bool LinkEngine::configureSettled() const {
    return !open_ || (!inFlight_ && queue_.empty() && !versionOutstanding_);
}

Millis LinkEngine::configureDeadline() const {
    const Millis until = configureUntil_.value_or(0);
    // A request held back by a drain goes out when it ends: wait for its answer then.
    return drain_ ? std::max(until, drain_->limit + configureSpan_) : until;
}

void LinkEngine::endConfigureWait() {
    configureUntil_.reset();
    if (configureSettled()) {
        return;
    }
    // The caller asks again and reports a silent receiver itself.
    raiseDebug("No answer to the link set-up");
    queue_.clear();
    inFlight_.reset();
    selfConfirmAt_.reset();
    versionOutstanding_ = false;
}

void LinkEngine::requestVersion(const std::string& command, Millis now) {
    enqueue(command, now);
}

void LinkEngine::requestDownload(const std::string& command, Millis now) {
    if (!open_) {
        raiseError(kNotice, "The port is not open: the request was not sent to the GPS.", "");
        return;
    }
    if (download_ != Download::None) {
        // The old request, still unanswered, is not sent again: its answer is no one's.
        if (inFlight_ && inFlight_->sentence == downloadCommand_) {
            inFlight_.reset();
        }
        std::erase(queue_, downloadCommand_);
    }
    if (download_ != Download::None && downloadCommandSent_) {
        // The receiver would send the new answer after the rest of the old one.
        raiseDebug("A new request stops the download under way");
        download_ = Download::None;
        downloadCommandSent_ = false;
        startDrain(now);
    }
    // A Retry of a command that went unanswered: the receiver may have taken it before.
    downloadCommandRepeated_ = givenUp_ == command;
    download_ = Download::Requested;
    downloadCommand_ = command;
    downloadCommandSent_ = false;
    lastRecordBody_.clear();
    bodiesTaken_.clear();
    answeredAgainFrom_.reset();
    currentRoute_.clear();
    waypointPlace_ = 0;
    enqueue(command, now);
}

// --- Sending ---------------------------------------------------------------------------

void LinkEngine::enqueue(const std::string& sentence, Millis now) {
    if (!open_) {
        raiseError(kNotice, "The port is not open: nothing was sent to the GPS.", "");
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
            raiseDebug("Dropped " + std::to_string(queue_.size()) + " sentences queued behind " +
                       givenUp_);
        }
        queue_.clear();
        givenUp_.clear();
    }
    queue_.push_back(sentence);
    if (drain_ && holdsBack(sentence)) {
        raiseDebug("Waiting for the GPS to end the stopped transfer before sending " + sentence);
    }
    transmitNext(now);
}

bool LinkEngine::isDownloadCommand(const std::string& sentence) const {
    return sentence == commands_.WaypointsCommand || sentence == commands_.RoutesCommand ||
           sentence == commands_.TracksCommand;
}

// The receiver queues its answers to these behind the rest of a stopped transfer, and drops
// them with it when it gives up: they wait for the drain to end.
bool LinkEngine::holdsBack(const std::string& sentence) const {
    return sentence == commands_.VersionCommand || isDownloadCommand(sentence);
}

void LinkEngine::transmitNext(Millis now) {
    if (inFlight_ || !givenUp_.empty() || !open_) {
        return;
    }
    auto next = queue_.begin();
    while (drain_ && next != queue_.end() && holdsBack(*next)) {
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

void LinkEngine::sendInFlight(Millis now) {
    InFlight& sending = *inFlight_;
    if (wordOf(sending.sentence) == protocol::kCommandWord && !sending.handOnProbe) {
        lastCommand_ = sending.sentence;
    }
    if (sending.sentence == commands_.VersionCommand) {
        versionOutstanding_ = true;
    }
    if (download_ != Download::None && sending.sentence == downloadCommand_ &&
        downloadCommandSent_) {
        downloadCommandRepeated_ = true;
    }
    if (download_ != Download::None && sending.sentence == downloadCommand_ &&
        !downloadCommandSent_) {
        downloadCommandSent_ = true;
        silenceDeadline_ = now + kDownloadSilenceMs;
    }
    ++sending.sends;
    raiseDebug("> " + withoutLineEnd(sending.framed));
    write(sending.framed);
    if (ackWanted_) {
        sending.awaitsAcknowledgement = true;
        sending.ackDeadline =
            now + lineTimeMs(sending.framed.size() + kAcknowledgementBytes) + kGraceMs;
    } else {
        // Nothing will answer: the sentence is confirmed at the next tick, as a later event.
        selfConfirmAt_ = now;
    }
}

void LinkEngine::completeInFlight(Millis now) {
    const InFlight done = *inFlight_;
    inFlight_.reset();
    selfConfirmAt_.reset();
    if (!done.handOnProbe) {
        const std::string word = wordOf(done.sentence);
        kinds_.AckedKind = word;
        LinkEvent event;
        event.kind = LinkEvent::Kind::Receive;
        event.id = kinds_.AckKind;
        event.ackedKind = word;
        event.lastCommand = lastCommand_;
        events_.push_back(std::move(event));
    }
    transmitNext(now);
}

void LinkEngine::onAcknowledgementTimeout(Millis now) {
    InFlight& waiting = *inFlight_;
    if (waiting.handOnProbe) {
        onHandOnProbeTimeout(now);
        return;
    }
    if (waiting.sends < protocol::kSendsPerSentence) {
        raiseDebug("No acknowledgement; sending again");
        sendInFlight(now);
        return;
    }
    const std::string sentence = waiting.sentence;
    inFlight_.reset();
    giveUp(sentence, "");
}

void LinkEngine::onHandOnProbeTimeout(Millis now) {
    InFlight& waiting = *inFlight_;
    ackConfirmed_ = false;
    if (!isDownloadCommand(waiting.probeFor)) {
        // The sentence itself waits for an answer and tells if none comes.
        raiseDebug("No answer to HANDON; sending on without it");
        inFlight_.reset();
        transmitNext(now);
        return;
    }
    // A download goes only to a receiver that confirmed acknowledgement mode: out of it,
    // the receiver would send its records unpaced, and one damaged on the line would be
    // lost without a trace.
    if (waiting.sends < protocol::kSendsPerSentence) {
        raiseDebug("No answer to HANDON; asking again before " + waiting.probeFor);
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
void LinkEngine::giveUp(const std::string& sentence, const std::string& unanswered) {
    // A receiver that answers nothing may have been switched off and on, and be out of
    // acknowledgement mode: whatever goes next asks for it first.
    ackConfirmed_ = false;
    if (configureUntil_) {
        // The caller of ConfigureLink asks again and reports a silent receiver itself.
        queue_.clear();
        versionOutstanding_ = false;
        raiseDebug("No answer to " + sentence);
        return;
    }
    givenUp_ = sentence;
    if (download_ != Download::None && sentence == downloadCommand_) {
        download_ = Download::None;
        downloadCommandSent_ = false;
    }
    raiseError(kNoAnswer,
               "The GPS did not answer " + (unanswered.empty() ? sentence : unanswered) +
                   " (sent " + std::to_string(protocol::kSendsPerSentence) + " times).",
               sentence);
}

void LinkEngine::write(const std::string& framed) {
    output_ += framed;
}

Millis LinkEngine::lineTimeMs(std::size_t bytes) const {
    return line_.lineTimeMs(bytes);
}

// --- Draining --------------------------------------------------------------------------

Millis LinkEngine::drainQuietMs() const {
    return protocol::kSendsPerSentence *
           (lineTimeMs(kLongestReplyBytes + kAcknowledgementBytes) + kGraceMs);
}

void LinkEngine::startDrain(Millis now) {
    if (!drain_) {
        drain_ = Drain{now + drainQuietMs(), now + kDrainLimitMs};
        raiseDebug("Waiting for the GPS to end the stopped transfer");
    } else {
        drain_->quietUntil = now + drainQuietMs();
    }
    // Answers not begun yet are queued behind the stopped transfer, and may go with it when
    // the receiver gives up: ask again when the drain ends.
    if (versionOutstanding_) {
        versionOutstanding_ = false;
        askAgainAfterDrain(commands_.VersionCommand);
    }
    if (download_ == Download::Requested && downloadCommandSent_) {
        downloadCommandSent_ = false;
        silenceDeadline_.reset();
        askAgainAfterDrain(downloadCommand_);
    }
    transmitNext(now);
}

void LinkEngine::askAgainAfterDrain(const std::string& command) {
    if (inFlight_ && inFlight_->sentence == command) {
        inFlight_.reset();  // an acknowledgement that still comes is passed over
        selfConfirmAt_.reset();
    }
    if (std::find(queue_.begin(), queue_.end(), command) == queue_.end()) {
        queue_.push_front(command);
    }
}

void LinkEngine::finishDrain(Millis now, const std::string& why) {
    drain_.reset();
    raiseDebug("The stopped transfer " + why + "; sending what waited");
    if (configureUntil_) {
        *configureUntil_ = std::max(*configureUntil_, now + configureSpan_);
    }
    transmitNext(now);
}

// --- Receiving -------------------------------------------------------------------------

void LinkEngine::receive(std::string_view bytes, Millis now) {
    if (!open_) {
        return;
    }
    std::vector<ReceivedSentence> sentences;
    const std::size_t droppedBefore = reader_.droppedBytes();
    reader_.feed(bytes, sentences);
    // Noise may hide the rest of a stopped transfer: a drain does not take it for quiet. A
    // line that is never clean still ends the drain at its limit.
    if (drain_ && reader_.droppedBytes() != droppedBefore) {
        drain_->quietUntil = now + drainQuietMs();
    }
    for (auto& sentence : sentences) {
        // The receiver is still sending its protocol sentences: NMEA does not show that a
        // transfer goes on.
        const std::string_view word = sentence.word();
        const bool mayBeProtocol = isProprietary(word) || sentence.checksum != ChecksumState::Valid;
        if (isProprietary(word) && word != protocol::kAckWord) {
            if (download_ != Download::None && downloadCommandSent_) {
                silenceDeadline_ = now + kDownloadSilenceMs;
            }
        }
        if (drain_ && mayBeProtocol && word != protocol::kAckWord) {
            drain_->quietUntil = now + drainQuietMs();
        }
        noteAnswer(sentence);
        received_.push_back(std::move(sentence));
    }
}

void LinkEngine::noteAnswer(const ReceivedSentence& sentence) {
    if (!inFlight_ || sentence.checksum == ChecksumState::Wrong) {
        return;
    }
    const std::string_view word = sentence.word();
    const auto fields = sentence.fields();
    if (word == protocol::kAckWord) {
        const std::string expected = hexByte(checksumOf(bodyOf(inFlight_->sentence)));
        inFlight_->answerArrived =
            inFlight_->answerArrived || (!fields.empty() && upperCase(fields[0]) == expected);
    } else if (isDownloadSentence(word, fields) && !drain_ && download_ != Download::None &&
               inFlight_->sentence == downloadCommand_) {
        inFlight_->answerArrived = true;
    }
}

bool LinkEngine::handleReceived(Millis now) {
    if (received_.empty()) {
        return false;
    }
    const ReceivedSentence sentence = std::move(received_.front());
    received_.pop_front();
    handleSentence(sentence, now);
    return true;
}

void LinkEngine::handleSentence(const ReceivedSentence& sentence, Millis now) {
    raiseDebug("< " + sentence.text);
    const std::string_view word = sentence.word();
    if (!isProprietary(word)) {
        raiseNmea(sentence.text, sentence.checksum == ChecksumState::Wrong);
        return;
    }
    if (sentence.checksum == ChecksumState::Wrong) {
        if (ackConfirmed_ || drain_) {
            raiseDebug("Checksum error: not acknowledged, the GPS sends it again if it must");
        } else {
            raiseError(kChecksumError,
                       "A sentence from the GPS arrived damaged (checksum error) and was "
                       "dropped: " +
                           sentence.text,
                       "");
        }
        return;
    }
    if (word == protocol::kAckWord) {
        handleAcknowledgement(sentence, now);
        return;
    }
    const auto fields = sentence.fields();
    if (isDownloadSentence(word, fields)) {
        handleDownloadSentence(sentence, now);
        return;
    }
    if (ackWanted_) {
        acknowledge(sentence);
    }
    deliverRecord(sentence, now);
}

void LinkEngine::handleAcknowledgement(const ReceivedSentence& sentence, Millis now) {
    if (ackWanted_ && !ackConfirmed_) {
        ackConfirmed_ = true;
        raiseDebug("The GPS acknowledges: acknowledgement mode is on");
    }
    if (!inFlight_ || !inFlight_->awaitsAcknowledgement) {
        return;  // late or repeated: nothing waits for it
    }
    const auto fields = sentence.fields();
    const std::string acked = fields.empty() ? std::string() : upperCase(fields[0]);
    const std::string expected = hexByte(checksumOf(bodyOf(inFlight_->sentence)));
    if (acked == expected) {
        completeInFlight(now);
    } else {
        // Normal when the receiver was in acknowledgement mode already: it acknowledges the
        // sentences sent before HANDON, which wait for no acknowledgement.
        raiseDebug("Acknowledgement " + acked + " is of an earlier sentence; " + expected +
                   " waits for its own");
    }
}

void LinkEngine::handleDownloadSentence(const ReceivedSentence& sentence, Millis now) {
    const auto fields = sentence.fields();
    if (drain_) {
        // Not acknowledged: a receiver in acknowledgement mode gives up the sooner.
        if (isEndMarker(sentence.word(), fields)) {
            // The end is answered, though: unanswered, the receiver sends it again, and a
            // late END would end the next download before its first record. Also when the
            // port was opened again since the receiver last confirmed the mode: it is still in
            // it if it sends the rest of a transfer, and a receiver out of it passes over an
            // acknowledgement it does not wait for.
            if (ackWanted_) {
                acknowledge(sentence);
            }
            raiseDebug("Dropped: the end of the stopped transfer");
            finishDrain(now, "has ended");
        } else {
            raiseDebug("Dropped: the transfer was stopped");
        }
        return;
    }
    if (sentence.body == lastRecordBody_) {
        // Sent again because our acknowledgement was lost: answer it again, keep it once.
        if (ackWanted_) {
            acknowledge(sentence);
        }
        raiseDebug("Repeated sentence dropped");
        return;
    }
    if (download_ == Download::None || !downloadCommandSent_) {
        raiseDebug("Dropped: no download was asked for; a stopped transfer's rest");
        startDrain(now);
        return;
    }
    if (!answersDownload(sentence.word())) {
        raiseDebug("Dropped: not the kind " + downloadCommand_ +
                   " asks for; a stopped "
                   "transfer's rest");
        startDrain(now);
        return;
    }
    if (inFlight_ && inFlight_->sentence == downloadCommand_) {
        // Its acknowledgement was lost, but the records show the command was taken: sending
        // it again would start the whole log once more.
        raiseDebug("Records arrive: " + downloadCommand_ + " was taken");
        completeInFlight(now);
    }
    const bool takenBefore = alreadyTaken(sentence);
    if (ackWanted_) {
        acknowledge(sentence);
    }
    lastRecordBody_ = sentence.body;
    if (takenBefore) {
        return;
    }
    if (download_ == Download::Requested) {
        download_ = Download::Receiving;
    }
    deliverRecord(sentence, now);
}

// A receiver that took a download command twice (its acknowledgement was lost, and it was
// sent again) answers it twice, and it may give up on the first answer part way when our
// acknowledgements do not reach it. Its first record coming once more starts the second
// answer: records this download already has are answered and dropped, and it goes on with
// the first one it lacks, so that the file holds each record once, in order.
bool LinkEngine::alreadyTaken(const ReceivedSentence& sentence) {
    const bool again = downloadCommandRepeated_ && !bodiesTaken_.empty() &&
                       sentence.body == bodiesTaken_.front() && !answeredAgainFrom_;
    if (again) {
        answeredAgainFrom_ = 0;
        raiseDebug("The GPS answers " + downloadCommand_ +
                   " once more (it took the command twice): what came before is dropped");
    }
    if (answeredAgainFrom_ && *answeredAgainFrom_ < bodiesTaken_.size() &&
        sentence.body == bodiesTaken_[*answeredAgainFrom_]) {
        ++*answeredAgainFrom_;
        return true;
    }
    answeredAgainFrom_.reset();
    if (!isEndMarker(sentence.word(), sentence.fields())) {
        bodiesTaken_.push_back(sentence.body);
    }
    return false;
}

bool LinkEngine::answersDownload(std::string_view word) const {
    if (word == protocol::kCommandWord) {
        return true;  // the end marker ends any download
    }
    if (downloadCommand_ == commands_.WaypointsCommand) {
        return word == protocol::kWaypointWord;
    }
    if (downloadCommand_ == commands_.RoutesCommand) {
        return word == protocol::kRouteWord;
    }
    return word == protocol::kTrackWord;
}

void LinkEngine::acknowledge(const ReceivedSentence& sentence) {
    const std::string framed = frameSentence("$" + std::string(protocol::kAckWord) + "," +
                                             hexByte(checksumOf(sentence.body)));
    raiseDebug("> " + withoutLineEnd(framed));
    write(framed);
}

void LinkEngine::deliverRecord(const ReceivedSentence& sentence, Millis /*now*/) {
    const std::string_view word = sentence.word();
    const auto fields = sentence.fields();
    if (word == protocol::kVersionWord) {
        versionOutstanding_ = false;
        raiseReceive(kinds_.VersionKind, sentence.text, mapping::decodeVersion(fields));
    } else if (word == protocol::kWaypointWord) {
        raiseReceive(kinds_.WaypointKind, sentence.text,
                     mapping::decodeWaypoint(fields, ++waypointPlace_));
    } else if (word == protocol::kRouteWord) {
        deliverRoute(fields, sentence.text);
    } else if (word == protocol::kTrackWord) {
        raiseReceive(kinds_.TrackPointKind, sentence.text, mapping::decodeTrackPoint(fields));
    } else if (isEndMarker(word, fields)) {
        download_ = Download::None;
        downloadCommandSent_ = false;
        raiseReceive(protocol::kEndId, sentence.text);
    } else if (word == protocol::kCommandWord) {
        raiseReceive(kinds_.IgnoredKind1, sentence.text);
    } else {
        raiseReceive(kinds_.IgnoredKind2, sentence.text);
    }
}

void LinkEngine::deliverRoute(const std::vector<std::string>& fields, const std::string& line) {
    if (fields.size() > 2 && fields[2] == "m") {
        raiseReceive(kinds_.IgnoredKind2, line);  // a route message carries no waypoints
        return;
    }
    const mapping::RouteSentence route = mapping::decodeRoute(fields);
    // A route starts with its sentence number 1; a lost first sentence must not merge two
    // routes, so a change of route number starts one too.
    if (route.sentenceNumber == 1 || route.routeNumber != currentRoute_) {
        currentRoute_ = route.routeNumber;
        raiseReceive(kinds_.RouteKind, line, HeaderRecord{route.routeNumber, route.sentenceCount});
    }
    for (const WaypointRecord& entry : route.waypoints) {
        raiseReceive(kinds_.RouteWaypointKind, line, entry);
    }
}

// --- Time ------------------------------------------------------------------------------

void LinkEngine::tick(Millis now) {
    if (!open_) {
        return;
    }
    if (inFlight_ && selfConfirmAt_ && now >= *selfConfirmAt_) {
        completeInFlight(now);
    }
    if (awaitsTimeOut() && now >= inFlight_->ackDeadline) {
        onAcknowledgementTimeout(now);
    }
    if (download_ != Download::None && downloadCommandSent_ && silenceDeadline_ &&
        now >= *silenceDeadline_) {
        onDownloadSilence();
    }
    if (drain_ && now >= drain_->quietUntil) {
        finishDrain(now, "has gone quiet");
    } else if (drain_ && now >= drain_->limit) {
        finishDrain(now, "goes on past " + seconds(kDrainLimitMs));
    }
}

bool LinkEngine::awaitsTimeOut() const {
    return inFlight_ && inFlight_->awaitsAcknowledgement && !inFlight_->answerArrived;
}

void LinkEngine::onDownloadSilence() {
    silenceDeadline_.reset();
    if (download_ == Download::Requested) {
        download_ = Download::None;
        downloadCommandSent_ = false;
        raiseError(kNoAnswer,
                   "The GPS did not answer " + downloadCommand_ + " within " +
                       seconds(kDownloadSilenceMs) + ".",
                   downloadCommand_);
    } else if (download_ == Download::Receiving) {
        // The download stays open: records that come after all are still taken.
        raiseError(kLineLost,
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
    const auto consider = [&next](Millis at) { next = next ? std::min(*next, at) : at; };
    if (inFlight_ && selfConfirmAt_) {
        consider(*selfConfirmAt_);
    }
    if (awaitsTimeOut()) {
        consider(inFlight_->ackDeadline);
    }
    if (download_ != Download::None && downloadCommandSent_ && silenceDeadline_) {
        consider(*silenceDeadline_);
    }
    if (drain_) {
        consider(std::min(drain_->quietUntil, drain_->limit));
    }
    return next;
}

// --- Output ----------------------------------------------------------------------------

std::string LinkEngine::takeOutput() {
    std::string out;
    out.swap(output_);
    return out;
}

std::optional<LinkEvent> LinkEngine::takeEvent() {
    if (events_.empty()) {
        return std::nullopt;
    }
    LinkEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}

void LinkEngine::raiseReceive(std::string_view id, const std::string& line,
                              LinkEvent::Record record) {
    LinkEvent event;
    event.kind = LinkEvent::Kind::Receive;
    event.id = id;
    event.text = line;
    event.record = std::move(record);
    events_.push_back(std::move(event));
}

void LinkEngine::raiseNmea(const std::string& line, bool checksumError) {
    LinkEvent event;
    event.kind = LinkEvent::Kind::Nmea;
    event.text = line;
    event.checksumError = checksumError;
    events_.push_back(std::move(event));
}

void LinkEngine::raiseError(std::int16_t errorClass, const std::string& text,
                            const std::string& sentence) {
    LinkEvent event;
    event.kind = LinkEvent::Kind::Error;
    event.errorClass = errorClass;
    event.text = text;
    event.sentence = sentence;
    events_.push_back(std::move(event));
}

void LinkEngine::raiseDebug(const std::string& text) {
    LinkEvent event;
    event.kind = LinkEvent::Kind::Debug;
    event.text = text;
    events_.push_back(std::move(event));
}

}  // namespace trawlix::link
