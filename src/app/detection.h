#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/settings_store.h"
#include "link/records.h"
#include "link/version_probe.h"

// Finding the receiver: which devices to try, what each attempt means, and how to say so.
// The serial port itself is opened elsewhere (the Qt side); everything decided is here.
namespace trawlix::app {

// The speeds receivers of the family talk at, in the order they are tried.
inline constexpr int kProbeSpeeds[] = {4800, 9600};
// How long one speed waits for a reply. A receiver answers within a few hundred
// milliseconds at 4800 baud; both speeds of a silent port end well inside three seconds.
inline constexpr int kProbeReplyMs = 1200;
// A receiver that acknowledges the request but is still sending something else (the rest
// of a stopped download, a reply it sends again) gives that up after three unanswered sends,
// about 4.5 s. Each sentence of the family's protocol lets the wait run on this long...
inline constexpr int kProbeBusyMs = 5000;
// ...but never beyond this, from the request: a download that streams on without
// acknowledgements takes this long at 4800 baud for a long track log.
inline constexpr int kProbeLongestMs = 40000;
// Found in acknowledgement mode, the probe stays this long to acknowledge the reply to its
// own request, which a receiver busy before sends after the one the probe took.
inline constexpr int kProbeLingerMs = 400;
// After a garbled answer the rest of it is still crossing the line; the next speed waits
// for this much quiet, so that the tail is not taken for that speed's answer.
inline constexpr int kProbeQuietMs = 60;

// A serial port as the system reports it.
struct SystemPort {
    std::string device;  // "/dev/ttyUSB0", "COM3"
    std::string description;
    std::string manufacturer;
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
    std::string serialNumber;
    std::string stableName;  // "/dev/serial/by-id/..." where there is one
};

// The settings' [Devices] entries: port number to device.
using AssignedDevices = std::map<std::int16_t, std::string>;

struct Candidate {
    std::string device;
    std::vector<std::int16_t> ports;  // the port numbers the settings assign it to
};

// What to probe: the devices named with --device when there are any, else every port the
// system reports and every device the settings name. A device reached by two names (a
// by-id link and its target) is probed once; `sameDevice` tells whether two names are one.
std::vector<Candidate> detectionCandidates(const std::vector<SystemPort>& system,
                                           const AssignedDevices& assigned,
                                           const std::vector<std::string>& explicitDevices,
                                           bool (*sameDevice)(const std::string&,
                                                              const std::string&));

enum class ProbeOutcome {
    Found,
    NoSuchDevice,
    PermissionDenied,
    InUse,
    NoAnswer,
    Garbled,     // bytes came, but no sentence: likely another speed
    OnlyNmea,    // sentences came, but no answer to the version request
    OpenFailed,  // any other reason the system gave
    Cancelled,
};

struct ProbeResult {
    std::string device;
    ProbeOutcome outcome = ProbeOutcome::NoAnswer;
    int baud = 0;                  // Found: the speed that answered
    link::VersionRecord identity;  // Found, unless busy
    bool busy = false;             // Found: it acknowledged the request but sent no reply
    std::string holder;            // InUse: the program that holds the port, when known
    std::string detail;            // OpenFailed: the system's words
};

// The attempts on one device: each speed in turn until one answers.
class PortProbe {
  public:
    explicit PortProbe(std::string device);

    // The speed to try next, or nothing when the probe is over.
    std::optional<int> nextSpeed() const;
    // What the speed last returned by nextSpeed() brought: a verdict, or Waiting at time-out.
    void speedDone(const link::VersionProbe& reading);
    // The device could not be opened; nothing more is tried.
    void openFailed(ProbeOutcome why, std::string detail = {});
    void heldBy(std::string holder);
    void cancel();

    bool done() const { return !nextSpeed(); }
    const ProbeResult& result() const { return result_; }

  private:
    ProbeResult result_;
    std::size_t speedIndex_ = 0;
    bool finished_ = false;
    bool garbled_ = false;
    bool heardSentences_ = false;
};

// One line on a device: "/dev/ttyUSB0: 4800 baud, MERIDIAN, Software Version 5.04, ..." for a
// receiver, the reason it was passed over otherwise.
std::string describeResult(const ProbeResult& result);

// Receivers first, in the order probed; then the devices passed over.
std::vector<std::string> detectionReport(const std::vector<ProbeResult>& results);

std::optional<ProbeResult> firstReceiver(const std::vector<ProbeResult>& results);

// "4800,N,8,1" for 4800 baud.
std::string lineSettingsAt(int baud);

// Points port number `port` at the receiver found and keeps its speed, so that the window
// and later runs use it as they start.
void assignReceiver(SettingsStore& settings, std::int16_t port, const ProbeResult& receiver);

// What the search found and what became of it, for the debug list: the receiver, the port
// number that now uses it (and the device it used before, when another), and every other
// port number that names the same device, which a later choice of that number would share.
std::vector<std::string> foundReport(const ProbeResult& receiver, std::int16_t port,
                                     const std::string& previousDevice,
                                     const AssignedDevices& assigned,
                                     bool (*sameDevice)(const std::string&, const std::string&));
// The port numbers other than `port` whose device is `device`.
std::vector<std::int16_t> otherPortsNaming(const std::string& device, std::int16_t port,
                                           const AssignedDevices& assigned,
                                           bool (*sameDevice)(const std::string&,
                                                              const std::string&));
// The same in one line, for the status bar.
std::string foundStatus(const ProbeResult& receiver, std::int16_t port);

// The lines of `trawlix-cli ports`: every system port with what the system says of it and
// the port numbers it is assigned to, then the settings' devices the system does not list.
std::vector<std::string> portsReport(const std::vector<SystemPort>& system,
                                     const AssignedDevices& assigned,
                                     bool (*sameDevice)(const std::string&, const std::string&));

}  // namespace trawlix::app
