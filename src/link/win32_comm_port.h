#pragma once

#include <string>
#include <string_view>

#include "link/line_settings.h"

namespace trawlix::link {

// A serial port through the Win32 comm API, used from one thread and never waiting for
// bytes: reads take what has arrived and return at once. Windows only.
//
// Nothing here waits for an I/O completion: Wine, which the Windows build is tried under,
// posts none for comm events on a port it maps to a Unix terminal, while plain reads that
// return at once work there as on Windows. The caller polls.
class Win32CommPort {
  public:
    enum class Failure { None, NoSuchDevice, AccessDenied, Unsupported, Other };

    Win32CommPort() = default;
    Win32CommPort(const Win32CommPort&) = delete;
    Win32CommPort& operator=(const Win32CommPort&) = delete;
    ~Win32CommPort();

    // Opens `device` ("COM5", "\\.\COM12") for this program alone, 8 data bits, no parity,
    // one stop bit, no flow control, at the device's speed.
    bool open(const std::string& device);
    void close();
    bool isOpen() const { return handle_ != nullptr; }

    bool setLine(const LineSettings& line);
    bool setBaud(int baud);
    // Appends what has arrived to `bytes`; false when the device failed.
    bool readAvailable(std::string& bytes);
    // Writes all of `bytes`, waiting at most their line time and a second.
    bool write(std::string_view bytes);
    // Throws away what was received and not yet read.
    void discardReceived();

    // Why the last call that answered false failed.
    Failure failure() const { return failure_; }
    // The system's message for it, in UTF-8.
    const std::string& failureText() const { return failureText_; }

  private:
    bool fail();
    bool applyLine(const LineSettings& line);

    void* handle_ = nullptr;
    void* claim_ = nullptr;  // the port's name, claimed for this program while it is open
    LineSettings line_;
    Failure failure_ = Failure::None;
    std::string failureText_;
};

}  // namespace trawlix::link
