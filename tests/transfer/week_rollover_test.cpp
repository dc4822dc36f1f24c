// Receivers whose week counter rolled over: telling it from their date, and moving track
// dates by whole periods of 1024 weeks.
#include <gtest/gtest.h>

#include "transfer/week_rollover.h"

namespace trawlix::transfer::rollover {
namespace {

long long at(const char* iso) {
    return gpx::secondsSince1970(*gpx::utcTimeFromIso(iso));
}

struct Evidence {
    const char* what;
    const char* status;
    const char* date;
    const char* time;
    const char* now;
    std::optional<int> periods;
};

TEST(WeekRollover, TellsWholePeriodsBehindFromTheReceiversDate) {
    const Evidence cases[] = {
        {"right clock", "A", "091226", "120000", "2026-12-09T12:00:05Z", 0},
        {"one period", "A", "250407", "120000", "2026-12-09T12:00:05Z", 1},
        {"two periods", "A", "090987", "120000", "2026-12-09T12:00:05Z", 2},
        {"23:59:59 beside midnight", "A", "250407", "235959", "2026-12-10T00:00:01Z", 1},
        {"last day before the 2038 wrap", "A", "060419", "235950", "2038-11-20T23:59:55Z", 1},
        {"first day after the 2038 wrap", "A", "070419", "000010", "2038-11-21T00:00:12Z", 1},
        {"no fix, a 1980 date", "V", "060180", "000013", "2026-12-09T12:00:05Z", {}},
        {"no fix, a 1999 date", "V", "220899", "000013", "2026-12-09T12:00:05Z", {}},
        {"no fix, a period behind", "V", "250407", "120000", "2026-12-09T12:00:05Z", {}},
        {"1980 with a fix is no period", "A", "060180", "000013", "2026-12-09T12:00:05Z", {}},
        {"two days off a period", "A", "230407", "120000", "2026-12-09T12:00:05Z", {}},
        {"ahead of the computer", "A", "111226", "120000", "2026-12-09T12:00:05Z", {}},
        {"no date", "A", "", "120000", "2026-12-09T12:00:05Z", {}},
    };
    for (const Evidence& c : cases) {
        EXPECT_EQ(periodsBehind(c.status, c.date, c.time, at(c.now)), c.periods) << c.what;
    }
}

TEST(WeekRollover, ACorrectedDateNeverLiesAfterNow) {
    struct Case {
        const char* sent;
        int periods;
        const char* now;
        const char* expected;
    } cases[] = {
        {"2007-04-25T11:59:00.25Z", 1, "2026-12-09T12:00:05Z", "2026-12-09T11:59:00.25Z"},
        {"1987-09-08T23:59:59Z", 2, "2026-12-09T12:00:05Z", "2026-12-08T23:59:59Z"},
        // Seconds into the future, and a point recorded before the wrap of 2019.
        {"2007-04-25T12:00:06Z", 1, "2026-12-09T12:00:05Z", "2007-04-25T12:00:06Z"},
        {"2018-06-01T08:00:00Z", 1, "2026-12-09T12:00:05Z", "2018-06-01T08:00:00Z"},
        {"1999-08-21T08:00:00Z", 2, "2026-12-09T12:00:05Z", "2019-04-06T08:00:00Z"},
        {"2019-04-06T23:59:59Z", 1, "2038-11-21T00:00:00Z", "2038-11-20T23:59:59Z"},
        {"2019-04-06T23:59:59Z", 0, "2038-11-21T00:00:00Z", "2019-04-06T23:59:59Z"},
    };
    for (const Case& c : cases) {
        const auto moved = corrected(gpx::utcTimeFromIso(c.sent), {c.periods, at(c.now)});
        EXPECT_EQ(gpx::isoTextOf(*moved), c.expected) << c.sent;
    }
    EXPECT_FALSE(corrected(std::nullopt, {1, at("2026-12-09T12:00:05Z")}));
}

TEST(WeekRollover, AnUploadTakesThePeriodsOffTrackDatesOnly) {
    UploadPlan plan;
    UploadStep point;
    point.kind = UploadStep::Kind::TrackPoint;
    point.trackPoint.Field2 = "071548.24";
    point.trackPoint.Field7 = "110808";
    UploadStep waypoint;
    waypoint.trackPoint.Field7 = "110808";
    UploadStep undated = point;
    undated.trackPoint.Field7.clear();
    plan.parts.push_back({UploadKind::Track, {point, waypoint, undated}, 3, 0});
    takeOff(plan, 1);
    const auto& steps = plan.parts.front().steps;
    EXPECT_EQ(steps[0].trackPoint.Field7, "261288");
    EXPECT_EQ(steps[0].trackPoint.Field2, "071548.24");
    EXPECT_EQ(steps[1].trackPoint.Field7, "110808");
    EXPECT_EQ(steps[2].trackPoint.Field7, "");
}

TEST(WeekRollover, ChoicesAndWhatIsSaid) {
    EXPECT_EQ(choiceOf("auto"), Choice{});
    EXPECT_EQ(choiceOf("off"), (Choice{Choice::Mode::Off, 0}));
    EXPECT_EQ(choiceOf("2"), (Choice{Choice::Mode::Periods, 2}));
    for (const char* bad : {"", "Auto", "-1", "10", "1.5", " 1"}) {
        EXPECT_FALSE(choiceOf(bad)) << bad;
    }
    EXPECT_EQ(textOf(*choiceOf("1")), "1");
    EXPECT_EQ(noticeText(2),
              "The GPS's date is 2048 weeks behind: its week counter rolled over. Track dates "
              "are corrected in GPX files.");
}

}  // namespace
}  // namespace trawlix::transfer::rollover
