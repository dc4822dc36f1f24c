// The window's status bar and stale labels, as widgets under the offscreen platform.
#include <gtest/gtest.h>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <fstream>

#include "app/your_form.h"
#include "link/protocol_texts.h"
#include "qt/main_window.h"
#include "sim/pty_host.h"
#include "support/fake_gps_link.h"
#include "support/scripted_view.h"

namespace trawlix::testing {
namespace {

namespace protocol = link::protocol;

class SteppedClock : public app::Clock {
  public:
    double now = 0.0;
    double seconds() const override { return now; }
    std::string timeOfDay() const override { return "12:35:19"; }
};

// Answers boxes and file dialogs without showing them, and starts no editor.
class QuietWindow : public app::MainWindow {
  public:
    QString fileAnswer;
    QStringList details;

  protected:
    app::MessageAnswer askUser(const QString&, app::MessageButtons) override {
        return app::MessageAnswer::Ok;
    }
    app::MessageAnswer askUserWithDetail(const QString&, const QString& detail,
                                         app::MessageButtons) override {
        details << detail;
        return app::MessageAnswer::Ok;
    }
    QString askForFile(app::FileDialogMode, const QString&, bool, const QStringList&,
                       QString&) override {
        return fileAnswer;
    }
    bool launchEditor(const QString&) override { return true; }
};

class StatusBarWindow : public ::testing::Test {
  protected:
    StatusBarWindow() : form(window, link, settings, "/opt/trawlix") {
        window.attach(form);
        form.setClock(clock);
        settings.values["Devices/Port2"] = "/dev/ttyUSB0";
        link.reaction = [this](const std::string& call) {
            if (call == "ConfigureLink 1") {
                link.replyVersion("MERIDIAN", "5.04", "Meridian Platinum");
            }
        };
        form.Form_Load();
    }

    std::string text(const char* name) const {
        return window.findChild<QLabel*>(name)->text().toStdString();
    }
    void choose(int entry, const QString& file) {
        window.fileAnswer = file;
        auto* combo = window.findChild<QComboBox*>("cboFunction");
        combo->setCurrentIndex(entry);
        form.cboFunction_Click();
    }

    QuietWindow window;
    FakeGpsLink link;
    MemorySettings settings;
    SteppedClock clock;
    app::YourForm form;
    QTemporaryDir folder;
};

TEST_F(StatusBarWindow, DownloadShowsCountAndRateLeftAndThePortRight) {
    EXPECT_TRUE(window.statusBar()->isVisibleTo(&window));
    EXPECT_EQ(text("statusPort"), "Port 2 \u00b7 /dev/ttyUSB0 \u00b7 4800,N,8,1");
    EXPECT_EQ(text("statusActivity"), "Ready");
    choose(app::kRequestTracks, folder.filePath("t.txt"));
    for (int i = 0; i < 120; ++i) {
        link.receive(std::string(protocol::kTrackPointKind));
        clock.now += 1.0 / 6.3;
    }
    EXPECT_EQ(text("statusActivity"), "Receiving track points: 120 (6.3 a second)");
}

TEST_F(StatusBarWindow, UploadShowsItsTotalAndTimeLeft) {
    const QString file = folder.filePath("w.txt");
    {
        std::ofstream out(file.toStdString(), std::ios::binary);
        for (int i = 0; i < 36; ++i) {
            out << "Waypoint,W" << i << ",1,2,,0,M," << i << ",0,0,a\r\n";
        }
    }
    choose(app::kSendWaypoints, file);
    for (int i = 1; i < 12; ++i) {
        clock.now += 20.0 / 22;  // 12 sent in 10 s: the other 24 take about 20
        link.acknowledge(std::string(protocol::kWaypointKind));
    }
    EXPECT_EQ(text("statusActivity"), "Sending waypoints: 12 of 36, about 20 s left");
}

TEST_F(StatusBarWindow, CloseLeavesNothingThatLooksLive) {
    link.nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
    link.nmea("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
    EXPECT_EQ(text("statusActivity"), "Live fix, last at 12:35:19");
    EXPECT_EQ(text("lblProductID"), "PID MERIDIAN");
    EXPECT_FALSE(text("lbllat").empty());

    form.mnuClose_Click();
    EXPECT_EQ(text("statusPort"), "Port 2 closed");
    EXPECT_EQ(text("lblProductID"), "PID");
    EXPECT_EQ(text("lblGPSDesc"), "Desc");
    EXPECT_EQ(text("lblVersion"), "Ver");
    for (const char* name : {"lbllat", "lbllon", "lblalt", "lblhdop", "lbldate", "lblTime"}) {
        EXPECT_EQ(text(name), "") << name;
    }
    QStringList captions;
    for (QLabel* label : window.findChildren<QLabel*>("Label1")) {
        captions << label->text();
    }
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"Alt", "Date", "HDOP", "Lat", "Lon", "UTC"}));
}

TEST_F(StatusBarWindow, OpenFailureBoxCarriesTheReasonAsInformativeText) {
    link.openResult = false;
    link.reaction = [this](const std::string& call) {
        if (call == "OpenPort") {
            link.debug("Can't open /dev/ttyUSB0: permission denied");
        }
    };
    form.mnuOpen_Click();
    ASSERT_EQ(window.details.size(), 1);
    EXPECT_TRUE(window.details[0].startsWith("Can't open /dev/ttyUSB0: permission denied\n\n"));
    EXPECT_TRUE(window.details[0].contains("Find GPS..."));
}

// The search itself, with its progress dialog, against receivers on pseudo-terminals: it
// ends at the receiver that answers only at 9600 baud, and the port is pointed at it.
TEST_F(StatusBarWindow, FindGpsEndsAtTheReceiverAndAssignsIt) {
    sim::Faults silent;
    silent.silent = true;
    sim::PtyHost quiet(sim::SimulatedReceiver(sim::exampleStore(), silent), {});
    sim::PtyHost::Options only9600;
    only9600.answerBaud = 9600;
    sim::PtyHost receiver(sim::SimulatedReceiver(), only9600);
    std::string error;
    ASSERT_TRUE(quiet.open(error) && receiver.open(error)) << error;
    quiet.start();
    receiver.start();
    window.setSearchCandidates([&] {
        return std::vector<app::Candidate>{{quiet.path(), {}}, {receiver.path(), {}}};
    });

    form.mnuFindGps_Click();
    EXPECT_EQ(settings.values["Devices/Port2"], receiver.path());
    EXPECT_EQ(settings.values["Port/Settings"], "9600,N,8,1");
    EXPECT_EQ(text("statusPort"), "Port 2 \u00b7 " + receiver.path() + " \u00b7 9600,N,8,1");
    EXPECT_TRUE(window.details.isEmpty()) << window.details.join("\n").toStdString();
}

}  // namespace
}  // namespace trawlix::testing
