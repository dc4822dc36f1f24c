// The three uploads, paced by acknowledgements from the (fake) link.
#include <gtest/gtest.h>

#include "link/protocol_texts.h"
#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

namespace protocol = link::protocol;
const std::string kEnd(protocol::kEndCommand);

class Uploads : public FormFixture {
  protected:
    void startUpload(int entry, const std::string& name, const std::string& contents) {
        writeFile(name, contents);
        view.fileAnswers.push_back(path(name));
        view.choose(entry);
        form->cboFunction_Click();
    }
    void ack(std::string_view kind) { link.acknowledge(std::string(kind)); }
    void ackEnd() { link.acknowledge(std::string(protocol::kCommandKind), kEnd); }
};

// --- Waypoints ---------------------------------------------------------------------------

const char* kThreeWaypoints =
    "Waypoint,HOME,48.12346,-123.50000,Home,5,M,7,8.5,9.25,a\r\n"
    "Waypoint,LAKE,12.5N,N12,,2.5,M,3.5,0,0,b\r\n"
    "Waypoint,CAMP,1,2,Camp,100,F,1,0,0\r\n";

TEST_F(Uploads, WaypointFileIsSentOneLinePerAcknowledgement) {
    startUpload(app::kSendWaypoints, "w.txt", kThreeWaypoints);
    EXPECT_EQ(form->PendingCommand, protocol::kWaypointKind);
    ASSERT_EQ(link.uploadedWaypoints.size(), 1u);
    ack(protocol::kWaypointKind);
    ack(protocol::kWaypointKind);
    ASSERT_EQ(link.uploadedWaypoints.size(), 3u);
    EXPECT_TRUE(link.sentences().empty());
    ack(protocol::kWaypointKind);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{kEnd}));
    EXPECT_EQ(form->WaypointFileNum, 0);
    EXPECT_EQ(form->RecordCount.value(), 3);
    ackEnd();
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{"Transfer Complete. 3 Waypoints sent."}));
    EXPECT_EQ(form->PendingCommand, "");

    const auto& first = link.uploadedWaypoints[0];
    EXPECT_EQ(first.Field1, "HOME");
    EXPECT_DOUBLE_EQ(first.Latitude, 48.12346);
    EXPECT_EQ(first.Field10, "a");
    const auto& second = link.uploadedWaypoints[1];
    EXPECT_DOUBLE_EQ(second.Latitude, 12.5);
    EXPECT_DOUBLE_EQ(second.Longitude, 0.0);
    EXPECT_EQ(second.Field5, 2);
    EXPECT_EQ(second.Field7, 4);
    EXPECT_EQ(link.uploadedWaypoints[2].Field10, "") << "a ten-field line";
}

TEST_F(Uploads, EmptyWaypointFileSendsTheEndAtOnce) {
    startUpload(app::kSendWaypoints, "w.txt", "");
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{kEnd}));
    EXPECT_EQ(form->RecordCount.value(), 0);
    EXPECT_TRUE(link.uploadedWaypoints.empty());
}

TEST_F(Uploads, LinuxAndOldMacLineEndsUploadTheSame) {
    startUpload(app::kSendWaypoints, "lf.txt",
                "Waypoint,A,1,2,,0,M,1,0,0,a\nWaypoint,B,1,2,,0,M,1,0,0,b\n");
    ack(protocol::kWaypointKind);
    startUpload(app::kSendWaypoints, "cr.txt",
                "Waypoint,C,1,2,,0,M,1,0,0,a\rWaypoint,D,1,2,,0,M,1,0,0,b");
    ack(protocol::kWaypointKind);  // B's, the first upload's last
    ack(protocol::kWaypointKind);
    std::vector<std::string> names;
    for (const auto& w : link.uploadedWaypoints) {
        names.push_back(w.Field1 + "/" + w.Field10);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A/a", "B/b", "C/a", "D/b"}));
}

TEST_F(Uploads, FileWithALineThatCannotBeConvertedSendsNothing) {
    startUpload(app::kSendWaypoints, "bad.txt",
                "Waypoint,A,1,2,,0,M,1,0,0,a\r\nWaypoint,B,1,2,,high,M,1,0,0,b\r\n");
    EXPECT_TRUE(link.uploadedWaypoints.empty());
    EXPECT_TRUE(link.sentences().empty());
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Can't send the file " + path("bad.txt") +
                                         ": line 2 cannot be read, field 5 \"high\" is not a "
                                         "whole number from -32768 to 32767. Nothing was sent.");
    EXPECT_EQ(form->PendingCommand, "");
    EXPECT_EQ(form->WaypointFileNum, 0);
}

