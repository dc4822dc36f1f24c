#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

using app::MessageAnswer;
using app::MessageButtons;

class ErrorReporting : public FormFixture {
  protected:
    void error(std::int16_t errorClass) { link.error(errorClass, "Trouble", "$PMGNCMD,WAYPOINT"); }
};

TEST_F(ErrorReporting, NoticeIsAnOkBoxAndNothingMore) {
    form->PendingCommand = "busy";
    error(0);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Trouble");
    EXPECT_EQ(view.messages[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(link.calls.empty());
}

// Nothing is sent again; the link is told to drop what waited behind the sentence, so that
// none of it goes out with the next transfer.
TEST_F(ErrorReporting, NoAnswerOrChecksumWhileIdleIsAnOkBox) {
    error(1);
    error(2);
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[1].buttons, MessageButtons::Ok);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"CancelTransfer", "CancelTransfer"}));
}

TEST_F(ErrorReporting, RetryResendsTheSentenceWhileACommandIsPending) {
    form->PendingCommand = "$PMGNCMD,WAYPOINT";
    view.answers = {MessageAnswer::Retry, MessageAnswer::Cancel};
    error(1);
    error(2);
    EXPECT_EQ(view.messages[0].buttons, MessageButtons::RetryCancel);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{"$PMGNCMD,WAYPOINT"}));
    EXPECT_EQ(form->PendingCommand, "$PMGNCMD,WAYPOINT");
}

TEST_F(ErrorReporting, RetryAfterNmeaOnStillResends) {
    form->PendingCommand = "$PMGNCMD,VERSION";
    view.choose(app::kNmeaOn);
    error(1);
    EXPECT_EQ(view.functionText(), "");  // no entries in this view: the text is empty
    view.functions = {"Reset",          "Request Version Info", "Request Waypoints",
                      "Request Routes", "Request Tracks",       "Send Waypoints to GPS",
                      "Send Route",     "Send Track",           "NMEA On",
                      "NMEA Off"};
    error(1);
    EXPECT_EQ(link.sentences().size(), 2u);
}

TEST_F(ErrorReporting, RetryIsSwallowedWhenTheListTextIsExactlyNmea) {
    form->PendingCommand = "$PMGNCMD,VERSION";
    view.functionTextOverride = "NMEA";
    error(2);
    EXPECT_TRUE(link.sentences().empty());
}

TEST_F(ErrorReporting, LineLostOffersCancelOfTheTransfer) {
    view.answers = {MessageAnswer::Ok, MessageAnswer::Cancel};
    error(3);
    EXPECT_EQ(view.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(link.count("CancelTransfer"), 0);
    error(3);
    EXPECT_EQ(link.count("CancelTransfer"), 1);
}

TEST_F(ErrorReporting, OtherClassesShowNothing) {
    error(4);
    error(-1);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(ErrorReporting, DebugListEmptiesItselfEverySixteenLines) {
    for (int i = 1; i <= 15; ++i) {
        link.debug("line " + std::to_string(i));
    }
    EXPECT_EQ(view.listLines.size(), 15u);
    link.debug("line 16");
    EXPECT_TRUE(view.listLines.empty());
    EXPECT_EQ(form->DebugLineCount, 0);
    link.debug("line 17");
    EXPECT_EQ(view.listLines, (std::vector<std::string>{"line 17"}));
}

TEST_F(ErrorReporting, WhyAPortCannotBeOpenedStaysInViewAfterAFullPage) {
    for (int i = 0; i < 15; ++i) {
        link.debug("x");
    }
    link.openResult = false;
    link.reaction = [&](const std::string& call) {
        if (call == "OpenPort") {
            link.debug("/dev/ttyS2: no such device");
        }
    };
    form->mnuPort_Click(3);
    EXPECT_EQ(view.listLines, (std::vector<std::string>(2, "/dev/ttyS2: no such device")))
        << "the list starts a new page when it is cleared";
    view.listLines.clear();
    form->cmdReset_Click();
    for (int i = 0; i < 15; ++i) {
        link.debug("y");
    }
    EXPECT_EQ(view.listLines.size(), 15u) << "Reset starts a new page too";
}

}  // namespace
}  // namespace trawlix::testing
