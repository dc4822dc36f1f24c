// The receiver's own date beside the computer's clock: a week counter that rolled over is
// said once, and the status bar then gives the corrected date beside the live fix. The
// date label keeps the receiver's own.
#include "app/your_form.h"

namespace trawlix::app {
namespace {

// Long enough to read the notice before the live fix takes the status bar again.
constexpr double kNoticeSeconds = 6.0;

}  // namespace

void YourForm::noticeReceiverDate(std::string_view status, std::string_view date,
                                  std::string_view time) {
    const WeekRolloverWatch::Seen seen =
        weekRollover_.takeRmc(std::string(status), std::string(date), std::string(time));
    const double now = clock_->seconds();
    if (seen.notice) {
        std::string notice = *seen.notice;
        Magellan_mDebug(notice);
        rolloverNoticeAt_ = now;
    }
    if (rolloverNoticeAt_ >= 0.0 && now - rolloverNoticeAt_ < kNoticeSeconds) {
        showActivity(*weekRollover_.notice());
    } else if (seen.correctedDate) {
        // The date first: a narrow window cuts the status text at its end.
        showActivity("Corrected date " + transfer::rollover::dateLabelText(*seen.correctedDate) +
                     " · " + liveFixText(clock_->timeOfDay()));
    } else {
        return;
    }
    liveFixShownAt_ = now;
}

}  // namespace trawlix::app
