#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/acknowledged_sender.h"
#include "link/download_under_way.h"
#include "link/drain.h"
#include "link/line_settings.h"
#include "link/link_outbox.h"
#include "link/records.h"
#include "link/sentence.h"

namespace trawlix::link {

// The receiver protocol of the GPS link, without I/O: bytes received and the time go in,
// together with the calls of the link contract; bytes to write, the events to raise and the
// next moment to be woken come out. It reads no clock, starts no thread and never waits: the
// caller drains takeOutput() and takeEvent() after every call, and calls tick() at
// nextWakeUp().
//
// Sending is the AcknowledgedSender's: one sentence at a time, each acknowledged, sent again
// and given up on as the protocol says.
//
// Downloads: the records of a download are taken only once its command went out; records that
// arrive otherwise are what an earlier, stopped transfer left on the line. They are neither
// acknowledged nor delivered, and the engine drains them (see Drain), as it does after a
// cancelled download. Requests whose answers the receiver would queue behind the stopped
// transfer (downloads and the version request) wait for the drain to end; any other sentence
// goes at once. After a download's END the next download waits as long as the receiver takes
// to send END again when our acknowledgement of it was lost; an END that comes again meanwhile
// is answered, dropped, and starts the wait anew, as does a damaged sentence or noise, which
// may be that END.
//
// Errors (classes): 0 notice; 1 no answer after the retries, or no answer to a download
// request within kDownloadSilenceMs (the sentence to send again); 2 a damaged protocol
// sentence that could not be asked for again (acknowledgement mode off; the receiver sends
// it again otherwise); 3 the line failed or the receiver fell silent part way through a
// download (what was received is kept).
class LinkEngine : private AcknowledgedSender::Host {
  public:
    // Receiver silence after which a download is reported.
    static constexpr Millis kDownloadSilenceMs = 5000;
    // After a stopped download, the quiet in protocol sentences that tells the receiver has
    // given up: as long as it takes to send an unanswered record as often as the protocol
    // says, and give up (about 3.7 s at 4800 baud). A shorter wait ends the drain while a
    // receiver that went silent for a moment still holds the record it sends next.
    Millis drainQuietMs() const;
    // The longest a drain holds requests back.
    static constexpr Millis kDrainLimitMs = Drain::kLimitMs;
    // How long the next download waits after a download's END.
    Millis afterEndWaitMs() const;

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
    bool configureSettled() const { return sender_.configureSettled(); }
    Millis configureDeadline() const;
    // The wait ended: what is still unanswered of the set-up is given up without an error.
    void endConfigureWait() { sender_.endConfigureWait(); }
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
    std::string takeOutput() { return out_.takeOutput(); }
    std::optional<LinkEvent> takeEvent() { return out_.takeEvent(); }

    // --- State, for the adapter and for tests ---------------------------------------------
    bool acknowledgementMode() const { return sender_.ackConfirmed(); }
    bool draining() const { return drain_.active(); }
    // Line time of `bytes` at the open line's settings.
    Millis lineTimeMs(std::size_t bytes) const;
    // The rules the engine's state keeps at every moment, each one broken described; empty
    // when all hold. The simulation calls it after every step.
    std::vector<std::string> ruleBreaches() const;

  private:
    // AcknowledgedSender::Host
    bool heldBack(const std::string& sentence) const override;
    void transmitting(const std::string& sentence, Millis now) override;
    void gaveUp(const std::string& sentence) override;

    // The receiver queues its answers to these behind the rest of a stopped transfer.
    bool heldByDrain(const std::string& sentence) const;
    void startDrain(Millis now);
    void finishDrain(Millis now, const std::string& why);
    // The port closes: was the receiver sending, or still ending a stopped transfer?
    void noteTransferCutOff();
    void stopSending();
    void forget();
    void noteAnswer(const ReceivedSentence& sentence);

    void handleSentence(const ReceivedSentence& sentence, Millis now);
    void handleChecksumError(const ReceivedSentence& sentence);
    void handleDownloadSentence(const ReceivedSentence& sentence, Millis now);
    void handleDrainedSentence(const ReceivedSentence& sentence, Millis now);
    // A sentence sent again because our acknowledgement was lost: true when it was one.
    bool droppedAsRepeated(const ReceivedSentence& sentence);
    void acknowledge(const ReceivedSentence& sentence);
    void deliverRecord(const ReceivedSentence& sentence, Millis now);
    void deliverRoute(const std::vector<std::string>& fields, const std::string& line);
    void endDownload(Millis now);
    void startAfterEndWait(Millis now);
    // What arrived may be the last END once more: the wait goes on, within its limit.
    void prolongAfterEndWait(Millis now);
    void onDownloadSilence();

    CommandState commands_;
    TransferState kinds_;
    LineSettings line_;
    bool open_ = false;
    LinkOutbox out_;
    AcknowledgedSender sender_;

    SentenceReader reader_;
    std::deque<ReceivedSentence> received_;

    std::optional<DownloadUnderWay> download_;
    std::string lastRecordBody_;  // a record sent again after a lost acknowledgement
    Drain drain_;
    // The wait after a download's END: until when, and at most until when, since the
    // receiver sends an END no more often than any other sentence.
    struct AfterEnd {
        Millis until = 0;
        Millis limit = 0;
    };
    std::optional<AfterEnd> afterEnd_;
    bool transferCutOff_ = false;  // the port closed on a download: drain when it opens
};

}  // namespace trawlix::link
