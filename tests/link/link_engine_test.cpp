// The receiver protocol without I/O: a receiver written out by hand, sentence by sentence,
// and time that passes only when the test says so.
#include "link/link_engine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "link/gps_link.h"
#include "link/protocol_texts.h"

namespace trawlix::link {
namespace {

namespace protocol = link::protocol;

const std::string kVersion(protocol::kVersionCommand);
const std::string kWaypoints(protocol::kWaypointsCommand);
const std::string kTracks(protocol::kTracksCommand);
const std::string kHandOn(protocol::kHandOnCommand);
const std::string kNmeaOff(protocol::kNmeaOffCommand);

const std::string kWaypoint1 = "$PMGNWPL,4605.979,N,00713.315,E,1529,M,HOME,,a";
const std::string kWaypoint2 = "$PMGNWPL,4606.100,N,00714.000,E,1600,M,LAKE,,a";
const std::string kTrackPoint = "$PMGNTRK,4605.979,N,00713.315,E,01529,M,071548.24,A,,110808";
const std::string kEnd = "$PMGNCMD,END";
const std::string kFix = "$GPGGA,071548.00,4605.979,N,00713.315,E,1,08,0.9,1529.0,M,46.9,M,,";

std::string ackOf(const std::string& sentence) {
    return "$PMGNCSM," + hexByte(checksumOf(sentence.substr(1)));
}

class LinkEngineTest : public ::testing::Test {
  protected:
    LinkEngineTest() { engine.opened(LineSettings{}, now); }

    // The receiver sends `sentence`; the engine handles it at once.
    void receive(const std::string& sentence) {
        engine.receive(frameSentence(sentence), now);
        while (engine.handleReceived(now)) {
        }
        collect();
    }
    // Time passes; the engine is woken whenever it asked to be.
    void advance(Millis ms) {
        const Millis until = now + ms;
        for (auto next = engine.nextWakeUp(); next && *next <= until; next = engine.nextWakeUp()) {
            now = std::max(now, *next);
            engine.tick(now);
            collect();
        }
        now = until;
        engine.tick(now);
        collect();
    }
    void collect() {
        const std::string bytes = engine.takeOutput();
        for (std::size_t start = 0; start < bytes.size();) {
            const std::size_t end = bytes.find("\r\n", start);
            const std::string line = bytes.substr(start, end - start);
            sent.push_back(line.substr(0, line.find('*')));
            start = end + 2;
        }
        while (auto event = engine.takeEvent()) {
            events.push_back(std::move(*event));
        }
    }
    // The set-up a window makes after opening, with a receiver that answers it.
    void setUpAnswered() {
        engine.configureLink(1, now);
        collect();
        receive(ackOf(kHandOn));
        engine.endConfigureWait();
        collect();
        sent.clear();
        events.clear();
    }
    // The set-up with a receiver that is switched off.
    void setUpUnanswered() {
        engine.configureLink(1, now);
        collect();
        advance(engine.configureDeadline() - now);
        engine.endConfigureWait();
        collect();
        sent.clear();
        events.clear();
    }
    // A track download under way, its first point taken, cancelled: the drain begins.
    void cancelTrackDownloadPartWay() {
        setUpAnswered();
        request(kTracks);
        receive(ackOf(kTracks));
        receive(kTrackPoint);
        engine.cancelTransfer(now);
        collect();
    }
    // A download request; in acknowledgement mode the receiver confirms the HANDON that goes
    // ahead of every download.
    void request(const std::string& command) {
        engine.requestDownload(command, now);
        collect();
        if (!sent.empty() && sent.back() == kHandOn) {
            receive(ackOf(kHandOn));
        }
    }
    void send(const std::string& sentence) {
        engine.sendSentence(sentence, now);
        collect();
    }
    int countSent(const std::string& sentence) const {
        return static_cast<int>(std::count(sent.begin(), sent.end(), sentence));
    }
    std::vector<std::string> received(const std::string& id) const {
        std::vector<std::string> lines;
        for (const auto& event : events) {
            if (event.kind == LinkEvent::Kind::Receive && event.id == id) {
                lines.push_back(event.text);
            }
        }
        return lines;
    }
    std::vector<const LinkEvent*> errors() const {
        std::vector<const LinkEvent*> found;
        for (const auto& event : events) {
            if (event.kind == LinkEvent::Kind::Error) {
                found.push_back(&event);
            }
        }
        return found;
    }

