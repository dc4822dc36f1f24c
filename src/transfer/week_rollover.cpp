#include "transfer/week_rollover.h"

#include <cstdlib>

#include "common/numbers.h"

namespace trawlix::transfer::rollover {
namespace {

constexpr long long kSecondsPerPeriod = kDaysPerPeriod * kSecondsPerDay;
// More periods than this would take a receiver's date back before 1980, where GPS starts.
constexpr int kMostPeriods = 9;

std::string twoDigits(int value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

std::optional<Choice> choiceOf(std::string_view text) {
    if (text == "auto") {
        return Choice{};
    }
    if (text == "off") {
        return Choice{Choice::Mode::Off, 0};
    }
    const auto periods = common::strictInt32(std::string(text));
    if (!periods || *periods < 0 || *periods > kMostPeriods ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return Choice{Choice::Mode::Periods, *periods};
}

std::string textOf(const Choice& choice) {
    switch (choice.mode) {
        case Choice::Mode::Off:
            return "off";
        case Choice::Mode::Periods:
            return std::to_string(choice.periods);
        case Choice::Mode::Auto:
            break;
    }
    return "auto";
}

std::optional<int> periodsBehind(std::string_view status, std::string_view date,
                                 std::string_view time, long long now) {
    const auto sent = gpx::utcTimeFromReceiver(date, time);
    if (status != "A" || !sent) {
        return std::nullopt;
    }
    const long long behind = now - gpx::secondsSince1970(*sent);
    const long long periods = (behind + kSecondsPerPeriod / 2) / kSecondsPerPeriod;
    if (behind < -kSecondsPerDay || periods > kMostPeriods ||
        std::llabs(behind - periods * kSecondsPerPeriod) > kSecondsPerDay) {
        return std::nullopt;
    }
    return static_cast<int>(periods);
}

std::optional<gpx::UtcTime> corrected(const std::optional<gpx::UtcTime>& time,
                                      const gpx::DateCorrection& correction) {
    if (!time || correction.periods <= 0) {
        return time;
    }
    const long long seconds = gpx::secondsSince1970(*time);
    int periods = correction.periods;
    while (periods > 0 && seconds + periods * kSecondsPerPeriod > correction.latest) {
        --periods;
    }
    gpx::UtcTime moved = *time;
    gpx::moveByDays(moved, periods * kDaysPerPeriod);
    return moved;
}

gpx::UtcTime uncorrected(const gpx::UtcTime& time, int periods) {
    gpx::UtcTime moved = time;
    gpx::moveByDays(moved, -periods * kDaysPerPeriod);
    return moved;
}

void takeOff(UploadPlan& plan, int periods) {
    if (periods <= 0) {
        return;
    }
    for (UploadPart& part : plan.parts) {
        for (UploadStep& step : part.steps) {
            link::TrackPointRecord& point = step.trackPoint;
            const auto time = gpx::utcTimeFromReceiver(point.Field7, point.Field2);
            if (step.kind == UploadStep::Kind::TrackPoint && time) {
                point.Field7 = gpx::receiverDateOf(uncorrected(*time, periods));
            }
        }
    }
}

std::string weeksText(int periods) {
    return std::to_string(periods * kWeeksPerPeriod) + " weeks";
}

std::string noticeText(int periods) {
    return "The GPS's date is " + weeksText(periods) +
           " behind: its week counter rolled over. Track dates are corrected in GPX files.";
}

std::string dateLabelText(const gpx::UtcTime& time) {
    return twoDigits(time.month) + "/" + twoDigits(time.day) + "/" + std::to_string(time.year);
}

}  // namespace trawlix::transfer::rollover
