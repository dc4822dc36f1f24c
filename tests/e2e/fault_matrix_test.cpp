// What the user sees, and what is kept, when the receiver, the line or a file misbehaves:
// one test a row of the fault matrix in the README. In every row the window goes on working,
// nothing received is lost and no failure is reported as success.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

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

TEST_F(FaultMatrix, ReceiverSilentAtStartUp) {
    view.answers = {MessageAnswer::Cancel};
    sim::Faults faults;
    faults.silent = true;
    start(faults);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "GPS on com port 2 failed to initialze.");
    EXPECT_EQ(view.caption(app::Label::ProductId), "PID");
    EXPECT_TRUE(line->link().isOpen());
}

TEST_F(FaultMatrix, ReceiverSilentPartWayThroughADownload) {
    sim::Faults faults;
    faults.silentAfter = 20;  // the handshake takes a few; then some waypoints
    start(faults);
    choose(app::kRequestWaypoints, "partial.txt");
    ASSERT_TRUE(waitForMessages(1, 12000));
    EXPECT_EQ(view.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_NE(view.messages[0].text.find("fell silent"), std::string::npos);
    EXPECT_FALSE(anyMessageStartsWith("Received "));
    EXPECT_EQ(lineCount(folder / "partial.txt"),
              static_cast<std::size_t>(form->RecordCount.value()));
    EXPECT_GT(form->RecordCount.value(), 5);
}

TEST_F(FaultMatrix, DroppedAcknowledgementInAnUpload) {
    sim::Faults faults;
    faults.dropAcknowledgement = 5;
    start(faults);
    std::ofstream(folder / "t.txt", std::ios::binary)
        << "Point,True,1,46.1,7.1,100,0,010199\r\nPoint,True,2,46.2,7.2,200,0,010199\r\n"
           "Point,True,3,46.3,7.3,300,0,010199\r\nPoint,True,4,46.4,7.4,400,0,010199\r\n";
    choose(app::kSendTrack, "t.txt");
    ASSERT_TRUE(waitForMessages(1, 10000));
    EXPECT_EQ(view.messages[0].text, "Transfer Complete. 4 Track Points sent.");
    EXPECT_EQ(line->store().track.size(), 4u);
}

TEST_F(FaultMatrix, CorruptedChecksumInADownload) {
    sim::Faults faults;
    faults.corruptChecksum = 12;
    start(faults);
    choose(app::kRequestTracks, "tracks.txt");
    ASSERT_TRUE(waitForMessages(1, 10000));
    EXPECT_EQ(view.messages[0].text, "Received 300 records.");
    EXPECT_EQ(lineCount(folder / "tracks.txt"), 300u);
}

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

TEST_F(FaultMatrix, GarbageByteStream) {
    start();
    std::mt19937 random(7);
    std::string noise;
    for (int i = 0; i < 100'000; ++i) {
        noise += static_cast<char>(random() % 256);
    }
    line->host().withReceiver([&](sim::SimulatedReceiver& r) { r.sendRaw(noise + "\r\n"); });
    spin(500);
    expectWindowStillWorks();
}

TEST_F(FaultMatrix, HundredKilobyteLineWithoutALineEnd) {
    start();
    line->host().withReceiver(
        [&](sim::SimulatedReceiver& r) { r.sendRaw("$PMGNWPL," + std::string(100'000, 'x')); });
    spin(500);
    expectWindowStillWorks();
}

TEST_F(FaultMatrix, UploadFileWithBinaryContent) {
    start();
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>((i * 37) % 256);
    }
    std::ofstream(folder / "photo.jpg", std::ios::binary) << binary;
    choose(app::kSendWaypoints, "photo.jpg");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(
        view.messages[0].text.rfind("Can't send the file " + path("photo.jpg") + ": line ", 0), 0u);
    EXPECT_EQ(line->store().waypoints.size(), 36u) << "nothing sent";
    expectWindowStillWorks();
}

TEST_F(FaultMatrix, UploadOfFortyThousandLines) {
    start();
    {
        std::ofstream file(folder / "long.txt", std::ios::binary);
        for (int i = 0; i < 40'000; ++i) {
            file << "Point,True," << i << ",46.1,7.1,100,0,010199\r\n";
        }
    }
    choose(app::kSendTrack, "long.txt");
    ASSERT_TRUE(waitForMessages(1, 120000));
    EXPECT_EQ(view.messages[0].text, "Transfer Complete. 32767 Track Points sent.");
    EXPECT_EQ(line->store().track.size(), 40'000u) << "every line reaches the receiver";
}

}  // namespace
}  // namespace trawlix::testing
