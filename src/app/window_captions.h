#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Captions and menu items that the window's logic, the Qt window and the console share:
// each is written here once.
namespace trawlix::app {

// The identity labels before the receiver answered. The start-up handshake goes on asking
// while the product label still reads kInitialProductCaption.
inline constexpr std::string_view kInitialProductCaption = "PID";
inline constexpr std::string_view kInitialDescriptionCaption = "Desc";
inline constexpr std::string_view kInitialVersionCaption = "Ver";

// The port menu: items 1 to kBuiltInPorts always stand there; "Add Port" adds items from
// kFirstAddedPort on. Port kDefaultPort is used until the user chooses another.
inline constexpr std::int16_t kBuiltInPorts = 6;
inline constexpr std::int16_t kFirstAddedPort = kBuiltInPorts + 1;
inline constexpr std::int16_t kDefaultPort = 2;

// "Port 7".
inline std::string portCaption(std::int16_t port) {
    return "Port " + std::to_string(port);
}

// The baud menu's two items, which are also the line settings they choose; the first is
// the receivers' default.
inline constexpr std::array<std::string_view, 2> kBaudCaptions = {"4800,N,8,1", "9600,N,8,1"};

}  // namespace trawlix::app
