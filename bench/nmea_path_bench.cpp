// The NMEA path from bytes: the sentence reader and the display together, on one core.
// A recorded walk (tests/data/walk.nmea) is repeated to a million sentences and fed to the
// reader in the pieces a serial port hands over; every sentence that is not the protocol's
// own goes to the window's NMEA handler, as the link routes it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "app/your_form.h"
#include "link/protocol_texts.h"
#include "link/sentence.h"
#include "support/null_parts.h"

namespace {

using trawlix::link::ReceivedSentence;

constexpr std::size_t kSentences = 1'000'000;
constexpr std::size_t kReadSize = 64;  // a serial port hands over a few dozen bytes a read

struct RecordedLog {
    std::string bytes;
    std::size_t sentences = 0;
};

// The walk, repeated until it holds a million sentences.
const RecordedLog& millionSentences() {
    static const RecordedLog log = [] {
        std::ifstream file(TRAWLIX_WALK_LOG, std::ios::binary);
        const std::string walk((std::istreambuf_iterator<char>(file)), {});
        const auto perWalk = static_cast<std::size_t>(std::count(walk.begin(), walk.end(), '\n'));
        RecordedLog repeated;
        if (perWalk == 0) {
            return repeated;
        }
        while (repeated.sentences < kSentences) {
            repeated.bytes += walk;
            repeated.sentences += perWalk;
        }
        return repeated;
    }();
    return log;
}

bool isNmea(const ReceivedSentence& sentence) {
    const std::string_view prefix = trawlix::link::protocol::kProprietaryPrefix;
    return sentence.word().substr(0, prefix.size()) != prefix;
}

// `withDebugLine` adds the "< sentence" line the link writes to the debug list for each.
void BytesToCaptions(benchmark::State& state, bool withDebugLine) {
    const RecordedLog& log = millionSentences();
    if (log.sentences == 0) {
        state.SkipWithError("cannot read " TRAWLIX_WALK_LOG);
        return;
    }
    trawlix::fuzzing::NullView view;
    trawlix::fuzzing::NullLink link;
    trawlix::fuzzing::NullSettings settings;
    trawlix::app::YourForm form(view, link, settings, "/");
    trawlix::link::SentenceReader reader;
    std::vector<ReceivedSentence> sentences;
    std::size_t handled = 0;
    for (auto _ : state) {
        const std::string_view bytes = log.bytes;
        for (std::size_t at = 0; at < bytes.size(); at += kReadSize) {
            sentences.clear();
            reader.feed(bytes.substr(at, kReadSize), sentences);
            for (const ReceivedSentence& sentence : sentences) {
                if (withDebugLine) {
                    std::string line = "< " + sentence.text;
                    form.Magellan_mDebug(line);
                }
                if (isNmea(sentence)) {
                    std::string line = sentence.text;
                    bool checksumError = sentence.checksum == trawlix::link::ChecksumState::Wrong;
                    form.Magellan_NMEA(line, checksumError);
                }
                ++handled;
            }
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(handled));
    state.counters["sentences"] = static_cast<double>(log.sentences);
    benchmark::DoNotOptimize(view.captions);
}
BENCHMARK_CAPTURE(BytesToCaptions, reader_and_display, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BytesToCaptions, reader_display_and_debug_line, true)
    ->Unit(benchmark::kMillisecond);

}  // namespace
