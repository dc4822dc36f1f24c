#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "link/line_settings.h"
#include "link/link_outbox.h"
#include "link/records.h"
#include "link/sentence.h"

namespace trawlix::link {

// The link's sending side: sentences go out one at a time. In acknowledgement mode each waits
// for the receiver's $PMGNCSM; an unanswered one is sent again after the time the sentence and
// its answer take on the line plus one second, and after kSendsPerSentence sends the sender
// gives up with an error of class 1 (the sentence as its `sentence`). The sentences queued
// behind it wait for a Retry of that sentence; any other new sentence drops them. Without
// acknowledgement mode each sentence is confirmed by the sender itself at the next tick, so
// that uploads advance alike.
//
// The receiver's state is what the receiver confirmed: acknowledgement mode counts as on only
// once an acknowledgement arrived after ConfigureLink asked for it. Until then HANDON goes out
// again, once, before the next sentence; before a download, every time.
class AcknowledgedSender {
  public:
    // What the rest of the engine decides about sending.
    class Host {
      public:
        virtual ~Host() = default;
        // The sentence waits in the queue for now (the receiver would answer it too soon).
        virtual bool heldBack(const std::string& sentence) const = 0;
        // `sentence` goes on the line now, for the first time or again.
        virtual void transmitting(const std::string& sentence, Millis now) = 0;
        // The sender gave up on `sentence`: nothing more comes of it.
        virtual void gaveUp(const std::string& sentence) = 0;
    };

    AcknowledgedSender(Host& host, LinkOutbox& out, const CommandState& commands,
                       const TransferState& kinds, const LineSettings& line);

    void opened();
    // Everything queued and in flight is dropped; the receiver's confirmed mode is kept.
    void stop();
    // As stop(), and the port is gone: the confirmed mode goes with it.
    void forget();

    void enqueue(const std::string& sentence, Millis now);
    // A request to put first again (it went with a stopped transfer): it is sent anew.
    void askAgain(const std::string& sentence);
    void transmitNext(Millis now);
    bool busy() const { return inFlight_.has_value() || !queue_.empty(); }
    bool isDownloadCommand(const std::string& sentence) const;
    // Drops `sentence` from the queue and from the line's wait, unsent or unanswered.
    void withdraw(const std::string& sentence);

    // --- The link set-up ----------------------------------------------------------------
    void configure(Millis now);
    bool configureSettled() const;
    std::optional<Millis> configureUntil() const { return configureUntil_; }
    Millis configureSpan() const { return configureSpan_; }
    void extendConfigureWait(Millis until);
    void endConfigureWait();

    // --- Answers ------------------------------------------------------------------------
    // An acknowledgement that waits to be handled: the sentence it answers times out no more.
    void noteAcknowledgement(const ReceivedSentence& acknowledgement);
    // Records of the download asked for arrive: its command was taken.
    void noteDownloadAnswered(const std::string& command);
    void handleAcknowledgement(const ReceivedSentence& acknowledgement, Millis now);
    // The command in flight was taken although its acknowledgement was lost.
    void completeIfInFlight(const std::string& sentence, Millis now);
    void versionAnswered() { versionOutstanding_ = false; }
    bool versionOutstanding() const { return versionOutstanding_; }
    // The version request's answer will not come now: it is asked for anew.
    void versionLost();

    // --- Time ---------------------------------------------------------------------------
    void tick(Millis now);
    std::optional<Millis> nextWakeUp() const;

    bool ackWanted() const { return ackWanted_; }
    bool ackConfirmed() const { return ackConfirmed_; }
    const std::string& givenUp() const { return givenUp_; }
    // The sentence on the line that waits for its answer, if any.
    const std::string* inFlight() const { return inFlight_ ? &inFlight_->sentence : nullptr; }
    const std::deque<std::string>& queue() const { return queue_; }

  private:
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

    void sendInFlight(Millis now);
    void completeInFlight(Millis now);
    void onAcknowledgementTimeout(Millis now);
    void onHandOnProbeTimeout(Millis now);
    // `unanswered` names what went unanswered when it is not `sentence` itself.
    void giveUp(const std::string& sentence, const std::string& unanswered);
    bool awaitsTimeOut() const;
    Millis lineTimeMs(std::size_t bytes) const { return line_.lineTimeMs(bytes); }

    Host& host_;
    LinkOutbox& out_;
    const CommandState& commands_;
    const TransferState& kinds_;
    const LineSettings& line_;
    bool open_ = false;

    std::deque<std::string> queue_;
    std::optional<InFlight> inFlight_;
    std::string givenUp_;  // the sentence given up on; the queue waits for its retry
    std::string lastCommand_;
    bool ackWanted_ = false;     // ConfigureLink asked for acknowledgement mode
    bool ackConfirmed_ = false;  // and the receiver acknowledged something since
    bool probed_ = false;        // HANDON went ahead of the next sentence already
    std::optional<Millis> selfConfirmAt_;
    bool versionOutstanding_ = false;
    std::optional<Millis> configureUntil_;  // while the caller waits in ConfigureLink
    Millis configureSpan_ = 0;
};

// "$PMGNCSM,hh*hh\r\n": the answer to every protocol sentence in acknowledgement mode.
inline constexpr std::size_t kAcknowledgementBytes = 16;
// A sentence is at most this long on the line: a version reply fits with room to spare.
inline constexpr std::size_t kLongestReplyBytes = 128;
// What the receiver may take to answer, beyond the time on the line.
inline constexpr Millis kGraceMs = 1000;

std::string withoutLineEnd(const std::string& framed);
// The body of a sentence as handed to SendSentence ("$BODY").
std::string bodyOf(const std::string& sentence);
std::string wordOf(const std::string& sentence);

}  // namespace trawlix::link
