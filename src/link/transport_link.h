#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/gps_link.h"
#include "link/link_engine.h"
#include "link/link_transport.h"

namespace trawlix::link {

// The GPS link on any transport: the contract's calls go to the engine, and what the engine
// gives back is written to the transport and raised as events. Events are raised on the
// caller's thread, nested inside link calls where the engine asks for them there. A handler
// may open a modal box whose loop brings more bytes: their sentences are handled in order
// once the handler returns, never nested inside it.
class TransportLink : public GpsLink {
  public:
    explicit TransportLink(LinkTransport& transport);
    ~TransportLink() override;

    std::int16_t PortNumber() const override { return portNumber_; }
    void setPortNumber(std::int16_t port) override { portNumber_ = port; }
    void setPortSettings(const std::string& settings) override { portSettings_ = settings; }
    bool OpenPort() override;
    bool IsOpen() const override { return engine_.isOpen(); }
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

    // From the transport.
    void bytesArrived(std::string_view bytes);
    void wakeUp();
    // The device failed: the port is closed and a class 3 error raised. Ignored while the
    // port is already closed or being closed, so that a failure reported while closing
    // cannot recurse.
    void lineFailed(const std::string& reason);

    // Ends a ConfigureLink wait at once and sends nothing more until the port is opened
    // again; later calls are passed over quietly. For a program that is being stopped.
    void abandon();

    bool acknowledgementMode() const { return engine_.acknowledgementMode(); }
    // The rules of the engine's state that are broken now; empty when all hold.
    std::vector<std::string> ruleBreaches() const { return engine_.ruleBreaches(); }

  private:
    // Writes what the engine gave, raises its events, handles received sentences unless a
    // handler further up is doing so, and arms the next wake-up.
    void pump();
    void raise(LinkEvent event);
    bool closeDevice(bool flush);

    LinkTransport& transport_;
    LinkEngine engine_;
    std::int16_t portNumber_ = 0;
    std::string portSettings_;
    std::string openDevice_;
    std::string openSettings_;
    bool handlingReceived_ = false;
    bool closing_ = false;
    bool abandoned_ = false;
};

}  // namespace trawlix::link
