#pragma once

#include <string>

#include "app/form_view.h"

namespace trawlix::app {

// One transfer of the window's core started on someone's behalf: the function list entry,
// and the file and file type its dialog is to answer.
struct DrivenTransfer {
    int entry = 0;
    std::string file;
    int fileType = kTextFilterIndex;
};

// Who started a driven transfer, and hears how it ended.
class TransferDriver {
  public:
    virtual ~TransferDriver() = default;
    // Called from inside the core's handlers: a driver must not start the next transfer
    // before they have returned.
    virtual void transferEnded(bool completed, const std::string& text) = 0;
    // What the status bar says before the core's own text while the transfer runs.
    virtual std::string statusPrefix() const = 0;
};

// The window's view with a driver in front of it: everything passes to the screen, except
// that while a transfer is driven the function list and the file dialog give the driver's
// answers, its completion box goes to the driver instead of the screen, and no editor or
// map program is started on its file. A failure box still asks the user, and tells the
// driver when it ended the transfer.
class DrivenView : public FormView {
  public:
    explicit DrivenView(FormView& screen) : screen_(screen) {}

    void drive(const DrivenTransfer& transfer, TransferDriver& driver);
    void release() { driver_ = nullptr; }
    bool driving() const { return driver_ != nullptr; }

    void setCaption(Label label, const std::string& text) override {
        screen_.setCaption(label, text);
    }
    std::string caption(Label label) const override { return screen_.caption(label); }
    void addListLine(const std::string& line) override { screen_.addListLine(line); }
    void clearList() override { screen_.clearList(); }
    bool hasPortItem(std::int16_t index) const override { return screen_.hasPortItem(index); }
    bool addPortItem(std::int16_t index, const std::string& caption) override {
        return screen_.addPortItem(index, caption);
    }
    void setPortChecked(std::int16_t index, bool checked) override {
        screen_.setPortChecked(index, checked);
    }
    std::int16_t highestPortItem() const override { return screen_.highestPortItem(); }
    void setBaudChecked(int index, bool checked) override {
        screen_.setBaudChecked(index, checked);
    }
    void addFunction(const std::string& entry) override { screen_.addFunction(entry); }
    int functionIndex() const override;
    std::string functionText() const override;
    MessageAnswer showMessage(const std::string& text, MessageButtons buttons,
                              MessageKind kind) override;
    MessageAnswer showDetailedMessage(const std::string& text, const std::string& detail,
                                      MessageButtons buttons, MessageKind kind) override;
    void showFileDialog(FileDialogMode mode, CommonDialog& dialog) override;
    bool startEditor(const std::string& path) override;
    bool openWithDefaultProgram(const std::string& path) override;
    void offerView(const std::string& path) override;
    void showStatus(StatusArea area, const std::string& text) override;
    std::optional<std::vector<ProbeResult>> findReceivers() override {
        return screen_.findReceivers();
    }
    void showWindow() override { screen_.showWindow(); }
    void closeWindow() override { screen_.closeWindow(); }
    void endProgram() override { screen_.endProgram(); }

  private:
    // The driver of a transfer that has not ended yet.
    TransferDriver* running() const { return ended_ ? nullptr : driver_; }
    MessageAnswer heard(const std::string& text, MessageButtons buttons, MessageKind kind,
                        MessageAnswer answer);

    FormView& screen_;
    TransferDriver* driver_ = nullptr;
    DrivenTransfer transfer_;
    bool ended_ = false;
};

}  // namespace trawlix::app
