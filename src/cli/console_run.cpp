#include "cli/console_run.h"

#include <algorithm>
#include <utility>

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

void startTransfer(app::YourForm& form, int entry, const std::string& path,
                   CliOptions::Format format) {
    const bool gpx = format == CliOptions::Format::Gpx;
    const link::DataKind kind = app::kindOfEntry(entry);
    if (entry < app::kSendWaypoints) {
        form.startDownload(kind, path, gpx);
    } else if (auto plan = form.planUpload(app::uploadKindOf(kind), path, gpx)) {
        form.startUpload(std::move(*plan), path, gpx);
    }
}

void stopTransfer(app::YourForm& form, bool upload,
                  const std::function<void(const std::function<bool()>&)>& waitWhile) {
    form.cmdReset_Click();
    if (upload) {
        waitWhile([&form] { return form.stoppedUploadEnding(); });
    }
}

void stopSequence(app::KindSequence& run, app::YourForm& form,
                  const std::function<void(const std::function<bool()>&)>& waitWhile) {
    run.stop();
    waitWhile([&form] { return form.stoppedUploadEnding(); });
}

std::string sequenceMessage(const app::KindSequence& run) {
    // The window's line ends, CR LF, as the console's.
    std::string text = run.result();
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

int sequenceStatus(const app::KindSequence& run, const ConsoleView& view, bool interrupted) {
    if (run.completed()) {
        return kCompleted;
    }
    return view.outcome && !interrupted ? exitStatusFor(*view.outcome) : kAbandoned;
}

}  // namespace trawlix::cli
