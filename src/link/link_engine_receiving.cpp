// What arrives from the receiver, sorted: NMEA, acknowledgements, the records of the
// download under way, and what a stopped transfer still sends.
#include <utility>

#include "link/gps_link.h"
#include "link/link_engine.h"
#include "link/protocol_texts.h"
#include "link/record_mapping.h"

namespace trawlix::link {

void LinkEngine::receive(std::string_view bytes, Millis now) {
    if (!open_) {
        return;
    }
    std::vector<ReceivedSentence> sentences;
    const std::size_t droppedBefore = reader_.droppedBytes();
    reader_.feed(bytes, sentences);
    // Noise may hide the rest of a stopped transfer: a drain does not take it for quiet. A
    // line that is never clean still ends the drain at its limit.
    if (reader_.droppedBytes() != droppedBefore) {
        drain_.heard(now, drainQuietMs());
        prolongAfterEndWait(now);
    }
    for (auto& sentence : sentences) {
        // The receiver is still sending its protocol sentences: NMEA does not show that a
        // transfer goes on.
        const std::string_view word = sentence.word();
        const bool mayBeProtocol = isProprietary(word) || sentence.checksum != ChecksumState::Valid;
        if (isProprietary(word) && word != protocol::kAckWord && download_ &&
            download_->commandSent()) {
            download_->silenceDeadline = now + kDownloadSilenceMs;
        }
        if (mayBeProtocol && word != protocol::kAckWord) {
            drain_.heard(now, drainQuietMs());
            prolongAfterEndWait(now);
        }
        noteAnswer(sentence);
        received_.push_back(std::move(sentence));
    }
}

void LinkEngine::noteAnswer(const ReceivedSentence& sentence) {
    if (sentence.checksum == ChecksumState::Wrong) {
        return;
    }
    const std::string_view word = sentence.word();
    if (word == protocol::kAckWord) {
        sender_.noteAcknowledgement(sentence);
    } else if (isDownloadSentence(word, sentence.fields()) && !drain_.active() && download_) {
        sender_.noteDownloadAnswered(download_->command);
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
    out_.debug("< " + sentence.text);
    const std::string_view word = sentence.word();
    if (!isProprietary(word)) {
        out_.nmea(sentence.text, sentence.checksum == ChecksumState::Wrong);
        return;
    }
    if (sentence.checksum == ChecksumState::Wrong) {
        handleChecksumError(sentence);
        return;
    }
    if (word == protocol::kAckWord) {
        sender_.handleAcknowledgement(sentence, now);
        return;
    }
    if (isDownloadSentence(word, sentence.fields())) {
        handleDownloadSentence(sentence, now);
        return;
    }
    if (sender_.ackWanted()) {
        acknowledge(sentence);
    }
    deliverRecord(sentence, now);
}

void LinkEngine::handleChecksumError(const ReceivedSentence& sentence) {
    if (sender_.ackConfirmed() || drain_.active()) {
        out_.debug("Checksum error: not acknowledged, the GPS sends it again if it must");
        return;
    }
    out_.error(kChecksumError,
               "A sentence from the GPS arrived damaged (checksum error) and was dropped: " +
                   sentence.text,
               "");
}

void LinkEngine::handleDrainedSentence(const ReceivedSentence& sentence, Millis now) {
    // Not acknowledged: a receiver in acknowledgement mode gives up the sooner.
    if (!isEndMarker(sentence.word(), sentence.fields())) {
        out_.debug("Dropped: the transfer was stopped");
        return;
    }
    // The end is answered, though: unanswered, the receiver sends it again, and a late END
    // would end the next download before its first record. Also when the port was opened
    // again since the receiver last confirmed the mode: it is still in it if it sends the rest
    // of a transfer, and a receiver out of it passes over an acknowledgement it does not wait
    // for. Should the answer be lost, the END that comes again is known for what it is.
    if (sender_.ackWanted()) {
        acknowledge(sentence);
    }
    lastRecordBody_ = sentence.body;
    startAfterEndWait(now);
    out_.debug("Dropped: the end of the stopped transfer");
    finishDrain(now, "has ended");
}

bool LinkEngine::droppedAsRepeated(const ReceivedSentence& sentence) {
    if (sentence.body != lastRecordBody_) {
        return false;
    }
    // Sent again because our acknowledgement was lost: answer it again, keep it once.
    if (sender_.ackWanted()) {
        acknowledge(sentence);
    }
    out_.debug("Repeated sentence dropped");
    return true;
}

void LinkEngine::handleDownloadSentence(const ReceivedSentence& sentence, Millis now) {
    if (drain_.active()) {
        handleDrainedSentence(sentence, now);
        return;
    }
    if (droppedAsRepeated(sentence)) {
        return;
    }
    if (!download_ || !download_->commandSent()) {
        out_.debug("Dropped: no download was asked for; a stopped transfer's rest");
        startDrain(now);
        return;
    }
    if (!download_->answeredBy(sentence.word())) {
        out_.debug("Dropped: not the kind " + download_->command +
                   " asks for; a stopped transfer's rest");
        startDrain(now);
        return;
    }
    if (sender_.inFlight() && *sender_.inFlight() == download_->command) {
        // Its acknowledgement was lost, but the records show the command was taken: sending
        // it again would start the whole log once more.
        out_.debug("Records arrive: " + download_->command + " was taken");
        sender_.completeIfInFlight(download_->command, now);
    }
    const bool takenBefore = download_->alreadyTaken(sentence, out_);
    if (sender_.ackWanted()) {
        acknowledge(sentence);
    }
    lastRecordBody_ = sentence.body;
    if (takenBefore) {
        return;
    }
    download_->phase = DownloadUnderWay::Phase::Receiving;
    deliverRecord(sentence, now);
}

void LinkEngine::acknowledge(const ReceivedSentence& sentence) {
    const std::string framed = frameSentence("$" + std::string(protocol::kAckWord) + "," +
                                             hexByte(checksumOf(sentence.body)));
    out_.debug("> " + withoutLineEnd(framed));
    out_.write(framed);
}

void LinkEngine::deliverRecord(const ReceivedSentence& sentence, Millis now) {
    const std::string_view word = sentence.word();
    const auto fields = sentence.fields();
    if (word == protocol::kVersionWord) {
        sender_.versionAnswered();
        out_.receive(kinds_.VersionKind, sentence.text, mapping::decodeVersion(fields));
    } else if (word == protocol::kWaypointWord) {
        out_.receive(kinds_.WaypointKind, sentence.text,
                     mapping::decodeWaypoint(fields, ++download_->waypointPlace));
    } else if (word == protocol::kRouteWord) {
        deliverRoute(fields, sentence.text);
    } else if (word == protocol::kTrackWord) {
        out_.receive(kinds_.TrackPointKind, sentence.text, mapping::decodeTrackPoint(fields));
    } else if (isEndMarker(word, fields)) {
        endDownload(now);
        out_.receive(protocol::kEndId, sentence.text);
    } else if (word == protocol::kCommandWord) {
        out_.receive(kinds_.IgnoredKind1, sentence.text);
    } else {
        out_.receive(kinds_.IgnoredKind2, sentence.text);
    }
}

void LinkEngine::endDownload(Millis now) {
    download_.reset();
    startAfterEndWait(now);
}

void LinkEngine::startAfterEndWait(Millis now) {
    const Millis wait = afterEndWaitMs();
    afterEnd_ = AfterEnd{now + wait, now + (protocol::kSendsPerSentence - 1) * wait};
}

void LinkEngine::prolongAfterEndWait(Millis now) {
    if (afterEnd_) {
        afterEnd_->until =
            std::min(afterEnd_->limit, std::max(afterEnd_->until, now + afterEndWaitMs()));
    }
}

void LinkEngine::deliverRoute(const std::vector<std::string>& fields, const std::string& line) {
    if (fields.size() > 2 && fields[2] == "m") {
        out_.receive(kinds_.IgnoredKind2, line);  // a route message carries no waypoints
        return;
    }
    const mapping::RouteSentence route = mapping::decodeRoute(fields);
    // A route starts with its sentence number 1; a lost first sentence must not merge two
    // routes, so a change of route number starts one too.
    if (route.sentenceNumber == 1 || route.routeNumber != download_->currentRoute) {
        download_->currentRoute = route.routeNumber;
        out_.receive(kinds_.RouteKind, line, HeaderRecord{route.routeNumber, route.sentenceCount});
    }
    for (const WaypointRecord& entry : route.waypoints) {
        out_.receive(kinds_.RouteWaypointKind, line, entry);
    }
}

}  // namespace trawlix::link
