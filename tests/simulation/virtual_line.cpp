#include "simulation/virtual_line.h"

#include <algorithm>

#include "link/sentence.h"

namespace trawlix::simulation {
namespace {

constexpr int kBitsPerByte = 10;  // 8N1: start bit, eight data bits, stop bit

bool isFraming(char c) {
    return c == '$' || c == '*' || c == '\r' || c == '\n';
}

// A changed byte that reads as the same byte would be no fault: 'a' for 'A' in the checksum
// is the same digit to a reader.
bool readsTheSame(char before, char after) {
    return link::hexDigitValue(before) >= 0 &&
           link::hexDigitValue(before) == link::hexDigitValue(after);
}

}  // namespace

Micros byteTimeAt(int baud) {
    return static_cast<Micros>(kBitsPerByte) * 1'000'000 / std::max(baud, 1);
}

void LineDirection::write(std::string_view bytes, Micros now, Micros byteTime) {
    if (bytes.empty()) {
        return;
    }
    const Micros start = std::max(now, freeAt_);
    chunks_.push_back({start, std::string(bytes), 0});
    freeAt_ = start + static_cast<Micros>(bytes.size()) * byteTime;
}

std::string LineDirection::takeArrived(Micros now, Micros byteTime) {
    std::string arrived;
    while (!chunks_.empty()) {
        Chunk& chunk = chunks_.front();
        const Micros elapsed = now - chunk.start;
        const auto complete = static_cast<std::size_t>(
            std::clamp<Micros>(elapsed / byteTime, 0, static_cast<Micros>(chunk.bytes.size())));
        if (complete > chunk.delivered) {
            arrived.append(chunk.bytes, chunk.delivered, complete - chunk.delivered);
            chunk.delivered = complete;
        }
        if (chunk.delivered < chunk.bytes.size()) {
            break;
        }
        chunks_.pop_front();
    }
    return arrived;
}

Micros LineDirection::nextArrival(Micros byteTime) const {
    if (chunks_.empty()) {
        return -1;
    }
    const Chunk& chunk = chunks_.front();
    const std::size_t lineEnd = chunk.bytes.find('\n', chunk.delivered);
    const std::size_t last = lineEnd == std::string::npos ? chunk.bytes.size() - 1 : lineEnd;
    return chunk.start + static_cast<Micros>(last + 1) * byteTime;
}

VirtualLine::VirtualLine(int baud, std::uint32_t seed)
    : byteTime_(byteTimeAt(baud)), random_(seed) {}

void VirtualLine::setBaud(int baud) {
    byteTime_ = byteTimeAt(baud);
}

void VirtualLine::writeFromHost(std::string_view bytes, Micros now) {
    writeWithFaults(toReceiver_, bytes, now, "receiver");
}

void VirtualLine::writeFromReceiver(std::string_view bytes, Micros now) {
    writeWithFaults(toHost_, bytes, now, "host");
}

void VirtualLine::injectTowardsHost(std::string_view bytes, Micros now) {
    toHost_.write(bytes, now, byteTime_);
}

void VirtualLine::injectTowardsReceiver(std::string_view bytes, Micros now) {
    toReceiver_.write(bytes, now, byteTime_);
}

Micros VirtualLine::nextArrival() const {
    const Micros a = toHost_.nextArrival(byteTime_);
    const Micros b = toReceiver_.nextArrival(byteTime_);
    if (a < 0) {
        return b;
    }
    return b < 0 ? a : std::min(a, b);
}

void VirtualLine::cut() {
    toHost_.clear();
    toReceiver_.clear();
}

void VirtualLine::writeWithFaults(LineDirection& direction, std::string_view bytes, Micros now,
                                  const char* towards) {
    if (!faults.any() && loseSentence == 0) {
        direction.write(bytes, now, byteTime_);
        return;
    }
    std::string out;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        const std::size_t end = bytes.find('\n', begin);
        const std::size_t stop = end == std::string_view::npos ? bytes.size() : end + 1;
        out += applyFaults(std::string(bytes.substr(begin, stop - begin)), towards);
        begin = stop;
    }
    direction.write(out, now, byteTime_);
}

std::string VirtualLine::applyFaults(std::string sentence, const char* towards) {
    if (loseSentence > 0 && --loseSentence == 0) {
        faultLog.push_back(std::string("a sentence to the ") + towards + " lost");
        return {};
    }
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    const bool isAcknowledgement = sentence.rfind("$PMGNCSM", 0) == 0;
    if (isAcknowledgement && chance(random_) < faults.dropAcknowledgement) {
        faultLog.push_back(std::string("acknowledgement to the ") + towards + " lost");
        return {};
    }
    // Only bytes between "$" and the line end that are not "*": a lost or changed "*" would
    // turn a damaged sentence into one without checksum, which a reader must accept as it is.
    std::vector<std::size_t> places;
    for (std::size_t i = 1; i < sentence.size(); ++i) {
        if (!isFraming(sentence[i])) {
            places.push_back(i);
        }
    }
    if (places.empty() || sentence[0] != '$') {
        return sentence;
    }
    const std::size_t place = places[random_() % places.size()];
    if (chance(random_) < faults.dropByte) {
        faultLog.push_back(std::string("a byte lost towards the ") + towards);
        sentence.erase(place, 1);
    } else if (chance(random_) < faults.corrupt) {
        const char before = sentence[place];
        char after = before;
        while (after == before || isFraming(after) || readsTheSame(before, after)) {
            after = static_cast<char>(random_() % 256);
        }
        sentence[place] = after;
        faultLog.push_back(std::string("a byte damaged towards the ") + towards);
    }
    return sentence;
}

}  // namespace trawlix::simulation
