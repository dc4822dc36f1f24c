#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "transfer/gpx_mapping.h"
#include "transfer/upload_plan.h"

// Receivers count GPS weeks in ten bits. The count wrapped in August 1999 and in April 2019,
// and a receiver whose firmware does not know it reports dates a whole number of 1024-week
// periods early: the position and the time of day are right, only the date lies 7,168 days
// (or twice that) in the past. What is here notices such a receiver from its own date beside
// the computer's clock, and moves track point dates by whole periods, both ways.
namespace trawlix::transfer::rollover {

inline constexpr int kWeeksPerPeriod = 1024;
inline constexpr long long kDaysPerPeriod = 7LL * kWeeksPerPeriod;
inline constexpr long long kSecondsPerDay = 86400;

// What to do about it: notice it from the receiver's date, ignore it, or a given count.
struct Choice {
    enum class Mode { Auto, Off, Periods };
    Mode mode = Mode::Auto;
    int periods = 0;  // with Periods

    bool operator==(const Choice&) const = default;
};
// "auto", "off" or a number of periods from 0 to 9; nothing for any other text.
std::optional<Choice> choiceOf(std::string_view text);
std::string textOf(const Choice& choice);

// The periods a receiver's RMC date and time lie behind `now` (seconds since 1970, UTC), when
// they do so by whole periods within a day; 0 for a receiver whose clock is right. Nothing
// when the sentence is no evidence: no fix (status other than "A"), an unreadable date, or a
// date that is ahead or between periods, as an unset clock's 1980 or 1999 is.
std::optional<int> periodsBehind(std::string_view status, std::string_view date,
                                 std::string_view time, long long now);

// The time `periods` periods later, but never after `correction.latest`: a point that would
// land in the future was recorded before the counter wrapped and keeps the fewer periods
// that leave it in the past.
std::optional<gpx::UtcTime> corrected(const std::optional<gpx::UtcTime>& time,
                                      const gpx::DateCorrection& correction);
// The receiver's own calendar again: `periods` periods earlier.
gpx::UtcTime uncorrected(const gpx::UtcTime& time, int periods);
// Takes the periods off the dates of the track points of a plan read from GPX.
void takeOff(UploadPlan& plan, int periods);

// "1024 weeks", "2048 weeks".
std::string weeksText(int periods);
// What the window and trawlix-cli say once when they notice it.
std::string noticeText(int periods);
// "12/07/2026": the date as the window's date label shows it, with its century.
std::string dateLabelText(const gpx::UtcTime& time);

}  // namespace trawlix::transfer::rollover
