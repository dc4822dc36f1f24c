#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "link/line_settings.h"
#include "link/records.h"
#include "link/sentence.h"

namespace trawlix::link {

// A monotonic count of milliseconds, handed in by whoever drives the engine.
using Millis = std::int64_t;

// One event of the GpsLink contract, with its arguments, as the engine asks for it to be
// raised. A Receive carries the record its ID announces; the link puts it into its record
// objects just before raising the event, so that several records decoded from one read each
// reach the listener in their own event.
struct LinkEvent {
    enum class Kind { Receive, Nmea, Error, Debug };
    using Record =
        std::variant<std::monostate, WaypointRecord, HeaderRecord, TrackPointRecord, VersionRecord>;

    Kind kind = Kind::Debug;
    std::string id;    // Receive: ID
    std::string text;  // Receive: RecvLine; Nmea: the sentence; Error: eMessage; Debug: the line
    bool checksumError = false;   // Nmea: chkerr
    std::int16_t errorClass = 0;  // Error: cErr
    std::string sentence;         // Error: the sentence a Retry sends again
    Record record;
    // An acknowledgement (ID AckKind): TransferState.AckedKind and CommandState.LastCommand as
    // they were when it arrived; the engine may have sent more since.
    std::string ackedKind;
    std::string lastCommand;
};

// The receiver protocol of the GPS link, without I/O: bytes received and the time go in,
// together with the calls of the link contract; bytes to write, the events to raise and the
// next moment to be woken come out. It reads no clock, starts no thread and never waits: the
// caller drains takeOutput() and takeEvent() after every call, and calls tick() at
// nextWakeUp().
//
// Sending: sentences go out one at a time. In acknowledgement mode each waits for the
// receiver's $PMGNCSM; an unanswered one is sent again after the time the sentence and its
// answer take on the line plus one second, and after kSendsPerSentence sends the engine gives
// up with an error of class 1 (the sentence as its `sentence`). The sentences queued behind it
// wait for a Retry of that sentence; any other new sentence drops them. Without
// acknowledgement mode each sentence is confirmed by the engine itself at the next tick, so
// that uploads advance alike.
//
// The receiver's state is what the receiver confirmed: acknowledgement mode counts as on only
// once an acknowledgement arrived after ConfigureLink asked for it. Until then HANDON goes out
// again, once, before the next sentence.
//
// Downloads: the records of a download are taken only once its command went out; records that
// arrive otherwise are what an earlier, stopped transfer left on the line. They are neither
// acknowledged nor delivered, and the engine drains them, as it does after a cancelled
// download: a drain ends on the receiver's END, on drainQuietMs() without protocol sentences
// (NMEA does not count; noise does, since it may hide them), or after kDrainLimitMs at most.
// Requests whose answers the receiver would queue behind the stopped transfer (downloads and the
// version request) wait for the drain to end; any other sentence goes at once.
//
// Errors (classes): 0 notice; 1 no answer after the retries, or no answer to a download
// request within kDownloadSilenceMs (the sentence to send again); 2 a damaged protocol
// sentence that could not be asked for again (acknowledgement mode off; the receiver sends
// it again otherwise); 3 the line failed or the receiver fell silent part way through a
// download (what was received is kept).
class LinkEngine {
  public:
    // Receiver silence after which a download is reported.
    static constexpr Millis kDownloadSilenceMs = 5000;
    // After a stopped download, the quiet in protocol sentences that tells the receiver has
    // given up: as long as it takes to send an unanswered record as often as the protocol
    // says, and give up (about 3.7 s at 4800 baud). A shorter wait ends the drain while a
    // receiver that went silent for a moment still holds the record it sends next.
    Millis drainQuietMs() const;
    // The longest a drain holds requests back.
    static constexpr Millis kDrainLimitMs = 10000;

    LinkEngine();

    // --- The line ---------------------------------------------------------------------
    // The port was opened with these settings: the engine starts afresh on it.
    void opened(const LineSettings& line, Millis now);
    // The port was closed by the caller: everything under way is forgotten, and no event
    // that was not yet taken is raised.
    void closed();
    // The line failed (`reason` says how, in the system's words, or is empty when it gave
    // none): the caller closes the port. The events not yet taken are still raised, then a
    // class 3 error.
    void lineLost(const std::string& device, const std::string& reason);
    bool isOpen() const { return open_; }

    // --- The calls of the link contract -------------------------------------------------
    void cancelTransfer(Millis now);
    // One sentence "$BODY" to send: SendSentence and the uploads.
    void sendSentence(const std::string& sentence, Millis now);
    // Mode 1 asks for acknowledgement mode and sends HANDON. The caller then waits until
    // configureSettled() holds or configureDeadline() passes, and calls endConfigureWait().
    void configureLink(std::int16_t mode, Millis now);
    bool configureSettled() const;
    Millis configureDeadline() const;
    // The wait ended: what is still unanswered of the set-up is given up without an error.
    void endConfigureWait();
    void requestVersion(const std::string& command, Millis now);
    void requestDownload(const std::string& command, Millis now);

