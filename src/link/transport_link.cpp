#include "link/transport_link.h"

#include "link/record_mapping.h"

namespace trawlix::link {

TransportLink::TransportLink(LinkTransport& transport) : transport_(transport) {}

// The transport is a base or member of the class that derives from this one, and is gone by
// now: that class closes it in its own destructor.
TransportLink::~TransportLink() = default;

// --- Opening and closing ---------------------------------------------------------------

bool TransportLink::OpenPort() {
    const LineSettingsResult parsed = parseLineSettings(portSettings_);
    if (!parsed.settings) {
        raiseDebug("Line settings \"" + portSettings_ + "\" are not valid: " + parsed.error);
        return false;
    }
    const std::string device = transport_.deviceOf(portNumber_);
    if (engine_.isOpen() && transport_.deviceIsOpen()) {
        if (device == openDevice_ && portSettings_ == openSettings_) {
            return true;
        }
        ClosePort();
    }
    std::string failure;
    if (!transport_.open(device, *parsed.settings, failure)) {
        raiseDebug(failure);
        return false;
    }
    openDevice_ = device;
    openSettings_ = portSettings_;
    abandoned_ = false;
    engine_.opened(*parsed.settings, transport_.now());
    raiseDebug("Opened " + device + " at " + portSettings_);
    pump();
    return true;
}

void TransportLink::ClosePort() {
    const std::string device = openDevice_;
    const bool wasOpen = engine_.isOpen();
    engine_.closed();
    if (closeDevice(true) || wasOpen) {
        raiseDebug("Closed " + device);
    }
}

bool TransportLink::closeDevice(bool flush) {
    const bool wasOpen = transport_.deviceIsOpen();
    transport_.armWakeUp(std::nullopt);
    if (transport_.deviceIsOpen()) {
        // A failure the device reports while it is being closed is not a new one.
        closing_ = true;
        transport_.close(flush);
        closing_ = false;
    }
    openDevice_.clear();
    openSettings_.clear();
    return wasOpen;
}

void TransportLink::lineFailed(const std::string& reason) {
    if (closing_ || !engine_.isOpen()) {
        return;
    }
    const std::string device = openDevice_;
    engine_.lineLost(device, reason);
    // What is still buffered cannot reach the receiver any more: no waiting for it.
    closeDevice(false);
    pump();
}

void TransportLink::abandon() {
    abandoned_ = true;
    ClosePort();
}

// --- Calls -----------------------------------------------------------------------------

void TransportLink::CancelTransfer() {
    engine_.cancelTransfer(transport_.now());
    pump();
}

void TransportLink::SendSentence(const std::string& sentence) {
    if (abandoned_) {
        return;
    }
    engine_.sendSentence(sentence, transport_.now());
    pump();
}

void TransportLink::ConfigureLink(std::int16_t mode) {
    if (abandoned_) {
        return;
    }
    engine_.configureLink(mode, transport_.now());
    pump();
    if (mode != 1) {
        return;
    }
    // Waits until HANDON is acknowledged and a version request sent before it is answered,
    // so that a reply that comes in time has been delivered when this returns. A drain that
    // holds the version request back moves the deadline.
    while (!engine_.configureSettled() && !abandoned_) {
        const Millis deadline = engine_.configureDeadline();
        if (transport_.now() >= deadline) {
            break;
        }
        transport_.waitUntil(
            [&] {
                return abandoned_ || engine_.configureSettled() ||
                       engine_.configureDeadline() != deadline;
            },
            deadline);
        if (engine_.configureDeadline() == deadline) {
            break;
        }
    }
    engine_.endConfigureWait();
    pump();
}

void TransportLink::RequestVersion() {
    if (abandoned_) {
        return;
    }
    engine_.requestVersion(CommandState().VersionCommand, transport_.now());
    pump();
}

void TransportLink::RequestWaypoints() {
    SendSentence(CommandState().WaypointsCommand);
}

void TransportLink::RequestRoutes() {
    SendSentence(CommandState().RoutesCommand);
}

void TransportLink::RequestTracks() {
    SendSentence(CommandState().TracksCommand);
}

void TransportLink::UploadWaypoint() {
    SendSentence(mapping::encodeWaypoint(WaypointRecord()));
}

void TransportLink::UploadTrackPoint() {
    SendSentence(mapping::encodeTrackPoint(TrackPointRecord()));
}

// --- From the transport ----------------------------------------------------------------

void TransportLink::bytesArrived(std::string_view bytes) {
    engine_.receive(bytes, transport_.now());
    pump();
}

void TransportLink::wakeUp() {
    engine_.tick(transport_.now());
    pump();
}

// --- Between the engine and the world --------------------------------------------------

void TransportLink::pump() {
    const auto flushAndRaise = [this] {
        for (;;) {
            const std::string bytes = engine_.takeOutput();
            if (!bytes.empty() && transport_.deviceIsOpen()) {
                std::string failure;
                if (!transport_.write(bytes, failure)) {
                    lineFailed(failure);
                    return;
                }
            }
            std::optional<LinkEvent> event = engine_.takeEvent();
            if (!event) {
                return;
            }
            raise(std::move(*event));
        }
    };
    flushAndRaise();
    // A handler may open a modal box, whose event loop brings us back here: the sentences
    // that arrive meanwhile wait in the engine, so that they are handled in order.
    if (!handlingReceived_) {
        handlingReceived_ = true;
        while (engine_.handleReceived(transport_.now())) {
            flushAndRaise();
        }
        handlingReceived_ = false;
    }
    transport_.armWakeUp(engine_.nextWakeUp());
}

void TransportLink::raise(LinkEvent event) {
    switch (event.kind) {
        case LinkEvent::Kind::Receive:
            if (auto* waypoint = std::get_if<link::WaypointRecord>(&event.record)) {
                WaypointRecord() = *waypoint;
            } else if (auto* header = std::get_if<link::HeaderRecord>(&event.record)) {
                HeaderRecord() = *header;
            } else if (auto* point = std::get_if<link::TrackPointRecord>(&event.record)) {
                TrackPointRecord() = *point;
            } else if (auto* version = std::get_if<link::VersionRecord>(&event.record)) {
                VersionRecord() = *version;
            }
            if (event.id == TransferState().AckKind) {
                mutableTransferState().AckedKind = event.ackedKind;
                mutableCommandState().LastCommand = event.lastCommand;
            }
            raiseReceive(event.id, event.text);
            break;
        case LinkEvent::Kind::Nmea:
            raiseNmea(event.text, event.checksumError);
            break;
        case LinkEvent::Kind::Error:
            raiseError(event.errorClass, event.text, event.sentence);
            break;
        case LinkEvent::Kind::Debug:
            raiseDebug(event.text);
            break;
    }
}

}  // namespace trawlix::link