    Millis now = 1000;
    LinkEngine engine;
    std::vector<std::string> sent;
    std::vector<LinkEvent> events;
};

// --- Acknowledgement mode is what the receiver confirmed --------------------------------

TEST_F(LinkEngineTest, EveryDownloadAsksForAcknowledgementModeFirst) {
    setUpAnswered();
    // Switched off and on since: out of acknowledgement mode, it would send its records
    // unpaced, and a damaged one would never come again.
    sent.clear();
    engine.requestDownload(kWaypoints, now);
    collect();
    ASSERT_EQ(sent, std::vector<std::string>{kHandOn});
    receive(ackOf(kHandOn));
    ASSERT_EQ(sent.back(), kWaypoints);
    receive(ackOf(kWaypoints));
    receive(kWaypoint1);
    receive(kEnd);
    EXPECT_EQ(received(std::string(protocol::kWaypointKind)).size(), 1u);
    EXPECT_TRUE(errors().empty());
}

TEST_F(LinkEngineTest, ReceiverSwitchedOnAfterASilentSetUpIsAskedForHandOnFirst) {
    setUpUnanswered();
    EXPECT_FALSE(engine.acknowledgementMode());
    engine.requestDownload(kWaypoints, now);
    collect();
    ASSERT_EQ(sent, std::vector<std::string>{kHandOn});
    receive(ackOf(kHandOn));
    EXPECT_TRUE(engine.acknowledgementMode());
    ASSERT_EQ(sent.back(), kWaypoints);
    receive(ackOf(kWaypoints));
    receive(kWaypoint1);
    receive(kEnd);
    EXPECT_EQ(countSent(kWaypoints), 1);
    EXPECT_EQ(received(std::string(protocol::kWaypointKind)).size(), 1u);
    EXPECT_EQ(received("END").size(), 1u);
    EXPECT_TRUE(errors().empty());
}

TEST_F(LinkEngineTest, UnansweredHandOnIsTriedOnceAndTheErrorNamesTheUsersSentence) {
    setUpUnanswered();
    send(kNmeaOff);
    advance(30000);
    EXPECT_EQ(countSent(kHandOn), 1);
    EXPECT_EQ(countSent(kNmeaOff), protocol::kSendsPerSentence);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0]->errorClass, kNoAnswer);
    EXPECT_EQ(errors()[0]->sentence, kNmeaOff);
    // Every later sentence asks again: the receiver may come on at any time.
    send(kNmeaOff);
    EXPECT_EQ(countSent(kHandOn), 2);
}

TEST_F(LinkEngineTest, AnyAcknowledgementConfirmsTheMode) {
    setUpUnanswered();
    send(kNmeaOff);
    advance(engine.nextWakeUp().value() - now);  // HANDON's acknowledgement was lost
    ASSERT_EQ(sent.back(), kNmeaOff);
    receive(ackOf(kNmeaOff));
    EXPECT_TRUE(engine.acknowledgementMode());
    send(kNmeaOff);
    EXPECT_EQ(countSent(kHandOn), 1);
}

TEST_F(LinkEngineTest, ReopeningForgetsWhatTheReceiverConfirmed) {
    setUpAnswered();
    EXPECT_TRUE(engine.acknowledgementMode());
    engine.closed();
    engine.opened(LineSettings{}, now);
    EXPECT_FALSE(engine.acknowledgementMode());
    send(kNmeaOff);
    EXPECT_EQ(sent, std::vector<std::string>{kHandOn});
}

