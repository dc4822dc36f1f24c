#include "link/comm_port_names.h"

namespace trawlix::link {

std::string windowsDevicePath(std::string_view device) {
    if (device.empty() || device.starts_with("\\\\")) {
        return std::string(device);
    }
    return "\\\\.\\" + std::string(device);
}

}  // namespace trawlix::link
