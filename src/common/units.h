#pragma once

namespace trawlix::common {

// A foot in metres: metres become feet by dividing by it, feet become metres by multiplying.
inline constexpr double kMetresPerFoot = 0.3048;

}  // namespace trawlix::common
