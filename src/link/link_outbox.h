#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "link/records.h"

namespace trawlix::link {

// A monotonic count of milliseconds, handed in by whoever drives the engine.
using Millis = std::int64_t;

// One event of the GpsLink contract, with its arguments, as the engine asks for it to be
// raised. A Receive carries the record its ID announces; the link puts it into its record
// objects just before raising the event, so that several records decoded from one read each
// reach the listener in their own event.
struct LinkEvent {
    enum class Kind { Receive, Nmea, Error, Debug };
    using Record =
        std::variant<std::monostate, WaypointRecord, HeaderRecord, TrackPointRecord, VersionRecord>;

    Kind kind = Kind::Debug;
    std::string id;    // Receive: ID
    std::string text;  // Receive: RecvLine; Nmea: the sentence; Error: eMessage; Debug: the line
    bool checksumError = false;   // Nmea: chkerr
    std::int16_t errorClass = 0;  // Error: cErr
    std::string sentence;         // Error: the sentence a Retry sends again
    Record record;
    // An acknowledgement (ID AckKind): TransferState.AckedKind and CommandState.LastCommand as
    // they were when it arrived; the engine may have sent more since.
    std::string ackedKind;
    std::string lastCommand;
};

// What the engine's parts hand out: the bytes to write and the events to raise, in order.
class LinkOutbox {
  public:
    void write(const std::string& framed) { output_ += framed; }
    void receive(std::string_view id, const std::string& line, LinkEvent::Record record = {});
    void acknowledged(std::string_view ackKind, const std::string& ackedKind,
                      const std::string& lastCommand);
    void nmea(const std::string& line, bool checksumError);
    void error(std::int16_t errorClass, const std::string& text, const std::string& sentence);
    void debug(const std::string& text);

    std::string takeOutput();
    std::optional<LinkEvent> takeEvent();
    void dropOutput() { output_.clear(); }
    void dropEvents() { events_.clear(); }

  private:
    std::string output_;
    std::deque<LinkEvent> events_;
};

}  // namespace trawlix::link
