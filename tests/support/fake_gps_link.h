#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/gps_link.h"

namespace trawlix::testing {

// A scripted GPS link: records every call in order and raises any event on demand, also
// from inside a call through `reaction`.
class FakeGpsLink : public link::GpsLink {
  public:
    // Every call, in order: "OpenPort", "PortNumber=2", "SendSentence $PMGNCMD,END", ...
    std::vector<std::string> calls;
    std::vector<link::WaypointRecord> uploadedWaypoints;
    std::vector<link::TrackPointRecord> uploadedTrackPoints;
    bool openResult = true;
    // Runs inside each call, after it was recorded: the place to raise events from within.
    std::function<void(const std::string& call)> reaction;

    std::int16_t PortNumber() const override { return port_; }
    void setPortNumber(std::int16_t port) override;
    void setPortSettings(const std::string& settings) override;
    bool OpenPort() override;
    bool IsOpen() const override { return open_; }
    void ClosePort() override;
    void CancelTransfer() override;
    void SendSentence(const std::string& sentence) override;
    void ConfigureLink(std::int16_t mode) override;
    void RequestVersion() override;
    void RequestWaypoints() override;
    void RequestRoutes() override;
    void RequestTracks() override;
    void UploadWaypoint() override;
    void UploadTrackPoint() override;

    // Raising events as the link would.
    void receive(const std::string& id);
    void replyVersion(const std::string& product, const std::string& version,
                      const std::string& description);
    // An acknowledgement of a sentence of `ackedKind`; for a command, `lastCommand` says which.
    void acknowledge(const std::string& ackedKind, const std::string& lastCommand = "");
    void nmea(const std::string& sentence, bool checksumError = false);
    void error(std::int16_t errorClass, const std::string& text, const std::string& sentence);
    void debug(const std::string& line);

    int count(const std::string& call) const;
    // The arguments of every SendSentence call, in order.
    std::vector<std::string> sentences() const;

  private:
    void record(const std::string& call);
    std::int16_t port_ = 0;
    bool open_ = true;  // as a link whose port was opened before the test
};

}  // namespace trawlix::testing
