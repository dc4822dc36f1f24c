// What each entry of the function list starts.
#include <gtest/gtest.h>

#include "app/dialog_choice.h"
#include "link/protocol_texts.h"
#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

namespace protocol = link::protocol;
using app::FileDialogMode;

class FunctionList : public FormFixture {
  protected:
    void choose(int entry, const std::string& answer = "") {
        if (!answer.empty()) {
            view.fileAnswers.push_back(answer);
        }
        view.choose(entry);
        form->cboFunction_Click();
    }
};

TEST_F(FunctionList, EveryChoiceResetsTheCountersAndTheDebugList) {
    for (int entry = 0; entry <= 9; ++entry) {
        form->RecordCount = common::Counter16(5);
        form->RouteCount = common::Counter16(2);
        form->DebugLineCount = 4;
        view.listLines = {"a line"};
        choose(entry);  // dialogs are cancelled
        EXPECT_EQ(form->RecordCount.value(), 0) << entry;
        EXPECT_EQ(form->RouteCount.value(), 0) << entry;
        EXPECT_EQ(form->DebugLineCount, 0) << entry;
        EXPECT_TRUE(view.listLines.empty()) << entry;
    }
}

TEST_F(FunctionList, NothingSelectedDoesNothingMore) {
    choose(-1);
    EXPECT_TRUE(link.calls.empty());
}

TEST_F(FunctionList, ResetCancelsTheTransferAndClosesTheDownloadFileWithWhatArrived) {
    writeFile("w.txt", "old\r\n");
    choose(app::kRequestWaypoints, path("w.txt"));
    const std::int32_t number = form->WaypointFileNum;
    choose(app::kReset);
    EXPECT_EQ(form->PendingCommand, "");
    EXPECT_EQ(link.count("CancelTransfer"), 1);
    EXPECT_EQ(form->WaypointFileNum, 0);
    EXPECT_FALSE(form->files().isOpen(number));
    EXPECT_EQ(readFile("w.txt"), "old\r\n") << "nothing arrived: the file is as it was";
}

TEST_F(FunctionList, ResetButtonLeavesTheCountersAlone) {
    form->RecordCount = common::Counter16(5);
    form->cmdReset_Click();
    EXPECT_EQ(form->RecordCount.value(), 5);
    EXPECT_EQ(link.count("CancelTransfer"), 1);
}

TEST_F(FunctionList, VersionRequest) {
    choose(app::kRequestVersion);
    EXPECT_EQ(form->PendingCommand, protocol::kVersionCommand);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"RequestVersion"}));
}

TEST_F(FunctionList, DownloadsAskWhereToSaveThenRequest) {
    const std::vector<std::pair<int, std::string>> cases = {
        {2, "RequestWaypoints"}, {3, "RequestRoutes"}, {4, "RequestTracks"}};
    for (const auto& [entry, request] : cases) {
        choose(entry, path("file" + std::to_string(entry)));
        EXPECT_EQ(link.calls.back(), request);
        const auto& dialog = view.dialogs.back();
        EXPECT_EQ(dialog.mode, FileDialogMode::Save);
        EXPECT_EQ(dialog.flags, 2);
        EXPECT_EQ(dialog.fileNameBefore, "");
        // The documents folder at first, then the folder the last dialog chose.
        EXPECT_EQ(dialog.initDir, entry == 2 ? app::userDocumentsFolder() : folder.string());
    }
    EXPECT_EQ(form->PendingCommand, protocol::kTracksCommand);
    EXPECT_NE(form->TrackFileNum, 0);
    EXPECT_EQ(form->WaypointFileNum + form->RouteFileNum, 0) << "each took the place of the last";
}

TEST_F(FunctionList, SecondDownloadOfTheSameKindClosesTheFirstFile) {
    choose(app::kRequestWaypoints, path("first.txt"));
    link.WaypointRecord().Field1 = "KEPT";
    link.receive(std::string(protocol::kWaypointKind));
    const std::int32_t first = form->WaypointFileNum;
    choose(app::kRequestWaypoints, path("second.txt"));
    EXPECT_FALSE(form->files().isOpen(first));
    EXPECT_EQ(form->WaypointFileName, path("second.txt"));
    EXPECT_EQ(readFile("first.txt"), "Waypoint,KEPT,.00000,.00000,,0,,0,0,0,\r\n");
}

