#pragma once

#include <algorithm>
#include <optional>
#include <string>

#include "link/link_outbox.h"

namespace trawlix::link {

// After a stopped download the receiver goes on sending the rest of it, which would be taken
// for the answer to the next request. A drain drops it: it ends on the receiver's END, on a
// quiet in protocol sentences long enough for the receiver to have given up (NMEA does not
// count; noise does, since it may hide them), or at its limit at most.
class Drain {
  public:
    // The longest a drain holds requests back.
    static constexpr Millis kLimitMs = 10000;

    bool active() const { return until_.has_value(); }
    // Starts a drain, or makes one under way wait for a whole quiet again. True if it started.
    bool start(Millis now, Millis quietMs);
    // Something that may be the rest of the stopped transfer arrived.
    void heard(Millis now, Millis quietMs);
    // Why a drain under way is over by `now`; nothing while it goes on.
    std::optional<std::string> overBy(Millis now) const;
    void end() { until_.reset(); }
    std::optional<Millis> wakeUp() const;
    Millis limit() const { return until_ ? until_->limit : 0; }

  private:
    struct Until {
        Millis quiet = 0;
        Millis limit = 0;
    };
    std::optional<Until> until_;
};

}  // namespace trawlix::link
