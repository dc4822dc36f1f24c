#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/gps_link.h"
#include "qt/serial_link.h"
#include "sim/pty_host.h"

namespace trawlix::testing {

// Spins the Qt event loop until `condition` holds or `timeoutMs` passed; true if it held.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);
// Spins the Qt event loop for `ms`.
void spin(int ms);

// A simulated receiver behind a pseudo-terminal, and a serial link on it as port 2.
class SimulatedLine {
  public:
    explicit SimulatedLine(sim::Faults faults = {}, sim::ReceiverStore store = sim::exampleStore(),
                           sim::PtyHost::Options options = {});
    ~SimulatedLine();

    sim::PtyHost& host() { return *host_; }
    link::SerialLink& link() { return *link_; }
    const std::string& devicePath() const { return host_->path(); }
    // A copy of the receiver's store, taken while its thread is held.
    sim::ReceiverStore store();
    std::vector<std::string> receivedByReceiver();

  private:
    std::unique_ptr<sim::PtyHost> host_;
    std::unique_ptr<link::SerialLink> link_;
};

// Records the link's events, with a copy of the record each announces.
class RecordingListener : public link::GpsLinkListener {
  public:
    struct Event {
        std::string kind{};  // "Receive", "NMEA", "cError", "mDebug"
        std::string id{};    // ID, or the line of NMEA and mDebug
        std::int16_t errorClass = -1;
        std::string errorText{};
        std::string errorSentence{};
        std::string ackedKind{};
        std::string lastCommand{};
    };

    explicit RecordingListener(link::GpsLink& link) : link_(link) { link.setListener(this); }
    ~RecordingListener() override { link_.setListener(nullptr); }

    void Receive(std::string& ID, std::string& RecvLine) override;
    void NMEA(std::string& RecvLine, bool& chkerr) override;
    void cError(std::int16_t& cErr, std::string& eMessage, std::string& message) override;
    void mDebug(std::string& message) override;

    std::vector<Event> events;
    std::vector<link::WaypointRecord> waypoints;
    std::vector<link::WaypointRecord> routeWaypoints;
    std::vector<link::HeaderRecord> headers;
    std::vector<link::TrackPointRecord> trackPoints;
    std::vector<std::string> nmea;
    std::vector<bool> nmeaChecksumErrors;
    std::function<void(const Event&)> onEvent;

    int countReceive(const std::string& id) const;
    int countErrors(std::int16_t errorClass) const;
    // The acknowledgements, as "AckedKind" or "AckedKind LastCommand" for commands.
    std::vector<std::string> acknowledgements() const;

  private:
    link::GpsLink& link_;
};

}  // namespace trawlix::testing
