#include "qt/win32_serial_port.h"

namespace trawlix::link {
namespace {

// How often arrived bytes are fetched: a line of 115200 baud brings about 115 bytes in this
// time, far below the driver's buffer, and a reply is seen at most this late.
constexpr int kPollMs = 10;

QSerialPort::SerialPortError openErrorOf(Win32CommPort::Failure failure) {
    switch (failure) {
        case Win32CommPort::Failure::NoSuchDevice:
            return QSerialPort::DeviceNotFoundError;
        case Win32CommPort::Failure::AccessDenied:
            return QSerialPort::PermissionError;
        case Win32CommPort::Failure::Unsupported:
            return QSerialPort::UnsupportedOperationError;
        case Win32CommPort::Failure::None:
        case Win32CommPort::Failure::Other:
            break;
    }
    return QSerialPort::OpenError;
}

LineSettings::Parity parityOf(QSerialPort::Parity parity) {
    switch (parity) {
        case QSerialPort::EvenParity:
            return LineSettings::Parity::Even;
        case QSerialPort::OddParity:
            return LineSettings::Parity::Odd;
        case QSerialPort::MarkParity:
            return LineSettings::Parity::Mark;
        case QSerialPort::SpaceParity:
            return LineSettings::Parity::Space;
        case QSerialPort::NoParity:
            break;
    }
    return LineSettings::Parity::None;
}

LineSettings::StopBits stopBitsOf(QSerialPort::StopBits stopBits) {
    switch (stopBits) {
        case QSerialPort::OneAndHalfStop:
            return LineSettings::StopBits::OneAndHalf;
        case QSerialPort::TwoStop:
            return LineSettings::StopBits::Two;
        case QSerialPort::OneStop:
            break;
    }
    return LineSettings::StopBits::One;
}

}  // namespace

Win32SerialPort::Win32SerialPort(QObject* parent) : QObject(parent) {
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &Win32SerialPort::poll);
}

bool Win32SerialPort::open(QIODevice::OpenMode /*mode: always read and write*/) {
    if (port_.isOpen()) {
        setError(QSerialPort::OpenError, "The port is already open");
        return false;
    }
    if (!port_.open(name_.toStdString())) {
        setError(openErrorOf(port_.failure()), QString::fromStdString(port_.failureText()));
        return false;
    }
    line_ = LineSettings{};
    received_.clear();
    poll_.start();
    return true;
}

void Win32SerialPort::close() {
    poll_.stop();
    port_.close();
    received_.clear();
}

bool Win32SerialPort::applyLine(const LineSettings& line) {
    if (!port_.setLine(line)) {
        setError(QSerialPort::UnsupportedOperationError,
                 QString::fromStdString(port_.failureText()));
        return false;
    }
    line_ = line;
    return true;
}

bool Win32SerialPort::setBaudRate(qint32 baud) {
    LineSettings line = line_;
    line.baud = baud;
    return applyLine(line);
}

bool Win32SerialPort::setDataBits(QSerialPort::DataBits dataBits) {
    LineSettings line = line_;
    line.dataBits = static_cast<int>(dataBits);
    return applyLine(line);
}

bool Win32SerialPort::setParity(QSerialPort::Parity parity) {
    LineSettings line = line_;
    line.parity = parityOf(parity);
    return applyLine(line);
}

bool Win32SerialPort::setStopBits(QSerialPort::StopBits stopBits) {
    LineSettings line = line_;
    line.stopBits = stopBitsOf(stopBits);
    return applyLine(line);
}

bool Win32SerialPort::setFlowControl(QSerialPort::FlowControl flowControl) {
    if (flowControl != QSerialPort::NoFlowControl) {
        setError(QSerialPort::UnsupportedOperationError, "Only a line without flow control");
        return false;
    }
    return true;
}

qint64 Win32SerialPort::write(const char* data, qint64 size) {
    if (!port_.isOpen()) {
        setError(QSerialPort::NotOpenError, "The port is not open");
        return -1;
    }
    if (!port_.write(std::string_view(data, static_cast<std::size_t>(size)))) {
        portFailed(QSerialPort::WriteError);
        return -1;
    }
    return size;
}

QByteArray Win32SerialPort::readAll() {
    return std::exchange(received_, QByteArray());
}

bool Win32SerialPort::clear() {
    if (!port_.isOpen()) {
        return false;
    }
    port_.discardReceived();
    received_.clear();
    return true;
}

void Win32SerialPort::poll() {
    std::string bytes;
    if (!port_.readAvailable(bytes)) {
        portFailed(QSerialPort::ResourceError);
        return;
    }
    if (!bytes.empty()) {
        received_.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
        emit readyRead();
    }
}

void Win32SerialPort::portFailed(QSerialPort::SerialPortError error) {
    // Like QSerialPort, the port stays open until its owner closes it; it is polled no more.
    poll_.stop();
    setError(error, QString::fromStdString(port_.failureText()));
}

void Win32SerialPort::setError(QSerialPort::SerialPortError error, const QString& text) {
    error_ = error;
    errorText_ = text;
    if (error != QSerialPort::NoError) {
        emit errorOccurred(error);
    }
}

}  // namespace trawlix::link
