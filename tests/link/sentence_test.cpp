#include "link/sentence.h"
#include "link/sentence_text.h"

#include <gtest/gtest.h>

namespace trawlix::link {
namespace {

std::vector<ReceivedSentence> feedAll(SentenceReader& reader, std::string_view bytes) {
    std::vector<ReceivedSentence> out;
    reader.feed(bytes, out);
    return out;
}

TEST(Framing, PublishedCheckValues) {
    EXPECT_EQ(frameSentence("$PMGNCMD,WAYPOINT"), "$PMGNCMD,WAYPOINT*71\r\n");
    EXPECT_EQ(frameSentence("$PMGNCMD,END"), "$PMGNCMD,END*3D\r\n");
    EXPECT_EQ(frameSentence("$PMGNCMD,VERSION"), "$PMGNCMD,VERSION*28\r\n");
    EXPECT_EQ(frameSentence("$PMGNCMD,ROUTE"), "$PMGNCMD,ROUTE*2B\r\n");
    EXPECT_EQ(frameSentence("$PMGNCMD,TRACK,2"), "$PMGNCMD,TRACK,2*23\r\n");
}

TEST(Framing, ExampleTrackSentenceChecksIn) {
    const auto sentence =
        parseSentence("$PMGNTRK,4605.979,N,00713.315,E,01529,M,071548.24,A,,110808*74");
    EXPECT_EQ(sentence.checksum, ChecksumState::Valid);
    EXPECT_EQ(sentence.word(), "PMGNTRK");
    EXPECT_EQ(sentence.fields().size(), 10u);
}

TEST(SentenceReader, AcceptsEveryLineEnd) {
    SentenceReader reader;
    const auto out = feedAll(reader, "$PMGNCMD,END*3D\r\n$PMGNCMD,END*3D\n$PMGNCMD,END*3D\r");
    ASSERT_EQ(out.size(), 3u);
    for (const auto& s : out) {
        EXPECT_EQ(s.text, "$PMGNCMD,END*3D");
        EXPECT_EQ(s.checksum, ChecksumState::Valid);
    }
}

TEST(SentenceReader, JoinsSentencesSplitAcrossReads) {
    SentenceReader reader;
    EXPECT_TRUE(feedAll(reader, "$PMGNC").empty());
    EXPECT_TRUE(feedAll(reader, "MD,VERS").empty());
    const auto out = feedAll(reader, "ION*28\r\n");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].withoutChecksum(), "$PMGNCMD,VERSION");
}

TEST(SentenceReader, SkipsNoiseBetweenSentences) {
    SentenceReader reader;
    const auto out =
        feedAll(reader, "\x01\xff garbage\r\n$PMGNCMD,END*3D\r\n junk $GPGLL,1*00\r\n");
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].text, "$PMGNCMD,END*3D");
    EXPECT_EQ(out[1].checksum, ChecksumState::Wrong);
    EXPECT_GT(reader.droppedBytes(), 0u);
}

// The link takes dropped bytes for noise that may hide sentences: line ends of every kind
// between clean sentences are none.
TEST(SentenceReader, CountsNoNoiseOnACleanLine) {
    SentenceReader reader;
    const auto out = feedAll(reader, "$PMGNCMD,END*3D\r\n$PMGNCMD,END*3D\n\r\n$GPGLL,1*00\r");
    EXPECT_EQ(out.size(), 3u);
    EXPECT_EQ(reader.droppedBytes(), 0u);
}

TEST(SentenceReader, MissingChecksumIsUncheckedAndWrongOneIsAnError) {
    SentenceReader reader;
    const auto out = feedAll(reader,
                             "$PMGNCMD,END\r\n$PMGNCMD,END*3E\r\n$PMGNCMD,END*3\r\n"
                             "$PMGNCMD,END*3d\r\n");
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0].checksum, ChecksumState::Missing);
    EXPECT_EQ(out[1].checksum, ChecksumState::Wrong);
    EXPECT_EQ(out[2].checksum, ChecksumState::Wrong);
    EXPECT_EQ(out[3].checksum, ChecksumState::Valid);  // lower-case digits are accepted
}

TEST(SentenceReader, DropsAnEndlessLineAndResynchronises) {
    SentenceReader reader;
    std::string endless = "$PMGNWPL," + std::string(100'000, 'x');
    EXPECT_TRUE(feedAll(reader, endless).empty());
    const auto out = feedAll(reader, "more garbage$PMGNCMD,END*3D\r\n");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].text, "$PMGNCMD,END*3D");
    EXPECT_GE(reader.droppedBytes(), endless.size());
}

TEST(SentenceReader, ASentenceCutShortByTheNextIsDropped) {
    SentenceReader reader;
    const auto out = feedAll(reader, "$PMGNWPL,12$PMGNCMD,END*3D\r\n");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].text, "$PMGNCMD,END*3D");
}

}  // namespace
}  // namespace trawlix::link

namespace trawlix::link {
namespace {

TEST(SentenceText, CharactersThatWouldBreakTheSentenceBecomeBlanks) {
    const SentenceText safe = sentenceSafe("A,B*C$D\rE\nF\tG");
    EXPECT_EQ(safe.text, "A B C D E F G");
    EXPECT_EQ(safe.replaced, 6);
}

TEST(SentenceText, EightBitLettersAndPunctuationPassUnchanged) {
    const std::string text = "Caf\xe9 #1 (north) - 50% @ 'x' \"y\"";
    const SentenceText safe = sentenceSafe(text);
    EXPECT_EQ(safe.text, text);
    EXPECT_EQ(safe.replaced, 0);
}

}  // namespace
}  // namespace trawlix::link
