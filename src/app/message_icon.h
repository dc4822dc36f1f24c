#pragma once

#include "app/form_view.h"

namespace trawlix::app {

// The standard icon a message box carries, so that a failure does not look like a notice.
enum class MessageIcon { Information, Warning, Critical };

// Completions and notices inform; a box that offers Retry warns, as does any other failure
// the user can mend (a file, a receiver that did not answer); a port that cannot be opened
// and a lost line (the box that asks whether to go on waiting) are critical.
inline MessageIcon messageIcon(MessageKind kind, MessageButtons buttons) {
    if (!isFailure(kind)) {
        return MessageIcon::Information;
    }
    if (buttons == MessageButtons::RetryCancel) {
        return MessageIcon::Warning;
    }
    if (kind == MessageKind::PortFailure ||
        (kind == MessageKind::LineFailure && buttons == MessageButtons::OkCancel)) {
        return MessageIcon::Critical;
    }
    return MessageIcon::Warning;
}

}  // namespace trawlix::app