    // --- Bytes and time -----------------------------------------------------------------
    // Bytes read from the line. Their sentences wait until handleReceived() takes them.
    void receive(std::string_view bytes, Millis now);
    // Handles the oldest received sentence; false when none waits. One at a time, so that a
    // handler that makes a call on the link, or opens a modal box, sees the state after its
    // own sentence only.
    bool handleReceived(Millis now);
    void tick(Millis now);
    // When tick() wants to be called next; nothing when no time matters.
    std::optional<Millis> nextWakeUp() const;

    // --- Output -------------------------------------------------------------------------
    std::string takeOutput();
    std::optional<LinkEvent> takeEvent();

    // --- State, for the adapter and for tests ---------------------------------------------
    bool acknowledgementMode() const { return ackConfirmed_; }
    bool draining() const { return drain_.has_value(); }
    // Line time of `bytes` at the open line's settings.
    Millis lineTimeMs(std::size_t bytes) const;

  private:
    enum class Download { None, Requested, Receiving };
    struct InFlight {
        std::string sentence;
        std::string framed;
        int sends = 0;
        Millis ackDeadline = 0;
        bool awaitsAcknowledgement = false;
        bool handOnProbe = false;  // HANDON sent ahead of a sentence; no error of its own
        // Its answer came and waits to be handled (behind a handler's modal box, say): no
        // time-out while it waits.
        bool answerArrived = false;
        std::string probeFor;  // with handOnProbe: the sentence it goes ahead of
    };
    struct Drain {
        Millis quietUntil = 0;
        Millis limit = 0;
    };

    void enqueue(const std::string& sentence, Millis now);
    void transmitNext(Millis now);
    void sendInFlight(Millis now);
    void completeInFlight(Millis now);
    void onAcknowledgementTimeout(Millis now);
    void onHandOnProbeTimeout(Millis now);
    // `unanswered` names what went unanswered when it is not `sentence` itself.
    void giveUp(const std::string& sentence, const std::string& unanswered);
    bool awaitsTimeOut() const;
    void noteAnswer(const ReceivedSentence& sentence);
    bool holdsBack(const std::string& sentence) const;
    bool isDownloadCommand(const std::string& sentence) const;
    void startDrain(Millis now);
    // True for a record of the receiver's second answer that the download already has.
    bool alreadyTaken(const ReceivedSentence& sentence);
    // The port closes: was the receiver sending, or still ending a stopped transfer?
    void noteTransferCutOff();
    void askAgainAfterDrain(const std::string& command);
    void finishDrain(Millis now, const std::string& why);
    void stopSending();
    void forget();

    void handleSentence(const ReceivedSentence& sentence, Millis now);
    void handleAcknowledgement(const ReceivedSentence& sentence, Millis now);
    void handleDownloadSentence(const ReceivedSentence& sentence, Millis now);
    bool answersDownload(std::string_view word) const;
    void acknowledge(const ReceivedSentence& sentence);
    void deliverRecord(const ReceivedSentence& sentence, Millis now);
    void deliverRoute(const std::vector<std::string>& fields, const std::string& line);
    void onDownloadSilence();

    void write(const std::string& framed);
    void raiseReceive(std::string_view id, const std::string& line, LinkEvent::Record record = {});
    void raiseNmea(const std::string& line, bool checksumError);
    void raiseError(std::int16_t errorClass, const std::string& text, const std::string& sentence);
    void raiseDebug(const std::string& text);

    CommandState commands_;
    TransferState kinds_;
    LineSettings line_;
    bool open_ = false;

    SentenceReader reader_;
    std::deque<ReceivedSentence> received_;
    std::string output_;
    std::deque<LinkEvent> events_;

    std::deque<std::string> queue_;
    std::optional<InFlight> inFlight_;
    std::string givenUp_;  // the sentence the engine gave up on; the queue waits for its retry
    std::string lastCommand_;
    bool ackWanted_ = false;     // ConfigureLink asked for acknowledgement mode
    bool ackConfirmed_ = false;  // and the receiver acknowledged something since
    bool probed_ = false;        // HANDON went ahead of the next sentence already
    std::optional<Millis> selfConfirmAt_;
    bool versionOutstanding_ = false;
    std::optional<Millis> configureUntil_;  // while the caller waits in ConfigureLink
    Millis configureSpan_ = 0;

    Download download_ = Download::None;
    std::string downloadCommand_;
    bool downloadCommandSent_ = false;
    std::optional<Millis> silenceDeadline_;
    std::string lastRecordBody_;            // a record sent again after a lost acknowledgement
    std::vector<std::string> bodiesTaken_;  // the records of the download under way, in order
    bool downloadCommandRepeated_ = false;  // the receiver may have taken it twice
    std::optional<std::size_t> answeredAgainFrom_;  // the receiver's second answer: how far
    std::int32_t waypointPlace_ = 0;
    std::string currentRoute_;
    std::optional<Drain> drain_;
    bool transferCutOff_ = false;  // the port closed on a download: drain when it opens
};

}  // namespace trawlix::link
