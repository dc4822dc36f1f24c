#include "qt/serial_link.h"

#include <QEventLoop>
#include <cctype>

#include "link/protocol_texts.h"
#include "link/record_mapping.h"

namespace trawlix::link {
namespace {

// "$PMGNCSM,hh*hh\r\n": the answer to every protocol sentence in acknowledgement mode.
constexpr std::size_t kAcknowledgementBytes = 16;
// A sentence is at most this long on the line: a version reply fits with room to spare.
constexpr std::size_t kLongestReplyBytes = 128;
// What the receiver may take to answer, beyond the time on the line.
constexpr int kGraceMs = 1000;

std::string withoutLineEnd(const std::string& framed) {
    return framed.substr(0, framed.find_first_of("\r\n"));
}

// The body of a sentence as handed to SendSentence ("$BODY").
std::string bodyOf(const std::string& sentence) {
    return sentence.substr(sentence.empty() || sentence[0] != '$' ? 0 : 1);
}

std::string wordOf(const std::string& sentence) {
    const std::string body = bodyOf(sentence);
    return body.substr(0, body.find(','));
}

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

}  // namespace

SerialLink::SerialLink(DeviceResolver resolver, QObject* parent)
    : QObject(parent), resolver_(std::move(resolver)) {
    ackTimer_.setSingleShot(true);
    silenceTimer_.setSingleShot(true);
    connect(&ackTimer_, &QTimer::timeout, this, &SerialLink::onAcknowledgementTimeout);
    connect(&silenceTimer_, &QTimer::timeout, this, &SerialLink::onDownloadSilence);
    drainTimer_.setSingleShot(true);
    connect(&drainTimer_, &QTimer::timeout, this, &SerialLink::finishDraining);
    connect(&port_, &QSerialPort::readyRead, this, &SerialLink::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialLink::onPortError);
}

SerialLink::~SerialLink() {
    setListener(nullptr);
    if (port_.isOpen()) {
        port_.close();
    }
}

// --- Opening and closing -----------------------------------------------------------------

bool SerialLink::OpenPort() {
    const LineSettingsResult parsed = parseLineSettings(portSettings_);
    if (!parsed.settings) {
        raiseDebug("Line settings \"" + portSettings_ + "\" are not valid: " + parsed.error);
        return false;
    }
    const QString device = QString::fromStdString(resolver_(portNumber_));
    if (port_.isOpen()) {
        if (device == openDevice_ && portSettings_ == openSettings_) {
            return true;
        }
        ClosePort();
    }
    line_ = *parsed.settings;
    port_.setPortName(device);
    if (!port_.open(QIODevice::ReadWrite)) {
        raiseDebug(describeOpenFailure());
        port_.clearError();
        return false;
    }
    const bool configured = port_.setBaudRate(line_.baud) &&
                            port_.setDataBits(static_cast<QSerialPort::DataBits>(line_.dataBits)) &&
                            port_.setParity(toQt(line_.parity)) &&
                            port_.setStopBits(toQt(line_.stopBits)) &&
                            port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        raiseDebug("Can't set " + portSettings_ + " on " + device.toStdString() + ": " +
                   port_.errorString().toStdString());
        port_.close();
        return false;
    }
    openDevice_ = device;
    openSettings_ = portSettings_;
    reader_.reset();
    raiseDebug("Opened " + device.toStdString() + " at " + portSettings_);
    return true;
}

std::string SerialLink::describeOpenFailure() const {
    const std::string device = port_.portName().toStdString();
    const std::string name = resolver_(portNumber_);
    switch (port_.error()) {
        case QSerialPort::DeviceNotFoundError:
            return "Can't open " + name + ": there is no such device. Is the receiver plugged in?";
        case QSerialPort::PermissionError:
            return "Can't open " + name +
                   ": permission denied, or the port is in use by another "
                   "program. On Linux, add yourself to the group that owns serial ports "
                   "(sudo usermod -aG dialout $USER) and log in again.";
        case QSerialPort::OpenError:
            return "Can't open " + name + ": it is already open.";
        default:
            return "Can't open " + name + ": " + port_.errorString().toStdString();
    }
}

