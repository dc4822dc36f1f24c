// Bytes off the serial line, in pieces of any size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/record_mapping.h"
#include "link/sentence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trawlix::link;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    SentenceReader reader;
    std::vector<ReceivedSentence> out;
    // The first byte chooses how the bytes are cut into reads.
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 64;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        reader.feed(bytes.substr(at, piece), out);
    }
    for (const ReceivedSentence& sentence : out) {
        if (sentence.text.empty() || sentence.text[0] != '$' ||
            sentence.text.size() > SentenceReader::kMaxSentenceLength) {
            std::abort();
        }
        const auto fields = sentence.fields();
        mapping::decodeWaypoint(fields, 1);
        mapping::decodeTrackPoint(fields);
        mapping::decodeRoute(fields);
        mapping::decodeVersion(fields);
        const std::string framed = frameSentence(sentence.withoutChecksum());
        if (parseSentence(framed.substr(0, framed.size() - 2)).checksum != ChecksumState::Valid) {
            std::abort();  // what we frame must check
        }
    }
    return 0;
}
