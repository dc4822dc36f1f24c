#pragma once

#include <cstdint>
#include <functional>

namespace trawlix::qt {

// Runs Qt's event loop, user input aside, until `done` holds or the clock `now` (in
// milliseconds) reaches `deadline`, sleeping while nothing happens.
void waitForEvents(const std::function<bool()>& done, const std::function<std::int64_t()>& now,
                   std::int64_t deadline);

}  // namespace trawlix::qt