void SerialLink::ClosePort() {
    const std::string device = openDevice_.toStdString();
    if (closeDevice()) {
        raiseDebug("Closed " + device);
    }
}

bool SerialLink::closeDevice() {
    stopSending();
    drainTimer_.stop();
    draining_ = false;
    received_.clear();
    reader_.reset();
    const bool wasOpen = port_.isOpen();
    if (wasOpen) {
        // QSerialPort writes from the event loop: what is still buffered, such as the
        // acknowledgement of a download's end marker, would be lost, and the receiver would
        // send the sentence again to whoever opens the port next.
        if (port_.bytesToWrite() > 0) {
            port_.waitForBytesWritten(lineTimeMs(static_cast<std::size_t>(port_.bytesToWrite())) +
                                      kGraceMs);
        }
        port_.close();
    }
    openDevice_.clear();
    openSettings_.clear();
    endConfigureWaitIfSettled();
    return wasOpen;
}

void SerialLink::stopSending() {
    queue_.clear();
    inFlight_.reset();
    givenUp_.clear();
    ackTimer_.stop();
    silenceTimer_.stop();
    download_ = Download::None;
    versionOutstanding_ = false;
}

void SerialLink::CancelTransfer() {
    const bool busy = inFlight_ || !queue_.empty() || download_ != Download::None;
    if (download_ != Download::None && port_.isOpen()) {
        // The receiver knows no command that stops a download: we stop acknowledging its
        // records and drop them until it gives up or ends, and hold back new requests so
        // that their answers are not mixed with the old download's.
        draining_ = true;
        drainTimer_.start(kDrainQuietMs);
    }
    stopSending();
    if (busy) {
        raiseDebug("Transfer cancelled");
    }
    endConfigureWaitIfSettled();
}

// --- Sending -----------------------------------------------------------------------------

void SerialLink::SendSentence(const std::string& sentence) {
    if (sentence.empty()) {
        return;  // nothing to send, e.g. a Retry of an error that had no sentence
    }
    enqueue(sentence);
}

void SerialLink::enqueue(const std::string& sentence) {
    if (!port_.isOpen()) {
        raiseError(kNotice, "The port is not open: nothing was sent to the GPS.", "");
        return;
    }
    if (!givenUp_.empty()) {
        if (sentence == givenUp_) {
            queue_.push_front(sentence);  // the Retry: it goes before what waited behind it
            givenUp_.clear();
            transmitNext();
            return;
        }
        if (!queue_.empty()) {
            raiseDebug("Dropped " + std::to_string(queue_.size()) + " sentences queued behind " +
                       givenUp_);
        }
        queue_.clear();
        givenUp_.clear();
    }
    queue_.push_back(sentence);
    if (!inFlight_) {
        transmitNext();
    }
}

void SerialLink::transmitNext() {
    if (inFlight_ || queue_.empty() || !givenUp_.empty() || draining_) {
        return;
    }
    inFlight_ = queue_.front();
    queue_.pop_front();
    sends_ = 0;
    sendInFlight();
}

void SerialLink::sendInFlight() {
    const std::string framed = frameSentence(*inFlight_);
    if (wordOf(*inFlight_) == protocol::kCommandWord) {
        mutableCommandState().LastCommand = *inFlight_;
    }
    if (*inFlight_ == CommandState().VersionCommand) {
        versionOutstanding_ = true;
    }
    ++sends_;
    ++sendingNumber_;
    raiseDebug("> " + withoutLineEnd(framed));
    if (!writeBytes(framed)) {
        return;
    }
    if (ackMode_) {
        ackTimer_.start(acknowledgementTimeoutMs(framed));
    } else {
        // Nothing will answer: confirm the sentence ourselves, as a later event.
        const std::uint64_t sending = sendingNumber_;
        QTimer::singleShot(0, this, [this, sending] {
            if (inFlight_ && sendingNumber_ == sending) {
                completeInFlight();
            }
        });
    }
}

