#include "qt/port_detector.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QTimer>
#include <algorithm>

#include "app/port_holder.h"
#include "common/numbers.h"
#include "link/version_probe.h"
#include "qt/qt_settings_store.h"
#include "qt/serial_port.h"

namespace trawlix::app {
namespace {

// The by-id names of the system's serial devices, by the device each leads to.
std::map<QString, QString> stableNames() {
    std::map<QString, QString> names;
    const QDir folder("/dev/serial/by-id");
    for (const QFileInfo& link : folder.entryInfoList(QDir::System | QDir::Files)) {
        names[link.canonicalFilePath()] = link.absoluteFilePath();
    }
    return names;
}

ProbeOutcome outcomeOfOpenError(QSerialPort::SerialPortError error, const QString& device) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return ProbeOutcome::NoSuchDevice;
        case QSerialPort::PermissionError:
#if defined(_WIN32)
            // Windows lets every user open the serial ports: one refused is held by a program.
            static_cast<void>(device);
            return ProbeOutcome::InUse;
#else
            // Qt reports a device held exclusively, or locked, as it reports a lack of rights.
            return QFileInfo(device).isWritable() ? ProbeOutcome::InUse
                                                  : ProbeOutcome::PermissionDenied;
#endif
        case QSerialPort::OpenError:
            return ProbeOutcome::InUse;
        default:
            return ProbeOutcome::OpenFailed;
    }
}

}  // namespace

std::vector<SystemPort> systemPorts() {
    const auto byId = stableNames();
    std::vector<SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SystemPort port;
        port.device = info.systemLocation().toStdString();
        port.description = info.description().toStdString();
        port.manufacturer = info.manufacturer().toStdString();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            port.vendorId = info.vendorIdentifier();
            port.productId = info.productIdentifier();
        }
        port.serialNumber = info.serialNumber().toStdString();
        const auto stable = byId.find(QFileInfo(info.systemLocation()).canonicalFilePath());
        if (stable != byId.end()) {
            port.stableName = stable->second.toStdString();
        }
        ports.push_back(std::move(port));
    }
    return ports;
}

AssignedDevices assignedDevices(QtSettingsStore& /*store: places the file*/) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, kSettingsApplication);
    settings.beginGroup("Devices");
    AssignedDevices assigned;
    for (const QString& key : settings.childKeys()) {
        if (!key.startsWith("Port")) {
            continue;
        }
        const auto port = common::strictInt16(key.mid(4).toStdString());
        const QString device = settings.value(key).toString();
        if (port && *port >= 1 && !device.isEmpty()) {
            assigned[*port] = device.toStdString();
        }
    }
    return assigned;
}