TEST_F(FunctionList, CancelledDialogLeavesTheFirstFileAndStartsNoRequest) {
    choose(app::kRequestWaypoints, path("first.txt"));
    link.WaypointRecord().Field1 = "KEPT";
    link.receive(std::string(protocol::kWaypointKind));
    const auto callsBefore = link.calls.size();
    choose(app::kRequestWaypoints);  // cancelled
    EXPECT_EQ(link.calls.size(), callsBefore);
    EXPECT_EQ(form->WaypointFileName, path("first.txt"));
    EXPECT_TRUE(form->files().isOpen(form->WaypointFileNum));
    EXPECT_EQ(view.dialogs.back().fileNameBefore, "");
}

TEST_F(FunctionList, FileThatCannotBeCreatedIsReportedAndNothingChanges) {
    choose(app::kRequestWaypoints, path("first.txt"));
    const std::int32_t first = form->WaypointFileNum;
    const auto callsBefore = link.calls.size();
    choose(app::kRequestWaypoints, path("no-such-folder/w.txt"));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Can't create the file " + path("no-such-folder/w.txt") +
                                         ": No such file or directory");
    EXPECT_EQ(link.calls.size(), callsBefore);
    EXPECT_EQ(form->WaypointFileNum, first);
    EXPECT_TRUE(form->files().isOpen(first));
}

TEST_F(FunctionList, UploadRemembersTheFolderAcrossARestart) {
    std::filesystem::create_directories(folder / "elsewhere");
    writeFile("elsewhere/w.txt", "");
    choose(app::kSendWaypoints, path("elsewhere/w.txt"));
    const std::string remembered = settings.values["Path/Path"];
    EXPECT_EQ(std::filesystem::path(remembered), std::filesystem::canonical(folder / "elsewhere"));
    EXPECT_EQ(view.dialogs.back().mode, FileDialogMode::Open);
    EXPECT_EQ(view.dialogs.back().initDir, app::userDocumentsFolder());

    choose(app::kRequestWaypoints);  // any later dialog starts there
    EXPECT_EQ(view.dialogs.back().initDir, remembered);

    ScriptedView nextView;
    FakeGpsLink nextLink;
    app::YourForm restarted(nextView, nextLink, settings, "/opt/trawlix");
    nextView.choose(app::kRequestRoutes);
    restarted.cboFunction_Click();
    EXPECT_EQ(nextView.dialogs.back().initDir, remembered);
}

TEST_F(FunctionList, FilesAndFoldersNamedInAnyLettersAreUsedAsNamed) {
    const std::string subfolder = "H\xC3\xB6henweg \xD0\x9C\xD0\xB0\xD1\x80\xD1\x88";
    std::filesystem::create_directories(folder / fromUtf8(subfolder));
    writeFile(subfolder + "/\xE8\xB7\xAF 1.txt", "Waypoint,A,1,2,,0,M,1,0,0,a\r\n");
    choose(5, path(subfolder + "/\xE8\xB7\xAF 1.txt"));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(link.uploadedWaypoints.size(), 1u);
    EXPECT_EQ(fromUtf8(settings.values["Path/Path"]),
              std::filesystem::canonical(folder / fromUtf8(subfolder)))
        << "the folder remembered as UTF-8 text";

    choose(3, path(subfolder + "/Z\xC3\xBCrich routes.txt"));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(
        std::filesystem::exists(folder / fromUtf8(subfolder + "/Z\xC3\xBCrich routes.txt")));
}

TEST_F(FunctionList, NmeaEntriesSendTheirSentencesAndLeaveThePendingCommand) {
    form->PendingCommand = "something";
    choose(app::kNmeaOn);
    choose(app::kNmeaOff);
    EXPECT_EQ(link.sentences(), (std::vector<std::string>{"$PMGNCMD,NMEAON", "$PMGNCMD,NMEAOFF"}));
    EXPECT_EQ(form->PendingCommand, "something");
}

}  // namespace
}  // namespace trawlix::testing
