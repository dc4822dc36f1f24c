#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "app/form_view.h"
#include "app/settings_store.h"
#include "app/window_captions.h"
#include "link/gps_link.h"

// Stand-ins for the screen, the settings and the link, cheap enough for the millions of runs
// of fuzzing and benchmarks.
namespace trawlix::fuzzing {

class NullView : public app::FormView {
  public:
    std::map<app::Label, std::string> captions;
    std::set<std::int16_t> ports{1, 2, 3, 4, 5, 6};
    std::string fileAnswer;
    int function = -1;

    void setCaption(app::Label label, const std::string& text) override { captions[label] = text; }
    std::string caption(app::Label label) const override {
        const auto it = captions.find(label);
        return it == captions.end()
                   ? std::string(label == app::Label::ProductId ? app::kInitialProductCaption : "")
                   : it->second;
    }
    void addListLine(const std::string&) override {}
    void clearList() override {}
    bool hasPortItem(std::int16_t index) const override { return ports.count(index) != 0; }
    bool addPortItem(std::int16_t index, const std::string&) override {
        return ports.insert(index).second;
    }
    void setPortChecked(std::int16_t, bool) override {}
    std::int16_t highestPortItem() const override { return *ports.rbegin(); }
    void setBaudChecked(int, bool) override {}
    void addFunction(const std::string&) override {}
    int functionIndex() const override { return function; }
    std::string functionText() const override { return ""; }
    app::MessageAnswer showMessage(const std::string&, app::MessageButtons buttons,
                                   app::MessageKind) override {
        return buttons == app::MessageButtons::RetryCancel ? app::MessageAnswer::Cancel
                                                           : app::MessageAnswer::Ok;
    }
    void showFileDialog(app::FileDialogMode, app::CommonDialog& dialog) override {
        dialog.FileName = fileAnswer;
    }
    bool startEditor(const std::string&) override { return true; }
    void showWindow() override {}
    void closeWindow() override {}
    void endProgram() override {}
};

class NullSettings : public app::SettingsStore {
  public:
    std::map<std::string, std::string> values;
    std::string GetSetting(const std::string&, const std::string& section, const std::string& key,
                           const std::string& defaultValue) override {
        const auto it = values.find(section + "/" + key);
        return it == values.end() ? defaultValue : it->second;
    }
    void SaveSetting(const std::string&, const std::string& section, const std::string& key,
                     const std::string& value) override {
        values[section + "/" + key] = value;
    }
};

// A link that sends nothing and acknowledges on demand.
class NullLink : public link::GpsLink {
  public:
    bool openResult = false;
    int sentences = 0;

    std::int16_t PortNumber() const override { return port_; }
    void setPortNumber(std::int16_t port) override { port_ = port; }
    void setPortSettings(const std::string&) override {}
    bool OpenPort() override { return openResult; }
    bool IsOpen() const override { return true; }
    void ClosePort() override {}
    void CancelTransfer() override {}
    void SendSentence(const std::string& sentence) override {
        ++sentences;
        if (sentence.rfind("$PMGNCMD,", 0) == 0) {
            mutableCommandState().LastCommand = sentence;
        }
    }
    void ConfigureLink(std::int16_t) override {}
    void RequestVersion() override {}
    void RequestWaypoints() override {}
    void RequestRoutes() override {}
    void RequestTracks() override {}
    void UploadWaypoint() override { ++sentences; }
    void UploadTrackPoint() override { ++sentences; }

    void acknowledge(const std::string& kind) {
        mutableTransferState().AckedKind = kind;
        raiseReceive(TransferState().AckKind, "");
    }

  private:
    std::int16_t port_ = 0;
};

}  // namespace trawlix::fuzzing
