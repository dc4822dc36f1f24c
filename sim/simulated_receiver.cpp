#include "sim/simulated_receiver.h"

#include <cmath>
#include <cstdio>

#include "common/line_split.h"
#include "common/numbers.h"
#include "link/protocol_texts.h"

namespace trawlix::sim {
namespace {

constexpr int kRouteNamesPerSentence = 2;

std::string field(const std::vector<std::string>& fields, std::size_t index) {
    return std::string(common::fieldOrEmpty(fields, index));
}

std::string twoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

bool isDownloadRecord(const std::string& body) {
    return body.rfind("PMGNWPL,", 0) == 0 || body.rfind("PMGNRTE,", 0) == 0 ||
           body.rfind("PMGNTRK,", 0) == 0;
}

}  // namespace

SimulatedReceiver::SimulatedReceiver(ReceiverStore store, Faults faults)
    : store_(std::move(store)), faults_(faults) {}

void SimulatedReceiver::receive(std::string_view bytes, Clock::time_point now) {
    if (hungUp_ || !poweredOn_) {
        return;
    }
    std::vector<link::ReceivedSentence> sentences;
    reader_.feed(bytes, sentences);
    for (const auto& sentence : sentences) {
        received_.push_back(sentence.text);
        handle(sentence, now);
    }
    sendNextQueued(now);
}

void SimulatedReceiver::handle(const link::ReceivedSentence& sentence, Clock::time_point now) {
    // A damaged sentence is not acknowledged: the host sends it again.
    if (sentence.checksum == link::ChecksumState::Wrong) {
        return;
    }
    const std::string word(sentence.word());
    if (word == "PMGNCSM") {
        handleAcknowledgement(sentence, now);
        return;
    }
    const auto fields = sentence.fields();
    if (word == "PMGNCMD" && field(fields, 0) == "HANDON") {
        ackMode_ = true;  // HANDON is acknowledged itself
    }
    if (ackMode_ && word.rfind("PMGN", 0) == 0) {
        acknowledge(sentence);
    }
    if (word == "PMGNCMD") {
        handleCommand(fields, now);
    } else if (word == "PMGNWPL" || word == "PMGNRTE" || word == "PMGNTRK") {
        handleUpload(sentence);
    }
    // Anything else, such as line noise that happened to start with "$" and carry no
    // checksum, means nothing to a receiver: above all it does not make it forget the last
    // upload sentence, or a repeat of that sentence would be stored twice.
}

void SimulatedReceiver::handleCommand(const std::vector<std::string>& fields,
                                      Clock::time_point now) {
    const std::string word = field(fields, 0);
    ++answerNumber_;
    // A download, or acknowledgement mode switched off, ends an upload that was under way,
    // unfinished: its track points are not kept. Queries, NMEA on or off, and HANDON (a host
    // may ask again in the middle of an upload whether the mode is on) do not.
    if (word == "HANDOFF" || word == "WAYPOINT" || word == "ROUTE" || word == "TRACK") {
        uploadedTrack_.clear();
        lastUploadBody_.clear();
    }
    if (word == "VERSION") {
        queueSentence("PMGNVER," + store_.productId + "," + store_.softwareVersion + "," +
                      store_.description);
    } else if (word == "WAYPOINT") {
        beginDownloadAnswer();
        queueWaypoints();
    } else if (word == "ROUTE") {
        beginDownloadAnswer();
        queueRoutes();
    } else if (word == "TRACK") {
        beginDownloadAnswer();
        queueTrack(field(fields, 1) == "2");
    } else if (word == "HANDOFF") {
        ackMode_ = false;
    } else if (word == "NMEAON") {
        nmeaOn_ = true;
        nextNmea_ = now;
    } else if (word == "NMEAOFF") {
        nmeaOn_ = false;
    } else if (word == "END") {
        if (!uploadedTrack_.empty()) {
            store_.track = std::move(uploadedTrack_);
            uploadedTrack_.clear();
        }
        routeInProgress_.reset();
        lastUploadBody_.clear();
    }
}

// What a download answer is checked against: the store as it was asked for, and its
// acknowledged records.
void SimulatedReceiver::beginDownloadAnswer() {
    recordsAcknowledged_ = 0;
    storeAtLastDownload_ = store_;
    lastDownloadAnswer_ = answerNumber_;
}

void SimulatedReceiver::handleUpload(const link::ReceivedSentence& sentence) {
    // A sentence sent again because our acknowledgement was lost is kept once.
    if (sentence.body == lastUploadBody_) {
        return;
    }
    lastUploadBody_ = sentence.body;
    const std::string word(sentence.word());
    const auto fields = sentence.fields();
    if (word == "PMGNWPL") {
        storeWaypoint(fields);
    } else if (word == "PMGNRTE") {
        storeRouteSentence(fields);
    } else if (word == "PMGNTRK") {
        storeTrackPoint(fields);
    }
}

void SimulatedReceiver::storeWaypoint(const std::vector<std::string>& f) {
    StoredWaypoint waypoint{field(f, 0), field(f, 1), field(f, 2), field(f, 3), field(f, 4),
                            field(f, 5), field(f, 6), field(f, 7), field(f, 8)};
    for (auto& existing : store_.waypoints) {
        if (existing.name == waypoint.name) {
            existing = waypoint;
            return;
        }
    }
    store_.waypoints.push_back(waypoint);
}

void SimulatedReceiver::storeRouteSentence(const std::vector<std::string>& f) {
    const int number = static_cast<int>(common::leadingNumber(field(f, 3)));
    const int sequence = static_cast<int>(common::leadingNumber(field(f, 1)));
    if (sequence == 1 || !routeInProgress_ || routeInProgress_->number != number) {
        routeInProgress_ = StoredRoute{number, {}};
    }
    for (std::size_t i = 4; i < f.size(); ++i) {
        routeInProgress_->names.push_back(f[i]);
    }
    for (auto& existing : store_.routes) {
        if (existing.number == number) {
            existing = *routeInProgress_;
            return;
        }
    }
    store_.routes.push_back(*routeInProgress_);
}

void SimulatedReceiver::storeTrackPoint(const std::vector<std::string>& f) {
    uploadedTrack_.push_back({field(f, 0), field(f, 1), field(f, 2), field(f, 3), field(f, 4),
                              field(f, 5), field(f, 6), field(f, 7), field(f, 8), field(f, 9)});
}

void SimulatedReceiver::queueWaypoints() {
    for (const auto& w : store_.waypoints) {
        queueSentence("PMGNWPL," + w.latitude + "," + w.ns + "," + w.longitude + "," + w.ew + "," +
                      w.altitude + "," + w.unit + "," + w.name + "," + w.comment + "," + w.icon);
    }
    queueSentence("PMGNCMD,END");
}

void SimulatedReceiver::queueRoutes() {
    for (const auto& route : store_.routes) {
        const int count = static_cast<int>(route.names.size() + kRouteNamesPerSentence - 1) /
                          kRouteNamesPerSentence;
        for (int sequence = 1; sequence <= std::max(count, 1); ++sequence) {
            std::string body = "PMGNRTE," + std::to_string(count) + "," + std::to_string(sequence) +
                               ",c," + twoDigits(route.number);
            for (std::size_t i = static_cast<std::size_t>(sequence - 1) * kRouteNamesPerSentence;
                 i < route.names.size() &&
                 i < static_cast<std::size_t>(sequence) * kRouteNamesPerSentence;
                 ++i) {
                body += "," + route.names[i] + "," + store_.iconOf(route.names[i]);
            }
            queueSentence(body);
        }
    }
    queueSentence("PMGNCMD,END");
}

void SimulatedReceiver::queueTrack(bool withDate) {
    for (const auto& p : store_.track) {
        queueSentence("PMGNTRK," + p.latitude + "," + p.ns + "," + p.longitude + "," + p.ew + "," +
                      p.altitude + "," + p.unit + "," + p.time + "," + p.validity + "," + p.name +
                      (withDate ? "," + p.date : std::string()));
    }
    queueSentence("PMGNCMD,END");
}

void SimulatedReceiver::queueSentence(std::string body) {
    queue_.push_back({answerNumber_, std::move(body)});
}

void SimulatedReceiver::sendNextQueued(Clock::time_point now) {
    if (!ackMode_) {
        while (!queue_.empty()) {
            transmit(queue_.front().body, false);
            queue_.pop_front();
        }
        return;
    }
    if (awaiting_ || queue_.empty()) {
        return;
    }
    awaiting_ = queue_.front().body;
    awaitingAnswer_ = queue_.front().answer;
    queue_.pop_front();
    sendsOfAwaiting_ = 1;
    awaitingSince_ = now;
    transmit(*awaiting_, false);
}

void SimulatedReceiver::handleAcknowledgement(const link::ReceivedSentence& sentence,
                                              Clock::time_point now) {
    if (!awaiting_) {
        return;
    }
    if (field(sentence.fields(), 0) == link::hexByte(link::checksumOf(*awaiting_))) {
        if (isDownloadRecord(*awaiting_) && awaitingAnswer_ == lastDownloadAnswer_) {
            ++recordsAcknowledged_;
        }
        awaiting_.reset();
        sendNextQueued(now);
    }
}

void SimulatedReceiver::acknowledge(const link::ReceivedSentence& sentence) {
    transmit("PMGNCSM," + link::hexByte(link::checksumOf(sentence.body)), true);
}

void SimulatedReceiver::transmit(const std::string& body, bool isAcknowledgement) {
    if (hungUp_ || silenced_ || faults_.silent || !poweredOn_ || muted_) {
        return;
    }
    if (isAcknowledgement && ++acknowledgementsDue_ == faults_.dropAcknowledgement) {
        return;
    }
    if (isAcknowledgement && dropNextAcknowledgement_) {
        dropNextAcknowledgement_ = false;
        return;
    }
    ++sentencesSent_;
    std::string framed = link::frameSentence("$" + body);
    if (sentencesSent_ == faults_.corruptChecksum) {
        framed[framed.size() - 3] = framed[framed.size() - 3] == '0' ? '1' : '0';
    }
    output_ += framed;
    if (faults_.hangUpAfter != 0 && sentencesSent_ >= faults_.hangUpAfter) {
        hungUp_ = true;
    }
    if (faults_.silentAfter != 0 && sentencesSent_ >= faults_.silentAfter) {
        silenced_ = true;
    }
}

void SimulatedReceiver::tick(Clock::time_point now) {
    if (hungUp_ || !poweredOn_) {
        return;
    }
    if (awaiting_ && now - awaitingSince_ >= ackTimeout_) {
        if (sendsOfAwaiting_ >= link::protocol::kSendsPerSentence) {
            // The host is gone: give up on the transfer.
            awaiting_.reset();
            while (!queue_.empty() && queue_.front().answer == awaitingAnswer_) {
                queue_.pop_front();
            }
            sendNextQueued(now);
        } else {
            ++sendsOfAwaiting_;
            awaitingSince_ = now;
            transmit(*awaiting_, false);
        }
    }
    // A log played faster than the clock ticks goes out in batches.
    constexpr int kMostLinesPerTick = 200;
    for (int n = 0; n < kMostLinesPerTick && !replayDone() && now >= nextReplay_ && !silenced_ &&
                    !faults_.silent;
         ++n) {
        output_ += replayLines_[replayNext_++] + "\r\n";
        nextReplay_ += replayInterval_;
        if (nextReplay_ < now - replayInterval_ * kMostLinesPerTick) {
            nextReplay_ = now;  // started late: do not make up for lost time all at once
        }
    }
    if (nmeaOn_ && now >= nextNmea_) {
        emitNmea(now);
        nextNmea_ = now + nmeaInterval_;
    }
}

void SimulatedReceiver::emitNmea(Clock::time_point now) {
    // A walker heading north-east, one step a fix.
    const int step = nmeaStep_++;
    const double latitudeMinutes = 5.979 + 0.002 * step;
    const double longitudeMinutes = 13.315 + 0.003 * step;
    // The calendar of <chrono> rather than gmtime_r, which Windows lacks.
    const auto wall = (utcOf_ ? std::chrono::system_clock::from_time_t(utcOf_(now))
                              : std::chrono::system_clock::now()) -
                      std::chrono::days(kDaysPerWeekPeriod * rolloverPeriods_);
    const auto today = std::chrono::floor<std::chrono::days>(wall);
    const std::chrono::year_month_day calendar{today};
    const std::chrono::hh_mm_ss clock{std::chrono::floor<std::chrono::seconds>(wall - today)};
    char time[48];
    std::snprintf(time, sizeof time, "%02d%02d%02d.00", static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    char date[40];
    std::snprintf(date, sizeof date, "%02u%02u%02d", static_cast<unsigned>(calendar.day()),
                  static_cast<unsigned>(calendar.month()), static_cast<int>(calendar.year()) % 100);
    char position[64];
    std::snprintf(position, sizeof position, "46%06.3f,N,007%06.3f,E",
                  std::fmod(latitudeMinutes, 60.0), std::fmod(longitudeMinutes, 60.0));
    const double altitude = 1529.0 + 0.4 * (step % 50);
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "GPGGA,%s,%s,1,08,0.9,%.1f,M,46.9,M,,", time, position,
                  altitude);
    transmit(buffer, false);
    std::snprintf(buffer, sizeof buffer, "GPRMC,%s,A,%s,003.1,045.0,%s,001.2,E", time, position,
                  date);
    transmit(buffer, false);
    transmit("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", false);
    transmit("GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45", false);
}

void SimulatedReceiver::replay(std::vector<std::string> lines, Clock::duration interval) {
    replayLines_ = std::move(lines);
    replayNext_ = 0;
    replayInterval_ = interval;
    nextReplay_ = {};
}

void SimulatedReceiver::switchOff() {
    poweredOn_ = false;
}

void SimulatedReceiver::switchOn() {
    if (poweredOn_) {
        return;
    }
    poweredOn_ = true;
    ackMode_ = false;
    nmeaOn_ = false;
    reader_.reset();
    queue_.clear();
    awaiting_.reset();
    sendsOfAwaiting_ = 0;
    lastUploadBody_.clear();
    uploadedTrack_.clear();
    routeInProgress_.reset();
    recordsAcknowledged_ = 0;
}

std::string SimulatedReceiver::takeOutput() {
    std::string out;
    out.swap(output_);
    return out;
}

}  // namespace trawlix::sim
