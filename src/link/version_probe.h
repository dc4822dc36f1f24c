#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "link/records.h"
#include "link/sentence.h"

namespace trawlix::link {

// Reads what comes back on a line after a version request, to tell whether a receiver of
// the family answers there at the speed tried. A receiver may have been left in any state:
// in acknowledgement mode it answers the request with an acknowledgement and sends its reply
// only when the sentence it is still sending (an earlier reply, the rest of a stopped
// download) is acknowledged or given up. So the probe acknowledges replies and end markers,
// as the link does, and leaves the records of a stopped download unanswered so that the
// receiver gives them up the sooner.
class VersionProbe {
  public:
    enum class Verdict {
        Waiting,   // nothing conclusive yet
        Answered,  // a version reply arrived
        Garbled,   // bytes that no sentence at this speed is made of: likely another speed
    };

    // Bytes outside printable text that make a line garbled when no whole sentence came.
    // A stray byte or two is line noise at opening; a wrong speed yields a stream of them.
    static constexpr std::size_t kGarbageThreshold = 8;
    // Sentences with a wrong checksum that make a line garbled when no good one came.
    static constexpr std::size_t kDamagedThreshold = 2;

    // The framed version request, "$PMGNCMD,VERSION*28" CR LF.
    static std::string request();

    Verdict feed(std::string_view bytes);
    Verdict verdict() const { return verdict_; }
    // The identity the reply carried; valid once the verdict is Answered.
    const VersionRecord& identity() const { return identity_; }
    // Whole, well-formed sentences other than a version reply came: something talks at this
    // speed (an NMEA-only receiver), it just does not answer the request.
    bool heardOtherSentences() const { return goodSentences_ > 0; }
    // Well-formed sentences of the family's own protocol so far: a receiver of the family
    // talks at this speed, and may be busy before it replies.
    std::size_t protocolSentences() const { return protocolSentences_; }
    // The acknowledgements owed for what was fed, framed, to be written to the line.
    std::string takeReplies();

  private:
    void take(const ReceivedSentence& sentence);
    Verdict judge() const;

    SentenceReader reader_;
    Verdict verdict_ = Verdict::Waiting;
    VersionRecord identity_;
    std::size_t garbage_ = 0;
    std::size_t damaged_ = 0;
    std::size_t goodSentences_ = 0;
    std::size_t protocolSentences_ = 0;
    std::string replies_;
};

}  // namespace trawlix::link
