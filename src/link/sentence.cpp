#include "link/sentence.h"

#include <algorithm>

#include "common/line_split.h"

namespace trawlix::link {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::uint8_t checksumOf(std::string_view body) {
    std::uint8_t sum = 0;
    for (char c : body) {
        sum = static_cast<std::uint8_t>(sum ^ static_cast<std::uint8_t>(c));
    }
    return sum;
}

std::string hexByte(std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string frameSentence(std::string_view sentence) {
    const std::string_view body = sentence.substr(sentence.empty() || sentence[0] != '$' ? 0 : 1);
    std::string framed = "$";
    framed += body;
    framed += '*';
    framed += hexByte(checksumOf(body));
    framed += "\r\n";
    return framed;
}

std::string_view ReceivedSentence::word() const {
    const std::string_view view(body);
    return view.substr(0, view.find(','));
}

std::vector<std::string> ReceivedSentence::fields() const {
    std::vector<std::string> all = common::splitFields(body);
    all.erase(all.begin());
    return all;
}

ReceivedSentence parseSentence(std::string_view text) {
    ReceivedSentence sentence;
    sentence.text = std::string(text);
    std::string_view rest = text.substr(1);  // after "$"
    const auto star = rest.rfind('*');
    if (star == std::string_view::npos) {
        sentence.body = std::string(rest);
        sentence.checksum = ChecksumState::Missing;
        return sentence;
    }
    sentence.body = std::string(rest.substr(0, star));
    const std::string_view digits = rest.substr(star + 1);
    const bool wellFormed =
        digits.size() == 2 && hexDigitValue(digits[0]) >= 0 && hexDigitValue(digits[1]) >= 0;
    const bool matches = wellFormed && (hexDigitValue(digits[0]) << 4 | hexDigitValue(digits[1])) ==
                                           checksumOf(sentence.body);
    sentence.checksum = matches ? ChecksumState::Valid : ChecksumState::Wrong;
    return sentence;
}

void SentenceReader::feed(std::string_view bytes, std::vector<ReceivedSentence>& out) {
    // Whole runs at a time: the bytes of a sentence up to its line end (or the next "$") are
    // appended in one go, and noise is passed over up to the next "$".
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (!inSentence_) {
            const std::size_t dollar = std::min(bytes.find('$', at), bytes.size());
            for (std::size_t i = at; i < dollar; ++i) {
                // The LF of a CR LF, or a blank line, is no noise.
                if (bytes[i] != '\r' && bytes[i] != '\n') {
                    ++dropped_;
                }
            }
            if (dollar == bytes.size()) {
                return;
            }
            current_.assign(1, '$');
            inSentence_ = true;
            at = dollar + 1;
            continue;
        }
        std::size_t end = at;
        while (end < bytes.size() && bytes[end] != '$' && bytes[end] != '\r' &&
               bytes[end] != '\n') {
            ++end;
        }
        const std::size_t room = kMaxSentenceLength - std::min(current_.size(), kMaxSentenceLength);
        if (end - at > room) {
            // Too long for a sentence: dropped with the byte that went over, as it came.
            dropped_ += current_.size() + room + 1;
            current_.clear();
            inSentence_ = false;
            at += room + 1;
            continue;
        }
        current_.append(bytes.substr(at, end - at));
        at = end;
        if (at == bytes.size()) {
            return;
        }
        if (bytes[at] == '$') {
            dropped_ += current_.size();  // a sentence cut short by the next one
            current_.assign(1, '$');
        } else {
            finishSentence(out);
        }
        ++at;
    }
}

void SentenceReader::finishSentence(std::vector<ReceivedSentence>& out) {
    if (current_.size() > 1) {
        out.push_back(parseSentence(current_));
    } else {
        dropped_ += current_.size();
    }
    current_.clear();
    inSentence_ = false;
}

void SentenceReader::reset() {
    current_.clear();
    inSentence_ = false;
    dropped_ = 0;
}

}  // namespace trawlix::link
