#include "app/week_rollover_watch.h"

#include <cctype>
#include <ctime>

#include "common/numbers.h"

namespace trawlix::app {
namespace {

namespace rollover = transfer::rollover;

constexpr const char* kSection = kWeekRolloverSection;
constexpr const char* kChoiceKey = kWeekRolloverChoiceKey;

}  // namespace

WeekRolloverWatch::WeekRolloverWatch(SettingsStore& settings)
    : settings_(settings), now_([] { return static_cast<long long>(std::time(nullptr)); }) {}

rollover::Choice WeekRolloverWatch::choice() const {
    if (override_) {
        return *override_;
    }
    const std::string stored =
        settings_.GetSetting(kSettingsApplication, kSection, kChoiceKey, "auto");
    return rollover::choiceOf(stored).value_or(rollover::Choice{});
}

void WeekRolloverWatch::saveChoice(const rollover::Choice& choice) {
    override_.reset();
    settings_.SaveSetting(kSettingsApplication, kSection, kChoiceKey, rollover::textOf(choice));
}

void WeekRolloverWatch::setReceiver(const std::string& productId,
                                    const std::string& softwareVersion) {
    if (receiverKnown_ && productId == productId_ && softwareVersion == softwareVersion_) {
        return;
    }
    productId_ = productId;
    softwareVersion_ = softwareVersion;
    receiverKnown_ = true;
    noticed_.reset();
}

// "MERIDIAN_GPS_5.04": letters, digits, "." and "-" as they are, anything else that a
// settings file could take for a separator as "_".
std::string WeekRolloverWatch::receiverKey() const {
    std::string key = productId_ + " " + softwareVersion_;
    for (char& c : key) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '.' && c != '-') {
            c = '_';
        }
    }
    return key;
}

std::optional<int> WeekRolloverWatch::knownPeriods() const {
    if (!receiverKnown_) {
        return std::nullopt;
    }
    const auto periods = common::strictInt32(
        settings_.GetSetting(kSettingsApplication, kSection, receiverKey(), ""));
    if (!periods || *periods < 0) {
        return std::nullopt;
    }
    return *periods;
}

bool WeekRolloverWatch::wantsEvidence() const {
    return choice().mode == rollover::Choice::Mode::Auto && !knownPeriods();
}

WeekRolloverWatch::Seen WeekRolloverWatch::takeRmc(const std::string& status,
                                                   const std::string& date,
                                                   const std::string& time) {
    ++rmcSeen_;
    Seen seen;
    const auto behind = rollover::periodsBehind(status, date, time, now_());
    if (behind && receiverKnown_ && knownPeriods() != behind) {
        settings_.SaveSetting(kSettingsApplication, kSection, receiverKey(),
                              std::to_string(*behind));
    }
    const transfer::gpx::DateCorrection now = correction();
    if (behind && *behind > 0 && now.periods > 0 && noticed_ != behind) {
        noticed_ = behind;
        seen.notice = rollover::noticeText(*behind);
        if (onNotice) {
            onNotice(*seen.notice);
        }
    }
    // Without a fix the date may be the unset clock's 1980 or 1999: nothing to correct.
    if (now.periods > 0 && status == "A") {
        seen.correctedDate =
            rollover::corrected(transfer::gpx::utcTimeFromReceiver(date, time), now);
    }
    return seen;
}

std::optional<std::string> WeekRolloverWatch::notice() const {
    if (!noticed_) {
        return std::nullopt;
    }
    return rollover::noticeText(*noticed_);
}

transfer::gpx::DateCorrection WeekRolloverWatch::correction() const {
    const rollover::Choice chosen = choice();
    int periods = 0;
    if (chosen.mode == rollover::Choice::Mode::Periods) {
        periods = chosen.periods;
    } else if (chosen.mode == rollover::Choice::Mode::Auto) {
        periods = knownPeriods().value_or(0);
    }
    return {periods, now_()};
}

}  // namespace trawlix::app
