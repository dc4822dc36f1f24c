#include <gtest/gtest.h>

#include <algorithm>

#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

using app::Label;
using app::MessageAnswer;
using app::MessageButtons;

class StartUp : public FormFixture {};

TEST_F(StartUp, FirstStartUsesTheDefaults) {
    answerVersionRequests();
    form->Form_Load();

    EXPECT_TRUE(view.windowShown);
    EXPECT_EQ(form->CurrentPort, 2);
    EXPECT_EQ(view.checkedPorts(), (std::vector<std::int16_t>{2}));
    EXPECT_TRUE(view.baudChecked[0]);
    EXPECT_FALSE(view.baudChecked[1]);
    EXPECT_EQ(view.highestPortItem(), 6);
    ASSERT_GE(link.calls.size(), 3u);
    EXPECT_EQ(link.calls[0], "PortNumber=2");
    EXPECT_EQ(link.calls[1], "PortSettings=4800,N,8,1");
    EXPECT_EQ(link.calls[2], "OpenPort");
    EXPECT_EQ(form->CommonDialog1.InitDir, "/opt/trawlix");
    EXPECT_TRUE(settings.writes.empty()) << "start-up never writes settings";
}

TEST_F(StartUp, FillsTheFunctionListInOrderWithNothingSelected) {
    answerVersionRequests();
    form->Form_Load();
    EXPECT_EQ(view.functions,
              (std::vector<std::string>{"Reset", "Request Version Info", "Request Waypoints",
                                        "Request Routes", "Request Tracks", "Send Waypoints to GPS",
                                        "Send Route", "Send Track", "NMEA On", "NMEA Off"}));
    EXPECT_EQ(view.functionIndex(), -1);
}

TEST_F(StartUp, StoredNextOfNineAddsPortsSevenAndEightUnchecked) {
    settings.values["Port/Next"] = "9";
    answerVersionRequests();
    form->Form_Load();
    EXPECT_EQ(view.portCaptions(),
              (std::vector<std::string>{"Port 1", "Port 2", "Port 3", "Port 4", "Port 5", "Port 6",
                                        "Port 7", "Port 8"}));
    EXPECT_EQ(view.checkedPorts(), (std::vector<std::int16_t>{2}));
}

TEST_F(StartUp, StoredPortAmongTheAddedOnesIsChecked) {
    settings.values["Port/Next"] = "9";
    settings.values["Port/Port"] = "8";
    answerVersionRequests();
    form->Form_Load();
    EXPECT_EQ(view.checkedPorts(), (std::vector<std::int16_t>{8}));
    EXPECT_EQ(link.calls[0], "PortNumber=8");
}

TEST_F(StartUp, UnknownSettingsTextChecksNoBaudItemAndIsPassedOnUnchanged) {
    settings.values["Port/Settings"] = "19200,N,8,1";
    answerVersionRequests();
    form->Form_Load();
    EXPECT_FALSE(view.baudChecked[0]);
    EXPECT_FALSE(view.baudChecked[1]);
    EXPECT_EQ(link.calls[1], "PortSettings=19200,N,8,1");
}

TEST_F(StartUp, NineSixHundredChecksTheSecondBaudItem) {
    settings.values["Port/Settings"] = "9600,N,8,1";
    answerVersionRequests();
    form->Form_Load();
    EXPECT_FALSE(view.baudChecked[0]);
    EXPECT_TRUE(view.baudChecked[1]);
}

TEST_F(StartUp, BadStoredPortFallsBackToTheDefault) {
    for (const char* stored : {"abc", "", "70000", "-3", "0"}) {
        ScriptedView freshView;
        FakeGpsLink freshLink;
        MemorySettings freshSettings;
        freshSettings.values["Port/Port"] = stored;
        app::YourForm freshForm(freshView, freshLink, freshSettings, "/opt/trawlix");
        freshLink.openResult = false;
        freshForm.Form_Load();
        EXPECT_EQ(freshForm.CurrentPort, 2) << stored;
        EXPECT_EQ(freshView.checkedPorts(), (std::vector<std::int16_t>{2})) << stored;
    }
}

TEST_F(StartUp, StoredPortWithoutAMenuItemGetsItsItem) {
    settings.values["Port/Port"] = "12";
    link.openResult = false;
    form->Form_Load();
    EXPECT_EQ(form->CurrentPort, 12);
    EXPECT_EQ(view.checkedPorts(), (std::vector<std::int16_t>{12}));
    EXPECT_EQ(view.portCaptions().back(), "Port 12");
}

TEST_F(StartUp, BadStoredNextIsTakenAsTheDefault) {
    for (const char* next : {"lots", "0", "-5"}) {
        ScriptedView freshView;
        FakeGpsLink freshLink;
        MemorySettings freshSettings;
        freshSettings.values["Port/Next"] = next;
        app::YourForm freshForm(freshView, freshLink, freshSettings, "/opt/trawlix");
        freshLink.openResult = false;
        freshForm.Form_Load();
        EXPECT_EQ(freshView.portCaptions().size(), 6u) << next;
        EXPECT_EQ(freshView.highestPortItem(), 6) << next;
    }
}

