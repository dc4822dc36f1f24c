#include "support/fake_gps_link.h"

#include <algorithm>

namespace trawlix::testing {

void FakeGpsLink::record(const std::string& call) {
    calls.push_back(call);
    if (reaction) {
        reaction(call);
    }
}

void FakeGpsLink::setPortNumber(std::int16_t port) {
    port_ = port;
    record("PortNumber=" + std::to_string(port));
}
void FakeGpsLink::setPortSettings(const std::string& settings) {
    record("PortSettings=" + settings);
}
bool FakeGpsLink::OpenPort() {
    record("OpenPort");
    open_ = openResult;
    return openResult;
}
void FakeGpsLink::ClosePort() {
    record("ClosePort");
    open_ = false;
}
void FakeGpsLink::CancelTransfer() {
    record("CancelTransfer");
}
void FakeGpsLink::SendSentence(const std::string& sentence) {
    if (sentence.rfind("$PMGNCMD,", 0) == 0) {
        mutableCommandState().LastCommand = sentence;
    }
    record("SendSentence " + sentence);
}
void FakeGpsLink::ConfigureLink(std::int16_t mode) {
    record("ConfigureLink " + std::to_string(mode));
}
void FakeGpsLink::RequestVersion() {
    record("RequestVersion");
}
void FakeGpsLink::RequestWaypoints() {
    record("RequestWaypoints");
}
void FakeGpsLink::RequestRoutes() {
    record("RequestRoutes");
}
void FakeGpsLink::RequestTracks() {
    record("RequestTracks");
}
void FakeGpsLink::UploadWaypoint() {
    uploadedWaypoints.push_back(WaypointRecord());
    record("UploadWaypoint");
}
void FakeGpsLink::UploadTrackPoint() {
    uploadedTrackPoints.push_back(TrackPointRecord());
    record("UploadTrackPoint");
}

void FakeGpsLink::receive(const std::string& id) {
    raiseReceive(id, "");
}

void FakeGpsLink::replyVersion(const std::string& product, const std::string& version,
                               const std::string& description) {
    VersionRecord() = {product, version, description};
    receive(TransferState().VersionKind);
}

void FakeGpsLink::acknowledge(const std::string& ackedKind, const std::string& lastCommand) {
    mutableTransferState().AckedKind = ackedKind;
    if (!lastCommand.empty()) {
        mutableCommandState().LastCommand = lastCommand;
    }
    receive(TransferState().AckKind);
}

void FakeGpsLink::nmea(const std::string& sentence, bool checksumError) {
    raiseNmea(sentence, checksumError);
}

void FakeGpsLink::error(std::int16_t errorClass, const std::string& text,
                        const std::string& sentence) {
    raiseError(errorClass, text, sentence);
}

void FakeGpsLink::debug(const std::string& line) {
    raiseDebug(line);
}

int FakeGpsLink::count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

std::vector<std::string> FakeGpsLink::sentences() const {
    const std::string prefix = "SendSentence ";
    std::vector<std::string> result;
    for (const auto& call : calls) {
        if (call.rfind(prefix, 0) == 0) {
            result.push_back(call.substr(prefix.size()));
        }
    }
    return result;
}

}  // namespace trawlix::testing