bool SerialLink::writeBytes(const std::string& bytes) {
    if (!port_.isOpen()) {
        return false;
    }
    if (port_.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        lineLost(port_.errorString());
        return false;
    }
    return true;
}

int SerialLink::lineTimeMs(std::size_t bytes) const {
    return static_cast<int>(static_cast<double>(bytes) * line_.bitsPerByte() * 1000.0 / line_.baud);
}

int SerialLink::acknowledgementTimeoutMs(const std::string& framed) const {
    return lineTimeMs(framed.size() + kAcknowledgementBytes) + kGraceMs;
}

void SerialLink::completeInFlight() {
    ackTimer_.stop();
    const std::string word = wordOf(*inFlight_);
    inFlight_.reset();
    mutableTransferState().AckedKind = word;
    raiseReceive(std::string(protocol::kAckKind), "");
    transmitNext();
    endConfigureWaitIfSettled();
}

void SerialLink::onAcknowledgementTimeout() {
    if (!inFlight_) {
        return;
    }
    if (sends_ < kSendsPerSentence) {
        raiseDebug("No acknowledgement; sending again");
        sendInFlight();
        return;
    }
    const std::string sentence = *inFlight_;
    inFlight_.reset();
    if (configureLoop_ != nullptr) {
        // The caller of ConfigureLink asks again and reports a silent receiver itself.
        queue_.clear();
        versionOutstanding_ = false;
        raiseDebug("No answer to " + sentence);
        endConfigureWaitIfSettled();
        return;
    }
    givenUp_ = sentence;
    if (sentence == downloadCommand_) {
        silenceTimer_.stop();
        download_ = Download::None;
    }
    raiseError(kNoAnswer,
               "The GPS did not answer " + sentence + " (sent " +
                   std::to_string(kSendsPerSentence) + " times).",
               sentence);
}

void SerialLink::ConfigureLink(std::int16_t mode) {
    if (mode != 1) {
        raiseDebug("ConfigureLink " + std::to_string(mode) + " ignored");
        return;
    }
    ackMode_ = true;
    if (!port_.isOpen()) {
        return;
    }
    enqueue(std::string(protocol::kHandOnCommand));
    // Wait until HANDON is acknowledged and a version request sent before it is answered,
    // so that a reply that comes in time has been delivered when this returns.
    if (settled()) {
        return;
    }
    // One second of grace, as for any acknowledgement, plus the line time of everything
    // still to cross the line.
    std::size_t bytes = kAcknowledgementBytes;
    for (const std::string& sentence : queue_) {
        bytes += frameSentence(sentence).size() + kAcknowledgementBytes;
    }
    if (inFlight_) {
        bytes += frameSentence(*inFlight_).size() + kAcknowledgementBytes;
    }
    if (versionOutstanding_) {
        bytes += kLongestReplyBytes;
    }
    const int waitMs = lineTimeMs(bytes) + kGraceMs;
    QEventLoop loop;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    configureLoop_ = &loop;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    configureLoop_ = nullptr;
    if (!settled()) {
        raiseDebug("No answer to the link set-up");
        queue_.clear();
        inFlight_.reset();
        ackTimer_.stop();
        versionOutstanding_ = false;
    }
}

bool SerialLink::settled() const {
    return !inFlight_ && queue_.empty() && !versionOutstanding_;
}

void SerialLink::endConfigureWaitIfSettled() {
    if (configureLoop_ != nullptr && settled()) {
        configureLoop_->quit();
    }
}

void SerialLink::RequestVersion() {
    enqueue(CommandState().VersionCommand);
}
void SerialLink::RequestWaypoints() {
    startDownload(CommandState().WaypointsCommand);
}
void SerialLink::RequestRoutes() {
    startDownload(CommandState().RoutesCommand);
}
void SerialLink::RequestTracks() {
    startDownload(CommandState().TracksCommand);
}

void SerialLink::startDownload(const std::string& command) {
    if (!port_.isOpen()) {
        raiseError(kNotice, "The port is not open: the request was not sent to the GPS.", "");
        return;
    }
    download_ = Download::Requested;
    downloadCommand_ = command;
    lastRecordBody_.clear();
    currentRoute_.clear();
    waypointPlace_ = 0;
    enqueue(command);
    silenceTimer_.start(kDownloadSilenceMs);
}

