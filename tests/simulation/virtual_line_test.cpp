// The simulated line: bytes take their line time, the directions are independent, and every
// fault it makes is one a reader can notice.
#include <gtest/gtest.h>

#include "link/sentence.h"
#include "simulation/virtual_line.h"

namespace trawlix::simulation {
namespace {

TEST(VirtualLine, BytesArriveAfterTheirLineTimeAndQueueBehindEachOther) {
    VirtualLine line(4800, 1);
    ASSERT_EQ(line.byteTime(), 2083);  // 10 bits at 4800 baud
    line.writeFromHost("ab", 0);
    line.writeFromHost("c", 0);  // waits for the line
    EXPECT_EQ(line.arrivedAtReceiver(2082), "");
    EXPECT_EQ(line.arrivedAtReceiver(2083), "a");
    EXPECT_EQ(line.nextArrival(), 2 * 2083) << "the end of what was written together";
    EXPECT_EQ(line.arrivedAtReceiver(10'000), "bc");
    EXPECT_EQ(line.nextArrival(), -1);
}

TEST(VirtualLine, DirectionsDoNotWaitForEachOther) {
    VirtualLine line(9600, 1);
    line.writeFromHost("$A\r\n", 0);
    line.writeFromReceiver("$B\r\n", 0);
    EXPECT_EQ(line.nextArrival(), 4 * line.byteTime());
    EXPECT_EQ(line.arrivedAtReceiver(4 * line.byteTime()), "$A\r\n");
    EXPECT_EQ(line.arrivedAtHost(4 * line.byteTime()), "$B\r\n");
}

TEST(VirtualLine, NextArrivalIsTheNextLineEnd) {
    VirtualLine line(4800, 1);
    line.writeFromReceiver("$A*41\r\n$B*42\r\n", 100);
    EXPECT_EQ(line.nextArrival(), 100 + 7 * line.byteTime());
}

TEST(VirtualLine, CutLosesWhatIsInTransit) {
    VirtualLine line(4800, 1);
    line.writeFromHost("$PMGNCMD,VERSION*28\r\n", 0);
    line.cut();
    EXPECT_EQ(line.arrivedAtReceiver(kSecond), "");
}

// Thousands of sentences through a line that damages most of them: each arrives intact, is
// lost whole (acknowledgements only), or fails its checksum. None arrives changed yet whole.
TEST(VirtualLine, EveryDamagedSentenceFailsItsChecksum) {
    VirtualLine line(4800, 42);
    line.faults.corrupt = 0.5;
    line.faults.dropByte = 0.3;
    line.faults.dropAcknowledgement = 0.5;
    const std::string sentences[] = {
        link::frameSentence("$PMGNWPL,4605.979,N,00713.315,E,1529,M,WP001,Start,a"),
        link::frameSentence("$PMGNCSM,5A"),
        link::frameSentence("$PMGNCMD,END"),
    };
    int damaged = 0;
    int lost = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string& sent = sentences[i % 3];
        line.writeFromReceiver(sent, 0);
        const std::string arrived = line.arrivedAtHost(3600 * kSecond);
        if (arrived.empty()) {
            ++lost;
            EXPECT_EQ(sent.rfind("$PMGNCSM", 0), 0u) << "only acknowledgements are lost whole";
            continue;
        }
        if (arrived == sent) {
            continue;
        }
        ++damaged;
        link::SentenceReader reader;
        std::vector<link::ReceivedSentence> out;
        reader.feed(arrived, out);
        ASSERT_EQ(out.size(), 1u) << arrived;
        EXPECT_EQ(out[0].checksum, link::ChecksumState::Wrong) << arrived;
    }
    EXPECT_GT(damaged, 1000);
    EXPECT_GT(lost, 200);
}

}  // namespace
}  // namespace trawlix::simulation
