// An upload that the receiver stopped answering part way: what a Retry sends, what a
// Cancel drops, and a download chosen while the end of a stopped upload is still awaited.
#include <gtest/gtest.h>

#include "link/protocol_texts.h"
#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

namespace protocol = link::protocol;
using app::MessageAnswer;
const std::string kEnd(protocol::kEndCommand);
const std::string kThreePoints =
    "Point,True,071548.24,46.09967,7.22192,5016.404,0,110808\r\n"
    "Point,True,071608.31,46.1,7.2,1000,0,110808\r\n"
    "Point,True,071628.31,46.2,7.3,1000,0,110808\r\n";
// As the link names a track point it could not get answered.
const std::string kUnansweredPoint = "$PMGNTRK,4606.000,N,00713.200,E,00305,M,071608.31,A,,110808";
const std::string kFiveEntryRoute =
    "Header,1,3\r\nWaypoint,a,A\r\nWaypoint,b,B\r\nWaypoint,c,C\r\nWaypoint,d,D\r\n"
    "Waypoint,e,E\r\n";

class UploadRetry : public FormFixture {
  protected:
    void startUpload(int entry, const std::string& name, const std::string& contents) {
        writeFile(name, contents);
        view.fileAnswers.push_back(path(name));
        view.choose(entry);
        form->cboFunction_Click();
    }
    void startDownload(int entry, const std::string& name) {
        view.fileAnswers.push_back(path(name));
        view.choose(entry);
        form->cboFunction_Click();
    }
    void ack(std::string_view kind) { link.acknowledge(std::string(kind)); }
    void ackEnd() { link.acknowledge(std::string(protocol::kCommandKind), kEnd); }
    void unanswered(const std::string& sentence, MessageAnswer answer) {
        view.answers.push_back(answer);
        link.error(link::kNoAnswer, "The GPS did not answer " + sentence + " (sent 3 times).",
                   sentence);
    }
    std::size_t callsSoFar() const { return link.calls.size(); }
    std::vector<std::string> callsSince(std::size_t mark) const {
        return {link.calls.begin() + static_cast<std::ptrdiff_t>(mark), link.calls.end()};
    }
};

// --- Tracks: a receiver switched off and on part way has lost the points before ------------

TEST_F(UploadRetry, RetryPartWayThroughATrackStartsItAgainAfterAnEnd) {
    startUpload(app::kSendTrack, "t.txt", kThreePoints);
    ack(protocol::kTrackPointKind);
    const std::size_t mark = callsSoFar();
    unanswered(kUnansweredPoint, MessageAnswer::Retry);
    EXPECT_EQ(callsSince(mark),
              (std::vector<std::string>{"SendSentence " + kEnd, "UploadTrackPoint"}));
    EXPECT_EQ(form->RecordCount.value(), 1);

    ackEnd();  // the end that closed the broken upload: no success
    EXPECT_EQ(view.messageTexts().size(), 1u);
    ack(protocol::kTrackPointKind);
    ack(protocol::kTrackPointKind);
    ack(protocol::kTrackPointKind);
    ackEnd();
    EXPECT_EQ(link.uploadedTrackPoints.size(), 5u);
    EXPECT_EQ(view.messageTexts().back(), "Transfer Complete. 3 Track Points sent.");
}

TEST_F(UploadRetry, RetryOfTheFirstPointSendsOnlyThatPointAgain) {
    startUpload(app::kSendTrack, "t.txt", kThreePoints);
    const std::size_t mark = callsSoFar();
    unanswered(kUnansweredPoint, MessageAnswer::Retry);
    EXPECT_EQ(callsSince(mark), (std::vector<std::string>{"SendSentence " + kUnansweredPoint}));
}

TEST_F(UploadRetry, RetryOfATracksUnansweredEndStartsItAgainToo) {
    startUpload(app::kSendTrack, "t.txt", kThreePoints);
    for (int i = 0; i < 3; ++i) {
        ack(protocol::kTrackPointKind);
    }
    const std::size_t mark = callsSoFar();
    unanswered(kEnd, MessageAnswer::Retry);
    EXPECT_EQ(callsSince(mark),
              (std::vector<std::string>{"SendSentence " + kEnd, "UploadTrackPoint"}));
    // That end going unanswered in turn is sent again as it is: nothing starts a third time.
    const std::size_t again = callsSoFar();
    unanswered(kEnd, MessageAnswer::Retry);
    EXPECT_EQ(callsSince(again), (std::vector<std::string>{"SendSentence " + kEnd}));
}

