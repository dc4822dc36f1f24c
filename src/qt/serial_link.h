#pragma once

#include <QEventLoop>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "link/gps_link.h"
#include "link/line_settings.h"
#include "link/sentence.h"

namespace trawlix::link {

// The GPS link on a serial port, speaking the receiver protocol. It lives on the window's
// thread: bytes are read when the event loop reports them, and events are raised from there
// (or from within ConfigureLink, which waits in a nested loop that takes no user input).
//
// Sending: sentences go out one at a time. In acknowledgement mode each waits for the
// receiver's $PMGNCSM; an unanswered one is sent again after the time the sentence and its
// answer take on the line plus one second, and after three sends the link gives up with a
// cError of class 1 (the sentence as `message`). The sentences queued behind it wait for a
// Retry of that sentence; any other new sentence drops them. Without acknowledgement mode
// each sentence is confirmed by the link itself once written, so uploads advance alike.
//
// Errors (cError classes): 0 notice; 1 no answer after the retries, or no answer to a
// download request within five seconds (message: the sentence to send again); 2 a damaged
// protocol sentence that could not be asked for again (acknowledgement mode off; the
// receiver resends it otherwise); 3 the line failed or the receiver fell silent part way
// through a download (Cancel stops the transfer; what was received is kept).
class SerialLink : public QObject, public GpsLink {
    Q_OBJECT

  public:
    // Names the device of a port number: "COM2" on Windows, a tty path elsewhere.
    using DeviceResolver = std::function<std::string(std::int16_t port)>;

    explicit SerialLink(DeviceResolver resolver, QObject* parent = nullptr);
    ~SerialLink() override;

    // Seconds of receiver silence after which a download is reported.
    static constexpr int kDownloadSilenceMs = 5000;
    static constexpr int kSendsPerSentence = 3;
    // After a cancelled download, the quiet that tells the receiver has given up.
    static constexpr int kDrainQuietMs = 2000;

    std::int16_t PortNumber() const override { return portNumber_; }
    void setPortNumber(std::int16_t port) override { portNumber_ = port; }
    void setPortSettings(const std::string& settings) override { portSettings_ = settings; }
    bool OpenPort() override;
    void ClosePort() override;
    void CancelTransfer() override;
    void SendSentence(const std::string& sentence) override;
    void ConfigureLink(std::int16_t mode) override;
    void RequestVersion() override;
    void RequestWaypoints() override;
    void RequestRoutes() override;
    void RequestTracks() override;
    void UploadWaypoint() override;
    void UploadTrackPoint() override;

    bool isOpen() const { return port_.isOpen(); }
    bool acknowledgementMode() const { return ackMode_; }

  private:
    enum class Download { None, Requested, Receiving };

    void enqueue(const std::string& sentence);
    void transmitNext();
    void sendInFlight();
    void completeInFlight();
    bool writeBytes(const std::string& bytes);
    int lineTimeMs(std::size_t bytes) const;
    int acknowledgementTimeoutMs(const std::string& framed) const;
    void onAcknowledgementTimeout();
    bool settled() const;
    void endConfigureWaitIfSettled();
    void startDownload(const std::string& command);
    void onDownloadSilence();

    void onReadyRead();
    void handleSentence(const ReceivedSentence& sentence);
    void handleAcknowledgement(const ReceivedSentence& sentence);
    void acknowledge(const ReceivedSentence& sentence);
    void deliverRecord(const ReceivedSentence& sentence);
    static bool isDownloadWord(std::string_view word, const std::vector<std::string>& fields);
    void finishDraining();
    void deliverRoute(const std::vector<std::string>& fields, const std::string& line);
    void onPortError(QSerialPort::SerialPortError error);
    void lineLost(const QString& reason);
    // Forgets what was queued, awaited or downloading.
    void stopSending();
    // Forgets everything and closes the device; true if it was open.
    bool closeDevice();
    std::string describeOpenFailure() const;

    DeviceResolver resolver_;
    QSerialPort port_;
    std::int16_t portNumber_ = 0;
    std::string portSettings_;
    LineSettings line_;
    QString openDevice_;
    std::string openSettings_;

    SentenceReader reader_;
    std::deque<ReceivedSentence> received_;
    bool handlingReceived_ = false;

    std::deque<std::string> queue_;
    std::optional<std::string> inFlight_;
    std::string givenUp_;  // the sentence the link gave up on; the queue waits for its retry
    int sends_ = 0;
    std::uint64_t sendingNumber_ = 0;  // tells a self-confirmation from a later sending
    bool ackMode_ = false;
    bool versionOutstanding_ = false;      // a version request went out, no reply yet
    QEventLoop* configureLoop_ = nullptr;  // while ConfigureLink waits
    QTimer ackTimer_;

    Download download_ = Download::None;
    std::string downloadCommand_;
    std::string lastRecordBody_;  // a record sent again after a lost acknowledgement
    std::int32_t waypointPlace_ = 0;
    std::string currentRoute_;
    QTimer silenceTimer_;
    bool draining_ = false;  // dropping the rest of a cancelled download
    QTimer drainTimer_;
};

}  // namespace trawlix::link