void SerialLink::onDownloadSilence() {
    if (download_ == Download::Requested) {
        download_ = Download::None;
        raiseError(kNoAnswer, "The GPS did not answer " + downloadCommand_ + ".", downloadCommand_);
    } else if (download_ == Download::Receiving) {
        download_ = Download::None;
        raiseError(kLineLost,
                   "The GPS fell silent part way through the download (nothing for 5 seconds). "
                   "What was received is kept. OK waits on, Cancel stops the transfer.",
                   "");
    }
}

void SerialLink::UploadWaypoint() {
    enqueue(mapping::encodeWaypoint(WaypointRecord()));
}
void SerialLink::UploadTrackPoint() {
    enqueue(mapping::encodeTrackPoint(TrackPointRecord()));
}

// --- Receiving ---------------------------------------------------------------------------

void SerialLink::onReadyRead() {
    const QByteArray bytes = port_.readAll();
    std::vector<ReceivedSentence> sentences;
    reader_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                 sentences);
    for (auto& sentence : sentences) {
        received_.push_back(std::move(sentence));
    }
    if (download_ != Download::None && !bytes.isEmpty()) {
        silenceTimer_.start(kDownloadSilenceMs);
    }
    if (draining_ && !bytes.isEmpty()) {
        drainTimer_.start(kDrainQuietMs);
    }
    // A handler may open a modal box, whose event loop brings us back here: the sentences
    // that arrive meanwhile wait in received_, so that they are handled in order.
    if (handlingReceived_) {
        return;
    }
    handlingReceived_ = true;
    while (!received_.empty()) {
        const ReceivedSentence sentence = std::move(received_.front());
        received_.pop_front();
        handleSentence(sentence);
    }
    handlingReceived_ = false;
}

void SerialLink::handleSentence(const ReceivedSentence& sentence) {
    raiseDebug("< " + sentence.text);
    const std::string_view word = sentence.word();
    if (word.substr(0, protocol::kProprietaryPrefix.size()) != protocol::kProprietaryPrefix) {
        raiseNmea(sentence.text, sentence.checksum == ChecksumState::Wrong);
        return;
    }
    if (sentence.checksum == ChecksumState::Wrong) {
        if (ackMode_) {
            raiseDebug("Checksum error: not acknowledged, the GPS sends it again");
        } else {
            raiseError(kChecksumError,
                       "A sentence from the GPS arrived damaged (checksum error) and was "
                       "dropped: " +
                           sentence.text,
                       "");
        }
        return;
    }
    if (word == protocol::kAckWord) {
        handleAcknowledgement(sentence);
        return;
    }
    if (draining_ && isDownloadWord(word, sentence.fields())) {
        raiseDebug("Dropped: the transfer was cancelled");
        if (word == protocol::kCommandWord) {
            finishDraining();  // the end of the cancelled download
        }
        return;
    }
    if (ackMode_) {
        acknowledge(sentence);
    }
    deliverRecord(sentence);
}

bool SerialLink::isDownloadWord(std::string_view word, const std::vector<std::string>& fields) {
    return word == protocol::kWaypointWord || word == protocol::kRouteWord ||
           word == protocol::kTrackWord ||
           (word == protocol::kCommandWord && !fields.empty() && fields[0] == protocol::kEndWord);
}

void SerialLink::finishDraining() {
    if (!draining_) {
        return;
    }
    draining_ = false;
    drainTimer_.stop();
    transmitNext();
}

void SerialLink::handleAcknowledgement(const ReceivedSentence& sentence) {
    if (!inFlight_) {
        return;  // late or repeated: nothing waits for it
    }
    const auto fields = sentence.fields();
    std::string acked = fields.empty() ? std::string() : fields[0];
    for (char& c : acked) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const std::string expected = hexByte(checksumOf(bodyOf(*inFlight_)));
    if (acked == expected) {
        completeInFlight();
    } else {
        raiseDebug("Acknowledgement " + acked + " does not match " + expected);
    }
}

