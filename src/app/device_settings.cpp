#include "app/device_settings.h"

namespace trawlix::app {

std::string defaultDevice(std::int16_t port) {
#if defined(_WIN32)
    return "COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

std::string deviceForPort(SettingsStore& settings, std::int16_t port) {
    const std::string device =
        settings.GetSetting(kSettingsApplication, "Devices", "Port" + std::to_string(port), "");
    return device.empty() ? defaultDevice(port) : device;
}

}  // namespace trawlix::app
