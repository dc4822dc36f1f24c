// The link's errors as message boxes, and its diagnostic lines in the debug list.
#include "app/your_form.h"

namespace trawlix::app {
namespace {
constexpr std::int16_t kLinesPerPage = 15;
}

void YourForm::Magellan_cError(std::int16_t& cErr, std::string& eMessage, std::string& message) {
    switch (cErr) {
        case link::kNotice:
            // Nothing was sent: an upload that was sending ends here, its file closed.
            routeRestRefused_ = true;
            routeAcksToPass_ = 0;
            stopUploadThatSentNothing();
            view_.showMessage(eMessage, MessageButtons::Ok, MessageKind::LineFailure);
            break;
        case link::kNoAnswer:
        case link::kChecksumError: {
            const MessageKind kind =
                cErr == link::kNoAnswer ? MessageKind::NoAnswer : MessageKind::LineFailure;
            if (cErr == link::kNoAnswer) {
                showActivity("Receiver did not answer");
            }
            if (PendingCommand.empty()) {
                view_.showMessage(eMessage, MessageButtons::Ok, kind);
                uploadEndsDropped();
            } else if (view_.showMessage(eMessage, MessageButtons::RetryCancel, kind) ==
                           MessageAnswer::Retry &&
                       view_.functionText() != "NMEA") {
                if (cErr == link::kChecksumError || !retryUploadFromItsStart(message)) {
                    Magellan.SendSentence(message);
                }
            } else {
                uploadEndsDropped();
                reportGpxEndedEarly();
            }
            break;
        }
        case link::kLineLost:
            if (view_.showMessage(eMessage, MessageButtons::OkCancel, MessageKind::LineFailure) ==
                MessageAnswer::Cancel) {
                reportGpxEndedEarly();
                cancelOnLink();
            }
            break;
        default:
            break;
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