// A receiver whose download the port closed on goes on sending it: reopened, the link waits
// for it to end before it asks for a new download, or the rest would be taken for its first
// records. A port closed while nothing was sent opens without waiting.
TEST_F(LinkEngineTest, ReopeningAfterTheLineWasLostPartWayWaitsForTheDownloadsRest) {
    setUpAnswered();
    request(kWaypoints);
    receive(ackOf(kWaypoints));
    receive(kWaypoint1);
    engine.lineLost("/dev/ttyUSB0", "device gone");
    engine.opened(LineSettings{}, now);
    EXPECT_TRUE(engine.draining());
    sent.clear();
    request(kWaypoints);
    receive(kWaypoint2);
    EXPECT_EQ(countSent(kWaypoints), 0);
    receive(kEnd);
    EXPECT_FALSE(engine.draining());
    EXPECT_EQ(countSent(ackOf(kEnd)), 1) << "answered, or it comes again to end the next one";
    advance(engine.afterEndWaitMs());
    receive(ackOf(kHandOn));
    EXPECT_EQ(countSent(kWaypoints), 1);
    EXPECT_EQ(received(std::string(protocol::kWaypointKind)).size(), 1u);
    receive(ackOf(kWaypoints));
    receive(kEnd);

    engine.closed();
    engine.opened(LineSettings{}, now);
    EXPECT_FALSE(engine.draining());
}

TEST_F(LinkEngineTest, WithoutAcknowledgementModeASentenceIsConfirmedAtTheNextTick) {
    send(kNmeaOff);
    EXPECT_TRUE(received(std::string(protocol::kAckKind)).empty());
    EXPECT_EQ(engine.nextWakeUp(), now);
    advance(0);
    ASSERT_EQ(received(std::string(protocol::kAckKind)).size(), 1u);
    EXPECT_EQ(events.back().lastCommand, kNmeaOff);
}

// --- Sending and resending --------------------------------------------------------------

TEST_F(LinkEngineTest, GivenUpSentenceHoldsTheQueueUntilItsRetry) {
    setUpAnswered();
    send("$PMGNWPL,A");
    send("$PMGNWPL,B");
    advance(10000);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0]->sentence, "$PMGNWPL,A");
    EXPECT_EQ(countSent("$PMGNWPL,B"), 0);
    send("$PMGNWPL,A");  // Retry
    // A receiver that answered nothing may have been switched off and on: the Retry asks
    // for acknowledgement mode first.
    EXPECT_EQ(sent.back(), "$PMGNCMD,HANDON");
    receive(ackOf("$PMGNCMD,HANDON"));
    EXPECT_EQ(sent.back(), "$PMGNWPL,A");
    receive(ackOf("$PMGNWPL,A"));
    EXPECT_EQ(sent.back(), "$PMGNWPL,B");
}

TEST_F(LinkEngineTest, AnswerWaitingBehindAHandlerStopsTheResend) {
    setUpAnswered();
    send("$PMGNWPL,A");
    // The acknowledgement came while a handler's modal box was open: not handled yet.
    engine.receive(frameSentence(ackOf("$PMGNWPL,A")), now);
    advance(10000);
    EXPECT_EQ(countSent("$PMGNWPL,A"), 1);
    while (engine.handleReceived(now)) {
    }
    collect();
    EXPECT_EQ(received(std::string(protocol::kAckKind)).size(), 1u);
}

// --- Downloads --------------------------------------------------------------------------

TEST_F(LinkEngineTest, RecordsConfirmADownloadCommandWhoseAcknowledgementWasLost) {
    setUpAnswered();
    request(kTracks);
    receive(kTrackPoint);
    advance(4000);
    receive(kEnd);
    EXPECT_EQ(countSent(kTracks), 1);
    EXPECT_EQ(countSent(ackOf(kTrackPoint)), 1);
    EXPECT_EQ(received(std::string(protocol::kTrackPointKind)).size(), 1u);
    EXPECT_TRUE(errors().empty());
}