// One device: opened once, then each speed in turn with the version request.
class PortDetector::DeviceProbe : public QObject {
  public:
    DeviceProbe(const std::string& device, PortDetector& owner)
        : owner_(owner), plan_(device), device_(QString::fromStdString(device)) {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { speedOver(); });
        connect(&port_, &link::SerialPort::readyRead, this, [this] { onReadyRead(); });
        quiet_.setSingleShot(true);
        connect(&quiet_, &QTimer::timeout, this, [this] { tryNextSpeed(); });
        linger_.setSingleShot(true);
        connect(&linger_, &QTimer::timeout, this, [this] { speedOver(); });
    }

    // `heldOpen`: the process found with the device open, if any.
    void start(std::optional<PortHolder> heldOpen) {
        if (finished_) {
            return;  // cancelled before it began
        }
        const long ownPid = static_cast<long>(QCoreApplication::applicationPid());
        auto holder = lockFileHolder(device_.toStdString(), ownPid, lockFolders());
        if (!holder) {
            holder = std::move(heldOpen);
        }
        if (holder) {
            plan_.heldBy(holder->text());
            finish();
            return;
        }
        port_.setPortName(device_);
        if (!port_.open(QIODevice::ReadWrite)) {
            openFailed();
            return;
        }
        port_.setDataBits(QSerialPort::Data8);
        port_.setParity(QSerialPort::NoParity);
        port_.setStopBits(QSerialPort::OneStop);
        port_.setFlowControl(QSerialPort::NoFlowControl);
        tryNextSpeed();
    }

    void cancel() {
        if (!finished_) {
            plan_.cancel();
            finish();
        }
    }

    bool finished() const { return finished_; }
    const ProbeResult& result() const { return plan_.result(); }

  private:
    void openFailed() {
        const std::string device = device_.toStdString();
        const ProbeOutcome why = outcomeOfOpenError(port_.error(), device_);
        if (why == ProbeOutcome::InUse) {
            // Held exclusively: the open failed and disturbed nothing; name who holds it.
            const auto holder =
                processHolder(device, static_cast<long>(QCoreApplication::applicationPid()));
            plan_.heldBy(holder ? holder->text() : std::string());
        } else {
            plan_.openFailed(why, port_.errorString().toStdString());
        }
        finish();
    }

    void tryNextSpeed() {
        const auto speed = plan_.nextSpeed();
        if (!speed) {
            finish();
            return;
        }
        reading_ = link::VersionProbe();
        if (!port_.setBaudRate(*speed)) {
            plan_.openFailed(ProbeOutcome::OpenFailed, port_.errorString().toStdString());
            finish();
            return;
        }
        port_.clear();  // what the last speed left behind says nothing of this one
        const std::string request = link::VersionProbe::request();
        port_.write(request.data(), static_cast<qint64>(request.size()));
        sinceRequest_.start();
        timer_.start(kProbeReplyMs);
    }

    void onReadyRead() {
        const QByteArray bytes = port_.readAll();
        if (quiet_.isActive()) {
            // Still the tail of the garbled answer; a line that never falls quiet (a receiver
            // talking on at its own speed) is not waited for beyond a reply's time.
            if (settling_.elapsed() < kProbeReplyMs) {
                quiet_.start(kProbeQuietMs);
            }
            return;
        }
        if (finished_ || (!timer_.isActive() && !linger_.isActive())) {
            return;
        }
        const std::size_t protocolBefore = reading_.protocolSentences();
        const auto verdict = reading_.feed(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        const std::string replies = reading_.takeReplies();
        port_.write(replies.data(), static_cast<qint64>(replies.size()));
        if (linger_.isActive()) {
            return;
        }
        if (verdict == link::VersionProbe::Verdict::Answered) {
            answered();
        } else if (verdict != link::VersionProbe::Verdict::Waiting) {
            speedOver();
        } else if (reading_.protocolSentences() != protocolBefore) {
            waitOnWhileBusy();
        }
    }

    // A receiver of the family talks at this speed but has not replied yet: it may be giving
    // up something else first.
    void waitOnWhileBusy() {
        const qint64 left = kProbeLongestMs - sinceRequest_.elapsed();
        timer_.start(static_cast<int>(std::clamp<qint64>(left, 0, kProbeBusyMs)));
    }

    // In acknowledgement mode the reply taken may be one sent again; the reply to this
    // request follows once it is acknowledged, and is acknowledged in turn, so that the
    // receiver is left idle.
    void answered() {
        timer_.stop();
        if (reading_.protocolSentences() > 1) {
            linger_.start(kProbeLingerMs);
            return;
        }
        speedOver();
    }

    void speedOver() {
        timer_.stop();
        plan_.speedDone(reading_);
        if (reading_.verdict() == link::VersionProbe::Verdict::Garbled && !plan_.done()) {
            settling_.start();
            quiet_.start(kProbeQuietMs);
            return;
        }
        tryNextSpeed();
    }

    void finish() {
        timer_.stop();
        quiet_.stop();
        linger_.stop();
        if (port_.isOpen()) {
            port_.close();
        }
        finished_ = true;
        owner_.probeDone(plan_.result());
    }

    PortDetector& owner_;
    PortProbe plan_;
    QString device_;
    link::SerialPort port_;
    QTimer timer_;
    QTimer quiet_;
    QTimer linger_;
    QElapsedTimer settling_;
    QElapsedTimer sinceRequest_;
    link::VersionProbe reading_;
    bool finished_ = false;
};

PortDetector::PortDetector(QObject* parent) : QObject(parent) {}
PortDetector::~PortDetector() = default;

void PortDetector::start(const std::vector<Candidate>& candidates) {
    probes_.clear();
    done_ = 0;
    for (const Candidate& candidate : candidates) {
        probes_.push_back(std::make_unique<DeviceProbe>(candidate.device, *this));
    }
    if (probes_.empty()) {
        QTimer::singleShot(0, this, [this] { emit allDone(); });
        return;
    }
    // Started from the loop, so that a caller connected after start() hears every signal.
    std::vector<std::string> devices;
    for (const Candidate& candidate : candidates) {
        devices.push_back(candidate.device);
    }
    QTimer::singleShot(0, this, [this, devices] {
        const auto holders =
            processHolders(devices, static_cast<long>(QCoreApplication::applicationPid()));
        for (std::size_t i = 0; i < probes_.size(); ++i) {
            const auto held = holders.find(devices[i]);
            probes_[i]->start(held == holders.end() ? std::nullopt
                                                    : std::optional<PortHolder>(held->second));
        }
    });
}

void PortDetector::cancel() {
    for (const auto& probe : probes_) {
        probe->cancel();
    }
}

void PortDetector::probeDone(const ProbeResult& result) {
    ++done_;
    emit progressed(doneCount(), total());
    if (stopAtFirstReceiver_ && result.outcome == ProbeOutcome::Found && !finished()) {
        cancel();  // the last probe cancelled says all is done
        return;
    }
    if (finished()) {
        emit allDone();
    }
}

std::vector<ProbeResult> PortDetector::results() const {
    std::vector<ProbeResult> results;
    for (const auto& probe : probes_) {
        results.push_back(probe->result());
    }
    return results;
}

}  // namespace trawlix::app
