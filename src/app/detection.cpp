#include "app/detection.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace trawlix::app {
namespace {

std::vector<std::int16_t> portsOf(const std::string& device, const AssignedDevices& assigned,
                                  bool (*sameDevice)(const std::string&, const std::string&)) {
    std::vector<std::int16_t> ports;
    for (const auto& [port, named] : assigned) {
        if (sameDevice(named, device)) {
            ports.push_back(port);
        }
    }
    return ports;
}

void addCandidate(std::vector<Candidate>& candidates, const std::string& device,
                  const AssignedDevices& assigned,
                  bool (*sameDevice)(const std::string&, const std::string&)) {
    if (device.empty()) {
        return;
    }
    const bool known = std::any_of(candidates.begin(), candidates.end(), [&](const Candidate& c) {
        return sameDevice(c.device, device);
    });
    if (!known) {
        candidates.push_back({device, portsOf(device, assigned, sameDevice)});
    }
}

std::string speedList() {
    std::string list;
    for (const int speed : kProbeSpeeds) {
        list += (list.empty() ? "" : " or ") + std::to_string(speed);
    }
    return list + " baud";
}

std::string portNames(const std::vector<std::int16_t>& ports) {
    if (ports.empty()) {
        return "no port number";
    }
    std::string names;
    for (const std::int16_t port : ports) {
        names += (names.empty() ? "Port " : ", Port ") + std::to_string(port);
    }
    return names;
}

std::string hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

std::string systemPortDetails(const SystemPort& port) {
    std::vector<std::string> parts;
    for (const std::string* text : {&port.description, &port.manufacturer}) {
        if (!text->empty()) {
            parts.push_back(*text);
        }
    }
    if (port.vendorId && port.productId) {
        parts.push_back("USB " + hex4(*port.vendorId) + ":" + hex4(*port.productId));
    }
    if (!port.serialNumber.empty()) {
        parts.push_back("serial number " + port.serialNumber);
    }
    if (!port.stableName.empty()) {
        parts.push_back(port.stableName);
    }
    std::string joined;
    for (const std::string& part : parts) {
        joined += (joined.empty() ? "" : ", ") + part;
    }
    return joined;
}

}  // namespace

std::vector<Candidate> detectionCandidates(const std::vector<SystemPort>& system,
                                           const AssignedDevices& assigned,
                                           const std::vector<std::string>& explicitDevices,
                                           bool (*sameDevice)(const std::string&,
                                                              const std::string&)) {
    std::vector<Candidate> candidates;
    if (!explicitDevices.empty()) {
        for (const std::string& device : explicitDevices) {
            addCandidate(candidates, device, assigned, sameDevice);
        }
        return candidates;
    }
    for (const SystemPort& port : system) {
        addCandidate(candidates, port.device, assigned, sameDevice);
    }
    for (const auto& entry : assigned) {
        addCandidate(candidates, entry.second, assigned, sameDevice);
    }
    return candidates;
}

PortProbe::PortProbe(std::string device) {
    result_.device = std::move(device);
}

std::optional<int> PortProbe::nextSpeed() const {
    if (finished_ || speedIndex_ >= std::size(kProbeSpeeds)) {
        return std::nullopt;
    }
    return kProbeSpeeds[speedIndex_];
}

void PortProbe::speedDone(const link::VersionProbe& reading) {
    const auto speed = nextSpeed();
    if (!speed) {
        return;
    }
    switch (reading.verdict()) {
        case link::VersionProbe::Verdict::Answered:
            result_.outcome = ProbeOutcome::Found;
            result_.baud = *speed;
            result_.identity = reading.identity();
            finished_ = true;
            return;
        case link::VersionProbe::Verdict::Garbled:
            garbled_ = true;
            break;
        case link::VersionProbe::Verdict::Waiting:
            // Its own protocol at this speed says it is a receiver of the family, busy with
            // something it did not give up in time.
            if (reading.protocolSentences() > 0) {
                result_.outcome = ProbeOutcome::Found;
                result_.baud = *speed;
                result_.busy = true;
                finished_ = true;
                return;
            }
            break;
    }
    heardSentences_ = heardSentences_ || reading.heardOtherSentences();
    ++speedIndex_;
    if (speedIndex_ >= std::size(kProbeSpeeds)) {
        // Sentences at some speed say the speed was right and the request went unanswered;
        // that says more than garbage at the other.
        result_.outcome = heardSentences_ ? ProbeOutcome::OnlyNmea
                          : garbled_      ? ProbeOutcome::Garbled
                                          : ProbeOutcome::NoAnswer;
        finished_ = true;
    }
}

void PortProbe::openFailed(ProbeOutcome why, std::string detail) {
    result_.outcome = why;
    result_.detail = std::move(detail);
    finished_ = true;
}

void PortProbe::heldBy(std::string holder) {
    result_.holder = std::move(holder);
    openFailed(ProbeOutcome::InUse);
}

void PortProbe::cancel() {
    if (!finished_) {
        openFailed(ProbeOutcome::Cancelled);
    }
}

