#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/form_view.h"
#include "app/settings_store.h"

namespace trawlix::testing {

// A view without a screen: it keeps what the window would show, answers message boxes and
// file dialogs from queues, and logs what was asked.
class ScriptedView : public app::FormView {
  public:
    struct Message {
        std::string text;
        app::MessageButtons buttons;
        app::MessageKind kind = app::MessageKind::Information;
        std::string detail;  // the informative text, when the box has one
    };
    struct PortItem {
        std::int16_t index;
        std::string caption;
        bool checked;
    };
    struct DialogShown {
        app::FileDialogMode mode;
        std::string fileNameBefore;
        std::string initDir;
        int flags;
    };

    ScriptedView();

    std::map<app::Label, std::string> captions;
    std::vector<std::string> listLines;
    std::vector<PortItem> portItems;  // in menu order
    bool baudChecked[2] = {false, false};
    std::vector<std::string> functions;
    int selectedFunction = -1;
    std::string functionTextOverride;  // the combo's text when it was edited; else the entry's
    std::vector<Message> messages;
    // Answers for boxes; when empty, the first button (OK or Retry).
    std::deque<app::MessageAnswer> answers;
    std::function<void(const Message&)> whileMessageOpen;
    std::deque<std::string> fileAnswers;  // "" cancels; when empty, the dialog is cancelled
    std::deque<int> fileTypeAnswers;      // FilterIndex chosen; when empty, left as offered
    std::vector<std::string> filtersOffered;
    std::vector<std::string> defaultProgramStarts;
    std::vector<DialogShown> dialogs;
    std::vector<std::string> editorStarts;
    std::vector<std::string> viewOffers;
    bool editorStartsOk = true;
    bool windowShown = false;
    int closeRequests = 0;
    int endRequests = 0;
    std::function<void()> onClose;  // the window's unload handler
    std::map<app::StatusArea, std::string> status;
    // What "Find GPS..." finds; nothing: the user cancelled.
    std::optional<std::vector<app::ProbeResult>> searchResults;
    int searches = 0;

    void setCaption(app::Label label, const std::string& text) override;
    std::string caption(app::Label label) const override;
    void addListLine(const std::string& line) override;
    void clearList() override;
    bool hasPortItem(std::int16_t index) const override;
    bool addPortItem(std::int16_t index, const std::string& caption) override;
    void setPortChecked(std::int16_t index, bool checked) override;
    std::int16_t highestPortItem() const override;
    void setBaudChecked(int index, bool checked) override;
    void addFunction(const std::string& entry) override;
    int functionIndex() const override;
    std::string functionText() const override;
    app::MessageAnswer showMessage(const std::string& text, app::MessageButtons buttons,
                                   app::MessageKind kind) override;
    app::MessageAnswer showDetailedMessage(const std::string& text, const std::string& detail,
                                           app::MessageButtons buttons,
                                           app::MessageKind kind) override;
    void showStatus(app::StatusArea area, const std::string& text) override { status[area] = text; }
    std::optional<std::vector<app::ProbeResult>> findReceivers() override {
        ++searches;
        return searchResults;
    }
    void showFileDialog(app::FileDialogMode mode, app::CommonDialog& dialog) override;
    bool startEditor(const std::string& path) override;
    bool openWithDefaultProgram(const std::string& path) override;
    void offerView(const std::string& path) override { viewOffers.push_back(path); }
    void showWindow() override;
    void closeWindow() override;
    void endProgram() override;

    // Helpers for assertions.
    std::vector<std::int16_t> checkedPorts() const;
    std::vector<std::string> portCaptions() const;
    std::vector<std::string> messageTexts() const;
    void choose(int entry);  // selects an entry of the function list

  private:
    app::MessageAnswer answerMessage(Message message);
};

// Settings in memory, with a log of writes in order.
class MemorySettings : public app::SettingsStore {
  public:
    std::map<std::string, std::string> values;  // "section/key" -> value
    std::vector<std::string> writes;            // "section/key=value"

    std::string GetSetting(const std::string& application, const std::string& section,
                           const std::string& key, const std::string& defaultValue) override;
    void SaveSetting(const std::string& application, const std::string& section,
                     const std::string& key, const std::string& value) override;
};

}  // namespace trawlix::testing
