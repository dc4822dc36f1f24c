#include "link/win32_comm_port.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "link/comm_port_names.h"

namespace trawlix::link {
namespace {

// The receive buffer asked of the driver: several seconds of a fast line between two polls.
constexpr DWORD kReceiveBufferBytes = 64 * 1024;
constexpr DWORD kTransmitBufferBytes = 4 * 1024;
constexpr DWORD kWriteGraceMs = 1000;

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    std::wstring text(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), static_cast<int>(text.size()));
    return text;
}

std::string utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::string systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? utf8(text, static_cast<int>(length)) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "system error " + std::to_string(code) : message;
}

BYTE parityCode(LineSettings::Parity parity) {
    switch (parity) {
        case LineSettings::Parity::Even:
            return EVENPARITY;
        case LineSettings::Parity::Odd:
            return ODDPARITY;
        case LineSettings::Parity::Mark:
            return MARKPARITY;
        case LineSettings::Parity::Space:
            return SPACEPARITY;
        case LineSettings::Parity::None:
            break;
    }
    return NOPARITY;
}

BYTE stopBitsCode(LineSettings::StopBits stopBits) {
    switch (stopBits) {
        case LineSettings::StopBits::OneAndHalf:
            return ONE5STOPBITS;
        case LineSettings::StopBits::Two:
            return TWOSTOPBITS;
        case LineSettings::StopBits::One:
            break;
    }
    return ONESTOPBIT;
}

void describeLine(DCB& dcb, const LineSettings& line) {
    dcb.BaudRate = static_cast<DWORD>(line.baud);
    dcb.ByteSize = static_cast<BYTE>(line.dataBits);
    dcb.Parity = parityCode(line.parity);
    dcb.fParity = line.parity == LineSettings::Parity::None ? FALSE : TRUE;
    dcb.StopBits = stopBitsCode(line.stopBits);
    dcb.fBinary = TRUE;
    // No flow control; DTR and RTS held up, as cables that draw their power from them need.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    // A framing error must not stop every later read until it is cleared.
    dcb.fAbortOnError = FALSE;
}

// Windows opens a serial port for one program at a time, but Wine lets a second opener
// have a port it maps to a Unix terminal: a port is also claimed by a name that every
// Trawlix program on the machine sees, so that none probes or talks over another's line.
// False when another Trawlix program has the port; `claim` is what holds it for this one
// (none when the system would not make the name, which leaves Windows' own rule alone).
bool claimPort(const std::string& path, void*& claim) {
    std::string name = path;
    std::replace(name.begin(), name.end(), '\\', '_');
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    claim = CreateMutexW(nullptr, FALSE, wide("Global\\trawlix-serial-port-" + name).c_str());
    if (claim != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(claim);
        claim = nullptr;
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

}  // namespace

Win32CommPort::~Win32CommPort() {
    close();
}

bool Win32CommPort::open(const std::string& device) {
    close();
    const std::string path = windowsDevicePath(device);
    if (!claimPort(path, claim_)) {
        return fail();
    }
    const HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        fail();
        close();
        return false;
    }
    handle_ = handle;
    SetupComm(handle, kReceiveBufferBytes, kTransmitBufferBytes);  // a wish; smaller is fine
    if (!applyLine(LineSettings{})) {
        close();  // not a serial port: the failure says why
        return false;
    }
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return true;
}

void Win32CommPort::close() {
    for (void** handle : {&handle_, &claim_}) {
        if (*handle != nullptr) {
            CloseHandle(*handle);
            *handle = nullptr;
        }
    }
}

bool Win32CommPort::setLine(const LineSettings& line) {
    return applyLine(line);
}

bool Win32CommPort::setBaud(int baud) {
    LineSettings line = line_;
    line.baud = baud;
    return applyLine(line);
}

bool Win32CommPort::applyLine(const LineSettings& line) {
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(handle_, &dcb)) {
        return fail();
    }
    describeLine(dcb, line);
    if (!SetCommState(handle_, &dcb)) {
        return fail();
    }
    // Reads return at once with what has arrived; a write may take its line time and a grace.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutMultiplier =
        static_cast<DWORD>(std::ceil(line.bitsPerByte() * 1000.0 / line.baud));
    timeouts.WriteTotalTimeoutConstant = kWriteGraceMs;
    if (!SetCommTimeouts(handle_, &timeouts)) {
        return fail();
    }
    line_ = line;
    return true;
}

bool Win32CommPort::readAvailable(std::string& bytes) {
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle_, buffer, sizeof(buffer), &got, nullptr)) {
            return fail();
        }
        bytes.append(buffer, got);
        if (got < sizeof(buffer)) {
            return true;
        }
    }
}

bool Win32CommPort::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), INT_MAX));
        DWORD written = 0;
        if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr)) {
            return fail();
        }
        if (written == 0) {
            failure_ = Failure::Other;
            failureText_ = "the port took nothing within the write's time";
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

void Win32CommPort::discardReceived() {
    PurgeComm(handle_, PURGE_RXCLEAR);
}

bool Win32CommPort::fail() {
    const DWORD code = GetLastError();
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            failure_ = Failure::NoSuchDevice;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            failure_ = Failure::AccessDenied;
            break;
        case ERROR_INVALID_FUNCTION:
        case ERROR_INVALID_HANDLE:
        case ERROR_NOT_SUPPORTED:
            failure_ = Failure::Unsupported;
            break;
        default:
            failure_ = Failure::Other;
            break;
    }
    failureText_ = systemMessage(code);
    return false;
}

}  // namespace trawlix::link
