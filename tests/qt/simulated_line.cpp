#include "qt/simulated_line.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <stdexcept>

#include "link/protocol_texts.h"

namespace trawlix::testing {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void spin(int ms) {
    waitUntil([] { return false; }, ms);
}

SimulatedLine::SimulatedLine(sim::Faults faults, sim::ReceiverStore store,
                             sim::PtyHost::Options options) {
    host_ = std::make_unique<sim::PtyHost>(sim::SimulatedReceiver(std::move(store), faults),
                                           std::move(options));
    std::string error;
    if (!host_->open(error)) {
        throw std::runtime_error("simulated receiver: " + error);
    }
    host_->start();
    const std::string device = host_->path();
    link_ = std::make_unique<link::SerialLink>([device](std::int16_t) { return device; });
    link_->setPortNumber(2);
    link_->setPortSettings("4800,N,8,1");
}

SimulatedLine::~SimulatedLine() {
    link_.reset();
    host_.reset();
}

sim::ReceiverStore SimulatedLine::store() {
    sim::ReceiverStore copy;
    host_->withReceiver([&](sim::SimulatedReceiver& receiver) { copy = receiver.store(); });
    return copy;
}

std::vector<std::string> SimulatedLine::receivedByReceiver() {
    std::vector<std::string> copy;
    host_->withReceiver([&](sim::SimulatedReceiver& receiver) { copy = receiver.received(); });
    return copy;
}

void RecordingListener::Receive(std::string& ID, std::string& /*RecvLine*/) {
    const link::TransferState& kinds = link_.TransferState();
    Event event{"Receive", ID};
    if (ID == kinds.AckKind) {
        event.ackedKind = kinds.AckedKind;
        event.lastCommand = link_.CommandState().LastCommand;
    } else if (ID == kinds.WaypointKind) {
        waypoints.push_back(link_.WaypointRecord());
    } else if (ID == kinds.RouteWaypointKind) {
        routeWaypoints.push_back(link_.WaypointRecord());
    } else if (ID == kinds.RouteKind) {
        headers.push_back(link_.HeaderRecord());
    } else if (ID == kinds.TrackPointKind) {
        trackPoints.push_back(link_.TrackPointRecord());
    }
    events.push_back(event);
    if (onEvent) {
        onEvent(event);
    }
}

void RecordingListener::NMEA(std::string& RecvLine, bool& chkerr) {
    nmea.push_back(RecvLine);
    nmeaChecksumErrors.push_back(chkerr);
    events.push_back({"NMEA", RecvLine});
    if (onEvent) {
        onEvent(events.back());
    }
}

void RecordingListener::cError(std::int16_t& cErr, std::string& eMessage, std::string& message) {
    Event event{"cError", ""};
    event.errorClass = cErr;
    event.errorText = eMessage;
    event.errorSentence = message;
    events.push_back(event);
    if (onEvent) {
        onEvent(event);
    }
}

void RecordingListener::mDebug(std::string& message) {
    events.push_back({"mDebug", message});
}

int RecordingListener::countReceive(const std::string& id) const {
    int n = 0;
    for (const auto& event : events) {
        n += event.kind == "Receive" && event.id == id ? 1 : 0;
    }
    return n;
}

int RecordingListener::countErrors(std::int16_t errorClass) const {
    int n = 0;
    for (const auto& event : events) {
        n += event.kind == "cError" && event.errorClass == errorClass ? 1 : 0;
    }
    return n;
}

std::vector<std::string> RecordingListener::acknowledgements() const {
    std::vector<std::string> result;
    for (const auto& event : events) {
        if (event.kind == "Receive" && event.id == link::protocol::kAckKind) {
            result.push_back(event.ackedKind == link::protocol::kCommandKind
                                 ? event.ackedKind + " " + event.lastCommand
                                 : event.ackedKind);
        }
    }
    return result;
}

}  // namespace trawlix::testing
