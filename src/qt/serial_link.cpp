#include "qt/serial_link.h"

#include "qt/event_wait.h"

#include <QCoreApplication>
#include <algorithm>

namespace trawlix::link {
namespace {

// What the receiver side may take to drain what is still buffered when the port closes.
constexpr Millis kFlushGraceMs = 1000;

QSerialPort::Parity toQt(LineSettings::Parity parity) {
    switch (parity) {
        case LineSettings::Parity::Even:
            return QSerialPort::EvenParity;
        case LineSettings::Parity::Odd:
            return QSerialPort::OddParity;
        case LineSettings::Parity::Mark:
            return QSerialPort::MarkParity;
        case LineSettings::Parity::Space:
            return QSerialPort::SpaceParity;
        case LineSettings::Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(LineSettings::StopBits stopBits) {
    switch (stopBits) {
        case LineSettings::StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case LineSettings::StopBits::Two:
            return QSerialPort::TwoStop;
        case LineSettings::StopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

int timerMs(Millis ms) {
    return static_cast<int>(std::clamp<Millis>(ms, 0, 24 * 3600 * 1000));
}

}  // namespace

SerialLink::SerialLink(DeviceResolver resolver, QObject* parent)
    : QObject(parent),
      TransportLink(static_cast<LinkTransport&>(*this)),
      resolver_(std::move(resolver)) {
    clock_.start();
    wakeUpTimer_.setSingleShot(true);
    // A coarse timer may fire a little before its time; the engine then finds nothing due.
    wakeUpTimer_.setTimerType(Qt::PreciseTimer);
    connect(&wakeUpTimer_, &QTimer::timeout, this, [this] { wakeUp(); });
    connect(&port_, &SerialPort::readyRead, this, &SerialLink::onReadyRead);
    connect(&port_, &SerialPort::errorOccurred, this, &SerialLink::onPortError);
}

SerialLink::~SerialLink() {
    setListener(nullptr);
    if (port_.isOpen()) {
        port_.close();
    }
}

std::string SerialLink::deviceOf(std::int16_t port) const {
    return resolver_(port);
}

bool SerialLink::open(const std::string& device, const LineSettings& settings,
                      std::string& failure) {
    port_.setPortName(QString::fromStdString(device));
    if (!port_.open(QIODevice::ReadWrite)) {
        failure = describeOpenFailure(device);
        port_.clearError();
        return false;
    }
    const bool configured =
        port_.setBaudRate(settings.baud) &&
        port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
        port_.setParity(toQt(settings.parity)) && port_.setStopBits(toQt(settings.stopBits)) &&
        port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        failure =
            "Can't set the line settings on " + device + ": " + port_.errorString().toStdString();
        port_.close();
        port_.clearError();
        return false;
    }
    line_ = settings;
    return true;
}

std::string SerialLink::describeOpenFailure(const std::string& device) const {
    switch (port_.error()) {
        case QSerialPort::DeviceNotFoundError:
            return "Can't open " + device +
                   ": there is no such device. Is the receiver plugged in?";
        case QSerialPort::PermissionError:
            return "Can't open " + device +
                   ": permission denied, or the port is in use by another "
                   "program. On Linux, add yourself to the group that owns serial ports "
                   "(sudo usermod -aG dialout $USER) and log in again.";
        case QSerialPort::OpenError:
            return "Can't open " + device + ": it is already open.";
        default:
            return "Can't open " + device + ": " + port_.errorString().toStdString();
    }
}

void SerialLink::close(bool flush) {
    // QSerialPort writes from the event loop: what is still buffered, such as the
    // acknowledgement of a download's end marker, would be lost, and the receiver would send
    // the sentence again to whoever opens the port next.
    if (flush && port_.bytesToWrite() > 0) {
        const Millis lineTime = line_.lineTimeMs(static_cast<std::size_t>(port_.bytesToWrite()));
        port_.waitForBytesWritten(timerMs(lineTime + kFlushGraceMs));
    }
    port_.close();
    port_.clearError();
}

bool SerialLink::write(std::string_view bytes, std::string& failure) {
    const auto size = static_cast<qint64>(bytes.size());
    if (port_.write(bytes.data(), size) != size) {
        failure = port_.errorString().toStdString();
        return false;
    }
    return true;
}

void SerialLink::armWakeUp(std::optional<Millis> at) {
    if (!at) {
        wakeUpTimer_.stop();
        return;
    }
    wakeUpTimer_.start(timerMs(*at - now()));
}

void SerialLink::waitUntil(const std::function<bool()>& done, Millis deadline) {
    qt::waitForEvents(
        done, [this] { return now(); }, deadline);
}

void SerialLink::onReadyRead() {
    const QByteArray bytes = port_.readAll();
    bytesArrived(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void SerialLink::onPortError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || !port_.isOpen()) {
        return;
    }
    if (error == QSerialPort::ResourceError || error == QSerialPort::WriteError ||
        error == QSerialPort::ReadError) {
        // Qt says "Unknown error" where the system gave no reason: that tells the user
        // nothing, so the message then names none.
        const QString reason = port_.errorString();
        lineFailed(reason.compare("Unknown error", Qt::CaseInsensitive) == 0
                       ? std::string()
                       : reason.toStdString());
    } else {
        raiseDebug("Serial port: " + port_.errorString().toStdString());
    }
}

}  // namespace trawlix::link