std::string lineSettingsAt(int baud) {
    return std::to_string(baud) + ",N,8,1";
}

std::string describeResult(const ProbeResult& result) {
    const std::string& device = result.device;
    switch (result.outcome) {
        case ProbeOutcome::Found:
            if (result.busy) {
                return device + " at " + lineSettingsAt(result.baud) +
                       ": a receiver that answers but sent no identity (still busy with a "
                       "stopped transfer)";
            }
            return device + " at " + lineSettingsAt(result.baud) + ": PID " +
                   result.identity.ProductId + ", Software Version " +
                   result.identity.SoftwareVersion + ", " + result.identity.Description;
        case ProbeOutcome::NoSuchDevice:
            return device + ": no such device (is the receiver plugged in?)";
        case ProbeOutcome::PermissionDenied:
            return device +
                   ": permission denied. On Linux, add yourself to the group that owns serial "
                   "ports (sudo usermod -aG dialout $USER) and log in again.";
        case ProbeOutcome::InUse:
            return device + ": in use by " +
                   (result.holder.empty() ? std::string("another program") : result.holder) +
                   "; left alone";
        case ProbeOutcome::NoAnswer:
            return device + ": no answer at " + speedList();
        case ProbeOutcome::Garbled:
            return device + ": garbled answer at " + speedList() + ", likely another speed";
        case ProbeOutcome::OnlyNmea:
            return device + ": sends sentences but does not answer the version request";
        case ProbeOutcome::OpenFailed:
            return device + ": can't open it: " + result.detail;
        case ProbeOutcome::Cancelled:
            return device + ": not finished, the search was cancelled";
    }
    return device;
}

std::vector<std::string> detectionReport(const std::vector<ProbeResult>& results) {
    std::vector<std::string> lines;
    for (const bool found : {true, false}) {
        for (const ProbeResult& result : results) {
            if ((result.outcome == ProbeOutcome::Found) == found) {
                lines.push_back(describeResult(result));
            }
        }
    }
    return lines;
}

std::optional<ProbeResult> firstReceiver(const std::vector<ProbeResult>& results) {
    for (const ProbeResult& result : results) {
        if (result.outcome == ProbeOutcome::Found) {
            return result;
        }
    }
    return std::nullopt;
}

void assignReceiver(SettingsStore& settings, std::int16_t port, const ProbeResult& receiver) {
    settings.SaveSetting(kSettingsApplication, "Devices", "Port" + std::to_string(port),
                         receiver.device);
    settings.SaveSetting(kSettingsApplication, "Port", "Settings", lineSettingsAt(receiver.baud));
}

std::vector<std::string> foundReport(const ProbeResult& receiver, std::int16_t port,
                                     const std::string& previousDevice,
                                     const AssignedDevices& assigned,
                                     bool (*sameDevice)(const std::string&, const std::string&)) {
    std::vector<std::string> lines{"Found " + describeResult(receiver)};
    std::string uses = "Port " + std::to_string(port) + " now uses " + receiver.device + " at " +
                       lineSettingsAt(receiver.baud);
    if (!previousDevice.empty() && !sameDevice(previousDevice, receiver.device)) {
        uses += " (it used " + previousDevice + " before)";
    }
    lines.push_back(uses);
    for (const std::int16_t other : otherPortsNaming(receiver.device, port, assigned, sameDevice)) {
        lines.push_back("Port " + std::to_string(other) + " names the same device");
    }
    return lines;
}

std::vector<std::int16_t> otherPortsNaming(const std::string& device, std::int16_t port,
                                           const AssignedDevices& assigned,
                                           bool (*sameDevice)(const std::string&,
                                                              const std::string&)) {
    std::vector<std::int16_t> others = portsOf(device, assigned, sameDevice);
    std::erase(others, port);
    return others;
}

std::string foundStatus(const ProbeResult& receiver, std::int16_t port) {
    return "Found the receiver on " + receiver.device + " at " + std::to_string(receiver.baud) +
           " baud; Port " + std::to_string(port) + " now uses it";
}

std::vector<std::string> portsReport(const std::vector<SystemPort>& system,
                                     const AssignedDevices& assigned,
                                     bool (*sameDevice)(const std::string&, const std::string&)) {
    std::vector<std::string> lines;
    for (const SystemPort& port : system) {
        const std::string details = systemPortDetails(port);
        lines.push_back(port.device + "  " + portNames(portsOf(port.device, assigned, sameDevice)) +
                        (details.empty() ? "" : "  " + details));
    }
    for (const auto& entry : assigned) {
        const std::string& device = entry.second;
        const bool listed = std::any_of(system.begin(), system.end(), [&](const SystemPort& p) {
            return sameDevice(p.device, device);
        });
        if (!listed) {
            lines.push_back(device + "  Port " + std::to_string(entry.first) +
                            "  named in the settings; the system does not list it");
        }
    }
    return lines;
}

}  // namespace trawlix::app