void SerialLink::acknowledge(const ReceivedSentence& sentence) {
    const std::string framed = frameSentence("$" + std::string(protocol::kAckWord) + "," +
                                             hexByte(checksumOf(sentence.body)));
    raiseDebug("> " + withoutLineEnd(framed));
    writeBytes(framed);
}

void SerialLink::deliverRecord(const ReceivedSentence& sentence) {
    const std::string_view word = sentence.word();
    const auto fields = sentence.fields();
    const bool isRecord = word == protocol::kWaypointWord || word == protocol::kRouteWord ||
                          word == protocol::kTrackWord;
    if (isRecord) {
        // The receiver sends a record again when our acknowledgement was lost: keep one.
        if (sentence.body == lastRecordBody_) {
            raiseDebug("Repeated sentence dropped");
            return;
        }
        lastRecordBody_ = sentence.body;
        if (download_ == Download::Requested) {
            download_ = Download::Receiving;
        }
    }
    const link::TransferState& kinds = TransferState();
    if (word == protocol::kVersionWord) {
        VersionRecord() = mapping::decodeVersion(fields);
        versionOutstanding_ = false;
        raiseReceive(kinds.VersionKind, sentence.text);
        endConfigureWaitIfSettled();
    } else if (word == protocol::kWaypointWord) {
        WaypointRecord() = mapping::decodeWaypoint(fields, ++waypointPlace_);
        raiseReceive(kinds.WaypointKind, sentence.text);
    } else if (word == protocol::kRouteWord) {
        deliverRoute(fields, sentence.text);
    } else if (word == protocol::kTrackWord) {
        TrackPointRecord() = mapping::decodeTrackPoint(fields);
        raiseReceive(kinds.TrackPointKind, sentence.text);
    } else if (word == protocol::kCommandWord && !fields.empty() &&
               fields[0] == protocol::kEndWord) {
        download_ = Download::None;
        silenceTimer_.stop();
        lastRecordBody_.clear();
        raiseReceive(std::string(protocol::kEndId), sentence.text);
    } else if (word == protocol::kCommandWord) {
        raiseReceive(kinds.IgnoredKind1, sentence.text);
    } else {
        raiseReceive(kinds.IgnoredKind2, sentence.text);
    }
}

void SerialLink::deliverRoute(const std::vector<std::string>& fields, const std::string& line) {
    const link::TransferState& kinds = TransferState();
    if (fields.size() > 2 && fields[2] == "m") {
        raiseReceive(kinds.IgnoredKind2, line);  // a route message carries no waypoints
        return;
    }
    const mapping::RouteSentence route = mapping::decodeRoute(fields);
    // A route starts with its sentence number 1; a lost first sentence must not merge two
    // routes, so a change of route number starts one too.
    if (route.sentenceNumber == 1 || route.routeNumber != currentRoute_) {
        currentRoute_ = route.routeNumber;
        HeaderRecord() = {route.routeNumber, route.sentenceCount};
        raiseReceive(kinds.RouteKind, line);
    }
    for (const link::WaypointRecord& entry : route.waypoints) {
        WaypointRecord() = entry;
        raiseReceive(kinds.RouteWaypointKind, line);
    }
}

// --- Line faults -------------------------------------------------------------------------

void SerialLink::onPortError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || !port_.isOpen()) {
        return;
    }
    if (error == QSerialPort::ResourceError || error == QSerialPort::WriteError ||
        error == QSerialPort::ReadError) {
        lineLost(port_.errorString());
    } else {
        raiseDebug("Serial port: " + port_.errorString().toStdString());
    }
}

void SerialLink::lineLost(const QString& reason) {
    const std::string device = openDevice_.toStdString();
    closeDevice();
    raiseError(kLineLost,
               "The line to the GPS on " + device + " was lost (" + reason.toStdString() +
                   "). What was received is kept; open the port again when the GPS is back.",
               "");
}

}  // namespace trawlix::link
