// The status bar, stale labels, and "Find GPS...": what the window says it is doing, which
// port it uses, and finding the receiver when that port is not it.
#include "app/detection.h"
#include "app/device_settings.h"
#include "app/port_holder.h"
#include "app/your_form.h"

namespace trawlix::app {
namespace {

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        joined += (joined.empty() ? "" : "\n") + line;
    }
    return joined;
}

}  // namespace

void YourForm::showActivity(const std::string& text) {
    liveFixShownAt_ = -1.0;
    view_.showStatus(StatusArea::Activity, text);
}

// Once a second at most: the time of day costs a time-zone lookup and formatting, which
// for every sentence took more than the whole rest of the way from bytes to captions.
void YourForm::showLiveFix() {
    const double now = clock_->seconds();
    if (liveFixShownAt_ >= 0.0 && now >= liveFixShownAt_ && now - liveFixShownAt_ < 1.0) {
        return;
    }
    showActivity(liveFixText(clock_->timeOfDay()));
    liveFixShownAt_ = now;
}

void YourForm::showPortState(bool open) {
    view_.showStatus(StatusArea::Port, portText(CurrentPort, deviceForPort(settings_, CurrentPort),
                                                LineSettings, open));
    showActivity(open ? "Ready" : "Not connected");
}

// Captions as the window starts with them: nothing old looks like the receiver on the line.
void YourForm::clearIdentity() {
    view_.setCaption(Label::ProductId, "PID");
    view_.setCaption(Label::GpsDesc, "Desc");
    view_.setCaption(Label::Version, "Ver");
}

void YourForm::clearFix() {
    for (const Label label :
         {Label::Lat, Label::Lon, Label::Alt, Label::Hdop, Label::Date, Label::Time}) {
        view_.setCaption(label, "");
    }
}

void YourForm::clearFixAfterNmeaOff() {
    clearFix();
    nmeaOffAt_ = clock_->seconds();
}

bool YourForm::openPort() {
    openFailure_.clear();
    capturingOpenFailure_ = true;
    const bool open = Magellan.OpenPort();
    capturingOpenFailure_ = false;
    showPortState(open);
    return open;
}

void YourForm::showReceiving(const std::string& what) {
    const int count = RecordCount.value();
    showActivity(receivingText(what, count, pace_.rate(count, clock_->seconds())));
}

void YourForm::showSending() {
    const transfer::UploadKind kind = transfer_->plan.kind;
    const char* what = kind == transfer::UploadKind::Waypoints ? "waypoints"
                       : kind == transfer::UploadKind::Route   ? "route waypoints"
                                                               : "track points";
    const int sent = RecordCount.value();
    const int total = transfer_->currentPart().records;
    showActivity(sendingText(what, sent, total, pace_.secondsLeft(sent, total, clock_->seconds())));
}

// The port is closed while the search runs: the program's own hold on it would make it
// look in use. Found, the receiver becomes the current port's device and is opened as
// choosing a port opens it.
void YourForm::mnuFindGps_Click() {
    Magellan.ClosePort();
    portGone();
    showPortState(false);
    showActivity("Looking for the receiver...");
    const auto results = view_.findReceivers();
    if (!results) {
        reopenAfterSearch();
        return;
    }
    const auto receiver = firstReceiver(*results);
    if (!receiver) {
        view_.showDetailedMessage("No GPS found.", joinedLines(detectionReport(*results)),
                                  MessageButtons::Ok, MessageKind::NoAnswer);
        reopenAfterSearch();
        return;
    }
    const std::string previousDevice = deviceForPort(settings_, CurrentPort);
    assignReceiver(settings_, CurrentPort, *receiver);
    checkOnlyBaudItem(receiver->baud == 9600 ? 1 : 0);
    LineSettings = lineSettingsAt(receiver->baud);
    SetPort();
    sayWhatWasFound(*receiver, previousDevice);
}

// After the port is opened, which clears the list: the lines stay in view.
void YourForm::sayWhatWasFound(const ProbeResult& receiver, const std::string& previousDevice) {
    AssignedDevices assigned;
    for (std::int16_t port = 1; port <= view_.highestPortItem(); ++port) {
        assigned[port] = deviceForPort(settings_, port);
    }
    for (std::string line :
         foundReport(receiver, CurrentPort, previousDevice, assigned, sameDevice)) {
        Magellan_mDebug(line);
    }
    showActivity(foundStatus(receiver, CurrentPort));
}

void YourForm::reopenAfterSearch() {
    Magellan.setPortNumber(CurrentPort);
    Magellan.setPortSettings(LineSettings);
    if (openPort()) {
        requestVersionAfterOpen();
    }
}

}  // namespace trawlix::app