TEST_F(Uploads, EmptyLinesArePassedOver) {
    startUpload(app::kSendWaypoints, "w.txt",
                "Waypoint,A,1,2,,0,M,1,0,0,a\r\n\r\nWaypoint,B,1,2,,0,M,1,0,0,b\r\n\r\n");
    ack(protocol::kWaypointKind);
    ack(protocol::kWaypointKind);
    EXPECT_EQ(link.uploadedWaypoints.size(), 2u);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{kEnd}));
    EXPECT_EQ(form->RecordCount.value(), 2);
}

TEST_F(Uploads, FileThatCannotBeOpenedIsReportedAndNothingStarts) {
    view.fileAnswers.push_back(path("missing.txt"));
    view.choose(app::kSendRoute);
    form->cboFunction_Click();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text,
              "Can't open the file " + path("missing.txt") + ": No such file or directory");
    EXPECT_TRUE(link.sentences().empty());
    EXPECT_EQ(form->RouteFileNum, 0);
    EXPECT_EQ(form->PendingCommand, "");
}

TEST_F(Uploads, LateAcknowledgementAfterTheEndSendsNothing) {
    startUpload(app::kSendWaypoints, "w.txt", "Waypoint,A,1,2,,0,M,1,0,0,a\r\n");
    ack(protocol::kWaypointKind);
    ack(protocol::kWaypointKind);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{kEnd}));
}

// --- Routes ------------------------------------------------------------------------------

TEST_F(Uploads, RouteOfThreeEntriesGoesAsTwoSentences) {
    startUpload(app::kSendRoute, "r.txt",
                "Header,3,2\r\nWaypoint,A1,home\r\nWaypoint,A2,lake\r\nWaypoint,A3,camp\r\n");
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{"$PMGNRTE,2,1,c,03,HOME,LAKE"}));
    ack(protocol::kRouteKind);
    ack(protocol::kRouteKind);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{"$PMGNRTE,2,1,c,03,HOME,LAKE",
                                                          "$PMGNRTE,2,2,c,03,CAMP", kEnd}));
    EXPECT_EQ(form->RouteFileNum, 0);
    EXPECT_EQ(form->RouteCount.value(), 1);
    EXPECT_EQ(form->RecordCount.value(), 3);
    // A late acknowledgement sends nothing, above all no second end-of-upload sentence.
    ack(protocol::kRouteKind);
    ackEnd();
    EXPECT_EQ(link.sentences().size(), 3u);
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{
                  "Transfer Complete. 1 Routes sent.\r\nConsisting of 3 Waypoints."}));
}

TEST_F(Uploads, RouteOfOneEntryAndRouteNumbers) {
    startUpload(app::kSendRoute, "r.txt",
                "Header,7,1\r\nWaypoint,X,summit\r\nHeader,123,1\r\nWaypoint,X,hut\r\n");
    ack(protocol::kRouteKind);
    ack(protocol::kRouteKind);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{"$PMGNRTE,1,1,c,07,SUMMIT",
                                                          "$PMGNRTE,1,1,c,123,HUT", kEnd}));
}

TEST_F(Uploads, RouteOfFourEntriesEndsWithOnlyTheEndSentence) {
    startUpload(app::kSendRoute, "r.txt",
                "Header,1,2\r\nWaypoint,a,A\r\nWaypoint,b,B\r\nWaypoint,c,C\r\nWaypoint,d,D\r\n");
    ack(protocol::kRouteKind);
    ack(protocol::kRouteKind);
    EXPECT_EQ(link.sentences(),
              (std::vector<std::string>{"$PMGNRTE,2,1,c,01,A,B", "$PMGNRTE,2,2,c,01,C,D", kEnd}));
    ackEnd();
    EXPECT_EQ(view.messageTexts().back(),
              "Transfer Complete. 1 Routes sent.\r\nConsisting of 4 Waypoints.");
}

