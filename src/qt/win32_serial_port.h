#pragma once

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include "link/win32_comm_port.h"

namespace trawlix::link {

// The serial port of the Windows build: the part of QSerialPort's interface that the link and
// the detector use, on the Win32 comm API. Received bytes are taken from the driver by a timer
// on the owner's thread and announced with readyRead(), as QSerialPort does from its loop;
// writes go to the driver at once.
//
// QSerialPort itself is not used for the port there: it waits for comm events through an I/O
// completion, which Wine does not deliver for a port it maps to a Unix terminal, so under
// Wine it never receives. Ports are still listed by QSerialPortInfo.
class Win32SerialPort : public QObject {
    Q_OBJECT

  public:
    explicit Win32SerialPort(QObject* parent = nullptr);

    void setPortName(const QString& name) { name_ = name; }
    bool open(QIODevice::OpenMode mode);
    void close();
    bool isOpen() const { return port_.isOpen(); }

    bool setBaudRate(qint32 baud);
    bool setDataBits(QSerialPort::DataBits dataBits);
    bool setParity(QSerialPort::Parity parity);
    bool setStopBits(QSerialPort::StopBits stopBits);
    bool setFlowControl(QSerialPort::FlowControl flowControl);

    qint64 write(const char* data, qint64 size);
    QByteArray readAll();
    // Throws away what was received and not read.
    bool clear();
    // Writes complete within write(): nothing is ever left to wait for.
    qint64 bytesToWrite() const { return 0; }
    bool waitForBytesWritten(int /*msecs*/) { return true; }

    QSerialPort::SerialPortError error() const { return error_; }
    QString errorString() const { return errorText_; }
    void clearError() { setError(QSerialPort::NoError, QString()); }

  signals:
    void readyRead();
    void errorOccurred(QSerialPort::SerialPortError error);

  private:
    bool applyLine(const LineSettings& line);
    void poll();
    void portFailed(QSerialPort::SerialPortError error);
    void setError(QSerialPort::SerialPortError error, const QString& text);

    QString name_;
    Win32CommPort port_;
    LineSettings line_;
    QTimer poll_;
    QByteArray received_;
    QSerialPort::SerialPortError error_ = QSerialPort::NoError;
    QString errorText_;
};

}  // namespace trawlix::link
