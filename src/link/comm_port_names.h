#pragma once

#include <string>
#include <string_view>

namespace trawlix::link {

// The name Windows opens a serial port by. "COM1" to "COM9" open as they are, but "COM10" and
// above only in the device namespace, as "\\.\COM10"; that spelling suits every port, so a
// bare name always gets it. A name already in a namespace ("\\.\...", "\\?\...") stays.
std::string windowsDevicePath(std::string_view device);

}  // namespace trawlix::link