// The command went twice, and the receiver took it twice: it gives up on its first answer
// part way (our acknowledgements did not reach it) and answers again from the start. Each
// record is taken once, in order, and the download ends on the second answer's end.
TEST_F(LinkEngineTest, ASecondAnswerToACommandSentTwiceAddsOnlyWhatTheFirstLacked) {
    const std::string waypoint3 = "$PMGNWPL,4607.000,N,00715.000,E,1700,M,CAMP,,a";
    setUpAnswered();
    request(kWaypoints);
    advance(1500);  // the acknowledgement of the command was lost: it goes again
    ASSERT_EQ(countSent(kWaypoints), 2);
    receive(ackOf(kWaypoints));
    for (const auto& record : {kWaypoint1, kWaypoint2, kWaypoint1, kWaypoint2, waypoint3, kEnd}) {
        receive(record);
    }
    const auto taken = received(std::string(protocol::kWaypointKind));
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[2].substr(0, waypoint3.size()), waypoint3);
    EXPECT_EQ(received(std::string(protocol::kEndId)).size(), 1u);
    EXPECT_EQ(countSent(ackOf(kWaypoint1)), 2) << "every copy is answered";

    // Sent once, the same record again is the receiver's own: it is taken.
    advance(engine.afterEndWaitMs());
    request(kWaypoints);
    receive(ackOf(kWaypoints));
    for (const auto& record : {kWaypoint1, kWaypoint2, kWaypoint1, kEnd}) {
        receive(record);
    }
    EXPECT_EQ(received(std::string(protocol::kWaypointKind)).size(), 6u);
}

TEST_F(LinkEngineTest, ReceiverSilentPartWayIsReportedPartWay) {
    setUpAnswered();
    request(kWaypoints);
    receive(kWaypoint1);  // its acknowledgement of the command was lost
    advance(LinkEngine::kDownloadSilenceMs + 100);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0]->errorClass, kLineLost);
    EXPECT_NE(errors()[0]->text.find("nothing for 5 seconds"), std::string::npos);
    // OK waits on: a record that comes after all is still taken.
    receive(kWaypoint2);
    EXPECT_EQ(received(std::string(protocol::kWaypointKind)).size(), 2u);
}

TEST_F(LinkEngineTest, NmeaDoesNotHideASilentDownload) {
    setUpAnswered();
    request(kWaypoints);
    receive(ackOf(kWaypoints));
    receive(kWaypoint1);
    for (int second = 0; second < 6; ++second) {
        advance(1000);
        receive(kFix);
    }
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0]->errorClass, kLineLost);
}

TEST_F(LinkEngineTest, UnansweredDownloadIsANoAnswerWithTheCommandToRetry) {
    request(kWaypoints);  // no acknowledgement mode: nothing but the records would answer
    advance(LinkEngine::kDownloadSilenceMs + 100);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0]->errorClass, kNoAnswer);
    EXPECT_EQ(errors()[0]->sentence, kWaypoints);
    EXPECT_NE(errors()[0]->text.find("within 5 seconds"), std::string::npos);
}

TEST_F(LinkEngineTest, RouteSentenceGivesAHeaderAndItsEntriesEachWithItsRecord) {
    request(std::string(protocol::kRoutesCommand));
    advance(0);
    events.clear();
    receive("$PMGNRTE,2,1,c,01,HOME,a,LAKE,b");
    receive("$PMGNRTE,2,2,c,01,CAMP,c");
    std::vector<std::string> order;
    for (const auto& event : events) {
        if (event.kind == LinkEvent::Kind::Receive) {
            order.push_back(event.id);
        }
    }
    const std::string header(protocol::kRouteKind);
    const std::string entry(protocol::kRouteWaypointKind);
    EXPECT_EQ(order, (std::vector<std::string>{header, entry, entry, entry}));
    const auto& last = events.back();
    ASSERT_TRUE(std::holds_alternative<WaypointRecord>(last.record));
    EXPECT_EQ(std::get<WaypointRecord>(last.record).Field4, "CAMP");
}

TEST_F(LinkEngineTest, RepeatedEndAfterALostAcknowledgementIsAnsweredNotDrained) {
    setUpAnswered();
    request(kWaypoints);
    receive(ackOf(kWaypoints));
    receive(kWaypoint1);
    receive(kEnd);
    receive(kEnd);
    EXPECT_EQ(countSent(ackOf(kEnd)), 2);
    EXPECT_EQ(received("END").size(), 1u);
    EXPECT_FALSE(engine.draining());
}

