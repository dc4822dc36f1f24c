#include "qt/event_wait.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>

namespace trawlix::qt {

void waitForEvents(const std::function<bool()>& done, const std::function<std::int64_t()>& now,
                   std::int64_t deadline) {
    // The timer only wakes the loop at the deadline; every event that comes before is another
    // chance for `done` to hold. A timer that fired a moment before the deadline, as Qt's
    // timers may, is started again: with none running, the loop would wait for an event that
    // never comes, and the link set-up hung for ever.
    constexpr std::int64_t kLongestTimerMs = 24 * 3600 * 1000;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    while (!done() && now() < deadline) {
        if (!timeout.isActive()) {
            timeout.start(
                static_cast<int>(std::clamp<std::int64_t>(deadline - now(), 1, kLongestTimerMs)));
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
    }
}

}  // namespace trawlix::qt
