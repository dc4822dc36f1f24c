#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The status bar's texts: what is happening now, and the port in use.
namespace trawlix::app {

// "Receiving track points: 120 (6.3 a second)"; without a rate until one can be told.
std::string receivingText(const std::string& what, int count, std::optional<double> perSecond);

// "Sending waypoints: 12 of 36, about 20 s left"; without the time left until it is known.
std::string sendingText(const std::string& what, int sent, int total,
                        std::optional<double> secondsLeft);

// "Live fix, last at 12:35:19"
std::string liveFixText(const std::string& timeOfDay);

// "Port 2 · /dev/ttyUSB0 · 4800,N,8,1" when open, "Port 2 closed" when not.
std::string portText(std::int16_t port, const std::string& device, const std::string& settings,
                     bool open);

// The pace of a transfer from its first record on.
class TransferPace {
  public:
    void start(double now) {
        startedAt_ = now;
        firstAt_.reset();
    }
    // Records per second, from the first record to the `count`-th at `now`.
    std::optional<double> rate(int count, double now);
    // Seconds until `total` at the pace from the start to the `done`-th record at `now`.
    std::optional<double> secondsLeft(int done, int total, double now) const;

  private:
    double startedAt_ = 0.0;
    std::optional<double> firstAt_;
};

}  // namespace trawlix::app