// --- Draining what a stopped transfer leaves --------------------------------------------

TEST_F(LinkEngineTest, DrainAfterCancelEndsOnQuietInProtocolSentencesThoughNmeaStreams) {
    cancelTrackDownloadPartWay();
    ASSERT_TRUE(engine.draining());
    request(kWaypoints);
    EXPECT_EQ(countSent(kWaypoints), 0);
    send(kNmeaOff);  // its answer cannot be taken for a record: it goes at once
    EXPECT_EQ(sent.back(), kNmeaOff);
    receive(ackOf(kNmeaOff));
    for (int n = 0; n < 3; ++n) {  // the receiver sends its record again, unanswered
        receive(kTrackPoint + ",x");
        advance(500);
        receive(kFix);
        advance(500);
    }
    EXPECT_EQ(countSent(kWaypoints), 0);
    for (int n = 0; n < 3; ++n) {
        receive(kFix);
        advance(1000);
    }
    EXPECT_FALSE(engine.draining());
    ASSERT_EQ(sent.back(), kHandOn);
    receive(ackOf(kHandOn));
    EXPECT_GE(countSent(kWaypoints), 1);
    EXPECT_EQ(countSent(ackOf(kTrackPoint + ",x")), 0);
    EXPECT_EQ(received(std::string(protocol::kTrackPointKind)).size(), 1u);
}

// A receiver sends an unanswered record three times before it gives up: a drain that ended
// sooner would let a receiver silent for a moment put its next send into the next download.
TEST_F(LinkEngineTest, DrainWaitsAsLongAsTheReceiverTakesToGiveUp) {
    cancelTrackDownloadPartWay();
    advance(3000);
    EXPECT_TRUE(engine.draining());
    advance(engine.drainQuietMs() - 3000);
    EXPECT_FALSE(engine.draining());
}

// Noise may hide the records the receiver still sends: the drain waits for a clean line, and
// ends at its limit on a line that never gets clean.
TEST_F(LinkEngineTest, DrainDoesNotTakeNoiseForQuiet) {
    cancelTrackDownloadPartWay();
    request(kWaypoints);
    for (int n = 0; n < 4; ++n) {
        engine.receive("\x9a\xa3\xd2\xe5 noise \xb7\x9b", now);
        advance(1000);
    }
    EXPECT_TRUE(engine.draining());
    EXPECT_EQ(countSent(kWaypoints), 0);
    advance(engine.drainQuietMs());
    EXPECT_FALSE(engine.draining());

    request(kTracks);
    receive(ackOf(kTracks));
    receive(kTrackPoint);
    engine.cancelTransfer(now);
    collect();
    for (Millis waited = 0; waited < LinkEngine::kDrainLimitMs; waited += 500) {
        engine.receive("\x01\xff noise", now);
        advance(500);
    }
    EXPECT_FALSE(engine.draining());
}

TEST_F(LinkEngineTest, DrainEndsOnTheStoppedTransfersEnd) {
    request(kWaypoints);
    advance(0);
    receive(kWaypoint1);
    engine.cancelTransfer(now);
    request(kWaypoints);
    receive(kWaypoint2);
    receive(kEnd);
    EXPECT_FALSE(engine.draining());
    advance(engine.afterEndWaitMs());
    EXPECT_EQ(countSent(kWaypoints), 2);
    EXPECT_TRUE(received("END").empty());
    EXPECT_EQ(received(std::string(protocol::kWaypointKind)).size(), 1u);
}

TEST_F(LinkEngineTest, DrainHoldsARequestNoLongerThanItsBound) {
    request(kTracks);
    advance(0);
    receive(kTrackPoint);
    engine.cancelTransfer(now);
    request(kWaypoints);
    for (Millis t = 0; t < LinkEngine::kDrainLimitMs + 1000; t += 500) {
        receive(kTrackPoint + "," + std::to_string(t));  // a receiver that never stops
        advance(500);
    }
    EXPECT_EQ(countSent(kWaypoints), 1);
}

