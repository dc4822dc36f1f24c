// The serial link against the simulated receiver, over a real pseudo-terminal.
#include "qt/serial_link.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "link/protocol_texts.h"
#include "qt/event_wait.h"
#include "qt/simulated_line.h"

namespace trawlix::testing {
namespace {

namespace protocol = link::protocol;

class SerialLinkTest : public ::testing::Test {
  protected:
    explicit SerialLinkTest(sim::Faults faults = {}) : line(faults), events(line.link()) {}

    // Opens the port and sets up the link as the window does at start-up.
    void handshake() {
        ASSERT_TRUE(line.link().OpenPort());
        line.link().RequestVersion();
        line.link().ConfigureLink(1);
    }

    bool waitForEnd(int timeoutMs = 8000) {
        return waitUntil([&] { return events.countReceive("END") > 0; }, timeoutMs);
    }

    SimulatedLine line;
    RecordingListener events;
};

TEST_F(SerialLinkTest, VersionReplyIsDeliveredBeforeConfigureLinkReturns) {
    handshake();
    EXPECT_EQ(events.countReceive(std::string(protocol::kVersionKind)), 1);
    EXPECT_EQ(line.link().VersionRecord().ProductId, "MERIDIAN GPS");
    EXPECT_EQ(line.link().VersionRecord().SoftwareVersion, "5.04");
    EXPECT_TRUE(line.link().acknowledgementMode());
}

TEST_F(SerialLinkTest, EverySentenceInAndOutIsADebugLine) {
    handshake();
    std::vector<std::string> lines;
    for (const auto& event : events.events) {
        if (event.kind == "mDebug") {
            lines.push_back(event.id);
        }
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "> $PMGNCMD,VERSION*28"), lines.end());
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.rfind("< $PMGNVER,", 0) == 0; }),
              lines.end());
}

TEST_F(SerialLinkTest, WaypointDownloadDeliversEveryWaypointThenEnd) {
    handshake();
    line.link().RequestWaypoints();
    ASSERT_TRUE(waitForEnd());
    const auto store = line.store();
    ASSERT_EQ(events.waypoints.size(), store.waypoints.size());
    EXPECT_EQ(events.waypoints.front().Field1, "HOME");
    EXPECT_EQ(events.waypoints.front().Field7, 1);
    EXPECT_EQ(events.waypoints.back().Field7, static_cast<int>(store.waypoints.size()));
    EXPECT_EQ(events.events.back().id, "END");
}

TEST_F(SerialLinkTest, RouteDownloadGivesAHeaderPerRouteAndEveryEntry) {
    handshake();
    line.link().RequestRoutes();
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(events.headers.size(), 3u);
    EXPECT_EQ(events.headers[0].RouteNumber, "01");
    EXPECT_EQ(events.headers[0].SentenceCount, 2);
    EXPECT_EQ(events.headers[2].SentenceCount, 3);
    ASSERT_EQ(events.routeWaypoints.size(), 12u);
    EXPECT_EQ(events.routeWaypoints[2].Field4, "CAMP");
}

TEST_F(SerialLinkTest, TrackDownloadDeliversEveryPointWithItsDate) {
    handshake();
    line.link().RequestTracks();
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(events.trackPoints.size(), 300u);
    EXPECT_EQ(events.trackPoints.front().Field7, "110808");
}

TEST_F(SerialLinkTest, UploadsAreAcknowledgedWithTheirKind) {
    handshake();
    auto& link = line.link();
    link::WaypointRecord& waypoint = link.WaypointRecord();
    waypoint.Latitude = 46.5;
    waypoint.Longitude = 7.25;
    waypoint.Field1 = "NEWWPT";
    waypoint.Field4 = "Added";
    waypoint.Field5 = 1200;
    waypoint.Field6 = "M";
    waypoint.Field10 = "x";
    link.UploadWaypoint();
    ASSERT_TRUE(waitUntil([&] { return events.acknowledgements().size() >= 3; }));
    link.TrackPointRecord().Latitude = 46.1;
    link.TrackPointRecord().Longitude = 7.2;
    link.TrackPointRecord().Altitude = 1500.0f;
    link.UploadTrackPoint();
    ASSERT_TRUE(waitUntil([&] { return events.acknowledgements().size() >= 4; }));
    link.SendSentence("$PMGNRTE,1,1,c,09,HOME,LAKE");
    ASSERT_TRUE(waitUntil([&] { return events.acknowledgements().size() >= 5; }));
    link.SendSentence(std::string(protocol::kEndCommand));
    ASSERT_TRUE(waitUntil([&] { return events.acknowledgements().size() >= 6; }));
    const auto acks = events.acknowledgements();
    EXPECT_EQ(std::vector<std::string>(acks.end() - 4, acks.end()),
              (std::vector<std::string>{"PMGNWPL", "PMGNTRK", "PMGNRTE", "PMGNCMD $PMGNCMD,END"}));
    const auto store = line.store();
    EXPECT_EQ(store.waypoints.back().name, "NEWWPT");
    EXPECT_EQ(store.waypoints.back().latitude, "4630.000");
    EXPECT_EQ(store.track.size(), 1u);
    EXPECT_EQ(store.routes.back().number, 9);
}

