#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trawlix::common {

// Splits a line at every comma: no quoting, no trimming, empty fields kept, so n commas
// give n + 1 fields (and the empty line gives one empty field).
std::vector<std::string> splitFields(std::string_view line);

// The field at `index`, or the empty text when the line has fewer fields.
std::string_view fieldOrEmpty(const std::vector<std::string>& fields, std::size_t index);

}  // namespace trawlix::common