// A track upload stopped part way by a waypoint upload: the receiver still holds its points
// as an unfinished upload, and the next track upload would add to them. It is ended first.
TEST_F(UploadRetry, ATrackUploadAfterOneStoppedPartWayEndsThatOneFirst) {
    startUpload(app::kSendTrack, "t.txt", kThreePoints);
    ack(protocol::kTrackPointKind);
    startUpload(app::kSendWaypoints, "w.txt", "Waypoint,HOME,1,2,,0,M,1,0,0,a\r\n");
    EXPECT_EQ(link.count("SendSentence " + kEnd), 0);
    ack(protocol::kTrackPointKind);  // of the point in flight when it stopped
    ack(protocol::kWaypointKind);
    ackEnd();
    const std::size_t mark = callsSoFar();
    startUpload(app::kSendTrack, "t.txt", kThreePoints);
    ackEnd();
    const auto calls = callsSince(mark);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
              (std::vector<std::string>{"SendSentence " + kEnd, "UploadTrackPoint"}));
}

// --- Routes: a route goes again from its first sentence ------------------------------------

TEST_F(UploadRetry, RetryOfARoutesSecondSentenceSendsTheRouteFromItsFirst) {
    startUpload(app::kSendRoute, "r.txt", kFiveEntryRoute);
    ack(protocol::kRouteKind);
    ASSERT_EQ(link.sentences().back(), "$PMGNRTE,3,2,c,01,C,D");
    unanswered("$PMGNRTE,3,2,c,01,C,D", MessageAnswer::Retry);
    ack(protocol::kRouteKind);  // of the first sentence, sent again: nothing more goes
    EXPECT_EQ(link.sentences().size(), 4u);
    ack(protocol::kRouteKind);
    ack(protocol::kRouteKind);
    EXPECT_EQ(link.sentences(),
              (std::vector<std::string>{"$PMGNRTE,3,1,c,01,A,B", "$PMGNRTE,3,2,c,01,C,D",
                                        "$PMGNRTE,3,1,c,01,A,B", "$PMGNRTE,3,2,c,01,C,D",
                                        "$PMGNRTE,3,3,c,01,E", kEnd}));
    ackEnd();
    EXPECT_EQ(view.messageTexts().back(),
              "Transfer Complete. 1 Routes sent.\r\nConsisting of 5 Waypoints.");
}

// The file's last route sentence went in one call with the upload's end, which the link drops
// with it: the route goes again, then the end.
// The rest of a stopped route upload is answered before the new upload's first sentence
// goes: those acknowledgements send nothing of the new upload but its first sentence.
TEST_F(UploadRetry, AStoppedRoutesRestDoesNotPaceTheNextRouteUpload) {
    startUpload(app::kSendRoute, "a.txt", kFiveEntryRoute);
    startUpload(app::kSendRoute, "b.txt",
                "Header,5,2\r\nWaypoint,x,X\r\nWaypoint,y,Y\r\n"
                "Waypoint,z,Z\r\n");
    ASSERT_EQ(link.sentences().back(), kEnd);
    const std::size_t queued = link.sentences().size();
    for (int i = 0; i < 4; ++i) {
        ack(protocol::kRouteKind);  // the sentence in flight, and the stopped route's three
    }
    EXPECT_EQ(link.sentences().size(), queued);
    ackEnd();
    EXPECT_EQ(link.sentences().back(), "$PMGNRTE,2,1,c,05,X,Y");
    const std::size_t first = link.sentences().size();
    ack(protocol::kRouteKind);
    ack(protocol::kRouteKind);
    EXPECT_EQ(link.sentences().size(), first + 2);  // Z, then the end
    ackEnd();
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{"Transfer Complete. 1 Routes sent.\r\nConsisting of 3 "
                                        "Waypoints."}));
}

// --- A download chosen while a stopped route upload is being finished ------------------------

TEST_F(UploadRetry, DownloadWaitsForTheEndOfTheStoppedRouteUpload) {
    startUpload(app::kSendRoute, "r.txt", kFiveEntryRoute);
    startDownload(app::kRequestWaypoints, "w.txt");
    EXPECT_EQ(link.sentences().back(), kEnd);
    for (int i = 0; i < 4; ++i) {
        ack(protocol::kRouteKind);  // the sentence in flight, and the route's rest
    }
    EXPECT_EQ(link.count("RequestWaypoints"), 0);
    ackEnd();
    EXPECT_EQ(link.count("RequestWaypoints"), 1);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(UploadRetry, AnUploadChosenMeanwhileTakesTheWaitingDownloadsPlace) {
    startUpload(app::kSendRoute, "r.txt", kFiveEntryRoute);
    startDownload(app::kRequestWaypoints, "w.txt");
    startUpload(app::kSendWaypoints, "w2.txt", "Waypoint,HOME,1,2,,0,M,1,0,0,a\r\n");
    for (int i = 0; i < 4; ++i) {
        ack(protocol::kRouteKind);  // the stopped route's sentence in flight, and its rest
    }
    ackEnd();
    EXPECT_EQ(link.count("RequestWaypoints"), 0);
    ack(protocol::kWaypointKind);
    ackEnd();
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{"Transfer Complete. 1 Waypoints sent."}));
}

