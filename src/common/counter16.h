#pragma once

#include <cstdint>
#include <limits>

namespace trawlix::common {

// A 16-bit signed counter as the window keeps them: it stops at 32767 instead of
// wrapping to a negative number, so a long transfer never reports a nonsense count.
class Counter16 {
  public:
    Counter16() = default;
    explicit Counter16(std::int16_t start) : value_(start) {}

    void increment() {
        if (value_ < std::numeric_limits<std::int16_t>::max()) {
            ++value_;
        }
    }
    void reset() { value_ = 0; }
    std::int16_t value() const { return value_; }

  private:
    std::int16_t value_ = 0;
};

}  // namespace trawlix::common
