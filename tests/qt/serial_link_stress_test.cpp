// The serial link's own faults over a real pseudo-terminal, many times over: the receiver
// hangs up part way, and the window closes, reopens or cancels in the middle of a download,
// from inside the link's own event. Each run is chosen by its number, so a failing run can
// be repeated alone: TRAWLIX_PTY_STRESS_FIRST sets the first run's number (default 0),
// TRAWLIX_PTY_STRESS_RUNS how many (default 300).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "link/protocol_texts.h"
#include "qt/simulated_line.h"

namespace trawlix::testing {
namespace {

namespace protocol = link::protocol;

enum class Action { None, CloseAndReopen, Close, Cancel };

struct Run {
    int hangUpAfter = 0;
    Action action = Action::None;
    int atRecord = 0;
};

Run choose(int number) {
    std::mt19937 random(static_cast<std::mt19937::result_type>(number));
    Run run;
    if (std::uniform_int_distribution<int>(0, 1)(random) == 1) {
        run.hangUpAfter = std::uniform_int_distribution<int>(3, 40)(random);
    }
    run.action = static_cast<Action>(std::uniform_int_distribution<int>(0, 3)(random));
    run.atRecord = std::uniform_int_distribution<int>(1, 25)(random);
    return run;
}

int fromEnvironment(const char* name, int otherwise) {
    const char* text = std::getenv(name);
    const int value = text != nullptr ? std::atoi(text) : -1;
    return value >= 0 ? value : otherwise;
}

// What a run saw, checked as it happens.
class Watcher : public RecordingListener {
  public:
    using RecordingListener::RecordingListener;

    bool closedByUs = false;
    int eventsWhileClosed = 0;
    int lineErrors = 0;
    int repeatedPoints = 0;

    void Receive(std::string& ID, std::string& RecvLine) override {
        count();
        RecordingListener::Receive(ID, RecvLine);
        if (trackPoints.size() >= 2) {
            const auto& last = trackPoints[trackPoints.size() - 1];
            const auto& before = trackPoints[trackPoints.size() - 2];
            repeatedPoints += last.Field2 == before.Field2 ? 1 : 0;
        }
    }
    void NMEA(std::string& RecvLine, bool& chkerr) override {
        count();
        RecordingListener::NMEA(RecvLine, chkerr);
    }
    void cError(std::int16_t& cErr, std::string& eMessage, std::string& message) override {
        count();
        lineErrors += cErr == link::kLineLost ? 1 : 0;
        RecordingListener::cError(cErr, eMessage, message);
    }

  private:
    void count() { eventsWhileClosed += closedByUs ? 1 : 0; }
};

// Returns whether the run saw the line lost.
bool runOnce(int number) {
    SCOPED_TRACE("run " + std::to_string(number));
    const Run run = choose(number);
    sim::Faults faults;
    faults.hangUpAfter = run.hangUpAfter;
    SimulatedLine line(faults, sim::exampleStore(5, 40));
    // A receiver that gives up soon on a host that went away keeps the runs short, but not
    // so soon that a loaded machine makes it give up on a host that is there.
    line.host().withReceiver([](sim::SimulatedReceiver& receiver) {
        receiver.setAcknowledgementTimeout(std::chrono::milliseconds(250));
    });
    link::SerialLink& link = line.link();
    Watcher events(link);
    if (!link.OpenPort()) {
        ADD_FAILURE() << "the port did not open";
        return false;
    }
    link.RequestVersion();
    link.ConfigureLink(1);

    bool acted = false;
    events.onEvent = [&](const RecordingListener::Event& event) {
        if (acted || event.kind != "Receive" || event.id != protocol::kTrackPointKind ||
            static_cast<int>(events.trackPoints.size()) < run.atRecord) {
            return;
        }
        acted = true;
        switch (run.action) {
            case Action::CloseAndReopen:
                link.ClosePort();
                events.closedByUs = true;
                spin(2);
                events.closedByUs = false;
                link.OpenPort();
                break;
            case Action::Close:
                link.ClosePort();
                events.closedByUs = true;
                break;
            case Action::Cancel:
                link.CancelTransfer();
                break;
            case Action::None:
                break;
        }
    };
    link.RequestTracks();
    const bool ended = waitUntil(
        [&] {
            return events.countReceive("END") > 0 || events.lineErrors > 0 ||
                   (acted && run.action != Action::None);
        },
        3000);
    spin(5);  // what the line still brings
    EXPECT_TRUE(ended || run.hangUpAfter > 0) << "no end, no error, nothing done";
    EXPECT_EQ(events.eventsWhileClosed, 0);
    EXPECT_LE(events.lineErrors, 1);
    EXPECT_EQ(events.repeatedPoints, 0);
    EXPECT_LE(events.trackPoints.size(), 40u);
    if (::testing::Test::HasFailure()) {
        for (const auto& event : events.events) {
            std::printf("%s %s %s\n", event.kind.c_str(), event.id.c_str(),
                        event.errorText.c_str());
        }
    }
    if (events.lineErrors > 0) {
        EXPECT_FALSE(link.IsOpen());
    }
    // Whatever happened, the window's calls stay harmless.
    link.CancelTransfer();
    link.ClosePort();
    events.closedByUs = true;
    link.ClosePort();
    spin(1);
    EXPECT_EQ(events.eventsWhileClosed, 0);
    return events.lineErrors > 0;
}

TEST(SerialLinkStress, HangUpsClosesAndReopensMidTransfer) {
    const int first = fromEnvironment("TRAWLIX_PTY_STRESS_FIRST", 0);
    const int runs = fromEnvironment("TRAWLIX_PTY_STRESS_RUNS", 300);
    int lost = 0;
    int number = first;
    for (; number < first + runs && !::testing::Test::HasFailure(); ++number) {
        lost += runOnce(number) ? 1 : 0;
    }
    std::printf("runs %d to %d, %d of them with the line lost part way\n", first, number - 1, lost);
    if (runs >= 100) {
        EXPECT_GT(lost, 0) << "no run hung up while the port was open";
    }
}

}  // namespace
}  // namespace trawlix::testing