TEST_F(Uploads, OddRouteFollowedByAnotherGoesSentenceBySentence) {
    startUpload(app::kSendRoute, "r.txt",
                "Header,1,2\r\nWaypoint,a,A\r\nWaypoint,b,B\r\nWaypoint,c,C\r\n"
                "Header,2,1\r\nWaypoint,d,D\r\nWaypoint,e,E\r\n");
    ack(protocol::kRouteKind);
    ack(protocol::kRouteKind);
    EXPECT_EQ(link.sentences(),
              (std::vector<std::string>{"$PMGNRTE,2,1,c,01,A,B", "$PMGNRTE,2,2,c,01,C",
                                        "$PMGNRTE,1,1,c,02,D,E"}));
}

TEST_F(Uploads, HeaderWithoutEntriesIsCountedButSendsNothing) {
    startUpload(app::kSendRoute, "r.txt",
                "Header,1,0\r\nHeader,2,1\r\nWaypoint,a,A\r\nHeader,3,0\r\n");
    ack(protocol::kRouteKind);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{"$PMGNRTE,1,1,c,02,A", kEnd}));
    EXPECT_EQ(form->RouteCount.value(), 3);
}

TEST_F(Uploads, LowerCaseHeaderIsAnEntry) {
    startUpload(app::kSendRoute, "r.txt", "Header,1,1\r\nheader,x,y\r\n");
    ack(protocol::kRouteKind);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{"$PMGNRTE,1,1,c,01,Y", kEnd}));
}

TEST_F(Uploads, EntriesBeforeTheFirstHeaderRefuseTheFile) {
    // Sent, they would overwrite whatever route the receiver keeps under the number left
    // from an earlier upload.
    startUpload(app::kSendRoute, "r1.txt", "Header,4,1\r\nWaypoint,a,A\r\n");
    ack(protocol::kRouteKind);
    ackEnd();
    link.calls.clear();
    view.messages.clear();
    startUpload(app::kSendRoute, "r2.txt", "\r\nWaypoint,b,B\r\nHeader,5,1\r\nWaypoint,c,C\r\n");
    EXPECT_TRUE(link.sentences().empty());
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{"Can't send the file " + path("r2.txt") +
                                        ": line 2 cannot be read, it comes before any Header "
                                        "line. Nothing was sent."}));
    EXPECT_EQ(form->RouteFileNum, 0);
}

// A stop between two sentences of a route would leave the receiver a piece of it: Reset
// sends the route being sent once more whole and ends the upload; nothing of the next route
// goes out.
TEST_F(Uploads, ResetPartWayFinishesTheRouteBeingSentAndNoMore) {
    startUpload(6, "r1.txt",
                "Header,1,2\r\nWaypoint,a,A\r\nWaypoint,b,B\r\nWaypoint,c,C\r\n"
                "Header,2,1\r\nWaypoint,d,D\r\n");
    view.choose(0);
    form->cboFunction_Click();
    const auto sent = link.sentences();
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 1, sent.end()),
              (std::vector<std::string>{"$PMGNRTE,2,1,c,01,A,B", "$PMGNRTE,2,2,c,01,C", kEnd}));
    EXPECT_EQ(form->RouteFileNum, 0);
    // The link is told to cancel only once the end is confirmed, and that is no success.
    EXPECT_EQ(link.count("CancelTransfer"), 0);
    ack(protocol::kRouteKind);
    ackEnd();
    EXPECT_EQ(link.count("CancelTransfer"), 1);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(Uploads, RouteUploadStartedWhileOneRunsFinishesTheFirstRouteFirst) {
    // Nothing was confirmed yet of the first: whole, it goes again before the second, which
    // starts once all of it is confirmed.
    startUpload(app::kSendRoute, "r1.txt",
                "Header,1,2\r\nWaypoint,a,A\r\nWaypoint,b,B\r\nWaypoint,c,C\r\n");
    startUpload(app::kSendRoute, "r2.txt", "Header,5,1\r\nWaypoint,z,Z\r\n");
    const auto sent = link.sentences();
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 1, sent.end()),
              (std::vector<std::string>{"$PMGNRTE,2,1,c,01,A,B", "$PMGNRTE,2,2,c,01,C", kEnd}));
    // The first upload's sentences and end are confirmed without a message; the second's
    // complete.
    for (int i = 0; i < 3; ++i) {
        ack(protocol::kRouteKind);
    }
    ackEnd();
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(link.sentences().back(), "$PMGNRTE,1,1,c,05,Z");
    ack(protocol::kRouteKind);
    EXPECT_EQ(link.sentences().back(), kEnd);
    ackEnd();
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{"Transfer Complete. 1 Routes sent.\r\nConsisting of 1 "
                                        "Waypoints."}));
}

