#include "app/driven_view.h"

#include "app/your_form.h"

namespace trawlix::app {

void DrivenView::drive(const DrivenTransfer& transfer, TransferDriver& driver) {
    transfer_ = transfer;
    driver_ = &driver;
    ended_ = false;
}

int DrivenView::functionIndex() const {
    return driver_ != nullptr ? transfer_.entry : screen_.functionIndex();
}

std::string DrivenView::functionText() const {
    return driver_ != nullptr ? kFunctionEntries[transfer_.entry] : screen_.functionText();
}

void DrivenView::showFileDialog(FileDialogMode mode, CommonDialog& dialog) {
    if (running() == nullptr) {
        screen_.showFileDialog(mode, dialog);
        return;
    }
    dialog.FileName = transfer_.file;
    dialog.FilterIndex = transfer_.fileType;
}

bool DrivenView::startEditor(const std::string& path) {
    return (driver_ != nullptr && path == transfer_.file) || screen_.startEditor(path);
}

bool DrivenView::openWithDefaultProgram(const std::string& path) {
    return (driver_ != nullptr && path == transfer_.file) || screen_.openWithDefaultProgram(path);
}

// The driver's file is its own to show: its end is no download of the user's.
void DrivenView::offerView(const std::string& path) {
    if (driver_ == nullptr || path != transfer_.file) {
        screen_.offerView(path);
    }
}

void DrivenView::showStatus(StatusArea area, const std::string& text) {
    if (area == StatusArea::Activity && running() != nullptr && text != "Ready") {
        screen_.showStatus(area, running()->statusPrefix() + text);
        return;
    }
    screen_.showStatus(area, text);
}

MessageAnswer DrivenView::showMessage(const std::string& text, MessageButtons buttons,
                                      MessageKind kind) {
    if (running() != nullptr && kind == MessageKind::TransferComplete) {
        return heard(text, buttons, kind, MessageAnswer::Ok);
    }
    return heard(text, buttons, kind, screen_.showMessage(text, buttons, kind));
}

MessageAnswer DrivenView::showDetailedMessage(const std::string& text, const std::string& detail,
                                              MessageButtons buttons, MessageKind kind) {
    return heard(text, buttons, kind, screen_.showDetailedMessage(text, detail, buttons, kind));
}

// A failure ends the driven transfer when its box had nothing but OK, or was cancelled;
// Retry, and OK where Cancel was offered, let it go on.
MessageAnswer DrivenView::heard(const std::string& text, MessageButtons buttons, MessageKind kind,
                                MessageAnswer answer) {
    TransferDriver* driver = running();
    if (driver == nullptr || kind == MessageKind::Information) {
        return answer;
    }
    const bool completed = kind == MessageKind::TransferComplete;
    if (completed || buttons == MessageButtons::Ok || answer == MessageAnswer::Cancel) {
        ended_ = true;
        driver->transferEnded(completed, text);
    }
    return answer;
}

}  // namespace trawlix::app
