// The live fix and the port menu against simulated receivers, over pseudo-terminals.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "app/device_settings.h"
#include "app/your_form.h"
#include "qt/simulated_line.h"
#include "support/scripted_view.h"

namespace trawlix::testing {
namespace {

using app::Label;

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

const std::map<std::string, Label> kLabelNames = {
    {"lbllat", Label::Lat},   {"lbllon", Label::Lon},   {"lblalt", Label::Alt},
    {"lblTime", Label::Time}, {"lbldate", Label::Date}, {"lblhdop", Label::Hdop}};

TEST(LiveFix, RecordedLogShowsItsLastFix) {
    SimulatedLine line;
    ScriptedView view;
    MemorySettings settings;
    app::YourForm form(view, line.link(), settings, "/opt/trawlix");
    form.Form_Load();
    const std::string data = TRAWLIX_TEST_DATA;
    line.host().withReceiver([&](sim::SimulatedReceiver& receiver) {
        receiver.replay(readLines(data + "/walk.nmea"), std::chrono::milliseconds(5));
    });
    ASSERT_TRUE(waitUntil(
        [&] {
            bool done = false;
            line.host().withReceiver([&](sim::SimulatedReceiver& r) { done = r.replayDone(); });
            return done;
        },
        5000));
    spin(200);
    for (const std::string& expected : readLines(data + "/walk.expected")) {
        const auto equals = expected.find('=');
        const std::string name = expected.substr(0, equals);
        EXPECT_EQ(view.caption(kLabelNames.at(name)), expected.substr(equals + 1)) << name;
    }
}

// Two receivers, on ports 2 and 3 of the settings.
class PortChoice : public ::testing::Test {
  protected:
    PortChoice() {
        sim::ReceiverStore other = sim::exampleStore();
        other.productId = "SECOND";
        second = std::make_unique<SimulatedLine>(sim::Faults{}, other);
        settings.values["Devices/Port2"] = first.devicePath();
        settings.values["Devices/Port3"] = second->devicePath();
    }

    // A window on a link that finds its devices through the settings, as the program does.
    struct Window {
        explicit Window(MemorySettings& settings)
            : link([&settings](std::int16_t port) { return app::deviceForPort(settings, port); }),
              form(view, link, settings, "/opt/trawlix") {}
        ScriptedView view;
        link::SerialLink link;
        app::YourForm form;
    };

    SimulatedLine first;
    std::unique_ptr<SimulatedLine> second;
    MemorySettings settings;
};

TEST_F(PortChoice, AnotherPortReopensTheLinkThereAndSurvivesARestart) {
    {
        Window window(settings);
        window.form.Form_Load();
        EXPECT_EQ(window.view.caption(Label::ProductId), "PID MERIDIAN GPS");
        window.form.mnuPort_Click(3);
        ASSERT_TRUE(
            waitUntil([&] { return window.view.caption(Label::ProductId) == "PID SECOND"; }));
        EXPECT_EQ(settings.values["Port/Port"], "3");
    }
    Window restarted(settings);
    restarted.form.Form_Load();
    EXPECT_EQ(restarted.view.caption(Label::ProductId), "PID SECOND");
    EXPECT_EQ(restarted.view.checkedPorts(), (std::vector<std::int16_t>{3}));
}

TEST_F(PortChoice, PortWithoutADeviceIsReportedOnce) {
    Window window(settings);
    window.form.Form_Load();
    settings.values["Devices/Port5"] = "/dev/trawlix-absent";
    window.form.mnuPort_Click(5);
    EXPECT_EQ(window.view.messageTexts(), (std::vector<std::string>{"Can't open com port 5"}));
    EXPECT_EQ(settings.values.count("Port/Port"), 0u) << "not saved";
}

}  // namespace
}  // namespace trawlix::testing