TEST_F(Uploads, RouteLineThatCannotBeReadSendsNothing) {
    startUpload(app::kSendRoute, "r.txt", "Header,1,2\r\nWaypoint,a,A\r\nHeader,two,2\r\n");
    EXPECT_TRUE(link.sentences().empty());
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("line 3"), std::string::npos);
}

// Choosing NMEA On or Off sets the counters to 0; a route upload under way goes on.
TEST_F(Uploads, RouteUploadGoesOnWhenNmeaIsSwitchedMidWay) {
    startUpload(app::kSendRoute, "r.txt",
                "Header,1,2\r\nWaypoint,a,A\r\nWaypoint,b,B\r\nWaypoint,c,C\r\n");
    view.choose(app::kNmeaOn);
    form->cboFunction_Click();
    ack(protocol::kRouteKind);
    ack(protocol::kRouteKind);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(link.sentences().back(), kEnd);
    EXPECT_EQ(link.sentences()[link.sentences().size() - 2], "$PMGNRTE,2,2,c,01,C");
}

// An upload chosen while the last one's end waits for its confirmation: that confirmation
// does not report the new upload complete.
TEST_F(Uploads, ConfirmedEndOfTheLastUploadIsNotTheNextOnesSuccess) {
    startUpload(app::kSendWaypoints, "w1.txt", "Waypoint,A,1,2,,0,M,1,0,0,a\r\n");
    ack(protocol::kWaypointKind);  // the end goes out
    startUpload(app::kSendWaypoints, "w2.txt", "Waypoint,B,1,2,,0,M,1,0,0,b\r\n");
    ackEnd();
    EXPECT_TRUE(view.messages.empty());
    ack(protocol::kWaypointKind);
    ackEnd();
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{"Transfer Complete. 1 Waypoints sent."}));
}

// --- Text the sentence cannot carry ----------------------------------------------------

TEST_F(Uploads, NamesAndCommentsWithSentenceCharactersGoOutWithBlanksAndAreCounted) {
    startUpload(app::kSendWaypoints, "w.txt",
                "Waypoint,A$B,1,2,x*y,0,M,1,0,0,a\r\n"
                "Waypoint,PLAIN,1,2,fine,0,M,1,0,0,a\r\n"
                "Waypoint,C\tD,1,2,,0,M,1,0,0,$$\r\n");
    ack(protocol::kWaypointKind);
    ack(protocol::kWaypointKind);
    ack(protocol::kWaypointKind);
    ackEnd();
    ASSERT_EQ(link.uploadedWaypoints.size(), 3u);
    EXPECT_EQ(link.uploadedWaypoints[0].Field1, "A B");
    EXPECT_EQ(link.uploadedWaypoints[0].Field4, "x y");
    EXPECT_EQ(link.uploadedWaypoints[1].Field1, "PLAIN");
    EXPECT_EQ(link.uploadedWaypoints[2].Field1, "C D");
    EXPECT_EQ(link.uploadedWaypoints[2].Field10, "  ");
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{
                  "Transfer Complete. 3 Waypoints sent. 4 names or comments had characters the "
                  "GPS cannot take; they became blanks."}));
}

TEST_F(Uploads, RouteNamesAndTrackTimesAreMadeSafeToo) {
    startUpload(app::kSendRoute, "r.txt", "Header,1,1\r\nWaypoint,a,HUT*2\r\n");
    ack(protocol::kRouteKind);
    ackEnd();
    EXPECT_EQ(link.sentences().front(), "$PMGNRTE,1,1,c,01,HUT 2");
    EXPECT_EQ(view.messageTexts().back(),
              "Transfer Complete. 1 Routes sent.\r\nConsisting of 1 Waypoints. 1 name had "
              "characters the GPS cannot take; they became blanks.");

    startUpload(app::kSendTrack, "t.txt",
                "Point,True,0715$8,1,1,1,0,1108\x7f"
                "8\r\n");
    ack(protocol::kTrackPointKind);
    ackEnd();
    EXPECT_EQ(link.uploadedTrackPoints.at(0).Field2, "0715 8");
    EXPECT_EQ(link.uploadedTrackPoints.at(0).Field7, "1108 8");
    EXPECT_EQ(view.messageTexts().back(),
              "Transfer Complete. 1 Track Points sent. 2 times or dates had characters the GPS "
              "cannot take; they became blanks.");
}

