#pragma once

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "app/form_view.h"
#include "app/settings_store.h"
#include "cli/nmea_values.h"

namespace trawlix::cli {

// The window's view on a console: message boxes print their text (results on standard
// output, failures on standard error) and take the answer that lets a script go on or stop,
// and no editor is started. Transfers take their file from the command line, through the
// core's transfer API: no file dialog is shown.
class ConsoleView : public app::FormView {
  public:
    ConsoleView(std::FILE* out, std::FILE* err, bool verbose);

    // The first completion or failure reported; what the program's exit status follows.
    std::optional<app::MessageKind> outcome;
    // Set when the user stopped the program: boxes are answered Cancel without a word.
    bool quiet = false;
    // What the window's status bar would say is happening now.
    std::string activity;

    void setCaption(app::Label label, const std::string& text) override;
    std::string caption(app::Label label) const override;
    void addListLine(const std::string& line) override;
    void clearList() override {}
    bool hasPortItem(std::int16_t index) const override { return ports_.count(index) != 0; }
    bool addPortItem(std::int16_t index, const std::string& caption) override;
    void setPortChecked(std::int16_t, bool) override {}
    std::int16_t highestPortItem() const override { return *ports_.rbegin(); }
    void setBaudChecked(int, bool) override {}
    void addFunction(const std::string&) override {}
    int functionIndex() const override { return -1; }
    std::string functionText() const override { return ""; }
    app::MessageAnswer showMessage(const std::string& text, app::MessageButtons buttons,
                                   app::MessageKind kind) override;
    void showFileDialog(app::FileDialogMode mode, app::CommonDialog& dialog) override;
    void showStatus(app::StatusArea area, const std::string& text) override {
        if (area == app::StatusArea::Activity) {
            activity = text;
        }
    }
    bool startEditor(const std::string&) override { return true; }
    bool openWithDefaultProgram(const std::string&) override { return true; }
    void showWindow() override {}
    void closeWindow() override {}
    void endProgram() override {}

    // The six live values in one line, the altitude in metres and feet and the true
    // dilutions of precision from `values`.
    std::string fixLine(const NmeaValues& values) const;
    // True once after any of the six live values changed.
    bool takeFixChange();

  private:
    std::FILE* out_;
    std::FILE* err_;
    bool verbose_;
    std::map<app::Label, std::string> captions_;
    std::set<std::int16_t> ports_;  // the built-in ports, and those added
    bool fixChanged_ = false;
};

// The stored settings of the window, read but never written, with the command line's
// choices laid over them.
class ReadOnlySettings : public app::SettingsStore {
  public:
    explicit ReadOnlySettings(app::SettingsStore& stored) : stored_(stored) {}
    void override(const std::string& section, const std::string& key, const std::string& value);

    std::string GetSetting(const std::string& application, const std::string& section,
                           const std::string& key, const std::string& defaultValue) override;
    // Only what is learnt of receivers' week counters is kept.
    void SaveSetting(const std::string& application, const std::string& section,
                     const std::string& key, const std::string& value) override;

  private:
    app::SettingsStore& stored_;
    std::map<std::string, std::string> overrides_;
};

}  // namespace trawlix::cli
