// The simulated receiver's own clock, and what it keeps of an upload.
#include "sim/simulated_receiver.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "link/sentence.h"

namespace trawlix::sim {
namespace {

// The UTC time (hhmmss.00) and date (ddmmyy) a receiver puts in $GPRMC, for a wall clock
// reading, by the C library rather than by <chrono>.
std::string rmcTimeAndDate(std::time_t wall) {
    const std::tm utc = *std::gmtime(&wall);
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%02d.00 %02d%02d%02d", utc.tm_hour, utc.tm_min,
                  utc.tm_sec, utc.tm_mday, utc.tm_mon + 1, utc.tm_year % 100);
    return text;
}

std::string field(const std::string& sentence, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = sentence.find(',', start) + 1;
    }
    return sentence.substr(start, sentence.find(',', start) - start);
}

TEST(SimulatedReceiverFix, CarriesTheCurrentUtcTimeAndDate) {
    SimulatedReceiver receiver;
    const Clock::time_point now = Clock::now();
    receiver.receive(link::frameSentence("$PMGNCMD,NMEAON"), now);
    // The receiver's clock: time() may read a coarser clock that lags it by a few
    // milliseconds, a second behind at the turn of a second.
    const auto wallNow = [] {
        return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    };
    const std::time_t before = wallNow();
    receiver.tick(now);
    const std::time_t after = wallNow();

    const std::string output = receiver.takeOutput();
    const std::size_t rmc = output.find("$GPRMC,");
    ASSERT_NE(rmc, std::string::npos) << output;
    const std::string sentence = output.substr(rmc, output.find('\n', rmc) - rmc);
    const std::string sent = field(sentence, 1) + " " + field(sentence, 9);
    if (sent != rmcTimeAndDate(before)) {
        EXPECT_EQ(sent, rmcTimeAndDate(after)) << sentence;
    }
}

// A track point sent again because its acknowledgement was lost is kept once, even when line
// noise that looks like a sentence without checksum came between the two copies.
TEST(SimulatedReceiverUpload, KeepsARepeatedPointOnceAcrossNoise) {
    SimulatedReceiver receiver;
    const Clock::time_point now = Clock::now();
    const std::string point =
        link::frameSentence("$PMGNTRK,4606.000,N,00706.000,E,00457,M,120000.00,A,,071226");
    receiver.receive(link::frameSentence("$PMGNCMD,HANDON"), now);
    receiver.receive(point, now);
    receiver.receive("$\xF3\x92pZE]\r\n", now);
    receiver.receive(point, now);
    receiver.receive(link::frameSentence("$PMGNCMD,END"), now);

    EXPECT_EQ(receiver.store().track.size(), 1u);
}

}  // namespace
}  // namespace trawlix::sim
