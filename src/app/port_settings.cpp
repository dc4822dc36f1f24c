// The port and baud menus, "Add Port", opening and closing the port by hand, and the
// persisted settings they use.
#include <limits>

#include "app/window_captions.h"
#include "app/your_form.h"
#include "common/numbers.h"
#include "common/pattern_format.h"

namespace trawlix::app {
std::string YourForm::readSetting(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) {
    return settings_.GetSetting(kSettingsApplication, section, key, defaultValue);
}

void YourForm::saveSetting(const std::string& section, const std::string& key,
                           const std::string& value) {
    settings_.SaveSetting(kSettingsApplication, section, key, value);
}

// A stored port that is not a number, lies outside the 16-bit range or is not a port number
// at all (0 or below) falls back to the default port.
std::int16_t YourForm::readStoredPort() {
    const auto port =
        common::strictInt16(readSetting("Port", "Port", common::formatInteger(kDefaultPort)));
    return port && *port >= 1 ? *port : kDefaultPort;
}

// Likewise "Next": anything that is not a 16-bit port number (1 or above) reads as the
// default, so that no "Port 0" or "Port -5" appears.
std::int16_t YourForm::readStoredNext() {
    const auto next =
        common::strictInt16(readSetting("Port", "Next", common::formatInteger(kFirstAddedPort)));
    return next && *next >= 1 ? *next : kFirstAddedPort;
}

// The box keeps its text; under it, why (as the link said) and where to look instead.
void YourForm::reportCannotOpenPort() {
    const std::string pointer = "File, Find GPS... looks for the receiver on every port.";
    view_.showDetailedMessage("Can't open com port " + common::formatInteger(CurrentPort),
                              openFailure_.empty() ? pointer : openFailure_ + "\n\n" + pointer,
                              MessageButtons::Ok, MessageKind::PortFailure);
}

void YourForm::requestVersionAfterOpen() {
    PendingCommand = Magellan.CommandState().VersionCommand;
    Magellan.RequestVersion();
    Magellan.ConfigureLink(1);
}

void YourForm::SetPort() {
    Magellan.ClosePort();
    portGone();
    clearIdentity();
    clearFix();
    Magellan.setPortNumber(CurrentPort);
    Magellan.setPortSettings(LineSettings);
    // Opened twice on purpose, as the original window does. It is harmless: opening an open
    // port answers true, and a first open that failed gets a second try. Only the second
    // answer counts.
    Magellan.OpenPort();
    if (!openPort()) {
        reportCannotOpenPort();
        return;
    }
    clearDebugList();
    saveSetting("Port", "Settings", LineSettings);
    saveSetting("Port", "Port", common::formatInteger(CurrentPort));
    requestVersionAfterOpen();
}

void YourForm::mnuPort_Click(std::int16_t Index) {
    clearDebugList();
    const int highest = view_.highestPortItem();
    for (int n = 1; n <= highest; ++n) {
        view_.setPortChecked(static_cast<std::int16_t>(n), false);
    }
    view_.setPortChecked(Index, true);
    CurrentPort = Index;
    SetPort();
}

void YourForm::mnuPortAdd_Click() {
    std::int16_t next = readStoredNext();
    if (!view_.addPortItem(next, portCaption(next))) {
        view_.showMessage("Port already in menu list", MessageButtons::Ok,
                          MessageKind::Information);
        return;
    }
    view_.setPortChecked(next, false);
    // The 16-bit port number cannot grow past 32767: "Next" stays there.
    if (next < std::numeric_limits<std::int16_t>::max()) {
        ++next;
    }
    saveSetting("Port", "Next", common::formatInteger(next));
}

void YourForm::checkOnlyBaudItem(int index) {
    view_.setBaudChecked(0, false);
    view_.setBaudChecked(1, false);
    if (index == 0 || index == 1) {
        LineSettings = kBaudCaptions[static_cast<std::size_t>(index)];
        view_.setBaudChecked(index, true);
    }
}

void YourForm::mnuBaud_Click(std::int16_t Index) {
    checkOnlyBaudItem(Index);
    SetPort();
}

// On a port that is open already nothing changes: what waits on the link goes on.
void YourForm::mnuOpen_Click() {
    Magellan.setPortNumber(CurrentPort);
    Magellan.setPortSettings(LineSettings);
    if (!openPort()) {
        reportCannotOpenPort();
    }
}

void YourForm::mnuClose_Click() {
    Magellan.ClosePort();
    portGone();
    clearIdentity();
    clearFix();
    showPortState(false);
}

}  // namespace trawlix::app
