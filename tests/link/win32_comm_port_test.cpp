// The Win32 serial port where no receiver is needed: names, and the ports that cannot be opened.
#include "link/comm_port_names.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "link/win32_comm_port.h"
#endif

namespace trawlix::link {
namespace {

TEST(WindowsPortNames, EveryBarePortNameOpensInTheDeviceNamespace) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", R"(\\.\COM1)"},
        {"COM10", R"(\\.\COM10)"},
        {"COM255", R"(\\.\COM255)"},
        {R"(\\.\COM12)", R"(\\.\COM12)"},
        {R"(\\?\usb#vid_067b)", R"(\\?\usb#vid_067b)"},
    };
    for (const auto& [name, path] : cases) {
        EXPECT_EQ(windowsDevicePath(name), path) << name;
    }
}

#ifdef _WIN32
TEST(Win32CommPort, APortThatIsNotThereSaysSo) {
    Win32CommPort port;
    for (const char* device : {"COM199", R"(\\.\COM200)"}) {
        EXPECT_FALSE(port.open(device)) << device;
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(port.failure(), Win32CommPort::Failure::NoSuchDevice) << port.failureText();
        EXPECT_FALSE(port.failureText().empty());
    }
}

TEST(Win32CommPort, ADeviceThatIsNotASerialPortIsRefusedAndLeftClosed) {
    Win32CommPort port;
    EXPECT_FALSE(port.open("NUL"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_NE(port.failure(), Win32CommPort::Failure::None);
    EXPECT_NE(port.failure(), Win32CommPort::Failure::NoSuchDevice) << port.failureText();
}
#endif

}  // namespace
}  // namespace trawlix::link
