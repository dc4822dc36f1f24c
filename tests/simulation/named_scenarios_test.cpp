// Named sessions in virtual time: each row of the README's fault matrix that the protocol
// decides, and each fault once found in the link, as a scenario whose outcome is spelled out.
// Every scenario also runs under the referee, whose rules hold in every session.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <random>

#include <unistd.h>

#include "app/window_captions.h"
#include "cli/console_run.h"
#include "simulation/random_session.h"
#include "simulation/referee.h"
#include "simulation/session.h"

namespace trawlix::simulation {
namespace {

using app::MessageAnswer;
using app::MessageButtons;

class Scenario : public ::testing::Test {
  protected:
    Scenario() {
        folder = std::filesystem::temp_directory_path() /
                 ("trawlix-scenario-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        files = std::make_unique<UploadFiles>(folder / "uploads");
    }
    ~Scenario() override {
        if (referee) {
            referee->finish();
            EXPECT_TRUE(referee->problems().empty()) << describeProblems();
        }
        referee.reset();
        session.reset();
        std::filesystem::remove_all(folder);
    }

    void begin(Session::Setup setup = {}) {
        setup.folder = folder;
        setup.log = true;
        session = std::make_unique<Session>(setup);
        referee = std::make_unique<Referee>(*session, folder / "reference");
    }

    std::string describeProblems() const {
        std::string text;
        for (const auto& problem : referee->problems()) {
            text += problem + "\n";
        }
        for (const auto& line : shortened(session->log(), 80)) {
            text += "    " + line + "\n";
        }
        return text;
    }

    std::vector<std::string> messages() const { return session->view().messageTexts(); }
    std::vector<std::string> routeNames(int number) const {
        for (const auto& route : session->receiver().store().routes) {
            if (route.number == number) {
                return route.names;
            }
        }
        return {};
    }
    bool anyMessageStartsWith(const std::string& start, std::size_t from = 0) const {
        const auto all = messages();
        return std::any_of(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())),
                           all.end(),
                           [&](const std::string& text) { return text.rfind(start, 0) == 0; });
    }
    // Runs until a box starting with `start` shows (among those after the first `from`, by
    // default those from now on); false after `limit` of virtual time.
    bool runUntilMessage(const std::string& start, Micros limit = 60 * kSecond,
                         std::optional<std::size_t> from = std::nullopt) {
        const std::size_t first = from.value_or(messages().size());
        return session->runUntil([&] { return anyMessageStartsWith(start, first); }, limit);
    }
    std::size_t lineCount(const std::string& name) const {
        const std::string text = readWhole(session->path(name));
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    int timesReceived(const std::string& sentenceStart) const {
        const auto& received = session->receiver().received();
        return static_cast<int>(std::count_if(received.begin(), received.end(), [&](const auto& s) {
            return s.rfind(sentenceStart, 0) == 0;
        }));
    }
    // The window still works: a whole waypoint download succeeds, without a box between.
    void expectWindowStillWorks() {
        const std::size_t before = messages().size();
        session->choose(app::kRequestWaypoints, "after.txt");
        ASSERT_TRUE(runUntilMessage("Received ", 60 * kSecond, before)) << describeProblems();
        EXPECT_EQ(messages().size(), before + 1) << describeProblems();
        EXPECT_EQ(lineCount("after.txt"), session->receiver().store().waypoints.size());
    }

    // A download of 300 track points to "tracks.txt" from a receiver making `faults`.
    void startTrackDownload(const sim::Faults& faults) {
        Session::Setup setup;
        setup.faults = faults;
        setup.trackPoints = 300;
        begin(setup);
        session->start();
        session->choose(app::kRequestTracks, "tracks.txt");
    }

    // The line hung up after 40 sentences of a download of 300 track points, until the
    // loss is told.
    void loseTheLinePartWayThroughATrackDownload() {
        sim::Faults faults;
        faults.hangUpAfter = 40;
        startTrackDownload(faults);
        ASSERT_TRUE(runUntilMessage("The line to the GPS")) << describeProblems();
    }

    std::filesystem::path folder;
    std::unique_ptr<UploadFiles> files;
    std::unique_ptr<Session> session;
    std::unique_ptr<Referee> referee;
};

// --- The fault matrix ----------------------------------------------------------------------

TEST_F(Scenario, ReceiverSilentAtStartUp) {
    begin();
    session->receiver().setMuted(true);
    session->answerBox = [](const auto&) { return MessageAnswer::Cancel; };
    session->start();
    EXPECT_EQ(messages(), (std::vector<std::string>{"GPS on com port 2 failed to initialze."}));
    EXPECT_EQ(session->view().caption(app::Label::ProductId), "PID");
    EXPECT_TRUE(session->portOpen());
    EXPECT_LT(session->time(), 8 * kSecond) << "four version requests, about 6 s";
    session->receiver().setMuted(false);
    expectWindowStillWorks();
}

TEST_F(Scenario, UnansweredSentenceIsReportedAfterThreeSends) {
    begin();
    session->start();
    session->receiver().setMuted(true);
    const Micros chosen = session->time();
    session->choose(app::kNmeaOn);
    ASSERT_TRUE(session->runUntil([&] { return !messages().empty(); }, 10 * kSecond));
    EXPECT_EQ(messages()[0], "The GPS did not answer $PMGNCMD,NMEAON (sent 3 times).");
    EXPECT_EQ(timesReceived("$PMGNCMD,NMEAON"), 3);
    // Each send waits for the sentence and its answer on the line, plus one second.
    EXPECT_GT(session->time() - chosen, 3 * kSecond);
    EXPECT_LT(session->time() - chosen, 4 * kSecond);
}

TEST_F(Scenario, ReceiverSilentPartWayThroughADownload) {
    Session::Setup setup;
    setup.faults.silentAfter = 20;  // the handshake takes a few; then some waypoints
    setup.waypoints = 36;
    begin(setup);
    session->start();
    session->choose(app::kRequestWaypoints, "partial.txt");
    ASSERT_TRUE(runUntilMessage("The GPS fell silent")) << describeProblems();
    EXPECT_EQ(session->view().messages.back().buttons, MessageButtons::OkCancel);
    EXPECT_FALSE(anyMessageStartsWith("Received "));
    EXPECT_EQ(lineCount("partial.txt"),
              static_cast<std::size_t>(session->form().RecordCount.value()));
    EXPECT_GT(session->form().RecordCount.value(), 5);
}

TEST_F(Scenario, DroppedAcknowledgementInAnUpload) {
    Session::Setup setup;
    setup.faults.dropAcknowledgement = 5;
    begin(setup);
    session->start();
    session->choose(app::kSendTrack, files->track);
    ASSERT_TRUE(runUntilMessage("Transfer Complete")) << describeProblems();
    EXPECT_EQ(messages().back(), "Transfer Complete. 12 Track Points sent.");
    EXPECT_EQ(session->receiver().store().track.size(), 12u);
}

TEST_F(Scenario, CorruptedChecksumInADownload) {
    sim::Faults faults;
    faults.corruptChecksum = 12;
    startTrackDownload(faults);
    ASSERT_TRUE(runUntilMessage("Received ", 300 * kSecond)) << describeProblems();
    EXPECT_EQ(messages(), (std::vector<std::string>{"Received 300 records."}));
    EXPECT_EQ(lineCount("tracks.txt"), 300u);
}

TEST_F(Scenario, LineHungUpPartWay) {
    ASSERT_NO_FATAL_FAILURE(loseTheLinePartWayThroughATrackDownload());
    EXPECT_EQ(session->view().messages.back().buttons, MessageButtons::OkCancel);
    EXPECT_NE(messages().back().find("was lost"), std::string::npos);
    EXPECT_FALSE(anyMessageStartsWith("Received "));
    EXPECT_EQ(lineCount("tracks.txt"),
              static_cast<std::size_t>(session->form().RecordCount.value()));
    EXPECT_GT(session->form().RecordCount.value(), 10);
    EXPECT_FALSE(session->portOpen());
    // With the line gone, a new request is refused with a notice, not a hang.
    session->choose(app::kRequestWaypoints, "again.txt");
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_NE(messages().back().find("not open"), std::string::npos);
}

TEST_F(Scenario, GarbageByteStream) {
    begin();
    session->start();
    std::mt19937 random(7);
    std::string noise;
    for (int i = 0; i < 100'000; ++i) {
        noise += static_cast<char>(random() % 256);
    }
    session->line().injectTowardsHost(noise + "\r\n", session->time());
    session->runFor(static_cast<Micros>(noise.size()) * session->line().byteTime() + kSecond);
    expectWindowStillWorks();
}

TEST_F(Scenario, HundredKilobyteLineWithoutALineEnd) {
    begin();
    session->start();
    session->line().injectTowardsHost("$PMGNWPL," + std::string(100'000, 'x'), session->time());
    session->runFor(100'010 * session->line().byteTime() + kSecond);
    expectWindowStillWorks();
}

TEST_F(Scenario, UploadFileWithBinaryContent) {
    begin();
    session->start();
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>((i * 37) % 256);
    }
    std::ofstream(session->path("photo.jpg"), std::ios::binary) << binary;
    const std::size_t sentBefore = session->receiver().received().size();
    session->choose(app::kSendWaypoints, "photo.jpg");
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(
        messages()[0].rfind("Can't send the file " + session->path("photo.jpg") + ": line ", 0),
        0u);
    session->runFor(2 * kSecond);
    EXPECT_EQ(session->receiver().received().size(), sentBefore) << "nothing sent";
    expectWindowStillWorks();
}

TEST_F(Scenario, UploadOfFortyThousandLines) {
    Session::Setup setup;
    setup.baud = 9600;
    begin(setup);
    session->start();
    {
        std::ofstream file(session->path("long.txt"), std::ios::binary);
        for (int i = 0; i < 40'000; ++i) {
            file << "Point,True," << i << ",46.1,7.1,100,0,010199\r\n";
        }
    }
    session->choose(app::kSendTrack, "long.txt");
    ASSERT_TRUE(runUntilMessage("Transfer Complete", 3600 * kSecond)) << describeProblems();
    EXPECT_EQ(messages().back(), "Transfer Complete. 32767 Track Points sent.");
    EXPECT_EQ(session->receiver().store().track.size(), 40'000u) << "every line reaches it";
}

// --- Faults once found in the link ---------------------------------------------------------

// Reset during a track download while NMEA streams: the link must not wait for a quiet that
// never comes. "NMEA Off" goes out at once and the next download completes.
TEST_F(Scenario, ResetDuringADownloadWithNmeaOnLeavesTheLinkWorking) {
    Session::Setup setup;
    setup.trackPoints = 200;
    begin(setup);
    session->start();
    session->choose(app::kNmeaOn);
    session->runFor(3 * kSecond);
    session->choose(app::kRequestTracks, "tracks.txt");
    session->runFor(8 * kSecond);
    session->choose(app::kReset);
    session->runFor(kSecond);
    const Micros nmeaOffChosen = session->time();
    session->choose(app::kNmeaOff);
    ASSERT_TRUE(
        session->runUntil([&] { return timesReceived("$PMGNCMD,NMEAOFF") == 1; }, 30 * kSecond));
    EXPECT_LT(session->time() - nmeaOffChosen, 500 * kMillisecond) << describeProblems();
    expectWindowStillWorks();
}

// A receiver switched on after the start-up box was cancelled answers the next download
// normally: every command once, no box.
TEST_F(Scenario, ReceiverSwitchedOnAfterASilentStartUp) {
    begin();
    session->receiver().switchOff();
    session->answerBox = [](const auto&) { return MessageAnswer::Cancel; };
    session->start();
    ASSERT_EQ(messages().size(), 1u);
    session->receiver().switchOn();
    session->runFor(2 * kSecond);
    expectWindowStillWorks();
    EXPECT_EQ(timesReceived("$PMGNCMD,WAYPOINT"), 1);
}

// The cable pulled again and again at random moments of transfers: each time the loss is
// told once, what came is kept, and the port opens again when the cable is back.
TEST_F(Scenario, RepeatedHangUpsMidTransfer) {
    Session::Setup setup;
    setup.trackPoints = 100;
    begin(setup);
    session->start();
    std::mt19937 random(3);
    for (int round = 0; round < 30; ++round) {
        const std::size_t before = messages().size();
        session->choose(round % 2 == 0 ? app::kRequestTracks : app::kSendTrack,
                        round % 2 == 0 ? "t" + std::to_string(round) + ".txt" : files->track);
        session->runFor(static_cast<Micros>(random() % 5000) * kMillisecond);
        session->hangUp();
        referee->routeUploadDisturbed();
        EXPECT_FALSE(session->portOpen());
        session->runFor(kSecond);
        session->plugBackIn();
        session->openPort();
        ASSERT_TRUE(session->portOpen());
        const auto all = messages();
        EXPECT_LE(std::count_if(all.begin() + static_cast<std::ptrdiff_t>(before), all.end(),
                                [](const std::string& t) { return t.find("was lost") != t.npos; }),
                  1);
        session->runFor(6 * kSecond);  // the receiver gives up what it was sending
    }
    expectWindowStillWorks();
}

// A download stopped part way leaves the receiver sending the rest: a version request, and
// the next download, get their own answers and nothing of the rest.
TEST_F(Scenario, LeftoversOfAStoppedDownloadAreNotTheNextAnswer) {
    Session::Setup setup;
    setup.trackPoints = 100;
    begin(setup);
    session->start();
    session->view().setCaption(app::Label::ProductId, "");
    session->choose(app::kRequestTracks, "stopped.txt");
    session->runFor(3 * kSecond);
    session->choose(app::kReset);
    session->choose(app::kRequestVersion);
    ASSERT_TRUE(session->runUntil(
        [&] { return session->view().caption(app::Label::ProductId) != ""; }, 20 * kSecond));
    EXPECT_EQ(session->view().caption(app::Label::ProductId), "PID MERIDIAN GPS");
    EXPECT_TRUE(messages().empty()) << describeProblems();
    expectWindowStillWorks();
}

// The same, when the program is killed part way and started again on the same receiver.
TEST_F(Scenario, LeftoversOfAKilledProgramAreNotTheNextAnswer) {
    Session::Setup setup;
    setup.trackPoints = 100;
    begin(setup);
    session->start();
    session->choose(app::kRequestTracks, "stopped.txt");
    session->runFor(3 * kSecond);
    referee = std::make_unique<Referee>(*session, folder / "reference");
    session->restartProgram();
    EXPECT_EQ(session->view().caption(app::Label::ProductId), "PID MERIDIAN GPS");
    session->choose(app::kRequestWaypoints, "next.txt");
    ASSERT_TRUE(runUntilMessage("Received ")) << describeProblems();
    EXPECT_EQ(lineCount("next.txt"), session->receiver().store().waypoints.size());
}

// A lost acknowledgement of the download command must not send the command again once
// records come: the receiver would start its log again.
TEST_F(Scenario, LostAcknowledgementOfADownloadCommand) {
    Session::Setup setup;
    setup.trackPoints = 20;
    setup.baud = 9600;
    begin(setup);
    session->start();
    session->receiver().dropNextAcknowledgement();
    session->choose(app::kRequestTracks, "tracks.txt");
    ASSERT_TRUE(runUntilMessage("Received ")) << describeProblems();
    EXPECT_EQ(messages(), (std::vector<std::string>{"Received 20 records."}));
    session->runFor(10 * kSecond);
    EXPECT_EQ(messages().size(), 1u) << "nothing more came";
}

// With the command's acknowledgement lost and the receiver falling silent part way, the
// download is reported as stopped part way, not as never answered.
TEST_F(Scenario, LostAcknowledgementThenSilencePartWay) {
    Session::Setup setup;
    setup.waypoints = 3;
    // The first two answer the HANDONs of the set-up and of the download, the third WAYPOINT.
    setup.faults.dropAcknowledgement = 3;
    // The version reply, the two HANDONs' answers, one waypoint.
    setup.faults.silentAfter = 4;
    begin(setup);
    session->start();
    session->choose(app::kRequestWaypoints, "w.txt");
    ASSERT_TRUE(session->runUntil([&] { return !messages().empty(); }, 30 * kSecond));
    EXPECT_EQ(session->view().messages[0].buttons, MessageButtons::OkCancel) << describeProblems();
    EXPECT_NE(messages()[0].find("part way"), std::string::npos) << describeProblems();
    EXPECT_EQ(lineCount("w.txt"), 1u);
}

// Our answer to a download's END lost: the receiver sends END again a moment later. The
// next download, chosen at once, must not take that END for its own and report nothing.
TEST_F(Scenario, RepeatedEndOfADownloadIsNotTheNextDownloadsEnd) {
    Session::Setup setup;
    setup.waypoints = 3;
    begin(setup);
    session->start();
    // From the choice: HANDON and its answer, WAYPOINT and its answer, three waypoints and
    // their answers, END, and the twelfth: our answer to END.
    session->line().loseSentence = 12;
    session->answerBox = [this](const testing::ScriptedView::Message& box) {
        if (box.text.rfind("Received 3 ", 0) == 0) {
            session->userAt(session->time(), "next download",
                            [this] { session->choose(app::kRequestRoutes, "routes.txt"); });
        }
        return MessageAnswer::Ok;
    };
    session->choose(app::kRequestWaypoints, "w.txt");
    ASSERT_TRUE(runUntilMessage("Received 3 ", 30 * kSecond, 0)) << describeProblems();
    ASSERT_TRUE(runUntilMessage("Received ", 60 * kSecond)) << describeProblems();
    EXPECT_NE(messages().back(), "Received 0 records.") << describeProblems();
    EXPECT_EQ(timesReceived("$PMGNCMD,END"), 0) << "the receiver sent END; it never got one";
}

// A stopped upload's sentence that goes unanswered is not offered again: sent after the
// upload that took its place had begun, it would land among that upload's records.
TEST_F(Scenario, AStoppedUploadsUnansweredSentenceOffersNoRetry) {
    begin();
    session->start();
    session->receiver().setMuted(true);
    session->choose(app::kSendWaypoints, files->of(app::kSendWaypoints));
    session->runFor(kSecond);
    session->choose(app::kSendWaypoints, files->of(app::kSendWaypoints, true));
    session->answerBox = [this](const testing::ScriptedView::Message&) {
        session->receiver().setMuted(false);
        return MessageAnswer::Ok;
    };
    ASSERT_TRUE(runUntilMessage("The GPS did not answer", 30 * kSecond)) << describeProblems();
    EXPECT_EQ(session->view().messages.back().buttons, MessageButtons::Ok);
    ASSERT_TRUE(runUntilMessage("Transfer Complete", 60 * kSecond)) << describeProblems();
    EXPECT_EQ(referee->transfersCompleted(), 1);
}

// A download chosen while an upload's sentence is on the line waits behind it. That sentence
// going unanswered, and its box cancelled, must not leave the download's request unsent.
TEST_F(Scenario, ADownloadBehindAnUnansweredSentenceIsStillAskedFor) {
    begin();
    session->start();
    session->receiver().setMuted(true);
    session->choose(app::kSendWaypoints, files->of(app::kSendWaypoints));
    session->runFor(kSecond);
    session->choose(app::kRequestWaypoints, "w.txt");
    session->answerBox = [this](const testing::ScriptedView::Message&) {
        session->receiver().setMuted(false);
        return MessageAnswer::Cancel;
    };
    ASSERT_TRUE(runUntilMessage("The GPS did not answer", 30 * kSecond)) << describeProblems();
    ASSERT_TRUE(runUntilMessage("Received ", 30 * kSecond)) << describeProblems();
}

// The program stopped while the link set-up waits for a silent receiver: the wait ends at
// once and nothing more is sent.
TEST_F(Scenario, StoppedDuringTheLinkSetUp) {
    begin();
    session->receiver().setMuted(true);
    session->answerBox = [](const auto&) { return MessageAnswer::Cancel; };
    session->atTime(kSecond, "the program is told to stop", [this] { session->link().abandon(); });
    session->start();
    EXPECT_LT(session->time(), 1100 * kMillisecond);
    const std::size_t heard = session->receiver().received().size();
    session->choose(app::kRequestWaypoints, "w.txt");
    session->runFor(5 * kSecond);
    EXPECT_EQ(session->receiver().received().size(), heard);
}

// A route upload stopped part way finishes the route being sent, so that the receiver
// holds either its old route or the file's, never a piece of one.
TEST_F(Scenario, RouteUploadStoppedPartWay) {
    begin();
    session->start();
    const auto before = session->receiver().store().routes;
    session->choose(app::kSendRoute, files->route);
    session->runUntil([&] { return timesReceived("$PMGNRTE") >= 1; }, 10 * kSecond);
    session->choose(app::kReset);
    session->runFor(10 * kSecond);
    const auto& routes = session->receiver().store().routes;
    const auto route2 = std::find_if(routes.begin(), routes.end(),
                                     [](const auto& route) { return route.number == 2; });
    ASSERT_NE(route2, routes.end());
    EXPECT_EQ(route2->names,
              (std::vector<std::string>{"WP003", "WP001", "WP004", "WP002", "WP005"}));
    EXPECT_EQ(timesReceived("$PMGNCMD,END"), 1) << "the stopped upload is ended";
    EXPECT_FALSE(anyMessageStartsWith("Transfer Complete"));
}

// The port opened at 9600 baud on a receiver at 4800: nothing it says makes a sentence, a
// request is told unanswered, and at 4800 again the window works.
TEST_F(Scenario, WrongSpeedThenTheRightOne) {
    begin();
    session->start();
    session->chooseBaud(1);
    session->choose(app::kRequestWaypoints, "w.txt");
    ASSERT_TRUE(runUntilMessage("The GPS did not answer", 30 * kSecond)) << describeProblems();
    session->chooseBaud(0);
    expectWindowStillWorks();
}

// --- Transfers held in one place -----------------------------------------------------------

// A download chosen behind a stopped route upload, then File › Open Port on the open port:
// the download is still requested, and completes.
TEST_F(Scenario, DownloadBehindAStoppedRouteUploadSurvivesOpenPort) {
    begin();
    session->start();
    session->choose(app::kSendRoute, files->route);
    ASSERT_TRUE(session->runUntil([&] { return timesReceived("$PMGNRTE") >= 1; }, 10 * kSecond));
    session->choose(app::kRequestWaypoints, "w.txt");
    session->openPort();
    ASSERT_TRUE(runUntilMessage("Received ", 90 * kSecond)) << describeProblems();
    EXPECT_EQ(lineCount("w.txt"), session->receiver().store().waypoints.size());
}

// A GPX upload of three routes of six points stopped right after its first route sentence,
// by Reset in the window and by Ctrl-C of trawlix-cli: route 1 is the receiver's old one or
// the file's, never a piece.
class StoppedGpxRouteUpload : public Scenario, public ::testing::WithParamInterface<bool> {};

TEST_P(StoppedGpxRouteUpload, LeavesRouteOneWholeOrUntouched) {
    Session::Setup setup;
    setup.console = GetParam();
    begin(setup);
    const std::vector<std::string> old = {"HOME", "LAKE", "CAMP"};
    const std::vector<std::string> file = {"R1P1", "R1P2", "R1P3", "R1P4", "R1P5", "R1P6"};
    session->start();
    session->choose(app::kSendRoute, files->routesGpx);
    ASSERT_TRUE(session->runUntil([&] { return timesReceived("$PMGNRTE") >= 1; }, 60 * kSecond));
    if (setup.console) {
        session->interrupt(true);
    } else {
        session->choose(app::kReset);
    }
    session->runFor(15 * kSecond);
    const auto route1 = routeNames(1);
    EXPECT_TRUE(route1 == old || route1 == file) << describeProblems();
    EXPECT_FALSE(anyMessageStartsWith("Transfer Complete"));
}

INSTANTIATE_TEST_SUITE_P(WindowAndCommandLine, StoppedGpxRouteUpload, ::testing::Bool(),
                         [](const auto& stop) { return stop.param ? "CtrlC" : "Reset"; });

// A GPX track upload stopped part way is not ended; the next track upload ends it first, so
// that the receiver holds only the second track.
TEST_F(Scenario, GpxTrackUploadStoppedPartWayIsEndedBeforeTheNext) {
    begin();
    session->start();
    session->choose(app::kSendTrack, files->trackGpx);
    ASSERT_TRUE(session->runUntil([&] { return timesReceived("$PMGNTRK") >= 4; }, 30 * kSecond));
    session->choose(app::kReset);
    session->runFor(2 * kSecond);
    session->choose(app::kSendTrack, files->track);
    ASSERT_TRUE(runUntilMessage("Transfer Complete")) << describeProblems();
    EXPECT_EQ(session->receiver().store().track.size(), 12u) << describeProblems();
}

// trawlix-cli with the receiver's first answer (its version) damaged on the line: the link
// asks again, and the command completes with exit status 0.
class DamagedVersionAnswer : public Scenario,
                             public ::testing::WithParamInterface<std::pair<int, bool>> {};

TEST_P(DamagedVersionAnswer, DoesNotFailTheCommand) {
    const auto [entry, gpx] = GetParam();
    Session::Setup setup;
    setup.console = true;
    setup.faults.corruptChecksum = 1;
    begin(setup);
    const std::string file =
        entry >= app::kSendWaypoints ? files->of(entry, gpx) : (gpx ? "out.gpx" : "out.txt");
    const CommandEnd end = runCommand(*session, entry, file);
    EXPECT_EQ(end.status, std::optional(cli::kCompleted)) << describeProblems();
    EXPECT_EQ(referee->transfersCompleted(), 1);
}

INSTANTIATE_TEST_SUITE_P(DownloadsAndUploads, DamagedVersionAnswer,
                         ::testing::Values(std::pair(app::kRequestWaypoints, false),
                                           std::pair(app::kRequestTracks, true),
                                           std::pair(app::kSendWaypoints, false),
                                           std::pair(app::kSendRoute, true)));

// A download that cannot start (the port closed) or is never answered leaves an existing
// file as it was, and the status bar not on the request.
class DownloadThatReceivesNothing : public Scenario,
                                    public ::testing::WithParamInterface<std::pair<bool, bool>> {};

TEST_P(DownloadThatReceivesNothing, LeavesTheFileAsItWas) {
    const auto [portClosed, gpx] = GetParam();
    begin();
    session->start();
    const std::string name = gpx ? "kept.gpx" : "kept.txt";
    const std::string old = "what the user kept here\r\n";
    std::ofstream(session->path(name), std::ios::binary) << old;
    if (portClosed) {
        session->closePort();
    } else {
        session->receiver().setMuted(true);
    }
    session->choose(app::kRequestWaypoints, name);
    ASSERT_TRUE(session->runUntil([&] { return !messages().empty(); }, 30 * kSecond));
    EXPECT_EQ(readWhole(session->path(name)), old);
    EXPECT_EQ(session->activity().rfind("Requesting", 0), std::string::npos) << session->activity();
}

INSTANTIATE_TEST_SUITE_P(ClosedOrSilent, DownloadThatReceivesNothing,
                         ::testing::Values(std::pair(true, false), std::pair(true, true),
                                           std::pair(false, false), std::pair(false, true)));

// A GPX route download stopped while the routes come, the user reading the box that says
// so: nothing more of it is received or reported.
TEST_F(Scenario, GpxRouteDownloadStoppedPartWayStaysStopped) {
    begin();
    session->thinkTime = [] { return 3 * kSecond; };
    session->start();
    session->choose(app::kRequestRoutes, "routes.gpx");
    ASSERT_TRUE(
        session->runUntil([&] { return timesReceived("$PMGNCMD,ROUTE") == 1; }, 30 * kSecond));
    session->runFor(300 * kMillisecond);
    session->choose(app::kReset);
    session->runFor(10 * kSecond);
    EXPECT_FALSE(anyMessageStartsWith("Received ")) << describeProblems();
}

// After the line is lost part way through a download, the window shows neither the transfer
// nor the receiver that are gone.
TEST_F(Scenario, LostLineLeavesNoTransferAndNoIdentityShown) {
    ASSERT_NO_FATAL_FAILURE(loseTheLinePartWayThroughATrackDownload());
    EXPECT_EQ(session->activity().rfind("Receiving", 0), std::string::npos) << session->activity();
    EXPECT_EQ(session->shownView().caption(app::Label::ProductId), app::kInitialProductCaption);
    EXPECT_EQ(session->shownView().caption(app::Label::GpsDesc), app::kInitialDescriptionCaption);
    EXPECT_EQ(session->shownView().caption(app::Label::Version), app::kInitialVersionCaption);
}

}  // namespace
}  // namespace trawlix::simulation
