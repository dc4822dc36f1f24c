#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "app/detection.h"

namespace trawlix::app {

class QtSettingsStore;

// Every serial port the system reports, with its stable /dev/serial/by-id name on Linux.
std::vector<SystemPort> systemPorts();

// The settings' [Devices] entries ("Port2=/dev/ttyUSB0"). Reads the store's file, so the
// store must exist (it places the file).
AssignedDevices assignedDevices(QtSettingsStore& store);

// Probes devices for a receiver: each device's speeds one after the other, all devices at
// once on the event loop. A device another program holds is not opened.
class PortDetector : public QObject {
    Q_OBJECT

  public:
    explicit PortDetector(QObject* parent = nullptr);
    ~PortDetector() override;

    // The window's search ends at the first receiver: the user wants to get going. The
    // command line hears every device out, to report each.
    void setStopAtFirstReceiver(bool stop) { stopAtFirstReceiver_ = stop; }
    void start(const std::vector<Candidate>& candidates);
    // Ends every probe still running; their results say so.
    void cancel();

    bool finished() const { return done_ == probes_.size(); }
    int doneCount() const { return static_cast<int>(done_); }
    int total() const { return static_cast<int>(probes_.size()); }
    // In the order of the candidates.
    std::vector<ProbeResult> results() const;

  signals:
    void progressed(int done, int total);
    void allDone();

  private:
    class DeviceProbe;
    void probeDone(const ProbeResult& result);

    std::vector<std::unique_ptr<DeviceProbe>> probes_;
    std::size_t done_ = 0;
    bool stopAtFirstReceiver_ = false;
};

}  // namespace trawlix::app
