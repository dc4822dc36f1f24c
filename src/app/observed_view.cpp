#include "app/observed_view.h"

namespace trawlix::app {

void ObservedView::observe(TransferObserver* observer, const std::string& file) {
    observer_ = observer;
    file_ = file;
    ended_ = false;
}

bool ObservedView::startEditor(const std::string& path) {
    return (observer_ != nullptr && path == file_) || screen_.startEditor(path);
}

bool ObservedView::openWithDefaultProgram(const std::string& path) {
    return (observer_ != nullptr && path == file_) || screen_.openWithDefaultProgram(path);
}

// The observer's file is its own to show: its end is no download of the user's.
void ObservedView::offerView(const std::string& path) {
    if (observer_ == nullptr || path != file_) {
        screen_.offerView(path);
    }
}

void ObservedView::showStatus(StatusArea area, const std::string& text) {
    if (area == StatusArea::Activity && running() != nullptr && text != "Ready") {
        screen_.showStatus(area, running()->statusPrefix() + text);
        return;
    }
    screen_.showStatus(area, text);
}

MessageAnswer ObservedView::showMessage(const std::string& text, MessageButtons buttons,
                                        MessageKind kind) {
    if (running() != nullptr && kind == MessageKind::TransferComplete) {
        return heard(text, buttons, kind, MessageAnswer::Ok);
    }
    return heard(text, buttons, kind, screen_.showMessage(text, buttons, kind));
}

MessageAnswer ObservedView::showDetailedMessage(const std::string& text, const std::string& detail,
                                                MessageButtons buttons, MessageKind kind) {
    return heard(text, buttons, kind, screen_.showDetailedMessage(text, detail, buttons, kind));
}

// A failure ends the observed transfer when its box had nothing but OK, or was cancelled;
// Retry, and OK where Cancel was offered, let it go on.
MessageAnswer ObservedView::heard(const std::string& text, MessageButtons buttons, MessageKind kind,
                                  MessageAnswer answer) {
    TransferObserver* observer = running();
    if (observer == nullptr || kind == MessageKind::Information) {
        return answer;
    }
    const bool completed = kind == MessageKind::TransferComplete;
    if (completed || buttons == MessageButtons::Ok || answer == MessageAnswer::Cancel) {
        ended_ = true;
        observer->transferEnded(completed, text);
    }
    return answer;
}

}  // namespace trawlix::app
