// The file dialogs' start folder, type and extension; box icons; one full stop.
#include "app/dialog_choice.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/message_icon.h"
#include "common/sentence_end.h"
#include "support/scripted_view.h"

namespace trawlix::testing {
namespace {

using app::MessageButtons;
using app::MessageIcon;
using app::MessageKind;

TEST(DialogChoice, EitherDialogsChoiceIsWhereTheNextStartsAndWhichTypeItOffers) {
    MemorySettings settings;
    EXPECT_EQ(app::dialogStartFolder(settings), app::userDocumentsFolder());
    EXPECT_EQ(app::rememberedFileType(settings), app::kTextFilterIndex);
    // Windows names the temporary folder with a separator at its end; a folder is stored
    // without one.
    const auto temp = std::filesystem::temp_directory_path();
    const std::string folder = (temp.has_filename() ? temp : temp.parent_path()).string();
    app::CommonDialog saved{folder + "/track.gpx", "", 0, "", app::kGpxFilterIndex};
    app::rememberDialogChoice(settings, saved);
    app::rememberDialogChoice(settings, app::CommonDialog{});  // cancelled: keeps both
    EXPECT_EQ(app::dialogStartFolder(settings), folder);
    EXPECT_EQ(app::rememberedFileType(settings), app::kGpxFilterIndex);
    settings.values["Path/Path"] = folder + "/no-such-folder-of-trawlix";
    EXPECT_EQ(app::dialogStartFolder(settings), app::userDocumentsFolder()) << "gone since";
}

TEST(DialogChoice, ABareNameGetsTheExtensionOfTheTypeChosen) {
    EXPECT_EQ(app::withExtensionOfType("/a/walk", app::kTextFilterIndex), "/a/walk.txt");
    EXPECT_EQ(app::withExtensionOfType("/a.b/walk", app::kGpxFilterIndex), "/a.b/walk.gpx");
    EXPECT_EQ(app::withExtensionOfType("/a/walk.csv", app::kTextFilterIndex), "/a/walk.csv");
    EXPECT_EQ(app::withExtensionOfType("", app::kTextFilterIndex), "") << "cancelled";
}

TEST(MessageIcon, AFailureNeverLooksLikeANotice) {
    const struct {
        MessageKind kind;
        MessageButtons buttons;
        MessageIcon icon;
    } cases[] = {
        {MessageKind::TransferComplete, MessageButtons::Ok, MessageIcon::Information},
        {MessageKind::NoAnswer, MessageButtons::RetryCancel, MessageIcon::Warning},
        {MessageKind::FileFailure, MessageButtons::Ok, MessageIcon::Warning},
        {MessageKind::PortFailure, MessageButtons::Ok, MessageIcon::Critical},
        {MessageKind::LineFailure, MessageButtons::OkCancel, MessageIcon::Critical},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::messageIcon(c.kind, c.buttons), c.icon) << static_cast<int>(c.kind);
    }
}

TEST(SentenceEnd, OneFullStopWhateverTheReasonEndedWith) {
    EXPECT_EQ(common::asSentence("Premature end of document."), "Premature end of document.");
    EXPECT_EQ(common::asSentence("No such file or directory"), "No such file or directory.");
}

}  // namespace
}  // namespace trawlix::testing