TEST_F(SerialLinkTest, NmeaOnStreamsSentencesAndNmeaOffStopsThem) {
    handshake();
    line.link().SendSentence(std::string(protocol::kNmeaOnCommand));
    ASSERT_TRUE(waitUntil([&] { return events.nmea.size() >= 4; }, 3000));
    EXPECT_EQ(events.nmea[0].rfind("$GPGGA,", 0), 0u);
    line.link().SendSentence(std::string(protocol::kNmeaOffCommand));
    spin(300);
    const std::size_t seen = events.nmea.size();
    spin(1500);
    EXPECT_EQ(events.nmea.size(), seen);
}

TEST_F(SerialLinkTest, OpenTwiceIsTrueAndCloseTwiceIsHarmless) {
    EXPECT_TRUE(line.link().OpenPort());
    EXPECT_TRUE(line.link().OpenPort());
    line.link().ClosePort();
    line.link().ClosePort();
    EXPECT_FALSE(line.link().IsOpen());
    EXPECT_TRUE(line.link().OpenPort());
}

TEST_F(SerialLinkTest, BadLineSettingsFailTheOpenWithAReason) {
    line.link().setPortSettings("4800,Q,8,1");
    EXPECT_FALSE(line.link().OpenPort());
    ASSERT_FALSE(events.events.empty());
    EXPECT_NE(events.events.back().id.find("parity"), std::string::npos);
}

TEST(SerialLinkOpen, MissingDeviceFailsWithAReason) {
    link::SerialLink link([](std::int16_t) { return std::string("/dev/trawlix-no-such-device"); });
    RecordingListener events(link);
    link.setPortNumber(3);
    link.setPortSettings("4800,N,8,1");
    EXPECT_FALSE(link.OpenPort());
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_NE(events.events[0].id.find("no such device"), std::string::npos);
}

TEST(SerialLinkOpen, SendingWhileClosedIsANoticeNotACrash) {
    link::SerialLink link([](std::int16_t) { return std::string("/dev/null-not-open"); });
    RecordingListener events(link);
    link.SendSentence("$PMGNCMD,NMEAON");
    link.RequestWaypoints();
    link.ConfigureLink(1);
    EXPECT_EQ(events.countErrors(link::kNotice), 2);
}

// --- Faults that need the port itself ----------------------------------------------------
// The protocol's own faults (damaged and lost sentences, a silent receiver) are named
// scenarios of the simulation, in virtual time.

class SilentReceiver : public SerialLinkTest {
  protected:
    SilentReceiver() : SerialLinkTest(silent()) {}
    static sim::Faults silent() {
        sim::Faults faults;
        faults.silent = true;
        return faults;
    }
};

TEST_F(SilentReceiver, ConfigureLinkReturnsWithinItsBoundAndReportsNothing) {
    ASSERT_TRUE(line.link().OpenPort());
    line.link().RequestVersion();
    line.link().ConfigureLink(1);
    EXPECT_EQ(events.countReceive(std::string(protocol::kVersionKind)), 0);
    EXPECT_EQ(events.countErrors(link::kNoAnswer), 0);
}

class HangUp : public SerialLinkTest {
  protected:
    HangUp() : SerialLinkTest(hangUpAfterTwenty()) {}
    static sim::Faults hangUpAfterTwenty() {
        sim::Faults faults;
        faults.hangUpAfter = 20;
        return faults;
    }
};

TEST_F(HangUp, LostLineIsReportedAndThePortClosed) {
    handshake();
    line.link().RequestTracks();
    ASSERT_TRUE(waitUntil([&] { return events.countErrors(link::kLineLost) == 1; }, 9000));
    EXPECT_FALSE(line.link().IsOpen());
    EXPECT_GT(events.trackPoints.size(), 5u);
    // The window goes on working: calls on the closed link are harmless.
    line.link().CancelTransfer();
    line.link().ClosePort();
}

// Qt's timers may fire a moment early. A wait with nothing to wake it must still end at its
// deadline, each of many times: once it did not, and the link set-up hung for ever.
TEST(EventWait, AWaitWithNothingToWakeItEndsAtItsDeadline) {
    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return clock.elapsed(); };
    for (int wait = 20; wait < 70; ++wait) {
        const std::int64_t deadline = now() + wait;
        qt::waitForEvents([] { return false; }, now, deadline);
        EXPECT_GE(now(), deadline);
    }
}

}  // namespace
}  // namespace trawlix::testing