TEST_F(StartUp, ReceiverThatAnswersTheFirstRequestShowsNoBox) {
    answerVersionRequests();
    form->Form_Load();
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(link.count("RequestVersion"), 1);
    EXPECT_EQ(form->PendingCommand, link.CommandState().VersionCommand);
    EXPECT_EQ(view.caption(Label::ProductId), "PID MERIDIAN");
    EXPECT_EQ(view.caption(Label::Version), "Software Version 5.04");
    EXPECT_EQ(view.caption(Label::GpsDesc), "Meridian Platinum");
}

TEST_F(StartUp, AcknowledgementModeIsOnOnceTheReceiverAnswered) {
    // What the user relies on: transfers after start-up are acknowledged sentence by
    // sentence, so the link was switched to acknowledgement mode after the request.
    answerVersionRequests();
    form->Form_Load();
    const auto& calls = link.calls;
    const auto request = std::find(calls.begin(), calls.end(), "RequestVersion");
    ASSERT_NE(request, calls.end());
    EXPECT_NE(std::find(request, calls.end(), "ConfigureLink 1"), calls.end());
}

TEST_F(StartUp, SilentReceiverIsOfferedRetryAfterEveryFourRequests) {
    int requestsAtFirstBox = -1;
    int requestsAtSecondBox = -1;
    view.answers = {MessageAnswer::Retry, MessageAnswer::Cancel};
    view.whileMessageOpen = [&](const ScriptedView::Message&) {
        (requestsAtFirstBox < 0 ? requestsAtFirstBox : requestsAtSecondBox) =
            link.count("RequestVersion");
    };
    form->Form_Load();
    EXPECT_EQ(requestsAtFirstBox, 4);
    EXPECT_EQ(requestsAtSecondBox, 8);
    EXPECT_EQ(link.count("RequestVersion"), 8);
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0].text, "GPS on com port 2 failed to initialze.");
    EXPECT_EQ(view.messages[0].buttons, MessageButtons::RetryCancel);
    EXPECT_EQ(view.caption(Label::ProductId), "PID");
    EXPECT_EQ(link.count("ClosePort"), 0) << "Cancel leaves the port open";
}

TEST_F(StartUp, ReplyWhileTheBoxIsOpenEndsTheHandshakeOnRetry) {
    view.whileMessageOpen = [&](const ScriptedView::Message&) {
        link.replyVersion("GPS315", "1.0", "");
    };
    form->Form_Load();
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(link.count("RequestVersion"), 4);
    EXPECT_EQ(view.caption(Label::ProductId), "PID GPS315");
}

TEST_F(StartUp, EmptyProductIdStillEndsTheHandshake) {
    link.reaction = [&](const std::string& call) {
        if (call == "ConfigureLink 1") {
            link.replyVersion("", "", "");
        }
    };
    form->Form_Load();
    EXPECT_EQ(view.caption(Label::ProductId), "PID ");
    EXPECT_EQ(link.count("RequestVersion"), 1);
}

TEST_F(StartUp, PortThatCannotBeOpenedGivesOneMessageAndNoRequest) {
    link.openResult = false;
    form->Form_Load();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Can't open com port 2");
    EXPECT_EQ(view.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(link.count("RequestVersion"), 0);
    EXPECT_EQ(form->PendingCommand, "");
}

TEST_F(StartUp, ClosingInAnyStateClosesThePortOnceAndEndsTheProgram) {
    struct Case {
        const char* name;
        bool open;
        bool answers;
    };
    for (const Case& c : {Case{"handshake done", true, true}, Case{"not opened", false, false},
                          Case{"abandoned", true, false}}) {
        ScriptedView v;
        FakeGpsLink l;
        MemorySettings s;
        app::YourForm f(v, l, s, "/opt/trawlix");
        v.onClose = [&] {
            std::int16_t cancel = 0;
            f.Form_Unload(cancel);
            EXPECT_EQ(cancel, 0);
        };
        l.openResult = c.open;
        if (c.answers) {
            l.reaction = [&](const std::string& call) {
                if (call == "ConfigureLink 1") {
                    l.replyVersion("X", "1", "d");
                }
            };
        } else {
            v.answers = {MessageAnswer::Cancel};
        }
        f.Form_Load();
        f.mnuExit_Click();
        EXPECT_EQ(l.count("ClosePort"), 1) << c.name;
        EXPECT_GE(v.endRequests, 1) << c.name;
    }
}

TEST_F(StartUp, CloseBoxThenExitStillClosesThePortOnlyOnce) {
    link.openResult = false;
    form->Form_Load();
    std::int16_t cancel = 0;
    form->Form_Unload(cancel);
    form->mnuExit_Click();
    EXPECT_EQ(link.count("ClosePort"), 1);
}

}  // namespace
}  // namespace trawlix::testing
