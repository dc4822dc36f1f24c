// The status bar's texts, stale labels after the port changes, the open-failure box, and
// "Find GPS...".
#include <gtest/gtest.h>

#include <algorithm>

#include "app/device_settings.h"
#include "link/protocol_texts.h"
#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

using app::Label;
using app::StatusArea;
namespace protocol = link::protocol;

class ScriptedClock : public app::Clock {
  public:
    double now = 100.0;
    std::string time = "12:35:19";
    double seconds() const override { return now; }
    std::string timeOfDay() const override { return time; }
};

class StatusBar : public FormFixture {
  protected:
    StatusBar() { form->setClock(clock); }

    void started() {
        answerVersionRequests();
        form->Form_Load();
    }
    std::string activity() { return view.status[StatusArea::Activity]; }
    std::string port() { return view.status[StatusArea::Port]; }
    void choose(int entry, const std::string& file = {}) {
        if (!file.empty()) {
            view.fileAnswers.push_back(path(file));
        }
        view.choose(entry);
        form->cboFunction_Click();
    }
    void showLiveFix() {
        link.nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
        link.nmea("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
    }

    ScriptedClock clock;
};

TEST_F(StatusBar, AWeekCounterThatRolledOverIsSaidOnceThenTheCorrectedDate) {
    started();
    form->weekRollover().setClock([] { return 1383741330LL; });  // 2013-11-06 12:35:30 UTC
    showLiveFix();
    const std::string notice =
        "The GPS's date is 1024 weeks behind: its week counter rolled over. Track dates are "
        "corrected in GPX files.";
    EXPECT_EQ(activity(), notice);
    clock.now += 10.0;
    showLiveFix();
    EXPECT_EQ(activity(), "Corrected date 11/06/2013 · Live fix, last at 12:35:19");
    EXPECT_EQ(view.caption(Label::Date), "03/23/2094");  // as the receiver sends it
    EXPECT_EQ(std::count(view.listLines.begin(), view.listLines.end(), notice), 1);
    EXPECT_EQ(settings.values["WeekRollover/MERIDIAN_5.04"], "1");
    // A receiver that lost its fix and reset its clock: no evidence, and no date to correct.
    clock.now += 10.0;
    link.nmea("$GPRMC,000013,V,,,,,,,060180,,*6A");
    EXPECT_EQ(activity(), "Live fix, last at 12:35:19");
    EXPECT_EQ(settings.values["WeekRollover/MERIDIAN_5.04"], "1");
}

TEST_F(StatusBar, DownloadCountsRecordsAndTheirRateFromTheFirstOn) {
    started();
    EXPECT_EQ(activity(), "Ready");
    choose(app::kRequestTracks, "t.txt");
    EXPECT_EQ(activity(), "Requesting track points");
    clock.now += 2.0;  // the receiver takes its time before the first record
    link.receive(std::string(protocol::kTrackPointKind));
    EXPECT_EQ(activity(), "Receiving track points: 1");
    for (int i = 0; i < 4; ++i) {
        clock.now += 0.125;
        link.receive(std::string(protocol::kTrackPointKind));
    }
    EXPECT_EQ(activity(), "Receiving track points: 5 (8.0 a second)");
    link.receive(std::string(protocol::kEndId));
    EXPECT_EQ(activity(), "Ready");
    EXPECT_EQ(view.messageTexts().back(), "Received 5 records.");
}

TEST_F(StatusBar, UploadShowsItsTotalAndTimeLeftFromTheSameCount) {
    started();
    writeFile("w.txt",
              "Waypoint,A,1,2,,0,M,1,0,0,a\r\n\r\nWaypoint,B,1,2,,0,M,2,0,0,a\r\n"
              "Waypoint,C,1,2,,0,M,3,0,0,a\r\nWaypoint,D,1,2,,0,M,4,0,0,a\r\n");
    choose(app::kSendWaypoints, "w.txt");
    EXPECT_EQ(activity(), "Sending waypoints: 1 of 4");
    clock.now += 3.0;
    link.acknowledge(std::string(protocol::kWaypointKind));
    EXPECT_EQ(activity(), "Sending waypoints: 2 of 4, about 3 s left");
    clock.now += 3.0;
    link.acknowledge(std::string(protocol::kWaypointKind));
    EXPECT_EQ(activity(), "Sending waypoints: 3 of 4, about 2 s left");
    link.acknowledge(std::string(protocol::kWaypointKind));
    link.acknowledge(std::string(protocol::kWaypointKind));
    link.acknowledge(std::string(protocol::kCommandKind), std::string(protocol::kEndCommand));
    EXPECT_EQ(view.messageTexts().back(), "Transfer Complete. 4 Waypoints sent.");
    EXPECT_EQ(activity(), "Ready");
}

TEST_F(StatusBar, RouteUploadCountsEntriesNotHeaders) {
    started();
    writeFile("r.txt",
              "Header,1,2\r\nWaypoint,a,A\r\nWaypoint,a,B\r\nWaypoint,a,C\r\n"
              "Header,2,1\r\nWaypoint,a,D\r\n");
    choose(app::kSendRoute, "r.txt");
    EXPECT_EQ(activity(), "Sending route waypoints: 2 of 4");
}

TEST_F(StatusBar, PortInUseAndClosedAndStaleLabelsAfterClose) {
    settings.values["Devices/Port2"] = "/dev/ttyUSB0";
    started();
    showLiveFix();
    EXPECT_EQ(port(), "Port 2 \u00b7 /dev/ttyUSB0 \u00b7 4800,N,8,1");
    EXPECT_EQ(activity(), "Live fix, last at 12:35:19");
    EXPECT_EQ(view.captions[Label::ProductId], "PID MERIDIAN");
    EXPECT_NE(view.captions[Label::Lat], "");

    form->mnuClose_Click();
    EXPECT_EQ(port(), "Port 2 closed");
    EXPECT_EQ(activity(), "Not connected");
    EXPECT_EQ(view.captions[Label::ProductId], "PID");
    EXPECT_EQ(view.captions[Label::GpsDesc], "Desc");
    EXPECT_EQ(view.captions[Label::Version], "Ver");
    for (const Label label :
         {Label::Lat, Label::Lon, Label::Alt, Label::Hdop, Label::Date, Label::Time}) {
        EXPECT_EQ(view.captions[label], "");
    }
}

TEST_F(StatusBar, NmeaOffEmptiesEveryFixLabelAlsoWhileTheFixUnderWayEnds) {
    started();
    showLiveFix();
    choose(app::kNmeaOff);
    clock.now += 0.5;
    link.nmea("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    showLiveFix();
    EXPECT_EQ(view.captions[Label::Hdop] + view.captions[Label::Lat], "");
    EXPECT_EQ(activity(), "Ready");
    clock.now += 1.5;
    link.nmea("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    EXPECT_EQ(view.captions[Label::Hdop], "8.2021");
}

TEST_F(StatusBar, LiveFixTimeIsTakenOnceASecond) {
    started();
    showLiveFix();
    clock.time = "12:35:20";
    showLiveFix();
    EXPECT_EQ(activity(), "Live fix, last at 12:35:19");
    clock.now += 1.0;
    showLiveFix();
    EXPECT_EQ(activity(), "Live fix, last at 12:35:20");
}

TEST_F(StatusBar, PortChangeClearsTheOldReceiverUntilTheNewOneAnswers) {
    started();
    showLiveFix();
    link.reaction = nullptr;
    form->mnuBaud_Click(1);
    EXPECT_EQ(port(), "Port 2 \u00b7 " + app::defaultDevice(2) + " \u00b7 9600,N,8,1");
    EXPECT_EQ(view.captions[Label::ProductId], "PID");
    EXPECT_EQ(view.captions[Label::Time], "");
    link.replyVersion("MERIDIAN", "5.04", "Meridian Platinum");
    EXPECT_EQ(view.captions[Label::ProductId], "PID MERIDIAN");
}

TEST_F(StatusBar, NmeaOffClearsTheFixButKeepsTheIdentity) {
    started();
    choose(app::kNmeaOn);
    showLiveFix();
    choose(app::kNmeaOff);
    EXPECT_EQ(view.captions[Label::Lat], "");
    EXPECT_EQ(view.captions[Label::Date], "");
    EXPECT_EQ(view.captions[Label::ProductId], "PID MERIDIAN");
    EXPECT_EQ(activity(), "Ready");
}

TEST_F(StatusBar, SilentReceiverIsSaidSo) {
    view.answers = {app::MessageAnswer::Cancel};
    form->Form_Load();
    EXPECT_EQ(activity(), "Receiver did not answer");
    started();
    link.error(link::kNoAnswer, "no answer", "$PMGNCMD,WAYPOINT");
    EXPECT_EQ(activity(), "Receiver did not answer");
}

TEST_F(StatusBar, OpenFailureBoxKeepsItsTextAndAddsTheReasonAndFindGps) {
    link.openResult = false;
    link.reaction = [this](const std::string& call) {
        if (call == "OpenPort") {
            link.debug(
                "Can't open /dev/ttyS1: there is no such device. Is the receiver "
                "plugged in?");
        }
    };
    form->Form_Load();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Can't open com port 2");
    EXPECT_EQ(view.messages[0].kind, app::MessageKind::PortFailure);
    EXPECT_EQ(view.messages[0].detail,
              "Can't open /dev/ttyS1: there is no such device. Is the receiver plugged in?\n\n"
              "File, Find GPS... looks for the receiver on every port.");
    EXPECT_EQ(port(), "Port 2 closed");

    link.reaction = nullptr;  // a failure that says nothing still points to the search
    form->mnuOpen_Click();
    EXPECT_EQ(view.messages[1].detail, "File, Find GPS... looks for the receiver on every port.");
}

app::ProbeResult probed(const std::string& device, app::ProbeOutcome outcome, int baud = 0) {
    app::ProbeResult result;
    result.device = device;
    result.outcome = outcome;
    result.baud = baud;
    result.identity = {"MERIDIAN", "5.04", "Meridian Platinum"};
    return result;
}

TEST_F(StatusBar, FindGpsAssignsTheReceiverToTheCurrentPortAndOpensIt) {
    started();
    form->mnuPort_Click(4);
    view.searchResults =
        std::vector<app::ProbeResult>{probed("/dev/ttyS0", app::ProbeOutcome::NoAnswer),
                                      probed("/dev/ttyUSB0", app::ProbeOutcome::Found, 9600)};
    link.calls.clear();
    form->mnuFindGps_Click();
    EXPECT_EQ(settings.values["Devices/Port4"], "/dev/ttyUSB0");
    EXPECT_EQ(settings.values["Port/Settings"], "9600,N,8,1");
    EXPECT_EQ(settings.values["Port/Port"], "4");
    EXPECT_TRUE(view.baudChecked[1]);
    EXPECT_FALSE(view.baudChecked[0]);
    EXPECT_EQ(link.calls.front(), "ClosePort") << "its own hold would make it look in use";
    EXPECT_EQ(link.calls.back(), "ConfigureLink 1");
    EXPECT_EQ(port(), "Port 4 \u00b7 /dev/ttyUSB0 \u00b7 9600,N,8,1");
    EXPECT_EQ(view.captions[Label::ProductId], "PID MERIDIAN") << "the identity is shown";
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(StatusBar, FindGpsSaysWhatItFoundWhereAndWhichPortNumbersNameIt) {
    settings.values["Devices/Port2"] = "/dev/ttyS7";
    settings.values["Devices/Port5"] = "/dev/ttyUSB0";
    started();
    view.searchResults =
        std::vector<app::ProbeResult>{probed("/dev/ttyUSB0", app::ProbeOutcome::Found, 4800)};
    form->mnuFindGps_Click();
    ASSERT_GE(view.listLines.size(), 3u);
    EXPECT_EQ(view.listLines[0].rfind("Found /dev/ttyUSB0 at 4800,N,8,1: PID MERIDIAN", 0), 0u)
        << view.listLines[0];
    EXPECT_EQ(view.listLines[1],
              "Port 2 now uses /dev/ttyUSB0 at 4800,N,8,1 (it used /dev/ttyS7 before)");
    EXPECT_EQ(view.listLines[2], "Port 5 names the same device");
    EXPECT_EQ(activity(), "Found the receiver on /dev/ttyUSB0 at 4800 baud; Port 2 now uses it");
}

TEST_F(StatusBar, FindGpsWithoutReceiverListsWhatWasTriedAndReopensThePort) {
    started();
    view.searchResults =
        std::vector<app::ProbeResult>{probed("/dev/ttyS0", app::ProbeOutcome::NoAnswer),
                                      probed("/dev/ttyUSB0", app::ProbeOutcome::Garbled)};
    link.calls.clear();
    form->mnuFindGps_Click();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "No GPS found.");
    EXPECT_EQ(view.messages[0].detail,
              "/dev/ttyS0: no answer at 4800 or 9600 baud\n"
              "/dev/ttyUSB0: garbled answer at 4800 or 9600 baud, likely another speed");
    EXPECT_EQ(settings.values.count("Devices/Port2"), 0u);
    EXPECT_EQ(link.calls.back(), "ConfigureLink 1");
    EXPECT_EQ(port(), "Port 2 \u00b7 " + app::defaultDevice(2) + " \u00b7 4800,N,8,1");
}

TEST_F(StatusBar, CancelledSearchChangesNothingAndReopens) {
    started();
    form->mnuFindGps_Click();
    EXPECT_EQ(view.searches, 1);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(settings.values.count("Devices/Port2"), 0u);
    EXPECT_EQ(port(), "Port 2 \u00b7 " + app::defaultDevice(2) + " \u00b7 4800,N,8,1");
}

}  // namespace
}  // namespace trawlix::testing
