#pragma once

#include <QString>
#include <cstdint>

#include "app/settings_store.h"

namespace trawlix::app {

// The device behind a port number. By default COM<n> on Windows and /dev/ttyS<n-1>
// elsewhere; the setting "Devices"/"Port<n>" points a port number at any device instead
// (a USB adapter at /dev/ttyUSB0, a simulator's pseudo-terminal).
QString deviceForPort(SettingsStore& settings, std::int16_t port);

}  // namespace trawlix::app
