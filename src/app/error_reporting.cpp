// The link's errors as message boxes, and its diagnostic lines in the debug list.
#include "app/your_form.h"

namespace trawlix::app {
namespace {
constexpr std::int16_t kLinesPerPage = 15;
}

void YourForm::Magellan_cError(std::int16_t& cErr, std::string& eMessage, std::string& message) {
    switch (cErr) {
        case link::kNotice:
            transferRefused();
            view_.showMessage(eMessage, MessageButtons::Ok, MessageKind::LineFailure);
            break;
        case link::kNoAnswer:
        case link::kChecksumError: {
            if (cErr == link::kChecksumError && !transfer_ &&
                PendingCommand == Magellan.CommandState().VersionCommand) {
                // Only the version request waits, and it is asked again until answered
                // (start-up does so by itself): a damaged answer is no failure of anything.
                view_.addListLine(eMessage + " The version request is asked again.");
                break;
            }
            const MessageKind kind =
                cErr == link::kNoAnswer ? MessageKind::NoAnswer : MessageKind::LineFailure;
            if (cErr == link::kNoAnswer) {
                showActivity("Receiver did not answer");
            }
            if (transfer_ &&
                (transfer_->phase == Phase::Held || transfer_->phase == Phase::Waiting)) {
                // The sentence is a stopped upload's: sent again, it would land after the
                // transfer that took its place began. It goes, and that transfer starts.
                view_.showMessage(eMessage, MessageButtons::Ok, kind);
                cancelOnLink();
            } else if (PendingCommand.empty()) {
                view_.showMessage(eMessage, MessageButtons::Ok, kind);
                giveUpUnanswered(message);
            } else if (view_.showMessage(eMessage, MessageButtons::RetryCancel, kind) ==
                           MessageAnswer::Retry &&
                       view_.functionText() != "NMEA") {
                if (cErr == link::kChecksumError) {
                    Magellan.SendSentence(message);
                } else {
                    retryUnanswered(message);
                }
            } else {
                giveUpUnanswered(message);
            }
            break;
        }
        case link::kLineLost:
            if (!Magellan.IsOpen()) {
                lineLost(eMessage);
            } else if (view_.showMessage(eMessage, MessageButtons::OkCancel,
                                         MessageKind::LineFailure) == MessageAnswer::Cancel) {
                const std::string endedEarly = gpxEndedEarlyText();
                stopRunningDownload();
                cancelOnLink();
                if (!endedEarly.empty()) {
                    view_.showMessage(endedEarly, MessageButtons::Ok, MessageKind::Information);
                }
            }
            break;
        default:
            break;
    }
}

// The line is gone and the port with it: the window shows no transfer and no receiver
// before it says so.
void YourForm::lineLost(const std::string& text) {
    const std::string endedEarly = gpxEndedEarlyText();
    portGone();
    clearIdentity();
    clearFix();
    showPortState(false);
    view_.showMessage(text, MessageButtons::OkCancel, MessageKind::LineFailure);
    if (!endedEarly.empty()) {
        view_.showMessage(endedEarly, MessageButtons::Ok, MessageKind::Information);
    }
}

// The list and its page count go together: a cleared list starts a new page, so that the
// next line (such as why a port cannot be opened) is its first and stays in view.
void YourForm::clearDebugList() {
    view_.clearList();
    DebugLineCount = 0;
}

void YourForm::Magellan_mDebug(std::string& message) {
    if (capturingOpenFailure_) {
        openFailure_ = message;
    }
    view_.addListLine(message);
    ++DebugLineCount;
    if (DebugLineCount > kLinesPerPage) {
        clearDebugList();
    }
}

}  // namespace trawlix::app
