#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/records.h"

namespace trawlix::link {

// The four events of the GPS link. They are raised on the window's thread, possibly nested
// inside a call on the link or while a modal box is open; arguments are passed by reference.
class GpsLinkListener {
  public:
    virtual ~GpsLinkListener() = default;
    // ID names what arrived: a TransferState kind, or "END" at the end of a download.
    virtual void Receive(std::string& ID, std::string& RecvLine) = 0;
    virtual void NMEA(std::string& RecvLine, bool& chkerr) = 0;
    // cErr classes (see ErrorClass): eMessage is for the user, message the sentence to resend.
    virtual void cError(std::int16_t& cErr, std::string& eMessage, std::string& message) = 0;
    virtual void mDebug(std::string& message) = 0;
};

// The classes of a cError event.
enum ErrorClass : std::int16_t {
    kNotice = 0,         // something the user should know; nothing to resend
    kNoAnswer = 1,       // no acknowledgement or reply after the retries; message is the sentence
    kChecksumError = 2,  // a sentence arrived with a wrong checksum; message is the last sent
    kLineLost = 3,       // the line failed part way (unplugged adapter, device gone)
};

// The GPS link: owns the serial line and the receiver protocol. The window hosts one
// instance and talks to it only through this contract.
class GpsLink {
  public:
    virtual ~GpsLink() = default;
    GpsLink(const GpsLink&) = delete;
    GpsLink& operator=(const GpsLink&) = delete;

    void setListener(GpsLinkListener* listener) { listener_ = listener; }
    GpsLinkListener* listener() const { return listener_; }
    // Sees every NMEA sentence before the listener does, whatever the listener makes of it:
    // for handing the sentences on as they came (sharing the live fix). Empty for none.
    using NmeaTap = std::function<void(const std::string& line, bool checksumError)>;
    void setNmeaTap(NmeaTap tap) { nmeaTap_ = std::move(tap); }

    virtual std::int16_t PortNumber() const = 0;
    virtual void setPortNumber(std::int16_t port) = 0;
    virtual void setPortSettings(const std::string& settings) = 0;

    // True when the port is open afterwards, also when it already was.
    virtual bool OpenPort() = 0;
    // Whether the port is open now: a lost line closes it without a call.
    virtual bool IsOpen() const = 0;
    virtual void ClosePort() = 0;
    // Stops waiting for the transfer in progress and drops what was queued.
    virtual void CancelTransfer() = 0;
    // One sentence from "$" to its last field, without checksum or line end.
    virtual void SendSentence(const std::string& sentence) = 0;
    // 1 switches acknowledgement mode on and waits, boundedly, for what is under way, so
    // that a version reply that came in time has been delivered when it returns.
    virtual void ConfigureLink(std::int16_t mode) = 0;
    virtual void RequestVersion() = 0;
    virtual void RequestWaypoints() = 0;
    virtual void RequestRoutes() = 0;
    virtual void RequestTracks() = 0;
    virtual void UploadWaypoint() = 0;
    virtual void UploadTrackPoint() = 0;

    // The record objects.
    link::WaypointRecord& WaypointRecord() { return waypoint_; }
    link::HeaderRecord& HeaderRecord() { return header_; }
    link::TrackPointRecord& TrackPointRecord() { return trackPoint_; }
    link::FixRecord& FixRecord() { return fix_; }
    link::VersionRecord& VersionRecord() { return version_; }
    const link::CommandState& CommandState() const { return commandState_; }
    const link::TransferState& TransferState() const { return transferState_; }

  protected:
    GpsLink();

    link::CommandState& mutableCommandState() { return commandState_; }
    link::TransferState& mutableTransferState() { return transferState_; }

    // Raising events; each does nothing while no listener is set.
    void raiseReceive(const std::string& id, const std::string& line);
    void raiseNmea(const std::string& line, bool checksumError);
    void raiseError(std::int16_t errorClass, const std::string& text, const std::string& sentence);
    void raiseDebug(const std::string& text);

  private:
    GpsLinkListener* listener_ = nullptr;
    NmeaTap nmeaTap_;
    link::WaypointRecord waypoint_;
    link::HeaderRecord header_;
    link::TrackPointRecord trackPoint_;
    link::FixRecord fix_;
    link::VersionRecord version_;
    link::CommandState commandState_;
    link::TransferState transferState_;
};

}  // namespace trawlix::link
