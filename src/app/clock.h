#pragma once

#include <string>

namespace trawlix::app {

// Time as the window's logic needs it: a steady count of seconds for rates and time left,
// and the time of day for "last at". Tests give a scripted one.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual double seconds() const = 0;
    // "12:35:19", local time.
    virtual std::string timeOfDay() const = 0;
};

class SystemClock : public Clock {
  public:
    double seconds() const override;
    std::string timeOfDay() const override;
};

}  // namespace trawlix::app
