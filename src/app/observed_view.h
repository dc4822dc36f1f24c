#pragma once

#include <string>

#include "app/form_view.h"

namespace trawlix::app {

// Who started a transfer through the core's transfer API on the user's behalf (a backup, a
// restore, trawlix-cli), and hears how it ended.
class TransferObserver {
  public:
    virtual ~TransferObserver() = default;
    // Called from inside the core's handlers: an observer must not start the next transfer
    // before they have returned.
    virtual void transferEnded(bool completed, const std::string& text) = 0;
    // What the status bar says before the core's own text while the transfer runs.
    virtual std::string statusPrefix() const { return {}; }
};

// The core's view of the screen while a transfer it was asked for runs: everything passes
// to the screen, except that the transfer's completion box goes to its observer instead,
// and no editor or map program is started on its file. A failure box still asks the user,
// and tells the observer when it ended the transfer.
class ObservedView : public FormView {
  public:
    explicit ObservedView(FormView& screen) : screen_(screen) {}

    // The transfer that starts now is `observer`'s (none: the user's own), writing `file`.
    void observe(TransferObserver* observer, const std::string& file);
    void release() { observer_ = nullptr; }
    bool observed() const { return observer_ != nullptr; }

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
    int functionIndex() const override { return screen_.functionIndex(); }
    std::string functionText() const override { return screen_.functionText(); }
    MessageAnswer showMessage(const std::string& text, MessageButtons buttons,
                              MessageKind kind) override;
    MessageAnswer showDetailedMessage(const std::string& text, const std::string& detail,
                                      MessageButtons buttons, MessageKind kind) override;
    void showFileDialog(FileDialogMode mode, CommonDialog& dialog) override {
        screen_.showFileDialog(mode, dialog);
    }
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
    // The observer of a transfer that has not ended yet.
    TransferObserver* running() const { return ended_ ? nullptr : observer_; }
    MessageAnswer heard(const std::string& text, MessageButtons buttons, MessageKind kind,
                        MessageAnswer answer);

    FormView& screen_;
    TransferObserver* observer_ = nullptr;
    std::string file_;
    bool ended_ = false;
};

}  // namespace trawlix::app
