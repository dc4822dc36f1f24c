#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_outbox.h"
#include "link/records.h"
#include "link/sentence.h"

namespace trawlix::link {

// The download the link was asked for, from the request until its END: at most one at a
// time, held by the engine as an optional value.
struct DownloadUnderWay {
    enum class Phase {
        Queued,     // its command waits to go out (behind a drain, or the sentence in flight)
        Requested,  // its command went out; no record yet
        Receiving,  // its records arrive
    };

    std::string command;
    Phase phase = Phase::Queued;
    // Receiver silence after which the download is reported; set while the command is out.
    std::optional<Millis> silenceDeadline;
    // The receiver may have taken the command twice, and answer it twice.
    bool commandRepeated = false;
    std::vector<std::string> bodiesTaken;          // its records, in order
    std::optional<std::size_t> answeredAgainFrom;  // how far the receiver's second answer got
    std::int32_t waypointPlace = 0;
    std::string currentRoute;

    bool commandSent() const { return phase != Phase::Queued; }
    // True for the sentence words that answer this download: its records and the end.
    bool answeredBy(std::string_view word) const;
    // True for a record of the receiver's second answer that the download already has.
    bool alreadyTaken(const ReceivedSentence& sentence, LinkOutbox& out);
};

// The receiver's own sentences, as against standard NMEA.
bool isProprietary(std::string_view word);
bool isEndMarker(std::string_view word, const std::vector<std::string>& fields);
// The sentences a download is made of: what an earlier, stopped transfer leaves on the line.
bool isDownloadSentence(std::string_view word, const std::vector<std::string>& fields);

}  // namespace trawlix::link
