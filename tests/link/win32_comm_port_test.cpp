// The Win32 serial port: names, the ports that cannot be opened, and a line to the receiver.
#include "link/comm_port_names.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <cstdlib>

#include "link/version_probe.h"
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

// Over a port that leads to the simulated receiver, when scripts/test-windows has pointed
// one at it (Wine's COM port on trawlix-sim's pseudo-terminal). One test, as the port is
// for one opener at a time.
TEST(Win32CommPortOnTheReceiver, AnswersARequestAndIsRefusedToASecondOpener) {
    const char* device = std::getenv("TRAWLIX_TEST_COM_PORT");
    if (device == nullptr || *device == '\0') {
        GTEST_SKIP() << "no port to the simulated receiver (TRAWLIX_TEST_COM_PORT)";
    }
    Win32CommPort port;
    ASSERT_TRUE(port.open(device)) << port.failureText();
    ASSERT_TRUE(port.setLine(LineSettings{})) << port.failureText();

    std::string received;
    EXPECT_TRUE(port.readAvailable(received));
    EXPECT_EQ(received, "") << "an idle line gives nothing, at once";
    ASSERT_TRUE(port.write(VersionProbe::request())) << port.failureText();
    for (int i = 0; i < 200 && received.find('\n') == std::string::npos; ++i) {
        ASSERT_TRUE(port.readAvailable(received)) << port.failureText();
        Sleep(10);
    }
    EXPECT_TRUE(received.starts_with("$PMGNVER,")) << received;

    Win32CommPort second;
    EXPECT_FALSE(second.open(device));
    EXPECT_EQ(second.failure(), Win32CommPort::Failure::AccessDenied) << second.failureText();
}
#endif

}  // namespace
}  // namespace trawlix::link