TEST_F(UploadRetry, CancelOfTheStoppedRoutesSentenceLetsTheWaitingDownloadGo) {
    startUpload(app::kSendRoute, "r.txt", kFiveEntryRoute);
    startDownload(app::kRequestWaypoints, "w.txt");
    unanswered("$PMGNRTE,3,1,c,01,A,B", MessageAnswer::Cancel);
    EXPECT_EQ(link.count("RequestWaypoints"), 1);
}

// A version request chosen while the upload ran took PendingCommand: the upload is stopped
// all the same, and its late acknowledgement reads nothing from the download's file.
TEST_F(UploadRetry, ADownloadAfterAVersionRequestStillStopsTheUpload) {
    startUpload(app::kSendTrack, "t.txt", kThreePoints);
    view.choose(app::kRequestVersion);
    form->cboFunction_Click();
    startDownload(app::kRequestTracks, "d.txt");
    const std::int32_t downloadFile = form->TrackFileNum;
    ack(protocol::kTrackPointKind);
    EXPECT_EQ(form->TrackFileNum, downloadFile);
    EXPECT_NE(downloadFile, 0);
    EXPECT_EQ(link.uploadedTrackPoints.size(), 1u);
    EXPECT_EQ(link.count("SendSentence " + kEnd), 0);
}

// Cancel drops on the link what waited behind the unanswered sentence: left for later, the
// next transfer's first sentence of the same text would pass for a Retry and bring it back.
// A download under way is not cancelled for a sentence that was not its own.
TEST_F(UploadRetry, CancelDropsWhatWaitedUnlessADownloadRuns) {
    startUpload(app::kSendRoute, "r.txt", kFiveEntryRoute);
    unanswered("$PMGNRTE,3,1,c,01,A,B", MessageAnswer::Cancel);
    EXPECT_EQ(link.count("CancelTransfer"), 1);

    startDownload(app::kRequestWaypoints, "w.txt");
    const int cancels = link.count("CancelTransfer");
    unanswered(std::string(protocol::kNmeaOnCommand), MessageAnswer::Cancel);
    EXPECT_EQ(link.count("CancelTransfer"), cancels);
}

// Reset after the route upload's end went out, while the route's last sentences still wait
// on the link: cancelling would leave the receiver the route's first sentence alone. The
// upload finishes without a word; the link is told once its end is confirmed.
TEST_F(UploadRetry, ResetAfterTheRouteUploadsEndWentOutLetsItFinish) {
    startUpload(app::kSendRoute, "r.txt", "Header,1,2\r\nWaypoint,a,A\r\nWaypoint,b,B\r\n");
    ack(protocol::kRouteKind);
    ASSERT_EQ(link.sentences().back(), kEnd);
    view.choose(app::kReset);
    form->cboFunction_Click();
    EXPECT_EQ(link.count("CancelTransfer"), 0);
    ackEnd();
    EXPECT_EQ(link.count("CancelTransfer"), 1);
    EXPECT_TRUE(view.messages.empty());
}

// --- Ends that the link dropped are no later upload's success ---------------------------------

TEST_F(UploadRetry, CancelOfAnUnansweredEndLeavesTheNextUploadItsSuccess) {
    startUpload(app::kSendWaypoints, "a.txt", "Waypoint,HOME,1,2,,0,M,1,0,0,a\r\n");
    ack(protocol::kWaypointKind);
    unanswered(kEnd, MessageAnswer::Cancel);
    startUpload(app::kSendWaypoints, "b.txt", "Waypoint,LAKE,1,2,,0,M,1,0,0,a\r\n");
    ack(protocol::kWaypointKind);
    ackEnd();
    EXPECT_EQ(view.messageTexts().back(), "Transfer Complete. 1 Waypoints sent.");
}

// The end still goes out; its confirmation is no success, the next upload's is.
TEST_F(UploadRetry, ResetAfterAnEndWasQueuedLeavesTheNextUploadItsSuccess) {
    startUpload(app::kSendWaypoints, "a.txt", "Waypoint,HOME,1,2,,0,M,1,0,0,a\r\n");
    ack(protocol::kWaypointKind);
    view.choose(app::kReset);
    form->cboFunction_Click();
    startUpload(app::kSendWaypoints, "b.txt", "Waypoint,LAKE,1,2,,0,M,1,0,0,a\r\n");
    ackEnd();
    EXPECT_TRUE(view.messages.empty());
    ack(protocol::kWaypointKind);
    ackEnd();
    EXPECT_EQ(view.messageTexts(),
              (std::vector<std::string>{"Transfer Complete. 1 Waypoints sent."}));
}

}  // namespace
}  // namespace trawlix::testing
