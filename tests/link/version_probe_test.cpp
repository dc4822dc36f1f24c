#include "link/version_probe.h"

#include <gtest/gtest.h>

namespace trawlix::link {
namespace {

using Verdict = VersionProbe::Verdict;

TEST(VersionProbe, RequestIsTheFramedVersionCommand) {
    EXPECT_EQ(VersionProbe::request(), "$PMGNCMD,VERSION*28\r\n");
}

TEST(VersionProbe, ReplyInPiecesAfterNoiseGivesTheIdentity) {
    VersionProbe probe;
    const std::string reply = frameSentence("$PMGNVER,MERIDIAN GPS,5.04,Trawlix simulated");
    EXPECT_EQ(probe.feed("\x01" + reply.substr(0, 12)), Verdict::Waiting);
    EXPECT_EQ(probe.feed(reply.substr(12)), Verdict::Answered);
    EXPECT_EQ(probe.identity().ProductId, "MERIDIAN GPS");
    EXPECT_EQ(probe.identity().SoftwareVersion, "5.04");
    EXPECT_EQ(probe.identity().Description, "Trawlix simulated");
}

TEST(VersionProbe, ReplyAfterNmeaStillCounts) {
    VersionProbe probe;
    probe.feed(frameSentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    EXPECT_TRUE(probe.heardOtherSentences());
    EXPECT_EQ(probe.feed(frameSentence("$PMGNVER,A,1,B")), Verdict::Answered);
}

TEST(VersionProbe, DamagedRepliesAreNoAnswerAndTwoAreGarbled) {
    VersionProbe probe;
    EXPECT_EQ(probe.feed("$PMGNVER,A,1,B*00\r\n"), Verdict::Waiting);
    EXPECT_EQ(probe.feed("$PMGNVER,A,1,B*00\r\n"), Verdict::Garbled);
}

TEST(VersionProbe, BytesOfAnotherSpeedAreGarbled) {
    VersionProbe probe;
    std::string wrongSpeed = frameSentence("$PMGNVER,A,1,B");
    for (char& c : wrongSpeed) {
        c = static_cast<char>(static_cast<unsigned char>(c) | 0x80U);
    }
    EXPECT_EQ(probe.feed(wrongSpeed.substr(0, 4)), Verdict::Waiting);  // a few: line noise
    EXPECT_EQ(probe.feed(wrongSpeed.substr(4)), Verdict::Garbled);
    // The verdict holds: a good reply after it changes nothing.
    EXPECT_EQ(probe.feed(frameSentence("$PMGNVER,A,1,B")), Verdict::Garbled);
}

TEST(VersionProbe, PrintableTailOfASentenceCaughtMidwayIsNotGarbage) {
    VersionProbe probe;
    EXPECT_EQ(probe.feed("9.0,M,46.9,M,,*47\r\n,A,1,B*00\r\n"), Verdict::Waiting);
}

TEST(VersionProbe, NoiseAlongsideGoodSentencesIsNotGarbled) {
    VersionProbe probe;
    probe.feed(frameSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,,"));
    EXPECT_EQ(probe.feed(std::string(20, '\xff')), Verdict::Waiting);
}

TEST(VersionProbe, AcknowledgesRepliesAndEndsButNotAStoppedDownload) {
    const std::pair<std::string, bool> cases[] = {
        {"PMGNVER,MERIDIAN GPS,5.04,Old reply", true},
        {"PMGNCMD,END", true},
        {"PMGNWPL,4605.979,N,00713.315,E,1529,M,HOME,,a", false},
        {"PMGNCSM,28", false},
    };
    for (const auto& [body, owed] : cases) {
        VersionProbe probe;
        probe.feed(frameSentence("$" + body));
        const std::string acknowledgement = frameSentence("$PMGNCSM," + hexByte(checksumOf(body)));
        EXPECT_EQ(probe.takeReplies(), owed ? acknowledgement : "") << body;
        EXPECT_EQ(probe.takeReplies(), "") << "taken once";
    }
}

}  // namespace
}  // namespace trawlix::link