TEST_F(Uploads, TheCountOfBlankedTextStartsAgainWithEachUpload) {
    startUpload(app::kSendWaypoints, "w1.txt", "Waypoint,A$,1,2,,0,M,1,0,0,a\r\n");
    ack(protocol::kWaypointKind);
    ackEnd();
    startUpload(app::kSendWaypoints, "w2.txt", "Waypoint,A,1,2,,0,M,1,0,0,a\r\n");
    ack(protocol::kWaypointKind);
    ackEnd();
    EXPECT_EQ(view.messageTexts().back(), "Transfer Complete. 1 Waypoints sent.");
}

// --- Tracks ------------------------------------------------------------------------------

TEST_F(Uploads, TrackFileIsSentOnePointPerAcknowledgement) {
    startUpload(app::kSendTrack, "t.txt",
                "Point,True,071548.24,46.09967,7.22192,5016.404,0,110808\r\n"
                "Point,False,071608.31,46.1,7.2,1000,0,110808\r\n"
                "Waypoint,-1,0,1,2,100,0,\r\n");
    ack(protocol::kTrackPointKind);
    ack(protocol::kTrackPointKind);
    ASSERT_EQ(link.uploadedTrackPoints.size(), 3u);
    ack(protocol::kTrackPointKind);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{kEnd}));
    EXPECT_EQ(form->TrackFileNum, 0);
    EXPECT_EQ(form->RecordCount.value(), 3);
    ackEnd();
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{"Transfer Complete. 3 Track Points sent."}));
    EXPECT_FLOAT_EQ(link.uploadedTrackPoints[0].Altitude, 1529.0f);
    EXPECT_FLOAT_EQ(link.uploadedTrackPoints[1].Altitude, 304.8f);
    EXPECT_FLOAT_EQ(link.uploadedTrackPoints[2].Altitude, 30.5f);
    EXPECT_TRUE(link.uploadedTrackPoints[2].Field1);
    EXPECT_EQ(link.uploadedTrackPoints[0].Field2, "071548.24");
}

TEST_F(Uploads, TrackOfOnePointEndsOnTheSecondCall) {
    startUpload(app::kSendTrack, "t.txt", "Point,True,1,1,1,1,1,1\r\n");
    EXPECT_TRUE(link.sentences().empty());
    ack(protocol::kTrackPointKind);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{kEnd}));
}

TEST_F(Uploads, TrackLineWithAWordForTheFlagSendsNothing) {
    startUpload(app::kSendTrack, "t.txt", "Point,True,1,1,1,1,1,1\r\nPoint,yes,1,1,1,1,1,1\r\n");
    EXPECT_TRUE(link.uploadedTrackPoints.empty());
    EXPECT_NE(view.messages.at(0).text.find("line 2 cannot be read, field 1 \"yes\""),
              std::string::npos);
}

TEST_F(Uploads, CountStopsAt32767ButEveryLineIsSent) {
    std::string file;
    for (int i = 0; i < 32770; ++i) {
        file += "Point,True,1,1,1,1,1,1\r\n";
    }
    startUpload(app::kSendTrack, "t.txt", file);
    for (int i = 0; i < 32770; ++i) {
        ack(protocol::kTrackPointKind);
    }
    EXPECT_EQ(link.uploadedTrackPoints.size(), 32770u);
    EXPECT_EQ(form->RecordCount.value(), 32767);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{kEnd}));
}

}  // namespace
}  // namespace trawlix::testing

namespace trawlix::testing {
namespace {

// A port that refuses to send (closed) ends the upload at once: nothing is left running that
// a later Reset or acknowledgement would send.
TEST_F(Uploads, RefusedSendingEndsTheUpload) {
    link.reaction = [this](const std::string& call) {
        if (call.rfind("SendSentence", 0) == 0) {
            link.error(link::kNotice, "The port is not open: nothing was sent to the GPS.", "");
        }
    };
    startUpload(6, "r1.txt", "Header,1,2\r\nWaypoint,a,A\r\nWaypoint,b,B\r\nWaypoint,c,C\r\n");
    EXPECT_EQ(form->RouteFileNum, 0);
    EXPECT_EQ(form->PendingCommand, "");
    link.reaction = nullptr;
    view.choose(0);
    form->cboFunction_Click();
    EXPECT_EQ(link.sentences().size(), 1u) << "Reset sends nothing of it";
}

}  // namespace
}  // namespace trawlix::testing
