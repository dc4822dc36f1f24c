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

}  // namespace

std::string VersionProbe::request() {
    return frameSentence(protocol::kVersionCommand);
}

VersionProbe::Verdict VersionProbe::feed(std::string_view bytes) {
    if (verdict_ != Verdict::Waiting) {
        return verdict_;
    }
    for (const char c : bytes) {
        if (!plausible(c)) {
            ++garbage_;
        }
    }
    std::vector<ReceivedSentence> sentences;
    reader_.feed(bytes, sentences);
    for (const ReceivedSentence& sentence : sentences) {
        take(sentence);
        if (verdict_ == Verdict::Answered) {
            return verdict_;
        }
    }
    verdict_ = judge();
    return verdict_;
}

void VersionProbe::take(const ReceivedSentence& sentence) {
    if (sentence.checksum == ChecksumState::Wrong) {
        ++damaged_;
        return;
    }
    if (sentence.word() == protocol::kVersionWord) {
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
