#pragma once

// The serial port type of this platform: QSerialPort, or on Windows a port of our own with the
// same interface (see Win32SerialPort for why).
#if defined(_WIN32)
#include "qt/win32_serial_port.h"
#else
#include <QSerialPort>
#endif

namespace trawlix::link {

#if defined(_WIN32)
using SerialPort = Win32SerialPort;
#else
using SerialPort = QSerialPort;
#endif

}  // namespace trawlix::link
