#pragma once

#include <string>
#include <string_view>

namespace trawlix::common {

// Formats a number by a display pattern such as "##°00.000'":
//   "#" a digit shown only when needed, "0" a digit always shown, "." the decimal point
//   (always "." whatever the locale), any other character copied where it stands.
// The value is rounded to the pattern's decimals; integer digits fill the placeholders
// from the right and digits beyond the leftmost placeholder are all shown there; a
// negative value gets a leading "-". Patterns are UTF-8; literals may be multi-byte.
std::string formatPattern(double value, std::string_view pattern);

// Formats a text by a pattern the way a display field does: the empty text stays empty,
// a text that is one decimal number is formatted as that number, and any other text is
// shown unchanged (it is not a number, so there is nothing to lay out).
std::string formatTextPattern(std::string_view text, std::string_view pattern);

// "Plain single": rounded to 7 significant digits, trailing zeros and a trailing point
// removed, "0" before the point below 1, exponent form ("1.5e+07") from ten million up
// and below 0.0001. The strict readers accept every text this produces.
std::string formatPlainSingle(float value);

// Plain decimal digits, a leading "-" for negative values.
std::string formatInteger(long long value);

}  // namespace trawlix::common
