#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/line_settings.h"
#include "link/link_engine.h"

namespace trawlix::link {

class TransportLink;

// What the GPS link needs of the world around it: a device to open, close and write to, one
// wake-up at the engine's deadline, the time, and a nested wait for ConfigureLink. A serial
// port with an event loop is one transport; a simulated line in virtual time is another.
//
// The transport reports back to the link it serves: TransportLink::bytesArrived() when bytes
// came, TransportLink::wakeUp() when the armed moment came, TransportLink::lineFailed() when
// the device failed. It must not report anything from within close().
class LinkTransport {
  public:
    virtual ~LinkTransport() = default;

    // The device a port number names, for opening and for messages.
    virtual std::string deviceOf(std::int16_t port) const = 0;
    // Opens `device` with `settings`; on failure false, with `failure` a message for the user
    // that says why and what to do.
    virtual bool open(const std::string& device, const LineSettings& settings,
                      std::string& failure) = 0;
    // Closes the device. With `flush`, what is still buffered is written first, boundedly.
    virtual void close(bool flush) = 0;
    virtual bool deviceIsOpen() const = 0;
    // Writes bytes; false when the device failed, with `failure` saying how.
    virtual bool write(std::string_view bytes, std::string& failure) = 0;
    // Arms the one wake-up at `at` (replacing any earlier one), or disarms it.
    virtual void armWakeUp(std::optional<Millis> at) = 0;
    virtual Millis now() const = 0;
    // Runs the transport (its events, its time) until `done` holds or `deadline` passes. The
    // link calls it only from ConfigureLink; it may end early when the program is being
    // stopped, which the link then treats as a deadline passed.
    virtual void waitUntil(const std::function<bool()>& done, Millis deadline) = 0;
};

}  // namespace trawlix::link
