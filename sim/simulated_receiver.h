#pragma once

#include <chrono>
#include <ctime>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/protocol_texts.h"
#include "link/sentence.h"
#include "sim/receiver_store.h"

namespace trawlix::sim {

using Clock = std::chrono::steady_clock;

// Faults the simulated receiver can be told to make. Counts start at 1; 0 means never.
struct Faults {
    int dropAcknowledgement = 0;  // the n-th $PMGNCSM it would send is not sent
    int corruptChecksum = 0;      // the n-th sentence it sends carries a wrong checksum
    bool silent = false;          // never sends anything
    int silentAfter = 0;          // sends nothing more after n sentences
    int hangUpAfter = 0;          // hangs up the line after n sentences
};

// A hand-held receiver of the family, as a state machine without I/O: bytes from the host
// go in through receive(), time passes through tick(), bytes for the host come out of
// takeOutput(). It keeps its own waypoints, routes and track, answers the commands, keeps
// what is uploaded, streams NMEA while NMEA is on, and makes the faults it is told to.
class SimulatedReceiver {
  public:
    explicit SimulatedReceiver(ReceiverStore store = exampleStore(), Faults faults = {});

    void receive(std::string_view bytes, Clock::time_point now);
    void tick(Clock::time_point now);
    std::string takeOutput();

    bool hungUp() const { return hungUp_; }
    bool acknowledgementMode() const { return ackMode_; }
    bool nmeaOn() const { return nmeaOn_; }
    const ReceiverStore& store() const { return store_; }
    ReceiverStore& store() { return store_; }
    // Every sentence received from the host, without line end, in order.
    const std::vector<std::string>& received() const { return received_; }
    void setNmeaInterval(std::chrono::milliseconds interval) { nmeaInterval_ = interval; }
    // Its live fix dated `periods` periods of 1024 weeks early: a week counter that rolled over.
    void setWeekRollover(int periods) { rolloverPeriods_ = periods; }
    // Plays a recorded log back, one line per `interval`, whatever else it is doing: the
    // way a receiver that prints NMEA of its own accord sounds on the line.
    void replay(std::vector<std::string> lines, Clock::duration interval);
    bool replayDone() const { return replayNext_ >= replayLines_.size(); }
    std::size_t replayed() const { return replayNext_; }
    // Puts bytes on the line as they are: noise, or a line that never ends.
    void sendRaw(const std::string& bytes) { output_ += bytes; }
    // How long it waits for the host's acknowledgement before sending again.
    void setAcknowledgementTimeout(std::chrono::milliseconds timeout) { ackTimeout_ = timeout; }

    // The power switch. Off, it hears nothing and says nothing; on again, it starts as a
    // receiver does: acknowledgement mode and NMEA off, nothing half sent or half received.
    // What it stores survives.
    void switchOff();
    void switchOn();
    bool poweredOn() const { return poweredOn_; }
    // Says nothing, while set, but goes on hearing: a receiver busy with something else.
    void setMuted(bool muted) { muted_ = muted; }
    // The next acknowledgement it would send is lost.
    void dropNextAcknowledgement() { dropNextAcknowledgement_ = true; }
    // The time of day its NMEA fix carries; the wall clock unless told otherwise, so that a
    // simulation in virtual time plays the same every run.
    void setUtcClock(std::function<std::time_t(Clock::time_point)> utcOf) {
        utcOf_ = std::move(utcOf);
    }
    // Records of the answer to the last download command (waypoints, route sentences, track
    // points) that the host acknowledged.
    int recordsAcknowledged() const { return recordsAcknowledged_; }
    // What it stored when the last download command came: what that download sends.
    const ReceiverStore& storeAtLastDownload() const { return storeAtLastDownload_; }

  private:
    void handle(const link::ReceivedSentence& sentence, Clock::time_point now);
    void handleCommand(const std::vector<std::string>& fields, Clock::time_point now);
    void handleUpload(const link::ReceivedSentence& sentence);
    void beginDownloadAnswer();
    void handleAcknowledgement(const link::ReceivedSentence& sentence, Clock::time_point now);
    void storeWaypoint(const std::vector<std::string>& fields);
    void storeRouteSentence(const std::vector<std::string>& fields);
    void storeTrackPoint(const std::vector<std::string>& fields);

    void queueWaypoints();
    void queueRoutes();
    void queueTrack(bool withDate);
    // Protocol sentences: in acknowledgement mode one at a time, each after the host's
    // acknowledgement of the one before.
    void queueSentence(std::string body);
    void sendNextQueued(Clock::time_point now);
    void acknowledge(const link::ReceivedSentence& sentence);
    void transmit(const std::string& body, bool isAcknowledgement);
    void emitNmea(Clock::time_point now);

    ReceiverStore store_;
    Faults faults_;
    link::SentenceReader reader_;
    std::string output_;
    std::vector<std::string> received_;

    bool ackMode_ = false;
    bool nmeaOn_ = false;
    bool hungUp_ = false;
    bool silenced_ = false;
    bool poweredOn_ = true;
    bool muted_ = false;
    bool dropNextAcknowledgement_ = false;
    int recordsAcknowledged_ = 0;
    ReceiverStore storeAtLastDownload_;
    int lastDownloadAnswer_ = 0;
    std::function<std::time_t(Clock::time_point)> utcOf_;
    int sentencesSent_ = 0;
    int acknowledgementsDue_ = 0;

    // What is still to send, each sentence with the number of the command it answers: a
    // receiver that gives up on an answer drops that answer, not the ones after it.
    struct Queued {
        int answer;
        std::string body;
    };
    std::deque<Queued> queue_;
    int answerNumber_ = 0;
    int awaitingAnswer_ = 0;
    std::optional<std::string> awaiting_;  // body sent, waiting for the host's acknowledgement
    Clock::time_point awaitingSince_{};
    int sendsOfAwaiting_ = 0;
    std::chrono::milliseconds ackTimeout_{link::protocol::kReceiverResendMs};

    // Uploads in progress, kept when the host ends the upload.
    std::string lastUploadBody_;
    std::vector<StoredTrackPoint> uploadedTrack_;
    std::optional<StoredRoute> routeInProgress_;

    std::vector<std::string> replayLines_;
    std::size_t replayNext_ = 0;
    Clock::duration replayInterval_ = std::chrono::milliseconds(100);
    Clock::time_point nextReplay_{};

    Clock::time_point nextNmea_{};
    std::chrono::milliseconds nmeaInterval_{1000};
    int rolloverPeriods_ = 0;
    int nmeaStep_ = 0;
};

}  // namespace trawlix::sim
