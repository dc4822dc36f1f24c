#pragma once

#include <cstdint>
#include <string>

#include "app/settings_store.h"

namespace trawlix::app {

// COM<n> on Windows, /dev/ttyS<n-1> elsewhere: how each system names its built-in ports.
std::string defaultDevice(std::int16_t port);

// The device behind a port number: the default name, unless the setting "Devices"/"Port<n>"
// points the port number at any device instead (a USB adapter at /dev/ttyUSB0, a
// simulator's pseudo-terminal).
std::string deviceForPort(SettingsStore& settings, std::int16_t port);

}  // namespace trawlix::app
