// Where the file dialogs start, the type they offer, the extension a bare name gets, the
// icon of each box, and messages that end in one full stop.
#include "app/dialog_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
    const std::string folder = std::filesystem::temp_directory_path().string();

    app::CommonDialog saved;
    saved.FileName = folder + "/track.gpx";
    saved.FilterIndex = app::kGpxFilterIndex;
    app::rememberDialogChoice(settings, saved);
    EXPECT_EQ(app::dialogStartFolder(settings), folder);
    EXPECT_EQ(app::rememberedFileType(settings), app::kGpxFilterIndex);

    app::CommonDialog cancelled;
    app::rememberDialogChoice(settings, cancelled);
    EXPECT_EQ(app::rememberedFileType(settings), app::kGpxFilterIndex) << "cancel keeps both";

    settings.values["Path/Path"] = folder + "/no-such-folder-of-trawlix";
    EXPECT_EQ(app::dialogStartFolder(settings), app::userDocumentsFolder()) << "gone since";
    EXPECT_FALSE(app::userDocumentsFolder().empty());
}

TEST(DialogChoice, ABareNameGetsTheExtensionOfTheTypeChosen) {
    const struct {
        const char* name;
        int type;
        const char* saved;
    } cases[] = {
        {"/home/a/walk", app::kTextFilterIndex, "/home/a/walk.txt"},
        {"/home/a/walk", app::kGpxFilterIndex, "/home/a/walk.gpx"},
        {"/home/a/walk.csv", app::kTextFilterIndex, "/home/a/walk.csv"},
        {"/home/a.b/walk", app::kGpxFilterIndex, "/home/a.b/walk.gpx"},
        {"", app::kTextFilterIndex, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::withExtensionOfType(c.name, c.type), c.saved) << c.name;
    }
}

TEST(MessageIcon, AFailureNeverLooksLikeANotice) {
    const struct {
        MessageKind kind;
        MessageButtons buttons;
        MessageIcon icon;
    } cases[] = {
        {MessageKind::TransferComplete, MessageButtons::Ok, MessageIcon::Information},
        {MessageKind::Information, MessageButtons::Ok, MessageIcon::Information},
        {MessageKind::NoAnswer, MessageButtons::RetryCancel, MessageIcon::Warning},
        {MessageKind::LineFailure, MessageButtons::RetryCancel, MessageIcon::Warning},
        {MessageKind::FileFailure, MessageButtons::Ok, MessageIcon::Warning},
        {MessageKind::PortFailure, MessageButtons::Ok, MessageIcon::Critical},
        {MessageKind::LineFailure, MessageButtons::OkCancel, MessageIcon::Critical},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::messageIcon(c.kind, c.buttons), c.icon)
            << static_cast<int>(c.kind) << " " << static_cast<int>(c.buttons);
    }
}

TEST(SentenceEnd, OneFullStopWhateverTheReasonEndedWith) {
    EXPECT_EQ(common::asSentence("Premature end of document."), "Premature end of document.");
    EXPECT_EQ(common::asSentence("No such file or directory"), "No such file or directory.");
    EXPECT_EQ(common::asSentence("Is it on? "), "Is it on?");
    EXPECT_EQ(common::asSentence(""), "");
}

}  // namespace
}  // namespace trawlix::testing
