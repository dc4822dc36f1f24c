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

#include "app/fix_share.h"
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

// The share's side with 16 programs connected: each sentence goes into the feed, and every
// client takes it at once into a buffer of its own, where the server hands it to the
// socket (the socket's own write is not part of this).
struct SharingClients {
    static constexpr int kClients = 16;
    static constexpr std::size_t kSocketRoom = 8 * 1024;
    trawlix::app::FixFeed feed;
    std::vector<trawlix::app::FixFeed::ClientId> ids;
    std::vector<std::string> sockets = std::vector<std::string>(kClients);
    SharingClients() {
        for (int i = 0; i < kClients; ++i) {
            ids.push_back(feed.addClient());
        }
    }
    void offer(const std::string& sentence) {
        if (!feed.offer(sentence, 0.0)) {
            return;
        }
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (sockets[i].size() > kSocketRoom) {
                sockets[i].clear();  // the socket took it
            }
            feed.take(ids[i], sockets[i], kSocketRoom);
        }
    }
};

// `withDebugLine` adds the "< sentence" line the link writes to the debug list for each;
// `sharing` hands each NMEA sentence to 16 connected programs as well.
void BytesToCaptions(benchmark::State& state, bool withDebugLine, bool sharing = false) {
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
    SharingClients share;
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
                    if (sharing) {
                        share.offer(sentence.text);
                    }
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
    benchmark::DoNotOptimize(share.sockets);
}
BENCHMARK_CAPTURE(BytesToCaptions, reader_and_display, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BytesToCaptions, reader_display_and_share_16, false, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BytesToCaptions, reader_display_and_debug_line, true)
    ->Unit(benchmark::kMillisecond);

}  // namespace
