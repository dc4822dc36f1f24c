#include "app/your_form.h"

#include <utility>

#include "app/window_captions.h"
#include "common/numbers.h"
#include "common/pattern_format.h"

namespace trawlix::app {

// Forwards the link's events to the window's handlers.
class YourForm::LinkEvents : public link::GpsLinkListener {
  public:
    explicit LinkEvents(YourForm& form) : form_(form) {}
    void Receive(std::string& ID, std::string& RecvLine) override {
        form_.Magellan_Receive(ID, RecvLine);
    }
    void NMEA(std::string& RecvLine, bool& chkerr) override {
        form_.Magellan_NMEA(RecvLine, chkerr);
    }
    void cError(std::int16_t& cErr, std::string& eMessage, std::string& message) override {
        form_.Magellan_cError(cErr, eMessage, message);
    }
    void mDebug(std::string& message) override { form_.Magellan_mDebug(message); }

  private:
    YourForm& form_;
};

namespace {

constexpr int kAttemptsPerPrompt = 4;

}  // namespace

YourForm::YourForm(FormView& view, link::GpsLink& magellan, SettingsStore& settings,
                   std::string programFolder)
    : observed_(view),
      view_(observed_),
      Magellan(magellan),
      settings_(settings),
      programFolder_(std::move(programFolder)),
      events_(std::make_unique<LinkEvents>(*this)) {
    Magellan.setListener(events_.get());
}

YourForm::~YourForm() {
    Magellan.setListener(nullptr);
}

void YourForm::Form_Load() {
    fillFunctionList();
    CommonDialog1.InitDir = programFolder_;
    view_.showWindow();
    restorePortMenu();
    restoreBaudChoice();
    Magellan.setPortNumber(CurrentPort);
    Magellan.setPortSettings(LineSettings);
    if (!openPort()) {
        reportCannotOpenPort();
        return;
    }
    runHandshake();
}

void YourForm::fillFunctionList() {
    for (const char* entry : kFunctionEntries) {
        view_.addFunction(entry);
    }
}

void YourForm::restorePortMenu() {
    CurrentPort = readStoredPort();
    const std::int16_t next = readStoredNext();
    for (std::int16_t n = kFirstAddedPort; n < next; ++n) {
        view_.addPortItem(n, portCaption(n));
    }
    // A stored port beyond the menu (its items were lost with "Next") gets its item back,
    // so that the port the user last opened is the one shown and used.
    if (!view_.hasPortItem(CurrentPort)) {
        view_.addPortItem(CurrentPort, portCaption(CurrentPort));
    }
    view_.setPortChecked(CurrentPort, true);
}

void YourForm::restoreBaudChoice() {
    LineSettings = readSetting("Port", "Settings", std::string(kBaudCaptions[0]));
    for (int i = 0; i < static_cast<int>(kBaudCaptions.size()); ++i) {
        if (LineSettings == kBaudCaptions[static_cast<std::size_t>(i)]) {
            view_.setBaudChecked(i, true);
        }
    }
}

void YourForm::runHandshake() {
    int attempts = 0;
    for (;;) {
        PendingCommand = Magellan.CommandState().VersionCommand;
        Magellan.RequestVersion();
        Magellan.ConfigureLink(1);
        if (++attempts >= kAttemptsPerPrompt) {
            attempts = 0;
            // "initialze" is misspelt on purpose: it is the message's wording as users know
            // it from the original window, and scripts may look for it. Do not correct it.
            const std::string text = "GPS on com port " +
                                     common::formatInteger(Magellan.PortNumber()) +
                                     " failed to initialze.";
            showActivity("Receiver did not answer");
            if (view_.showMessage(text, MessageButtons::RetryCancel, MessageKind::NoAnswer) ==
                MessageAnswer::Cancel) {
                return;
            }
        }
        if (view_.caption(Label::ProductId) != kInitialProductCaption) {
            return;
        }
    }
}

void YourForm::Form_Unload(std::int16_t& /*Cancel: a close is never refused*/) {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    Magellan.ClosePort();
    portGone();
    view_.endProgram();
}

void YourForm::mnuExit_Click() {
    view_.closeWindow();
    view_.endProgram();
}

}  // namespace trawlix::app
