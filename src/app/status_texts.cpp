#include "app/status_texts.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "app/clock.h"
#include "common/pattern_format.h"

namespace trawlix::app {

using common::formatInteger;

std::string receivingText(const std::string& what, int count, std::optional<double> perSecond) {
    std::string text = "Receiving " + what + ": " + formatInteger(count);
    if (perSecond) {
        text += " (" + common::formatPattern(*perSecond, "0.0") + " a second)";
    }
    return text;
}

std::string sendingText(const std::string& what, int sent, int total,
                        std::optional<double> secondsLeft) {
    std::string text =
        "Sending " + what + ": " + formatInteger(sent) + " of " + formatInteger(total);
    if (secondsLeft) {
        text += ", about " + formatInteger(std::llround(*secondsLeft)) + " s left";
    }
    return text;
}

std::string liveFixText(const std::string& timeOfDay) {
    return "Live fix, last at " + timeOfDay;
}

std::string portText(std::int16_t port, const std::string& device, const std::string& settings,
                     bool open) {
    const std::string name = "Port " + formatInteger(port);
    return open ? name + " \u00b7 " + device + " \u00b7 " + settings : name + " closed";
}

std::optional<double> TransferPace::rate(int count, double now) {
    if (!firstAt_) {
        firstAt_ = now;
    }
    const double span = now - *firstAt_;
    if (count < 2 || span <= 0.0) {
        return std::nullopt;
    }
    return (count - 1) / span;
}

std::optional<double> TransferPace::secondsLeft(int done, int total, double now) const {
    const double span = now - startedAt_;
    if (done < 1 || span <= 0.0 || total < done) {
        return std::nullopt;
    }
    return span / done * (total - done);
}

double SystemClock::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string SystemClock::timeOfDay() const {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local == nullptr) {
        return {};
    }
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", local);
    return text;
}

}  // namespace trawlix::app
