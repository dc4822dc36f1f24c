// The port and baud menus, "Add Port", and opening and closing by hand.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/device_settings.h"
#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

using app::MessageButtons;

class PortSettings : public FormFixture {
  protected:
    // A started window whose receiver answered; the logs start empty after it.
    void started() {
        answerVersionRequests();
        form->Form_Load();
        link.calls.clear();
        settings.writes.clear();
    }
};

TEST_F(PortSettings, ChoosingAPortReopensThereSavesAndAsksForTheVersion) {
    started();
    view.listLines = {"old"};
    form->PendingCommand = "";
    form->mnuPort_Click(3);
    EXPECT_EQ(view.checkedPorts(), (std::vector<std::int16_t>{3}));
    EXPECT_EQ(form->CurrentPort, 3);
    // The port is closed, then opened as port 3 with the chosen line settings, and the
    // receiver is asked who it is: what the user sees is port 3 answering.
    const auto& calls = link.calls;
    const auto at = [&](const std::string& call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    EXPECT_EQ(link.PortNumber(), 3);
    EXPECT_LT(at("ClosePort"), at("OpenPort"));
    EXPECT_LT(at("PortSettings=4800,N,8,1"), at("OpenPort"));
    EXPECT_LT(at("OpenPort"), at("RequestVersion"));
    EXPECT_LT(at("RequestVersion"), static_cast<std::ptrdiff_t>(calls.size()));
    EXPECT_EQ(settings.values["Port/Port"], "3");
    EXPECT_EQ(settings.values["Port/Settings"], "4800,N,8,1");
    EXPECT_TRUE(view.listLines.empty());
    EXPECT_EQ(form->PendingCommand, link.CommandState().VersionCommand);
}

TEST_F(PortSettings, ChoosingTheCheckedPortStillReopens) {
    started();
    form->mnuPort_Click(2);
    EXPECT_EQ(link.count("ClosePort"), 1);
    EXPECT_EQ(link.count("RequestVersion"), 1);
    EXPECT_EQ(settings.writes.size(), 2u);
}

TEST_F(PortSettings, PortThatCannotBeOpenedIsCheckedButNotSaved) {
    started();
    settings.values["Port/Port"] = "2";
    link.openResult = false;
    form->PendingCommand = "kept";
    form->mnuPort_Click(5);
    EXPECT_EQ(view.checkedPorts(), (std::vector<std::int16_t>{5}));
    EXPECT_EQ(form->CurrentPort, 5);
    EXPECT_EQ(view.messageTexts(), (std::vector<std::string>{"Can't open com port 5"}));
    EXPECT_EQ(settings.values["Port/Port"], "2");
    EXPECT_EQ(form->PendingCommand, "kept");
    EXPECT_EQ(link.count("RequestVersion"), 0);
}

TEST_F(PortSettings, ChoiceSurvivesARestart) {
    started();
    form->mnuBaud_Click(1);
    form->mnuPort_Click(4);
    ScriptedView nextView;
    FakeGpsLink nextLink;
    nextLink.openResult = false;
    app::YourForm restarted(nextView, nextLink, settings, "/opt/trawlix");
    restarted.Form_Load();
    EXPECT_EQ(nextLink.calls[0], "PortNumber=4");
    EXPECT_EQ(nextLink.calls[1], "PortSettings=9600,N,8,1");
    EXPECT_TRUE(nextView.baudChecked[1]);
}

TEST_F(PortSettings, NineSixHundredIsCheckedAndSavedAfterTheReopen) {
    started();
    form->mnuBaud_Click(1);
    EXPECT_FALSE(view.baudChecked[0]);
    EXPECT_TRUE(view.baudChecked[1]);
    EXPECT_EQ(form->LineSettings, "9600,N,8,1");
    EXPECT_EQ(settings.values["Port/Settings"], "9600,N,8,1");
    form->mnuBaud_Click(0);
    EXPECT_TRUE(view.baudChecked[0]);
    EXPECT_FALSE(view.baudChecked[1]);
}

TEST_F(PortSettings, AddPortWithNoStoredNextAddsSevenThenEight) {
    started();
    form->mnuPortAdd_Click();
    EXPECT_EQ(view.portCaptions().back(), "Port 7");
    EXPECT_FALSE(view.portItems.back().checked);
    EXPECT_EQ(settings.values["Port/Next"], "8");
    form->mnuPortAdd_Click();
    EXPECT_EQ(view.portCaptions().back(), "Port 8");
    EXPECT_EQ(settings.values["Port/Next"], "9");
    EXPECT_EQ(form->CurrentPort, 2);
    EXPECT_TRUE(link.calls.empty()) << "the port in use does not change";
}

TEST_F(PortSettings, AddPortOnAnExistingNumberSaysSoAndStoresNothing) {
    started();
    for (const char* next : {"1", "6"}) {
        settings.values["Port/Next"] = next;
        settings.writes.clear();
        view.messages.clear();
        form->mnuPortAdd_Click();
        EXPECT_EQ(view.messageTexts(), (std::vector<std::string>{"Port already in menu list"}));
        EXPECT_EQ(view.messages[0].buttons, MessageButtons::Ok);
        EXPECT_TRUE(settings.writes.empty());
    }
}

TEST_F(PortSettings, AddPortAtTheTopOfTheRangeStaysThere) {
    started();
    settings.values["Port/Next"] = "32767";
    form->mnuPortAdd_Click();
    EXPECT_EQ(view.portCaptions().back(), "Port 32767");
    EXPECT_EQ(settings.values["Port/Next"], "32767");
    form->mnuPortAdd_Click();
    EXPECT_EQ(view.messageTexts(), (std::vector<std::string>{"Port already in menu list"}));
}

TEST_F(PortSettings, AddPortWithANonsenseNextStartsAtSeven) {
    for (const char* next : {"many", "0", "-5", "-32768"}) {
        ScriptedView freshView;
        FakeGpsLink freshLink;
        MemorySettings freshSettings;
        freshSettings.values["Port/Next"] = next;
        app::YourForm freshForm(freshView, freshLink, freshSettings, "/opt/trawlix");
        freshLink.openResult = false;
        freshForm.Form_Load();
        freshForm.mnuPortAdd_Click();
        EXPECT_EQ(freshView.portCaptions(),
                  (std::vector<std::string>{"Port 1", "Port 2", "Port 3", "Port 4", "Port 5",
                                            "Port 6", "Port 7"}))
            << next;
        EXPECT_EQ(freshSettings.values["Port/Next"], "8") << next;
    }
}

TEST_F(PortSettings, OpenPortWhileOpenCallsOpenOnceMore) {
    started();
    form->mnuOpen_Click();
    EXPECT_EQ(link.calls,
              (std::vector<std::string>{"PortNumber=2", "PortSettings=4800,N,8,1", "OpenPort"}));
    EXPECT_TRUE(view.messages.empty());
    link.openResult = false;
    form->mnuOpen_Click();
    EXPECT_EQ(view.messageTexts(), (std::vector<std::string>{"Can't open com port 2"}));
}

TEST_F(PortSettings, CloseThenOpenReopensWithoutClearingOrRequesting) {
    started();
    view.listLines = {"kept"};
    form->mnuClose_Click();
    form->mnuOpen_Click();
    EXPECT_EQ(view.listLines, (std::vector<std::string>{"kept"}));
    EXPECT_EQ(link.count("ClosePort"), 1);
    EXPECT_EQ(link.count("RequestVersion"), 0);
    EXPECT_TRUE(settings.writes.empty());
}

}  // namespace
}  // namespace trawlix::testing

namespace trawlix::testing {
namespace {

TEST(PortDevices, PortNumbersNameTheSystemsPortsUnlessTheSettingsPointElsewhere) {
    MemorySettings settings;
#if defined(_WIN32)
    EXPECT_EQ(app::deviceForPort(settings, 2), "COM2");
#else
    EXPECT_EQ(app::deviceForPort(settings, 1), "/dev/ttyS0");
    EXPECT_EQ(app::deviceForPort(settings, 2), "/dev/ttyS1");
#endif
    settings.values["Devices/Port2"] = "/dev/ttyUSB0";
    EXPECT_EQ(app::deviceForPort(settings, 2), "/dev/ttyUSB0");
}

}  // namespace
}  // namespace trawlix::testing