TEST_F(LinkEngineTest, LeftoversOfAnEarlierTransferAreNeitherDeliveredNorAnswered) {
    setUpAnswered();
    engine.requestVersion(kVersion, now);
    collect();
    receive(ackOf(kVersion));
    receive(kTrackPoint);  // an earlier session's download, still going
    EXPECT_TRUE(engine.draining());
    receive(kEnd);
    EXPECT_TRUE(received(std::string(protocol::kTrackPointKind)).empty());
    EXPECT_TRUE(received("END").empty());
    EXPECT_EQ(countSent(ackOf(kTrackPoint)), 0);
    // The version request was queued behind them, and may be gone with them: asked again.
    EXPECT_EQ(countSent(kVersion), 2);
}

TEST_F(LinkEngineTest, NewRequestMidDownloadDrainsTheOldOneFirst) {
    setUpAnswered();
    request(kTracks);
    receive(ackOf(kTracks));
    receive(kTrackPoint);
    request(kWaypoints);
    EXPECT_EQ(countSent(kWaypoints), 0);
    receive(kTrackPoint + ",2");
    receive(kEnd);
    advance(engine.afterEndWaitMs());
    receive(ackOf(kHandOn));
    EXPECT_EQ(countSent(kWaypoints), 1);
    EXPECT_EQ(received(std::string(protocol::kTrackPointKind)).size(), 1u);
    EXPECT_TRUE(received("END").empty());
}

TEST_F(LinkEngineTest, RecordsOfAnotherKindThanAskedForAreAStoppedTransfersRest) {
    setUpAnswered();
    request(kWaypoints);
    receive(kTrackPoint);  // sent again by a receiver that waits long for an answer
    EXPECT_TRUE(engine.draining());
    EXPECT_TRUE(received(std::string(protocol::kTrackPointKind)).empty());
    EXPECT_EQ(countSent(ackOf(kTrackPoint)), 0);
    receive(kEnd);
    EXPECT_TRUE(received("END").empty());
    advance(engine.afterEndWaitMs());
    receive(ackOf(kHandOn));  // the request goes again, with HANDON ahead of it
    receive(kWaypoint1);
    receive(kEnd);
    EXPECT_EQ(received(std::string(protocol::kWaypointKind)).size(), 1u);
    EXPECT_EQ(received("END").size(), 1u);
}

TEST_F(LinkEngineTest, ConfigureWaitCoversAVersionRequestHeldByADrain) {
    engine.requestVersion(kVersion, now);
    collect();
    receive(kTrackPoint);
    engine.configureLink(1, now);
    collect();
    EXPECT_FALSE(engine.configureSettled());
    EXPECT_GE(engine.configureDeadline(), now + engine.drainQuietMs());
}

// --- Closing ----------------------------------------------------------------------------

TEST_F(LinkEngineTest, NothingIsRaisedOrSentAfterClose) {
    request(kWaypoints);
    advance(0);
    engine.receive(frameSentence(kWaypoint1) + frameSentence(kWaypoint2), now);
    engine.handleReceived(now);
    engine.closed();
    EXPECT_FALSE(engine.handleReceived(now));
    EXPECT_FALSE(engine.takeEvent());
    EXPECT_TRUE(engine.takeOutput().empty());
    EXPECT_FALSE(engine.nextWakeUp());
    engine.sendSentence(kNmeaOff, now);
    auto event = engine.takeEvent();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->errorClass, kNotice);
    EXPECT_TRUE(engine.takeOutput().empty());
}

TEST_F(LinkEngineTest, LostLineStillRaisesWhatCameBeforeIt) {
    request(kWaypoints);
    advance(0);
    engine.receive(frameSentence(kWaypoint1), now);
    engine.handleReceived(now);
    engine.lineLost("/dev/ttyUSB0", "device gone");
    collect();
    EXPECT_EQ(received(std::string(protocol::kWaypointKind)).size(), 1u);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0]->errorClass, kLineLost);
    EXPECT_FALSE(engine.isOpen());
}

}  // namespace
}  // namespace trawlix::link
