#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "link/link_transport.h"
#include "link/transport_link.h"
#include "qt/serial_port.h"

namespace trawlix::link {

// The GPS link on a serial port: the serial port transport of TransportLink, which speaks
// the receiver protocol (see LinkEngine). It lives on the window's thread: bytes are read
// when the event loop reports them, and events are raised from there, or from within
// ConfigureLink, which waits in a nested loop that takes no user input.
class SerialLink : public QObject, private LinkTransport, public TransportLink {
    Q_OBJECT

  public:
    // Names the device of a port number: "COM2" on Windows, a tty path elsewhere.
    using DeviceResolver = std::function<std::string(std::int16_t port)>;

    explicit SerialLink(DeviceResolver resolver, QObject* parent = nullptr);
    ~SerialLink() override;

  private:
    // The transport.
    std::string deviceOf(std::int16_t port) const override;
    bool open(const std::string& device, const LineSettings& settings,
              std::string& failure) override;
    void close(bool flush) override;
    bool deviceIsOpen() const override { return port_.isOpen(); }
    bool write(std::string_view bytes, std::string& failure) override;
    void armWakeUp(std::optional<Millis> at) override;
    Millis now() const override { return clock_.elapsed(); }
    void waitUntil(const std::function<bool()>& done, Millis deadline) override;

    std::string describeOpenFailure(const std::string& device) const;
    void onReadyRead();
    void onPortError(QSerialPort::SerialPortError error);

    DeviceResolver resolver_;
    SerialPort port_;
    QTimer wakeUpTimer_;
    QElapsedTimer clock_;
    LineSettings line_;
};

}  // namespace trawlix::link
