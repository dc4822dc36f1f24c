#include "cli/console_run.h"

#include "app/window_captions.h"

namespace trawlix::cli {

int exitStatusFor(app::MessageKind kind) {
    switch (kind) {
        case app::MessageKind::TransferComplete:
        case app::MessageKind::Information:
            return kCompleted;
        case app::MessageKind::PortFailure:
            return kPortUnavailable;
        case app::MessageKind::NoAnswer:
            return kNoAnswer;
        case app::MessageKind::FileFailure:
            return kFileProblem;
        case app::MessageKind::LineFailure:
            break;
    }
    return kAbandoned;
}

std::optional<int> startUpStatus(const ConsoleView& view) {
    if (view.outcome) {
        return exitStatusFor(*view.outcome);
    }
    if (view.caption(app::Label::ProductId) == app::kInitialProductCaption) {
        return kNoAnswer;
    }
    return std::nullopt;
}

int functionEntry(CliOptions::Command command, CliOptions::Kind kind) {
    // Waypoints, routes, tracks: in the function list's order.
    return (command == CliOptions::Command::Download ? app::kRequestWaypoints
                                                     : app::kSendWaypoints) +
           static_cast<int>(kind);
}

void startTransfer(app::YourForm& form, ConsoleView& view, int entry, const std::string& path,
                   CliOptions::Format format) {
    view.fileAnswer = path;
    view.function = entry;
    view.fileTypeAnswer =
        format == CliOptions::Format::Gpx ? app::kGpxFilterIndex : app::kTextFilterIndex;
    form.cboFunction_Click();
}

void stopTransfer(app::YourForm& form, bool upload,
                  const std::function<void(const std::function<bool()>&)>& waitWhile) {
    form.cmdReset_Click();
    if (upload) {
        waitWhile([&form] { return form.stoppedUploadEnding(); });
    }
}

}  // namespace trawlix::cli
