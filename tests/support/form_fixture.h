#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/your_form.h"
#include "support/fake_gps_link.h"
#include "support/scripted_view.h"

namespace trawlix::testing {

// A window core on a scripted view, a fake link and settings in memory, with a scratch
// folder for transfer files.
class FormFixture : public ::testing::Test {
  protected:
    FormFixture() {
        folder = std::filesystem::temp_directory_path() /
                 ("trawlix-test-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        form = std::make_unique<app::YourForm>(view, link, settings, "/opt/trawlix");
        view.onClose = [this] {
            std::int16_t cancel = 0;
            form->Form_Unload(cancel);
        };
    }
    ~FormFixture() override {
        form.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // Names are UTF-8 text, as the window and the command line hand them over. (A plain
    // std::string would be taken in the system's 8-bit code page on Windows.)
    static std::filesystem::path fromUtf8(const std::string& name) {
        return std::filesystem::path(std::u8string(name.begin(), name.end()));
    }

    std::string path(const std::string& name) const {
        const std::u8string text = (folder / fromUtf8(name)).u8string();
        return std::string(text.begin(), text.end());
    }

    void writeFile(const std::string& name, const std::string& contents) const {
        std::ofstream(folder / fromUtf8(name), std::ios::binary) << contents;
    }

    std::string readFile(const std::string& name) const {
        std::ifstream in(folder / fromUtf8(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A receiver that answers every version request from inside ConfigureLink.
    void answerVersionRequests() {
        link.reaction = [this](const std::string& call) {
            if (call == "ConfigureLink 1" && link.calls.size() >= 2 &&
                link.calls[link.calls.size() - 2] == "RequestVersion") {
                link.replyVersion("MERIDIAN", "5.04", "Meridian Platinum");
            }
        };
    }

    ScriptedView view;
    FakeGpsLink link;
    MemorySettings settings;
    std::unique_ptr<app::YourForm> form;
    std::filesystem::path folder;
};

}  // namespace trawlix::testing
