#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/settings_store.h"
#include "transfer/week_rollover.h"

namespace trawlix::app {

// Where the settings file keeps the choice, and beside it the periods of each receiver.
inline constexpr const char* kWeekRolloverSection = "WeekRollover";
inline constexpr const char* kWeekRolloverChoiceKey = "Choice";

// Keeps what is known of the receiver's week counter: the user's choice (auto, off or a
// number of periods, under [WeekRollover] in the settings file), and for each receiver,
// by its product id and software version, the periods its date was last seen behind. Its
// RMC dates are the evidence; the GPX track writers and uploads ask it for the correction.
class WeekRolloverWatch {
  public:
    explicit WeekRolloverWatch(SettingsStore& settings);

    // The computer's clock, in seconds since 1970 UTC; the system's unless set.
    void setClock(std::function<long long()> now) { now_ = std::move(now); }

    // The stored choice, or `auto` when there is none or it cannot be read.
    transfer::rollover::Choice choice() const;
    // For this run only (trawlix-cli's --week-rollover), or kept in the settings.
    void overrideChoice(const transfer::rollover::Choice& choice) { override_ = choice; }
    void saveChoice(const transfer::rollover::Choice& choice);

    // The receiver on the line, from its version reply.
    void setReceiver(const std::string& productId, const std::string& softwareVersion);
    // The periods stored for the receiver on the line.
    std::optional<int> knownPeriods() const;
    // True while `auto` has nothing to go on for this receiver: one RMC would tell.
    bool wantsEvidence() const;

    struct Seen {
        std::optional<std::string> notice;  // the first time a receiver is seen behind
        std::optional<transfer::gpx::UtcTime> correctedDate;  // while a correction applies
    };
    // An RMC sentence's status, date and time. Evidence is kept for the receiver.
    Seen takeRmc(const std::string& status, const std::string& date, const std::string& time);
    // What was said last for the receiver on the line.
    std::optional<std::string> notice() const;
    // Told of each notice as it is made: trawlix-cli prints it.
    std::function<void(const std::string&)> onNotice;
    // RMC sentences taken since the start.
    int rmcSeen() const { return rmcSeen_; }

    // What track points in GPX get now.
    transfer::gpx::DateCorrection correction() const;

  private:
    std::string receiverKey() const;

    SettingsStore& settings_;
    std::function<long long()> now_;
    std::optional<transfer::rollover::Choice> override_;
    std::string productId_;
    std::string softwareVersion_;
    bool receiverKnown_ = false;
    std::optional<int> noticed_;  // the periods said, so that each is said once
    int rmcSeen_ = 0;
};

}  // namespace trawlix::app
