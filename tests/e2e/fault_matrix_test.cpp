// The rows of the README's fault matrix that need a real serial device: a line that hangs up,
// a device that is missing or in use. The other rows are named scenarios of the simulation
// (tests/simulation), in virtual time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/your_form.h"
#include "qt/simulated_line.h"
#include "support/scripted_view.h"

namespace trawlix::testing {
namespace {

using app::MessageAnswer;
using app::MessageButtons;

std::size_t lineCount(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class FaultMatrix : public ::testing::Test {
  protected:
    void start(sim::Faults faults = {}) {
        line = std::make_unique<SimulatedLine>(faults);
        form = std::make_unique<app::YourForm>(view, line->link(), settings, "/opt/trawlix");
        folder = std::filesystem::temp_directory_path() /
                 ("trawlix-faults-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        form->Form_Load();
    }
    ~FaultMatrix() override {
        form.reset();
        line.reset();
        std::filesystem::remove_all(folder);
    }

    std::string path(const std::string& name) const { return (folder / name).string(); }

    void choose(int entry, const std::string& file = "") {
        if (!file.empty()) {
            view.fileAnswers.push_back(path(file));
        }
        view.choose(entry);
        form->cboFunction_Click();
    }

    bool waitForMessages(std::size_t count, int timeoutMs = 15000) {
        return waitUntil([&] { return view.messages.size() >= count; }, timeoutMs);
    }

    bool anyMessageStartsWith(const std::string& start) const {
        for (const auto& message : view.messages) {
            if (message.text.rfind(start, 0) == 0) {
                return true;
            }
        }
        return false;
    }

    // The window still works: a whole waypoint download succeeds.
    void expectWindowStillWorks() {
        const std::size_t before = view.messages.size();
        choose(app::kRequestWaypoints, "after.txt");
        ASSERT_TRUE(waitForMessages(before + 1));
        EXPECT_EQ(view.messages.back().text, "Received 36 records.");
        EXPECT_EQ(lineCount(folder / "after.txt"), 36u);
    }

    ScriptedView view;
    MemorySettings settings;
    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<app::YourForm> form;
    std::filesystem::path folder;
};

TEST_F(FaultMatrix, LineHungUpPartWay) {
    sim::Faults faults;
    faults.hangUpAfter = 40;
    start(faults);
    choose(app::kRequestTracks, "tracks.txt");
    ASSERT_TRUE(waitForMessages(1, 10000));
    EXPECT_EQ(view.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_NE(view.messages[0].text.find("was lost"), std::string::npos);
    EXPECT_FALSE(anyMessageStartsWith("Received "));
    EXPECT_EQ(lineCount(folder / "tracks.txt"),
              static_cast<std::size_t>(form->RecordCount.value()));
    EXPECT_GT(form->RecordCount.value(), 10);
    // With the line gone, a new request is refused with a notice, not a hang.
    choose(app::kRequestWaypoints, "again.txt");
    ASSERT_TRUE(waitForMessages(2));
    EXPECT_NE(view.messages[1].text.find("not open"), std::string::npos);
}

TEST_F(FaultMatrix, DeviceMissing) {
    settings.values["Port/Port"] = "2";
    ScriptedView missingView;
    link::SerialLink link([](std::int16_t) { return std::string("/dev/trawlix-unplugged"); });
    app::YourForm missingForm(missingView, link, settings, "/opt/trawlix");
    missingForm.Form_Load();
    EXPECT_EQ(missingView.messageTexts(), (std::vector<std::string>{"Can't open com port 2"}));
    ASSERT_FALSE(missingView.listLines.empty());
    EXPECT_NE(missingView.listLines.back().find("no such device"), std::string::npos);
}

TEST_F(FaultMatrix, PortInUseOrPermissionDenied) {
    start();
    ScriptedView otherView;
    const std::string device = line->devicePath();
    link::SerialLink other([device](std::int16_t) { return device; });
    MemorySettings otherSettings;
    app::YourForm otherForm(otherView, other, otherSettings, "/opt/trawlix");
    otherForm.Form_Load();
    EXPECT_EQ(otherView.messageTexts(), (std::vector<std::string>{"Can't open com port 2"}));
    ASSERT_FALSE(otherView.listLines.empty());
    EXPECT_NE(otherView.listLines.back().find("permission denied"), std::string::npos);
    expectWindowStillWorks();
}

}  // namespace
}  // namespace trawlix::testing
