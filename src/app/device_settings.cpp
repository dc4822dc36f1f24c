#include "app/device_settings.h"

#include "link/serial_link.h"

namespace trawlix::app {

QString deviceForPort(SettingsStore& settings, std::int16_t port) {
    const std::string device =
        settings.GetSetting(kSettingsApplication, "Devices", "Port" + std::to_string(port), "");
    return device.empty() ? link::SerialLink::defaultDevice(port) : QString::fromStdString(device);
}

}  // namespace trawlix::app
