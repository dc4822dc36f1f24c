#include "link/version_probe.h"

#include <vector>

#include "link/protocol_texts.h"
#include "link/record_mapping.h"

namespace trawlix::link {
namespace {

// What a sentence at the right speed is made of: printable text and its line end.
bool plausible(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x20 && byte < 0x7F) || c == '\r' || c == '\n';
}

// A reply or an end marker waits for its acknowledgement before whatever the receiver sends
// next; the records of a stopped download are better given up. A receiver out of
// acknowledgement mode passes over an acknowledgement it does not wait for.
bool owesAcknowledgement(const ReceivedSentence& sentence) {
    const std::string_view word = sentence.word();
    if (word == protocol::kVersionWord) {
        return true;
    }
    const auto fields = sentence.fields();
    return word == protocol::kCommandWord && !fields.empty() && fields[0] == protocol::kEndWord;
}

}  // namespace

std::string VersionProbe::request() {
    return frameSentence(protocol::kVersionCommand);
}

// Read on after the verdict, so that a reply sent again is still acknowledged.
VersionProbe::Verdict VersionProbe::feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (!plausible(c)) {
            ++garbage_;
        }
    }
    std::vector<ReceivedSentence> sentences;
    reader_.feed(bytes, sentences);
    for (const ReceivedSentence& sentence : sentences) {
        take(sentence);
    }
    if (verdict_ == Verdict::Waiting) {
        verdict_ = judge();
    }
    return verdict_;
}

std::string VersionProbe::takeReplies() {
    std::string replies;
    replies.swap(replies_);
    return replies;
}

void VersionProbe::take(const ReceivedSentence& sentence) {
    if (sentence.checksum == ChecksumState::Wrong) {
        ++damaged_;
        return;
    }
    const std::string_view word = sentence.word();
    if (word.substr(0, protocol::kProprietaryPrefix.size()) == protocol::kProprietaryPrefix) {
        ++protocolSentences_;
        if (owesAcknowledgement(sentence)) {
            replies_ += frameSentence("$" + std::string(protocol::kAckWord) + "," +
                                      hexByte(checksumOf(sentence.body)));
        }
    }
    if (verdict_ != Verdict::Waiting) {
        return;
    }
    if (word == protocol::kVersionWord) {
        identity_ = mapping::decodeVersion(sentence.fields());
        verdict_ = Verdict::Answered;
        return;
    }
    ++goodSentences_;
}

// Once a well-formed sentence has come, the speed is right whatever noise came with it.
VersionProbe::Verdict VersionProbe::judge() const {
    if (goodSentences_ > 0) {
        return Verdict::Waiting;
    }
    if (garbage_ >= kGarbageThreshold || damaged_ >= kDamagedThreshold) {
        return Verdict::Garbled;
    }
    return Verdict::Waiting;
}

}  // namespace trawlix::link
