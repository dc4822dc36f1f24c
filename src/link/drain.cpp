#include "link/drain.h"

namespace trawlix::link {

bool Drain::start(Millis now, Millis quietMs) {
    if (until_) {
        until_->quiet = now + quietMs;
        return false;
    }
    until_ = Until{now + quietMs, now + kLimitMs};
    return true;
}

void Drain::heard(Millis now, Millis quietMs) {
    if (until_) {
        until_->quiet = now + quietMs;
    }
}

std::optional<std::string> Drain::overBy(Millis now) const {
    if (!until_) {
        return std::nullopt;
    }
    if (now >= until_->quiet) {
        return "has gone quiet";
    }
    if (now >= until_->limit) {
        return "goes on past " + std::to_string(kLimitMs / 1000) + " seconds";
    }
    return std::nullopt;
}

std::optional<Millis> Drain::wakeUp() const {
    if (!until_) {
        return std::nullopt;
    }
    return std::min(until_->quiet, until_->limit);
}

}  // namespace trawlix::link
